#include "tools/render/Render.h"

#include "tools/chartmodel/ChartPart.h"
#include "tools/package/XmlNames.h"
#include "tools/render/Presentation.h"
#include "tools/render/Process.h"
#include "tools/render/Profile.h"
#include "tools/render/Session.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace render {
namespace fs = std::filesystem;
namespace {

// Elements whose relationships the wrapper does not carry (the workbook, user shapes, a chart
// sheet's header drawing): LibreOffice gives up on a part that names a missing relationship.
bool IsRelationshipElement(const pugi::xml_node& node) {
    const std::string name = office::xml::Local(node.name());
    return name == "externalData" || name == "userShapes" || name == "legacyDrawingHF";
}

// The chart as it goes on its slide, and the colour map its slide's master must carry.
struct PreparedChart {
    std::string xml;
    ColourMap colourMap;
};

// A theme override that is not XML would spoil the document of every chart it shares.
void CheckThemeOverride(const std::string& themeOverrideXml) {
    if (themeOverrideXml.empty()) return;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(themeOverrideXml.data(), themeOverrideXml.size());
    if (!parsed) throw std::runtime_error(std::string("the theme override is not well-formed XML: ") + parsed.description());
}

PreparedChart PrepareChart(const ChartToRender& chart) {
    CheckThemeOverride(chart.themeOverrideXml);
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(chart.chartXml.data(), chart.chartXml.size());
    if (!parsed) throw std::runtime_error(std::string("the chart part is not well-formed XML: ") + parsed.description());
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node child = root.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (IsRelationshipElement(child)) root.remove_child(child);
        child = next;
    }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    // LibreOffice draws a chart under its slide's colour map but ignores the chart's own
    // c:clrMapOvr, which Office applies over it: the wrapper's master carries both. Only the
    // names a map changes are kept, so that charts under the default map share their documents.
    return {out.str(), office::ChartColourMapChanges(chart.colourMap, root)};
}

// A presentation of chart-sized slides, one chart filling each.
PresentationContent ChartSlides(const std::string& themeXml, const ColourMap& colourMap) {
    PresentationContent content;
    content.slideWidth = kChartSlideWidth;
    content.slideHeight = kChartSlideHeight;
    content.themeXml = themeXml;
    content.colourMap = colourMap;
    return content;
}

void AddChartSlide(PresentationContent& content, const std::string& chartXml, const ChartToRender& chart) {
    SlideContent slide;
    slide.charts.push_back(ChartFrame{"Chart 1", Rect{0, 0, kChartSlideWidth, kChartSlideHeight}, chartXml, "",
                                      chart.themeOverrideXml, chart.pictureSvg});
    content.slides.push_back(std::move(slide));
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

// Charts are drawn many to a presentation, a slide each, so that LibreOffice loads and exports
// one document where it would load dozens: charts with the same theme, colour map and resolution
// share one, up to this many.
constexpr size_t kSlidesPerDocument = 40;

class Batch {
public:
    Batch(const Tools& tools, const fs::path& workFolder, const std::vector<ChartToRender>& charts, double limit)
        : tools_(tools), work_(workFolder), charts_(charts), limit_(limit), folder_(NewBatchFolder(workFolder)) {}
    ~Batch() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::vector<std::string> Run() {
        failed_.assign(charts_.size(), false);
        GroupCharts();
        std::vector<std::string> inputs = WrapCharts();
        if (!inputs.empty()) ConvertToPdf(inputs);
        for (size_t d = 0; d < documents_.size(); ++d) MakePictures(d);
        return problems_;
    }

private:
    struct Document {
        std::vector<size_t> charts;  // slide k shows charts_[charts[k]]
        ColourMap colourMap;
        std::string input;           // the wrapped presentation, once written
    };

    void Fail(size_t i, const std::string& why) {
        if (failed_[i]) return;
        failed_[i] = true;
        problems_.push_back(charts_[i].outputPng + ": " + why);
    }

    // Charts that cannot be wrapped on a slide are refused here, so that they spoil no document.
    void GroupCharts() {
        // As many documents as there are LibreOffices to share them, when there are charts enough.
        const size_t instances = Session::Current() ? Session::Current()->Instances() : 1;
        const size_t perDocument = std::clamp<size_t>((charts_.size() + instances - 1) / instances, 1, kSlidesPerDocument);
        // The master's theme and colour map are the document's: charts share one only when both agree.
        std::map<std::tuple<std::string, int, ColourMap>, size_t> open;  // -> document being filled
        for (size_t i = 0; i < charts_.size(); ++i) {
            try {
                slides_.push_back(PrepareChart(charts_[i]));
            } catch (const std::exception& e) {
                slides_.emplace_back();
                Fail(i, std::string("not drawn: ") + e.what());
                continue;
            }
            const auto key = std::make_tuple(charts_[i].themeXml, charts_[i].dpi, slides_[i].colourMap);
            auto it = open.find(key);
            if (it == open.end() || documents_[it->second].charts.size() >= perDocument) {
                documents_.emplace_back();
                documents_.back().colourMap = slides_[i].colourMap;
                it = open.insert_or_assign(key, documents_.size() - 1).first;
            }
            documents_[it->second].charts.push_back(i);
        }
    }

    std::vector<std::string> WrapCharts() {
        std::vector<std::string> inputs;
        for (size_t d = 0; d < documents_.size(); ++d) {
            const Document& doc = documents_[d];
            try {
                PresentationContent content = ChartSlides(charts_[doc.charts.front()].themeXml, doc.colourMap);
                for (size_t i : doc.charts) AddChartSlide(content, slides_[i].xml, charts_[i]);
                const std::string bytes = ZipToBytes(PresentationEntries(content));
                const fs::path input = folder_ / NumberedName(d, ".pptx");
                std::ofstream out(input, std::ios::binary);
                if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
                    throw std::runtime_error("cannot write " + input.string());
                inputs.push_back(input.string());
                documents_[d].input = input.string();
            } catch (const std::exception& e) {
                for (size_t i : doc.charts) Fail(i, std::string("not drawn: ") + e.what());
            }
        }
        return inputs;
    }

    void ConvertToPdf(const std::vector<std::string>& inputs) {
        // Under a session the files go to one of its LibreOffices, which are already running.
        const double limit = limit_ > 0 ? limit_ : ConversionLimit(charts_.size());
        ProcessResult run;
        if (Session* session = Session::Current()) {
            run = ConvertSpread(*session, limit);
        } else {
            std::vector<std::string> argv = OfficeCommand(tools_.soffice, work_ / "lo-profile", work_);
            argv.insert(argv.end(), {"--convert-to", "pdf", "--outdir", folder_.string()});
            argv.insert(argv.end(), inputs.begin(), inputs.end());
            run = RunProcess(argv, limit, (work_ / "soffice.log").string());
        }
        std::string why = "LibreOffice made no PDF of it (see " + (work_ / "soffice.log").string() + ")";
        if (!run.started) why = "LibreOffice could not be started";
        if (run.timedOut) why = "LibreOffice did not finish within " + std::to_string(static_cast<int>(limit)) + " s and was stopped";
        for (size_t d = 0; d < documents_.size(); ++d)
            if (!NonEmptyFile(folder_ / NumberedName(d, ".pdf")))
                for (size_t i : documents_[d].charts) Fail(i, "not drawn: " + why);
    }

    // The documents shared among the session's LibreOffices, a thread handing in each share,
    // the largest documents first, each to the share with the fewest slides so far.
    ProcessResult ConvertSpread(Session& session, double limit) {
        using Files = std::vector<std::pair<std::string, std::string>>;
        std::vector<const Document*> wrapped;
        for (const Document& d : documents_)
            if (!d.input.empty()) wrapped.push_back(&d);
        std::stable_sort(wrapped.begin(), wrapped.end(),
                         [](const Document* a, const Document* b) { return a->charts.size() > b->charts.size(); });
        std::vector<Files> shares(std::min(session.Instances(), wrapped.size()));
        std::vector<size_t> slides(shares.size(), 0);
        for (const Document* d : wrapped) {
            const size_t s = std::min_element(slides.begin(), slides.end()) - slides.begin();
            shares[s].emplace_back(d->input, fs::path(d->input).replace_extension(".pdf").string());
            slides[s] += d->charts.size();
        }
        std::vector<ProcessResult> results(shares.size());
        const std::string log = (work_ / "soffice.log").string();
        std::vector<std::thread> threads;
        for (size_t s = 1; s < shares.size(); ++s)
            threads.emplace_back([&, s] { results[s] = session.ConvertToPdf(shares[s], limit, log); });
        results[0] = session.ConvertToPdf(shares[0], limit, log);
        for (std::thread& t : threads) t.join();
        ProcessResult run = results[0];
        for (const ProcessResult& r : results) {
            run.started = run.started && r.started;
            run.timedOut = run.timedOut || r.timedOut;
        }
        return run;
    }

    // pdftoppm names the pages STEM-N.png, N as wide as the last page's number.
    static fs::path PagePicture(const fs::path& stem, size_t page, size_t pages) {
        const int width = static_cast<int>(std::to_string(pages).size());
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "-%0*zu.png", width, page);
        return stem.string() + suffix;
    }

    void MakePictures(size_t d) {
        const Document& doc = documents_[d];
        if (std::all_of(doc.charts.begin(), doc.charts.end(), [&](size_t i) { return bool(failed_[i]); })) return;
        const fs::path pdf = folder_ / NumberedName(d, ".pdf");
        const fs::path stem = folder_ / NumberedName(d, "");
        const ProcessResult run = RunProcess({tools_.pdftoppm, "-r", std::to_string(charts_[doc.charts.front()].dpi),
                                              "-png", pdf.string(), stem.string()},
                                             kPictureLimit, (work_ / "pdftoppm.log").string());
        for (size_t k = 0; k < doc.charts.size(); ++k) {
            const size_t i = doc.charts[k];
            if (failed_[i]) continue;
            const fs::path png = PagePicture(stem, k + 1, doc.charts.size());
            if (run.timedOut) {
                Fail(i, "not drawn: pdftoppm did not finish within 60 s and was stopped");
                continue;
            }
            if (!NonEmptyFile(png)) {
                Fail(i, "not drawn: pdftoppm made no picture of LibreOffice's PDF");
                continue;
            }
            std::error_code ec;
            const fs::path target = charts_[i].outputPng;
            if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
            fs::copy_file(png, target, fs::copy_options::overwrite_existing, ec);
            if (ec) Fail(i, "cannot write the picture: " + ec.message());
        }
    }

    const Tools& tools_;
    const fs::path work_;
    const std::vector<ChartToRender>& charts_;
    const double limit_;
    const fs::path folder_;
    std::vector<bool> failed_;
    std::vector<PreparedChart> slides_;    // each chart's part as it goes on its slide
    std::vector<Document> documents_;
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
    ChartToRender chart;
    chart.chartXml = chartXml;
    chart.themeXml = themeXml;
    return OneSlidePresentation(chart);
}

std::string OneSlidePresentation(const ChartToRender& chart) {
    const PreparedChart prepared = PrepareChart(chart);
    PresentationContent content = ChartSlides(chart.themeXml, prepared.colourMap);
    AddChartSlide(content, prepared.xml, chart);
    return office::ZipToBytes(PresentationEntries(content));
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
                                            const std::string& outputPng, const std::string& workFolder,
                                            const std::string& themeOverrideXml) {
    return RenderCharts({ChartToRender{chartXml, themeXml, outputPng, 96, {}, themeOverrideXml}}, workFolder);
}

}  // namespace render
