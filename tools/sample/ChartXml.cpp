#include "tools/sample/ChartXml.h"

#include "tools/deckmodel/Constants.h"
#include "tools/render/Presentation.h"

#include <utility>
#include <vector>

namespace sample {
namespace {

using bwpass::Family;
using render::EscapeXml;

const char kCategoryAxis[] = "50010001", kValueAxis[] = "50010002", kSeriesAxis[] = "50010003";

std::string Val(const char* element, const std::string& value) {
    return std::string("<c:") + element + " val=\"" + value + "\"/>";
}

// What one chart type means for its chart group element.
struct GroupForm {
    std::string element;        // barChart, lineChart, ...
    std::string head;           // the elements before the series (barDir, grouping, varyColors, ...)
    std::string tail;           // the elements after them, before the axis ids
    int axes = 2;               // 0 for pies and doughnuts, 3 for 3-D charts with a series axis
    bool xy = false;            // x values are numbers: scatter and bubble
    bool operator==(const GroupForm& o) const { return element == o.element && head == o.head && tail == o.tail; }
};

std::string Grouping(int32_t type, const char* plain) {
    if (bwpass::IsStacked100(type)) return Val("grouping", "percentStacked");
    if (bwpass::IsStacked(type)) return Val("grouping", "stacked");
    return Val("grouping", plain);
}

GroupForm BarForm(int32_t type, bool column) {
    const std::string head = Val("barDir", column ? "col" : "bar");
    if (bwpass::Is3D(type)) {
        // xl3DColumn stands its series one behind the other along a series axis.
        const bool deep = type == -4100;
        return {"bar3DChart", head + Grouping(type, deep ? "standard" : "clustered") + Val("varyColors", "0"),
                Val("gapWidth", "150") + Val("shape", "box"), deep ? 3 : 2, false};
    }
    std::string tail = Val("gapWidth", "150");
    if (bwpass::IsStacked(type)) tail += Val("overlap", "100");
    return {"barChart", head + Grouping(type, "clustered") + Val("varyColors", "0"), tail, 2, false};
}

GroupForm FormOf(int32_t type) {
    switch (bwpass::FamilyOf(type)) {
    case Family::Column: return BarForm(type, true);
    case Family::Bar: return BarForm(type, false);
    case Family::Line: return {"lineChart", Grouping(type, "standard") + Val("varyColors", "0"), Val("marker", "1"), 2, false};
    case Family::Area: return {"areaChart", Grouping(type, "standard") + Val("varyColors", "0"), "", 2, false};
    case Family::Pie:
        if (type == 68 || type == 71)
            return {"ofPieChart", Val("ofPieType", type == 68 ? "pie" : "bar") + Val("varyColors", "1"),
                    Val("gapWidth", "100") + Val("splitType", "pos") + Val("splitPos", "3") +
                        Val("secondPieSize", "75") + "<c:serLines/>", 0, false};
        return {"pieChart", Val("varyColors", "1"), Val("firstSliceAng", "0"), 0, false};
    case Family::Doughnut:
        return {"doughnutChart", Val("varyColors", "1"), Val("firstSliceAng", "0") + Val("holeSize", "50"), 0, false};
    case Family::Radar:
        return {"radarChart", Val("radarStyle", type == 82 ? "filled" : "marker") + Val("varyColors", "0"), "", 2, false};
    case Family::Scatter: {
        const bool smooth = type == 72 || type == 73;
        return {"scatterChart", Val("scatterStyle", smooth ? "smoothMarker" : "lineMarker") + Val("varyColors", "0"), "", 2, true};
    }
    case Family::Bubble:
        return {"bubbleChart", Val("varyColors", "0"), Val("bubbleScale", "100") + Val("showNegBubbles", "0"), 2, true};
    case Family::Surface:
        if (bwpass::IsTopView(type))
            return {"surfaceChart", Val("wireframe", bwpass::IsWireframe(type) ? "1" : "0"), "", 2, false};
        return {"surface3DChart", Val("wireframe", bwpass::IsWireframe(type) ? "1" : "0"), "", 3, false};
    default:
        return BarForm(51, true);
    }
}

std::string StrRef(const std::string& ref, const std::vector<std::string>& values) {
    std::string xml = "<c:strRef><c:f>" + EscapeXml(ref) + "</c:f><c:strCache>" +
                      Val("ptCount", std::to_string(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        xml += "<c:pt idx=\"" + std::to_string(i) + "\"><c:v>" + EscapeXml(values[i]) + "</c:v></c:pt>";
    return xml + "</c:strCache></c:strRef>";
}

std::string NumRef(const std::string& ref, const std::vector<double>& values) {
    std::string xml = "<c:numRef><c:f>" + EscapeXml(ref) + "</c:f><c:numCache><c:formatCode>General</c:formatCode>" +
                      Val("ptCount", std::to_string(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        xml += "<c:pt idx=\"" + std::to_string(i) + "\"><c:v>" + NumberText(values[i]) + "</c:v></c:pt>";
    return xml + "</c:numCache></c:numRef>";
}

std::string ColumnRef(const ChartData& data, size_t column) {
    const DataColumn& c = data.columns[column];
    return c.numeric() ? NumRef(ValuesRef(data, column), c.numbers) : StrRef(ValuesRef(data, column), c.text);
}

std::string Marker(const sim::SeriesModel& s) {
    const char* symbol = MarkerSymbol(s.markerStyle);
    // A line chart without markers (xlLine) stores that per series, as Excel does.
    if (!symbol && !bwpass::ShowsAutomaticMarkers(s.chartType)) symbol = "none";
    if (!symbol) return "";
    std::string xml = "<c:marker>" + Val("symbol", symbol);
    if (std::string(symbol) != "none") xml += Val("size", std::to_string(s.markerSize));
    return xml + "</c:marker>";
}

std::string DataLabels(const sim::SeriesModel& s, Family family) {
    if (!s.hasDataLabels) return "";
    const bool pie = family == Family::Pie;
    std::string xml = "<c:dLbls>";
    if (pie) xml += Val("dLblPos", "bestFit");
    xml += Val("showLegendKey", "0") + Val("showVal", "1") + Val("showCatName", "0") + Val("showSerName", "0") +
           Val("showPercent", "0") + Val("showBubbleSize", "0");
    if (pie) xml += Val("showLeaderLines", s.hasLeaderLines ? "1" : "0");
    return xml + "</c:dLbls>";
}

std::string Trendlines(const sim::SeriesModel& s) {
    std::string xml;
    for (size_t i = 0; i < s.trendlines.size(); ++i)
        xml += "<c:trendline>" + Val("trendlineType", "linear") + Val("dispRSqr", "0") + Val("dispEq", "0") + "</c:trendline>";
    return xml;
}

// The series' elements in the order the schema gives for its chart group.
std::string SeriesXml(const sim::ChartModel& chart, size_t i, const ChartData& data) {
    const sim::SeriesModel& s = chart.series[i];
    const Family family = bwpass::FamilyOf(s.chartType);
    const SeriesColumns& columns = data.series[i];
    const std::string n = std::to_string(i);
    std::string xml = "<c:ser>" + Val("idx", n) + Val("order", n) + "<c:tx>" +
                      StrRef(HeaderRef(data, columns.values), {data.columns[columns.values].header}) + "</c:tx>";
    const bool lined = family == Family::Line || family == Family::Scatter || family == Family::Radar;
    if (family == Family::Column || family == Family::Bar || family == Family::Bubble) xml += Val("invertIfNegative", "0");
    if (lined) xml += Marker(s);
    if (family != Family::Surface) xml += DataLabels(s, family);
    if (family != Family::Pie && family != Family::Doughnut && family != Family::Radar && family != Family::Surface)
        xml += Trendlines(s);
    if (family == Family::Scatter || family == Family::Bubble) {
        xml += "<c:xVal>" + ColumnRef(data, 0) + "</c:xVal><c:yVal>" + ColumnRef(data, columns.values) + "</c:yVal>";
        if (family == Family::Bubble)
            xml += "<c:bubbleSize>" + ColumnRef(data, columns.sizes) + "</c:bubbleSize>" + Val("bubble3D", "0");
    } else {
        xml += "<c:cat>" + ColumnRef(data, 0) + "</c:cat><c:val>" + ColumnRef(data, columns.values) + "</c:val>";
    }
    if (family == Family::Line || family == Family::Scatter) xml += Val("smooth", "0");
    return xml + "</c:ser>";
}

std::string Gridlines(const sim::AxisModel& axis) {
    std::string xml;
    if (axis.majorGridlines.present) xml += "<c:majorGridlines/>";
    if (axis.minorGridlines.present) xml += "<c:minorGridlines/>";
    return xml;
}

std::string AxisStart(const char* element, const char* id, const sim::AxisModel& axis, const char* position,
                      const std::string& scaling = "") {
    return std::string("<c:") + element + ">" + Val("axId", id) + "<c:scaling>" + Val("orientation", "minMax") +
           scaling + "</c:scaling>" + Val("delete", axis.present ? "0" : "1") + Val("axPos", position) +
           Gridlines(axis) + "<c:numFmt formatCode=\"General\" sourceLinked=\"1\"/>" + Val("majorTickMark", "out") +
           Val("minorTickMark", "none") + Val("tickLblPos", "nextTo");
}

// A surface chart's colour bands follow the value axis' major unit: a fixed scale gives the
// sample one band per legend entry.
std::string SurfaceScaling(const sim::ChartModel& chart) {
    const size_t bands = chart.legend.entries.empty() ? 6 : chart.legend.entries.size();
    return Val("max", std::to_string(20 * bands)) + Val("min", "0");
}

std::string Axes(const sim::ChartModel& chart, const GroupForm& form) {
    const bool bar = bwpass::FamilyOf(chart.chartType) == Family::Bar;
    const bool surface = bwpass::FamilyOf(chart.chartType) == Family::Surface;
    std::string xml;
    if (form.xy) {
        xml += AxisStart("valAx", kCategoryAxis, chart.axes[0], "b") + Val("crossAx", kValueAxis) +
               Val("crosses", "autoZero") + Val("crossBetween", "midCat") + "</c:valAx>";
    } else {
        xml += AxisStart("catAx", kCategoryAxis, chart.axes[0], bar ? "l" : "b") + Val("crossAx", kValueAxis) +
               Val("crosses", "autoZero") + Val("auto", "1") + Val("lblAlgn", "ctr") + Val("lblOffset", "100") +
               Val("noMultiLvlLbl", "0") + "</c:catAx>";
    }
    xml += AxisStart("valAx", kValueAxis, chart.axes[1], bar ? "b" : "l", surface ? SurfaceScaling(chart) : "") +
           Val("crossAx", kCategoryAxis) + Val("crosses", "autoZero") +
           Val("crossBetween", form.xy ? "midCat" : "between");
    if (surface) xml += Val("majorUnit", "20");
    xml += "</c:valAx>";
    if (form.axes == 3)
        xml += AxisStart("serAx", kSeriesAxis, chart.axes[2], "b") + Val("crossAx", kValueAxis) +
               Val("crosses", "autoZero") + "</c:serAx>";
    return xml;
}

std::string AxisIds(int count) {
    const char* ids[] = {kCategoryAxis, kValueAxis, kSeriesAxis};
    std::string xml;
    for (int i = 0; i < count; ++i) xml += Val("axId", ids[i]);
    return xml;
}

std::string BandFormats(const sim::ChartModel& chart) {
    std::string xml = "<c:bandFmts>";
    for (size_t i = 0; i < chart.legend.entries.size(); ++i) xml += "<c:bandFmt>" + Val("idx", std::to_string(i)) + "</c:bandFmt>";
    return xml + "</c:bandFmts>";
}

// Consecutive series of one chart group element share it, as a combination chart's do.
std::string ChartGroups(const sim::ChartModel& chart, const ChartData& data, GroupForm& first) {
    std::string xml;
    for (size_t i = 0; i < chart.series.size();) {
        const GroupForm form = FormOf(chart.series[i].chartType);
        if (i == 0) first = form;
        xml += "<c:" + form.element + ">" + form.head;
        for (; i < chart.series.size() && FormOf(chart.series[i].chartType) == form; ++i) xml += SeriesXml(chart, i, data);
        if (form.element.rfind("surface", 0) == 0) xml += BandFormats(chart);
        xml += form.tail + AxisIds(form.axes) + "</c:" + form.element + ">";
    }
    return xml;
}

std::string Title(const sim::ChartModel& chart) {
    if (chart.name.empty()) return Val("autoTitleDeleted", "1");
    return "<c:title><c:tx><c:rich><a:bodyPr/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"1400\" b=\"1\"/></a:pPr>"
           "<a:r><a:rPr lang=\"en-US\" sz=\"1400\" b=\"1\"/><a:t>" + EscapeXml(Utf8(chart.name)) +
           "</a:t></a:r></a:p></c:rich></c:tx>" + Val("overlay", "0") + "</c:title>" + Val("autoTitleDeleted", "0");
}

std::string View3D(const sim::ChartModel& chart) {
    if (!bwpass::Is3D(chart.chartType)) return "";
    std::string xml = "<c:view3D>" + Val("rotX", "15") + Val("rotY", "20") + Val("rAngAx", "0") +
                      Val("perspective", "30") + "</c:view3D>";
    if (chart.floor.present) xml += "<c:floor>" + Val("thickness", "0") + "</c:floor>";
    if (chart.walls.present)
        xml += "<c:sideWall>" + Val("thickness", "0") + "</c:sideWall><c:backWall>" + Val("thickness", "0") + "</c:backWall>";
    return xml;
}

}  // namespace

const char* MarkerSymbol(int32_t markerStyle) {
    static const std::pair<int32_t, const char*> kSymbols[] = {
        {1, "square"}, {2, "diamond"}, {3, "triangle"}, {8, "circle"}, {-4168, "x"}, {5, "star"},
        {-4118, "dot"}, {-4115, "dash"}, {9, "plus"}, {-4142, "none"}, {-4147, "picture"},
    };
    for (const auto& [style, symbol] : kSymbols)
        if (style == markerStyle) return symbol;
    return nullptr;
}

std::string ChartPartXml(const sim::ChartModel& chart, const ChartData& data, bool withExternalData) {
    GroupForm first;
    const std::string groups = ChartGroups(chart, data, first);
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\""
        " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
        Val("date1904", "0") + Val("lang", "en-US") + Val("roundedCorners", "0") + "<c:chart>" + Title(chart) +
        View3D(chart) + "<c:plotArea><c:layout/>" + groups + (first.axes ? Axes(chart, first) : "") + "</c:plotArea>";
    if (chart.legend.present) xml += "<c:legend>" + Val("legendPos", "r") + "<c:layout/>" + Val("overlay", "0") + "</c:legend>";
    xml += Val("plotVisOnly", "1") + Val("dispBlanksAs", "gap") + "</c:chart>";
    if (withExternalData) xml += "<c:externalData r:id=\"rId1\">" + Val("autoUpdate", "0") + "</c:externalData>";
    return xml + "</c:chartSpace>";
}

}  // namespace sample
