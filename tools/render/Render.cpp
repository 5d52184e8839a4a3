#include "tools/render/Render.h"

#include "tools/render/Presentation.h"
#include "tools/render/Process.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace render {
namespace fs = std::filesystem;
namespace {

// Elements whose relationships the wrapper does not carry (the workbook, user shapes, a chart
// sheet's header drawing): LibreOffice gives up on a part that names a missing relationship.
bool IsRelationshipElement(const pugi::xml_node& node) {
    std::string name = node.name();
    const size_t colon = name.find(':');
    if (colon != std::string::npos) name = name.substr(colon + 1);
    return name == "externalData" || name == "userShapes" || name == "legacyDrawingHF";
}

std::string ChartWithoutRelationships(const std::string& chartXml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(chartXml.data(), chartXml.size());
    if (!parsed) throw std::runtime_error(std::string("the chart part is not well-formed XML: ") + parsed.description());
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node child = root.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (IsRelationshipElement(child)) root.remove_child(child);
        child = next;
    }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

std::string NumberedName(size_t i, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "chart%04zu%s", i + 1, extension);
    return name;
}

// A folder of its own for this batch, so that two batches never mix their PDFs.
fs::path NewBatchFolder(const fs::path& workFolder) {
    std::string pattern = (workFolder / "batch-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder in " + workFolder.string());
    return pattern;
}

bool NonEmptyFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0;
}

struct Tools {
    std::string soffice, pdftoppm;
};

// The limit grows with the batch: LibreOffice's start (a new profile takes several seconds on a
// loaded machine) and then about a second per chart, with a wide margin for shared machines.
double ConversionLimit(size_t count) { return 120.0 + 10.0 * static_cast<double>(count); }
constexpr double kPictureLimit = 60.0;

class Batch {
public:
    Batch(const Tools& tools, const fs::path& workFolder, const std::vector<ChartToRender>& charts, double limit)
        : tools_(tools), work_(workFolder), charts_(charts), limit_(limit), folder_(NewBatchFolder(workFolder)) {}
    ~Batch() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::vector<std::string> Run() {
        std::vector<std::string> inputs = WrapCharts();
        if (!inputs.empty()) ConvertToPdf(inputs);
        for (size_t i = 0; i < charts_.size(); ++i)
            if (!failed_[i]) MakePicture(i);
        return problems_;
    }

private:
    void Fail(size_t i, const std::string& why) {
        failed_[i] = true;
        problems_.push_back(charts_[i].outputPng + ": " + why);
    }

    std::vector<std::string> WrapCharts() {
        failed_.assign(charts_.size(), false);
        std::vector<std::string> inputs;
        for (size_t i = 0; i < charts_.size(); ++i) {
            try {
                const fs::path input = folder_ / NumberedName(i, ".pptx");
                const std::string bytes = OneSlidePresentation(charts_[i].chartXml, charts_[i].themeXml);
                std::ofstream out(input, std::ios::binary);
                if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
                    throw std::runtime_error("cannot write " + input.string());
                inputs.push_back(input.string());
            } catch (const std::exception& e) {
                Fail(i, std::string("not drawn: ") + e.what());
            }
        }
        return inputs;
    }

    void ConvertToPdf(const std::vector<std::string>& inputs) {
        std::vector<std::string> argv = {tools_.soffice, "--headless", "--norestore", "--nologo", "--nolockcheck",
                                         "-env:UserInstallation=" + FileUrl((work_ / "lo-profile").string()),
                                         "--convert-to", "pdf", "--outdir", folder_.string()};
        argv.insert(argv.end(), inputs.begin(), inputs.end());
        const double limit = limit_ > 0 ? limit_ : ConversionLimit(inputs.size());
        const ProcessResult run = RunProcess(argv, limit, (work_ / "soffice.log").string());
        std::string why = "LibreOffice made no PDF of it (see " + (work_ / "soffice.log").string() + ")";
        if (!run.started) why = "LibreOffice could not be started";
        if (run.timedOut) why = "LibreOffice did not finish within " + std::to_string(static_cast<int>(limit)) + " s and was stopped";
        for (size_t i = 0; i < charts_.size(); ++i)
            if (!failed_[i] && !NonEmptyFile(folder_ / NumberedName(i, ".pdf"))) Fail(i, "not drawn: " + why);
    }

    void MakePicture(size_t i) {
        const fs::path pdf = folder_ / NumberedName(i, ".pdf");
        const fs::path stem = folder_ / NumberedName(i, "");
        const ProcessResult run = RunProcess({tools_.pdftoppm, "-r", std::to_string(charts_[i].dpi), "-png",
                                              "-singlefile", pdf.string(), stem.string()},
                                             kPictureLimit, (work_ / "pdftoppm.log").string());
        const fs::path png = folder_ / NumberedName(i, ".png");
        if (run.timedOut) return Fail(i, "not drawn: pdftoppm did not finish within 60 s and was stopped");
        if (!NonEmptyFile(png)) return Fail(i, "not drawn: pdftoppm made no picture of LibreOffice's PDF");
        std::error_code ec;
        const fs::path target = charts_[i].outputPng;
        if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
        fs::copy_file(png, target, fs::copy_options::overwrite_existing, ec);
        if (ec) Fail(i, "cannot write the picture: " + ec.message());
    }

    const Tools& tools_;
    const fs::path work_;
    const std::vector<ChartToRender>& charts_;
    const double limit_;
    const fs::path folder_;
    std::vector<bool> failed_;
    std::vector<std::string> problems_;
};

std::vector<std::string> RenderAll(const std::vector<ChartToRender>& charts, const std::string& workFolder,
                                   double limit) {
    if (charts.empty()) return {};
    Tools tools{FindOnPath("soffice"), FindOnPath("pdftoppm")};
    if (tools.soffice.empty()) return {"LibreOffice (soffice) not found on PATH: no rendered pictures"};
    if (tools.pdftoppm.empty()) return {"pdftoppm (poppler-utils) not found on PATH: no rendered pictures"};
    fs::create_directories(workFolder);
    return Batch(tools, fs::absolute(workFolder), charts, limit).Run();
}

}  // namespace

std::string OneSlidePresentation(const std::string& chartXml, const std::string& themeXml) {
    PresentationContent content;
    content.slideWidth = kChartSlideWidth;
    content.slideHeight = kChartSlideHeight;
    content.themeXml = themeXml;
    SlideContent slide;
    slide.charts.push_back(ChartFrame{"Chart 1", Rect{0, 0, kChartSlideWidth, kChartSlideHeight},
                                      ChartWithoutRelationships(chartXml), ""});
    content.slides.push_back(std::move(slide));
    return ZipToBytes(PresentationEntries(content));
}

std::vector<std::string> RenderCharts(const std::vector<ChartToRender>& charts, const std::string& workFolder) {
    return RenderCharts(charts, workFolder, 0);
}

std::vector<std::string> RenderCharts(const std::vector<ChartToRender>& charts, const std::string& workFolder,
                                      double limitSeconds) {
    try {
        return RenderAll(charts, workFolder, limitSeconds);
    } catch (const std::exception& e) {
        return {std::string("no rendered pictures: ") + e.what()};
    } catch (...) {
        return {"no rendered pictures: unexpected failure"};
    }
}

std::vector<std::string> MakePreviewPicture(const std::string& chartXml, const std::string& themeXml,
                                            const std::string& outputPng, const std::string& workFolder) {
    return RenderCharts({ChartToRender{chartXml, themeXml, outputPng, 96}}, workFolder);
}

}  // namespace render
