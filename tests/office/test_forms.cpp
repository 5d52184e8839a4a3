// Office files in forms the corpus lacks (tests/office/forms, made by make_forms.py), read as
// Excel reports them: the styles' last rows, a point's own marker, colour maps and theme
// overrides, charts stored without their values, surface bands; and a point's marker written back.
#include "tests/office/OfficeFiles.h"
#include "tests/office/chartpart_support.h"
#include "tools/chartmodel/Cells.h"
#include "tools/chartmodel/ChartInternal.h"
#include "tools/chartmodel/Documents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using chartpart_test::Described;
using chartpart_test::Hex;

struct Read {
    std::vector<const sim::ChartModel*> charts;  // every chart of the file in document order
    std::vector<office::OfficeObject> objects;
};

Read ReadForm(const office::Package& package) {
    Read r;
    office::DocumentVisitor v;
    v.object = [&](office::OfficeObject&& o) { r.objects.push_back(std::move(o)); };
    office::WalkDocument(package, v);
    for (const office::OfficeObject& o : r.objects)
        for (const office::ChartLocation& at : o.charts)
            r.charts.push_back(office::FindChart(*o.deck.excel->application.workbooks.at(0), at));
    return r;
}

std::string Form(const std::string& name) { return chartpart_test::SourceDir() + "/tests/office/forms/" + name; }

std::string Values(const sim::SeriesModel& s) {
    std::string out;
    char buffer[32];
    for (const sim::PointModel& p : s.points) {
        std::snprintf(buffer, sizeof buffer, "%g", p.value);
        out += (out.empty() ? "" : " ") + std::string(buffer);
    }
    return out;
}

std::string Marker(const sim::PointModel& p) {
    return std::to_string(p.markerStyle) + " size " + std::to_string(p.markerSize) + " " +
           Hex(p.markerBackgroundColor) + " on " + Hex(p.markerForegroundColor);
}

std::string Texts(const std::vector<std::wstring>& texts) {
    std::string out;
    for (const std::wstring& t : texts) out += (out.empty() ? "" : "|") + std::string(t.begin(), t.end());
    return out;
}

using Probe = std::function<std::string(const sim::ChartModel&)>;

TEST(OfficeForms, ReadAsExcelReportsThem) {
    const Probe chartArea = [](const sim::ChartModel& m) { return Described(m.chartArea); };
    const Probe plotArea = [](const sim::ChartModel& m) { return Described(m.plotArea); };
    const Probe outline = [](const sim::ChartModel& m) { return Described(m.series.at(0).border); };
    const Probe firstColour = [](const sim::ChartModel& m) { return Hex(m.series.at(0).interior.color); };
    const Probe values = [](const sim::ChartModel& m) {
        std::string out;
        for (const sim::SeriesModel& s : m.series) out += "[" + Values(s) + "]";
        return out;
    };
    const Probe names = [](const sim::ChartModel& m) {
        std::string out;
        for (const sim::SeriesModel& s : m.series) out += (out.empty() ? "" : "|") + std::string(s.name.begin(), s.name.end());
        return out;
    };
    const Probe categories = [](const sim::ChartModel& m) { return Texts(m.categories); };
    const Probe bands = [](const sim::ChartModel& m) { return std::to_string(m.legend.entries.size()); };
    const Probe pointMarkers = [](const sim::ChartModel& m) {
        const sim::SeriesModel& s = m.series.at(0);
        return Marker(s.points.at(1)) + " / " + Marker(s.points.at(2));
    };
    struct Case { const char* file; size_t chart; const char* what; Probe probe; std::string expected; };
    const Case cases[] = {
        // The styles' last rows: lt1 and tinted plot area with outlined series (35), dk1 and dark grey (42).
        {"styles-35-42.xlsx", 0, "chart area", chartArea, "fill FFFFFF type 0, line 808080 weight 2 style 1"},
        {"styles-35-42.xlsx", 0, "plot area", plotArea, "fill E9EDF4 type 0, no line"},
        {"styles-35-42.xlsx", 0, "outline", outline, "line 385D8A weight 2 style 1"},
        {"styles-35-42.xlsx", 1, "chart area", chartArea, "fill 000000 type 0, no line"},
        {"styles-35-42.xlsx", 1, "plot area", plotArea, "fill 3F3F3F type 0, no line"},
        // A chart with an embedded workbook follows its style.
        {"style-42-presentation.pptx", 0, "chart area", chartArea, "fill 000000 type 0, no line"},
        // A point's own marker, over the series' circles.
        {"point-marker.xlsx", 0, "point markers", pointMarkers, "8 size 7 4F81BD on 4F81BD / 2 size 9 FF0000 on 0000FF"},
        // Colour maps of the chart and of the slide; a chart's theme override.
        {"colour-map-chart.xlsx", 0, "chart area", chartArea, "fill 000000 type 0, line FFFFFF weight 2 style 1"},
        {"colour-map-slide.pptx", 0, "chart area", chartArea, "fill 000000 type 0, line FFFFFF weight 2 style 1"},
        {"colour-map-slide.pptx", 0, "first series", firstColour, "FF0000"},
        // Charts without caches read the cells.
        {"no-cache-quoted.xlsx", 0, "values", values, "[1 2 3 4 5]"},
        {"no-cache-strings.xlsx", 0, "values", values, "[5 2 3 4 3][10 4 6 8 6][1 0 4 0 9]"},
        {"no-cache-strings.xlsx", 0, "names", names, "Sales 2020||"},
        {"no-cache-strings.xlsx", 0, "categories", categories, "North|East|South|West|Centre"},
        {"no-cache-presentation.pptx", 0, "values", values, "[4.3 2.5 3.5 4.5][2.4 4.4 1.8 2.8][2 2 3 5]"},
        {"no-cache-presentation.pptx", 0, "names", names, "Series 1|Series 2|Series 3"},
        {"no-cache-presentation.pptx", 0, "categories", categories, "Category 1|Category 2|Category 3|Category 4"},
        // Data from 0 to 10: 0 to 12 by 2, six bands.
        {"surface-0-10.xlsx", 0, "bands", bands, "6"},
        {"surface-no-cache.xlsx", 0, "bands", bands, "7"},
    };
    for (const Case& c : cases) {
        const office::Package package = office::Package::OpenFile(Form(c.file));
        const Read r = ReadForm(package);
        ASSERT_LT(c.chart, r.charts.size()) << c.file;
        ASSERT_NE(r.charts[c.chart], nullptr) << c.file;
        EXPECT_EQ(c.probe(*r.charts[c.chart]), c.expected) << c.file << " chart " << c.chart << ": " << c.what;
    }
}

// The plug-in formats the series' markers; the point with a marker of its own takes the new one
// too (as in Excel), written into its c:dPt/c:marker in the schema's order, the part valid.
TEST(OfficeForms, APointsOwnMarkerTakesTheSeriesNewMarker) {
    const office::Package package = office::Package::OpenFile(Form("point-marker.xlsx"));
    pugi::xml_document part = package.ParseXml("xl/charts/chart1.xml");
    const office::Theme theme = office::ReadTheme({}, {});
    const sim::ChartModel before = office::ReadChartPart(part, theme).model;
    sim::ChartModel after = before;
    sim::SeriesModel& s = after.series.at(0);
    s.markerStyle = 1;
    s.markerForegroundColor = 0;
    s.markerBackgroundColor = 0xFFFFFF;
    for (sim::PointModel& p : s.points)
        p.markerStyle = s.markerStyle, p.markerForegroundColor = 0, p.markerBackgroundColor = 0xFFFFFF;
    EXPECT_EQ(office::WriteChartChanges(part, before, after, theme), 6u) << "three on the series, three on the point";
    EXPECT_EQ(chartpart_test::SchemaErrors(part), "");
    const sim::SeriesModel again = office::ReadChartPart(part, theme).model.series.at(0);
    for (size_t p = 0; p < again.points.size(); ++p)
        EXPECT_EQ(Marker(again.points[p]), p == 2 ? "1 size 9 FFFFFF on 000000" : "1 size 7 FFFFFF on 000000") << p;
    // Only the point that had a marker of its own holds one.
    EXPECT_EQ(part.document_element().select_nodes("//*[local-name()='dPt']/*[local-name()='marker']").size(), 1u);
}

// A surface read from the cells has its bands counted from them when they are written back; the
// part still stores no values.
TEST(OfficeForms, BandsOfAChartWithoutValuesAreWrittenFromTheCells) {
    const office::Package package = office::Package::OpenFile(Form("surface-no-cache.xlsx"));
    pugi::xml_document part = package.ParseXml("xl/charts/chart1.xml");
    const office::Theme theme = office::ReadTheme({}, {});
    const office::WorkbookCells cells(package);
    const sim::ChartModel before = office::ReadChartPart(part, theme, &cells).model;
    ASSERT_EQ(before.legend.entries.size(), 7u);
    sim::ChartModel after = before;
    for (sim::LegendEntryModel& e : after.legend.entries) e.legendKey.interior.color = 0;
    EXPECT_EQ(office::WriteChartChanges(part, before, after, theme), 7u);
    EXPECT_EQ(part.select_nodes("//*[local-name()='bandFmt']").size(), 7u);
    EXPECT_EQ(part.select_nodes("//*[local-name()='numCache']").size(), 0u);
    EXPECT_EQ(chartpart_test::SchemaErrors(part), "");
}

// Multi-level categories stored without their values are read from the cells: the innermost
// level is the column (or row) next to the values, the way the series' values run deciding
// which; a cache the part stores is read as before.
TEST(OfficeForms, MultiLevelCategoriesWithoutValuesAreReadFromTheCells) {
    struct Case {
        const char* name;
        std::string reference;  // replaces every series' c:cat/c:strRef
        const char* categories;
    };
    const Case cases[] = {
        {"levels in columns", "<c:multiLvlStrRef><c:f>Sheet1!$D$1:$E$5</c:f></c:multiLvlStrRef>",
         "North|East|South|West|Centre"},
        {"levels in rows", "<c:multiLvlStrRef><c:f>Sheet1!$A$5:$E$7</c:f></c:multiLvlStrRef>", "1|0|4||9"},
        {"a stored cache",
         "<c:multiLvlStrRef><c:f>Sheet1!$D$1:$E$5</c:f><c:multiLvlStrCache><c:ptCount val=\"2\"/><c:lvl>"
         "<c:pt idx=\"0\"><c:v>a</c:v></c:pt><c:pt idx=\"1\"><c:v>b</c:v></c:pt></c:lvl></c:multiLvlStrCache>"
         "</c:multiLvlStrRef>",
         "a|b"},
    };
    const office::Package package = office::Package::OpenFile(Form("no-cache-strings.xlsx"));
    const std::string stored = package.ReadPart("xl/charts/chart1.xml");
    const std::string strRef = "<c:strRef><c:f>Sheet1!$E$1:$E$5</c:f></c:strRef>";
    ASSERT_NE(stored.find(strRef), std::string::npos);
    const office::WorkbookCells cells(package);
    for (const Case& c : cases) {
        std::string xml = stored;
        for (size_t at; (at = xml.find(strRef)) != std::string::npos;) xml.replace(at, strRef.size(), c.reference);
        pugi::xml_document part;
        ASSERT_TRUE(part.load_string(xml.c_str())) << c.name;
        const sim::ChartModel model = office::ReadChartPart(part, office::ReadTheme({}, {}), &cells).model;
        EXPECT_EQ(Texts(model.categories), c.categories) << c.name;
        EXPECT_EQ(part.select_nodes("//*[local-name()='multiLvlStrCache']").size(), c.reference.find("Cache") != std::string::npos ? 1u : 0u)
            << c.name << ": the part itself is left as it is";
    }
}

TEST(OfficeForms, ChartFormulasNameTheirCells) {
    struct Case { const char* formula; std::string ranges; };
    const Case cases[] = {
        {"Sheet1!$B$2:$B$6", "Sheet1 1,1-5,1"},
        {"Sheet1!B2", "Sheet1 1,1-1,1"},
        {"'Sheet''1'!$A$1:$E$1", "Sheet'1 0,0-0,4"},
        {"'My, sheet'!$C$3:$A$1", "My, sheet 0,0-2,2"},
        {"(Sheet1!$A$1,Sheet1!$A$3:$A$4)", "Sheet1 0,0-0,0;Sheet1 2,0-3,0"},
        {"[1]Sheet1!$A$1", ""},
        {"Revenue", ""},
        {"SUM(Sheet1!A1:A2)", ""},
        {"Sheet1!$A$0", ""},
    };
    for (const Case& c : cases) {
        std::string got;
        for (const office::CellRange& r : office::ParseChartFormula(c.formula))
            got += (got.empty() ? "" : ";") + r.sheet + " " + std::to_string(r.firstRow) + "," +
                   std::to_string(r.firstColumn) + "-" + std::to_string(r.lastRow) + "," + std::to_string(r.lastColumn);
        EXPECT_EQ(got, c.ranges) << c.formula;
    }
}

// Excel's automatic value axis: a twentieth of the span as headroom, zero as the near limit
// unless the data lie within a sixth of their maximum, units of 1, 2 or 5 giving at most ten.
TEST(OfficeForms, ValueAxesScaleAsExcelScalesThem) {
    const double none = std::nan("");
    struct Case { double lo, hi; office::detail::AxisScale fixed; double min, max, unit; };
    const Case cases[] = {
        {0, 10, {none, none, 0}, 0, 12, 2},
        {1, 15, {none, none, 0}, 0, 16, 2},
        {0, 100, {none, none, 0}, 0, 120, 20},
        {1, 5, {none, none, 0}, 0, 6, 1},
        {95, 100, {none, none, 0}, 94, 101, 1},
        {-10, -2, {none, none, 0}, -12, 0, 2},
        {-5, 5, {none, none, 0}, -6, 6, 2},
        {0, 10, {none, 10, 0}, 0, 10, 1},
        {0, 10, {none, none, 5}, 0, 15, 5},
        {3, 3, {none, none, 0}, 0, 3.5, 0.5},
        {0, 0, {none, none, 0}, 0, 1, 0.1},
    };
    for (const Case& c : cases) {
        const office::detail::AxisScale s = office::detail::ValueAxisScale(c.lo, c.hi, c.fixed);
        EXPECT_DOUBLE_EQ(s.minimum, c.min) << c.lo << ".." << c.hi;
        EXPECT_DOUBLE_EQ(s.maximum, c.max) << c.lo << ".." << c.hi;
        EXPECT_DOUBLE_EQ(s.majorUnit, c.unit) << c.lo << ".." << c.hi;
    }
}

}  // namespace
