#include "tools/sample/SamplePresentation.h"

#include "tools/render/Presentation.h"
#include "tools/render/Render.h"
#include "tools/render/Print.h"
#include "tools/sample/ChartXml.h"
#include "tools/sample/PartEdits.h"
#include "tools/sample/Workbook.h"

#include <pugixml.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

// The chart part writer joins this library when it is part of the tree.
#if __has_include("tools/chartmodel/ChartPart.h")
#include "tools/chartmodel/ChartPart.h"
#include "tools/printcopy/PrintCopy.h"
#define QV_SAMPLE_HAS_CHART_WRITER 1
#endif

namespace sample {
namespace {

constexpr int64_t kSlideWidth = 9144000, kSlideHeight = 6858000;
const render::Rect kChartRect{457200, 838200, 8229600, 5715000};

#ifdef QV_SAMPLE_HAS_CHART_WRITER
bool SameBorder(const sim::BorderModel& a, const sim::BorderModel& b) {
    return a.color == b.color && a.colorIndex == b.colorIndex && a.weight == b.weight && a.lineStyle == b.lineStyle;
}

// A point or label the sample model leaves as constructed has no format of its own: in the part
// it shows its series' format, as it reads.
bool Unformatted(const sim::ElementModel& e) {
    const sim::ElementModel d;
    return SameBorder(e.border, d.border) && e.interior.color == d.interior.color &&
           e.interior.patternColor == d.interior.patternColor && e.interior.colorIndex == d.interior.colorIndex &&
           e.interior.pattern == d.interior.pattern && e.fill.visible == d.fill.visible && e.fill.type == d.fill.type &&
           e.fill.pattern == d.fill.pattern;
}

// The sample model as the state to write: its own formats, and where it sets none (points,
// labels, legend entries) the part's reading, so that nothing is written for them. A point
// with a format of its own gets its fill written even where it equals the automatic one
// (before is marked so): LibreOffice draws a c:dPt without a fill in the series' colour, not
// in the varied colour Office would show. Marker colours likewise (see below).
sim::ChartModel Formatted(const sim::ChartModel& sample, sim::ChartModel& read) {
    sim::ChartModel after = sample;
    if (after.legend.entries.empty()) after.legend.entries = read.legend.entries;
    for (size_t i = 0; i < after.series.size() && i < read.series.size(); ++i) {
        sim::SeriesModel& s = after.series[i];
        const sim::SeriesModel& r = read.series[i];  // series formats: as read
        bool ownPointFormats = false;
        for (size_t p = 0; p < s.points.size() && p < r.points.size(); ++p) {
            if (Unformatted(s.points[p].element)) {
                s.points[p].element = r.points[p].element;
            } else {
                ownPointFormats = true;
                read.series[i].points[p].element.interior.color = -1;  // no colour: written whatever it is
            }
        }
        // Marker colours are written too: LibreOffice draws automatic markers of a series
        // without a line in one colour for all series.
        if (s.markerStyle != -4142) read.series[i].markerForegroundColor = read.series[i].markerBackgroundColor = -1;
        // Slices formatted one by one say all there is: a series format on top would make the
        // writer turn varied colours off and leave unchanged slices in the series colour.
        if (ownPointFormats) {
            s.border = r.border;
            s.interior = r.interior;
            s.fill = r.fill;
        }
        for (size_t p = 0; p < s.dataLabels.size() && p < r.dataLabels.size(); ++p)
            if (Unformatted(s.dataLabels[p])) s.dataLabels[p] = r.dataLabels[p];
    }
    return after;
}

std::string WithFormats(const std::string& xml, const sim::ChartModel& model, const std::string& themeXml) {
    pugi::xml_document part, theme;
    if (!part.load_buffer(xml.data(), xml.size()) || !theme.load_buffer(themeXml.data(), themeXml.size())) return xml;
    try {
        const office::Theme colours = office::ReadTheme(theme.document_element(), pugi::xml_node());
        office::ChartReading read = office::ReadChartPart(part, colours);
        if (!read.supported) return xml;
        const sim::ChartModel after = Formatted(model, read.model);
        office::WriteChartChanges(part, read.model, after, colours);
    } catch (const std::exception&) {
        return xml;  // the bare structure still makes a valid chart, in automatic colours
    }
    std::ostringstream out;
    part.save(out, "", pugi::format_raw);
    return out.str();
}
#else
std::string WithFormats(const std::string& xml, const sim::ChartModel&, const std::string&) { return xml; }
#endif

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

#ifdef QV_SAMPLE_HAS_CHART_WRITER
// The preview PowerPoint would have stored: what the object shows of its sheet, at the
// proportions of its frame.
std::string PreviewOf(const std::string& xlsx, const render::Rect& frame, const std::string& workFolder,
                      std::vector<std::string>& problems) {
    std::vector<std::string> failed;
    std::string bytes;
    try {
        const office::Package workbook = office::Package::OpenBytes(xlsx, "the sample's embedded workbook");
        const office::SheetPrint print = office::PrintCopyOfSheet(workbook, "Sheet1");
        if (!print.problem.empty()) throw std::runtime_error(print.problem);
        const std::string png = workFolder + "/ole-preview-" + std::to_string(getpid()) + ".png";
        render::PrintedRange range;
        range.xlsx = print.xlsx;
        range.widthPoints = print.widthPoints;
        range.heightPoints = print.heightPoints;
        range.marked = print.marked;
        range.aspect = static_cast<double>(frame.cx) / static_cast<double>(frame.cy);
        range.outputPng = png;
        failed = render::RenderPrintedRange(range, workFolder);
        if (failed.empty()) bytes = ReadFile(png);
        std::remove(png.c_str());
    } catch (const std::exception& e) {
        failed.push_back(e.what());
    }
    if (bytes.empty()) {
        for (const std::string& why : failed) problems.push_back("no preview picture for the OLE object: " + why);
        return PlaceholderPng();
    }
    return bytes;
}
#else
std::string PreviewOf(const std::string&, const render::Rect&, const std::string&, std::vector<std::string>& problems) {
    problems.push_back("no preview picture for the OLE object: the Office file layer is not built");
    return PlaceholderPng();
}
#endif

// The part as the slide or sheet stores it: the model's formats written in, or for a chart of
// a style none (so that the style's automatic formats show), and a highlighted point.
std::string PartOf(const SampleChart& sample, const sim::ChartModel& chart, bool withExternalData,
                   const std::string& themeXml) {
    const ChartData data = DataOf(chart);
    std::string xml = sample.chartStyle ? WithChartStyle(ChartPartXml(chart, data, withExternalData), sample.chartStyle)
                                        : SampleChartPart(chart, data, withExternalData, themeXml);
    if (sample.highlightedPoint >= 0)
        xml = WithPointMarker(xml, 0, static_cast<size_t>(sample.highlightedPoint), "diamond", 9, "FF0000");
    return xml;
}

render::SlideContent SlideFor(const SampleChart& sample, const std::string& themeXml, const std::string& workFolder,
                              std::vector<std::string>& problems) {
    const ChartData data = DataOf(sample.chart);
    render::SlideContent slide;
    slide.title = sample.slideTitle;
    if (!sample.asOleObject) {
        slide.charts.push_back({"Chart 1", kChartRect, PartOf(sample, sample.chart, true, themeXml), WorkbookXlsx(data, "")});
        return slide;
    }
    std::vector<std::string> charts = {PartOf(sample, sample.chart, false, themeXml)};
    for (const sim::ChartModel& more : sample.moreCharts) charts.push_back(PartOf(sample, more, false, themeXml));
    const std::string xlsx = WorkbookXlsx(data, charts, !sample.moreCharts.empty());
    render::OleFrame ole{"Object 1", kChartRect, "Excel.Sheet.12", xlsx, PreviewOf(xlsx, kChartRect, workFolder, problems)};
    ole.vmlForm = sample.vmlForm;
    slide.oleObjects.push_back(std::move(ole));
    return slide;
}

}  // namespace

const std::string& PlaceholderPng() {
    static const unsigned char kPng[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00,
        0x0C, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x78, 0xF0, 0xE0, 0x01, 0x00, 0x05, 0x44, 0x02, 0xA1, 0x10,
        0x9C, 0x3A, 0xAE, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    static const std::string png(reinterpret_cast<const char*>(kPng), sizeof kPng);
    return png;
}

std::string SampleChartPart(const sim::ChartModel& chart, const ChartData& data, bool withExternalData,
                            const std::string& themeXml) {
    return WithFormats(ChartPartXml(chart, data, withExternalData), chart, themeXml);
}

std::vector<std::string> WriteSamplePresentation(const std::string& path, const std::string& workFolder) {
    render::PresentationContent content;
    content.slideWidth = kSlideWidth;
    content.slideHeight = kSlideHeight;
    const std::string& theme = render::DefaultThemeXml();
    std::vector<std::string> problems;
    for (const SampleChart& chart : SampleCharts()) content.slides.push_back(SlideFor(chart, theme, workFolder, problems));
    office::WriteZipFile(path, render::PresentationEntries(content));
    return problems;
}

}  // namespace sample
