#include "tools/bwoffice/Pages.h"

#include "tools/deckmodel/Text.h"
#include "tools/printcopy/PrintCopy.h"
#include "tools/package/XmlNames.h"
#include "tools/render/Print.h"

#include <fstream>
#include <set>

namespace bwoffice {
namespace {

constexpr int kPageDpi = 40;  // a page picture beside the charts: a slide 400 pixels wide

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

std::string Picture(const std::string& folder, size_t i, const char* when) {
    return folder + "/page" + std::to_string(i + 1) + "-" + when + ".png";
}

void AddNotes(PagesResult& result, const std::vector<std::string>& problems) {
    result.notes.insert(result.notes.end(), problems.begin(), problems.end());
}

// The slides of a presentation in order.
std::vector<std::string> SlideParts(const office::Package& presentation) {
    const std::string main = presentation.MainPart();
    const pugi::xml_document xml = presentation.ParseXml(main);
    std::vector<std::string> slides;
    for (const pugi::xpath_node& id : xml.select_nodes("//*[local-name()='sldIdLst']/*[local-name()='sldId']"))
        slides.push_back(presentation.Target(main, office::xml::RelationshipAttribute(id.node(), "id")));
    return slides;
}

std::string Related(const office::Package& package, const std::string& part, const char* type) {
    for (const office::Relationship& r : package.Relationships(part))
        if (!r.external && office::IsRelationshipType(r, type)) return r.target;
    return {};
}

// The slides whose pages show charts: those holding some, and for a layout's or master's charts
// the first slide that shows them (every slide of that layout prints them alike).
std::set<size_t> SlidesWithCharts(const office::Package& input, const std::vector<office::OfficeObject>& records) {
    std::set<size_t> slides;
    std::set<std::string> behind;  // layouts and masters with charts
    for (const office::OfficeObject& o : records) {
        if (o.charts.empty()) continue;
        if (o.slide > 0) slides.insert(o.slide);
        else if (o.place == office::Place::Layout || o.place == office::Place::Master) behind.insert(o.slidePart);
    }
    if (behind.empty()) return slides;
    const std::vector<std::string> parts = SlideParts(input);
    for (size_t i = 0; i < parts.size() && !behind.empty(); ++i) {
        const std::string layout = Related(input, parts[i], "slideLayout");
        const std::string master = layout.empty() ? std::string() : Related(input, layout, "slideMaster");
        for (const std::string& shown : {layout, master})
            if (behind.erase(shown)) slides.insert(i + 1);
    }
    return slides;
}

void PresentationPages(const office::Package& input, const PagesRequest& request,
                       const std::vector<office::OfficeObject>& records, PagesResult& result) {
    const std::string before = request.folder + "/before.pdf";
    const std::string after = request.pdf.empty() ? request.folder + "/after.pdf" : request.pdf;
    const std::set<size_t> slides = SlidesWithCharts(input, records);
    std::vector<render::PrintJob> jobs = {{request.output, after}};
    if (!slides.empty()) jobs.push_back({request.input, before});
    AddNotes(result, render::PrintToPdf(jobs, request.folder + "/render"));
    result.pdfWritten = !request.pdf.empty() && std::ifstream(request.pdf).good();
    const std::vector<int> pages = PageOfSlide(input);
    for (size_t slide : slides) {
        if (result.pages.size() == request.limit) {
            result.notes.push_back("only the first " + std::to_string(request.limit) + " slides that hold charts are drawn as pages");
            break;
        }
        const int page = slide <= pages.size() ? pages[slide - 1] : 0;
        bwpass::PagePictures p{"slide " + std::to_string(slide), "", ""};
        if (page == 0) {
            result.notes.push_back("slide " + std::to_string(slide) + " is hidden: LibreOffice does not print it");
            continue;
        }
        const size_t i = result.pages.size();
        for (auto [pdf, picture, when] : {std::make_tuple(&before, &p.before, "before"), std::make_tuple(&after, &p.after, "after")}) {
            const std::string png = Picture(request.folder, i, when);
            const std::string why = render::PagePicture(*pdf, page, kPageDpi, png);
            if (why.empty()) *picture = png;
            else result.notes.push_back("slide " + std::to_string(slide) + " " + when + ": not drawn: " + why);
        }
        result.pages.push_back(std::move(p));
    }
}

// One sheet's page: a worksheet's cells and drawings cut from a copy that prints them alone, a
// chart sheet's page as printed.
struct SheetJob {
    std::string sheet, when;
    render::PrintedRange range;  // xlsx empty for a chart sheet's page
    std::string pdf;
};

void AddSheetJob(const office::Package& workbook, const std::string& sheet, const char* when, size_t i,
                 const PagesRequest& request, std::vector<SheetJob>& jobs, std::vector<render::PrintJob>& printJobs) {
    SheetJob job{sheet, when, {}, request.folder + "/sheet" + std::to_string(i + 1) + "-" + when + ".pdf"};
    const std::string xlsx = request.folder + "/sheet" + std::to_string(i + 1) + "-" + when + ".xlsx";
    const office::SheetPrint print = office::PrintCopyOfSheet(workbook, sheet, office::ShownRange(workbook, sheet, false));
    std::string bytes;
    if (print.problem.empty()) {
        job.range.xlsx = print.xlsx;
        job.range.widthPoints = print.widthPoints;
        job.range.heightPoints = print.heightPoints;
        job.range.marked = print.marked;
        job.range.dpi = kPageDpi;
        bytes = print.xlsx;
    } else {
        bytes = office::CopyShowingSheets(workbook, {sheet});
    }
    job.range.outputPng = Picture(request.folder, i, when);
    if (!WriteBytes(xlsx, bytes)) return;
    printJobs.push_back({xlsx, job.pdf});
    jobs.push_back(std::move(job));
}

void WorkbookPages(const office::Package& input, const PagesRequest& request,
                   const std::vector<office::OfficeObject>& records, PagesResult& result) {
    const office::Package output = office::Package::OpenFile(request.output);
    std::vector<std::string> sheets;
    std::set<std::string> names;
    for (const office::OfficeObject& o : records)
        for (const office::ChartLocation& l : o.charts)
            if (names.insert(bwpass::Utf8(l.sheet)).second) sheets.push_back(bwpass::Utf8(l.sheet));
    std::vector<render::PrintJob> printJobs;
    const std::string shown = request.folder + "/shown.xlsx";
    if (!request.pdf.empty() && WriteBytes(shown, office::CopyShowingSheets(output, names)))
        printJobs.push_back({shown, request.pdf});
    std::vector<SheetJob> jobs;
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (i == request.limit) {
            result.notes.push_back("only the first " + std::to_string(request.limit) + " sheets that hold charts are drawn as pages");
            break;
        }
        AddSheetJob(input, sheets[i], "before", i, request, jobs, printJobs);
        AddSheetJob(output, sheets[i], "after", i, request, jobs, printJobs);
    }
    AddNotes(result, render::PrintToPdf(printJobs, request.folder + "/render"));
    result.pdfWritten = !request.pdf.empty() && std::ifstream(request.pdf).good();
    for (const SheetJob& job : jobs) {
        if (result.pages.empty() || result.pages.back().label != "sheet " + job.sheet)
            result.pages.push_back({"sheet " + job.sheet, "", ""});
        const std::string why = job.range.xlsx.empty()
                                    ? render::PagePicture(job.pdf, 1, kPageDpi, job.range.outputPng)
                                    : render::CutPrintedRange(job.pdf, job.range, request.folder + "/render");
        if (why.empty()) (job.when == "before" ? result.pages.back().before : result.pages.back().after) = job.range.outputPng;
        else result.notes.push_back("sheet " + job.sheet + " " + job.when + ": not drawn: " + why);
    }
}

}  // namespace

std::vector<int> PageOfSlide(const office::Package& presentation) {
    std::vector<int> pages;
    int page = 0;
    for (const std::string& part : SlideParts(presentation)) {
        const pugi::xml_document slide = presentation.ParseXml(part);
        const bool hidden = !slide.document_element().attribute("show").as_bool(true);
        pages.push_back(hidden ? 0 : ++page);
    }
    return pages;
}

PagesResult PrintPages(const office::Package& input, const PagesRequest& request,
                       const std::vector<office::OfficeObject>& records) {
    PagesResult result;
    try {
        if (office::KindOf(input) == office::DocumentKind::Presentation) PresentationPages(input, request, records, result);
        else WorkbookPages(input, request, records, result);
    } catch (const std::exception& e) {
        result.notes.push_back(std::string("pages not printed: ") + e.what());
    }
    return result;
}

}  // namespace bwoffice
