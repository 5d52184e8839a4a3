// Converting one chart, against the Excel stand-in: the exact writes (target, member, value and
// width) per chart family and position rule, the routes by chart type, the guards and the
// resume-next rule under injected faults, the one log line of a failing series, and the
// references a conversion leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "excel/ExcelObjectModel.h"
#include "chart/modChartHelper.h"
#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "tests/chart_conversion/Bench.h"
#include "tests/sim_support.h"

using chartconv::Bench;
using chartconv::Lines;
using qv::modChartHelper::GetFillPattern;
using simtest::Narrow;

namespace {

const std::string kWhite = "16777215 I4";

// A fault on every call of member (on an object whose path contains pathContains); times -1 for
// always.
sim::FaultRule Fail(const wchar_t* member, const wchar_t* pathContains = L"", int times = -1,
                    sim::FaultKind kind = sim::FaultKind::Error) {
    sim::FaultRule rule;
    rule.member = member;
    rule.pathContains = pathContains;
    rule.times = times;
    rule.fault.kind = kind;
    return rule;
}

sim::FaultRule FailGet(const wchar_t* member, const wchar_t* pathContains = L"", int times = -1) {
    sim::FaultRule rule = Fail(member, pathContains, times);
    rule.kind = static_cast<int>(sim::CallKind::Get);
    return rule;
}

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// What every conversion must show: success, no reference left behind or released twice,
// locale 1033 on every call, and every write made on an element fetched by the call just before
// it (elements are fetched afresh for each step; only a series is held while its own members
// are written).
void ExpectSoundRun(Bench& bench, HRESULT hr, const std::string& what) {
    EXPECT_EQ(hr, S_OK) << what;
    EXPECT_EQ(bench.excel().outstandingRefs(), 0)
        << what << ::testing::PrintToString(bench.excel().objectsWithRefs());
    EXPECT_TRUE(bench.excel().overReleased().empty()) << what;
    const auto& calls = bench.excel().calls();
    for (size_t i = 0; i < calls.size(); ++i) {
        const sim::CallRecord& c = calls[i];
        ASSERT_EQ(c.lcid, 1033u) << what << " call #" << c.index;
        const bool write = c.kind == sim::CallKind::Put || c.member == L"Solid" || c.member == L"Patterned";
        if (!write || c.object == L"Series") continue;
        ASSERT_GT(i, 0u) << what;
        const sim::CallRecord& fetch = calls[i - 1];
        EXPECT_TRUE(fetch.kind == sim::CallKind::Get && fetch.path + L"/" + fetch.member == c.path)
            << what << ": write #" << c.index << " on " << Narrow(c.path) << " not fetched just before";
    }
}

HRESULT Convert(Bench& bench, const std::string& what = "") {
    const HRESULT hr = bench.Convert();
    ExpectSoundRun(bench, hr, what);
    return hr;
}

// A 3-D column chart whose one series has two data labels, leader lines and a pure red
// trendline; the value axis has minor gridlines too.
sim::ChartModel RichColumnChart(int seriesCount = 1) {
    sim::ChartModel chart = sim::MakeChart(-4100, seriesCount, 2);
    chart.axes[1].minorGridlines.present = true;
    for (sim::SeriesModel& s : chart.series) {
        s.hasDataLabels = true;
        s.dataLabels.resize(2);
        s.hasLeaderLines = true;
        s.leaderLines.present = true;
        s.trendlines.push_back({true, sim::BorderModel{0xFF, -4105, 2, 1}});
    }
    return chart;
}

}  // namespace

TEST(ChartConversion, FrameThenFilledSeriesOfA3DColumnChart) {
    Bench bench(RichColumnChart());
    Convert(bench);
    const Lines expected = {
        "ChartArea/Border.Color = 0 I2",
        "ChartArea/Interior.Color = " + kWhite,
        "ChartArea/Interior.PatternColor = " + kWhite,
        "ChartArea/Fill.Solid()",
        "PlotArea/Interior.Color = " + kWhite,
        "Legend/Border.Color = 0 I2",
        "Legend/Interior.Color = " + kWhite,
        "Legend/Interior.PatternColor = " + kWhite,
        "Legend/Fill.Solid()",
        // Category, series, value; only the value axis has (major and minor) gridlines.
        "Axes(1)/Border.Color = 0 I2",
        "Axes(3)/Border.Color = 0 I2",
        "Axes(2)/Border.Color = 0 I2",
        "Axes(2)/MajorGridlines/Border.Color = 0 I2",
        "Axes(2)/MinorGridlines/Border.Color = 0 I2",
        "Walls/Interior.Color = " + kWhite,
        // The floor border &HFF6633 becomes the grey of its level 103.
        "Floor/Border.Color = 6776679 I4",
        "Floor/Interior.ColorIndex = 15 I2",
        "Floor/Fill.Solid()",
        "SeriesCollection(1)/Border.Color = 0 I2",
        "SeriesCollection(1)/DataLabels(1)/Interior.ColorIndex = -4142 I4",
        "SeriesCollection(1)/DataLabels(1)/Border.ColorIndex = -4142 I4",
        "SeriesCollection(1)/DataLabels(2)/Interior.ColorIndex = -4142 I4",
        "SeriesCollection(1)/DataLabels(2)/Border.ColorIndex = -4142 I4",
        "SeriesCollection(1)/LeaderLines/Border.Color = 0 I2",
        "SeriesCollection(1)/Trendlines(1)/Border.Color = 5000268 I4",  // pure red -> &H4C4C4C
        "SeriesCollection(1)/Interior.PatternColor = " + kWhite,
        "SeriesCollection(1)/Interior.Color = 0 I2",
        "SeriesCollection(1)/Fill.Patterned(21 I4)",
    };
    EXPECT_EQ(bench.Writes(), expected) << bench.CallLog();

    // The writes took effect with those widths.
    const sim::ChartModel& chart = bench.chart();
    EXPECT_EQ(chart.floor.interior.colorIndex, 15);
    EXPECT_EQ(chart.floor.border.color, 0x676767);
    EXPECT_EQ(chart.series[0].trendlines[0].border.color, 0x4C4C4C);
    EXPECT_EQ(chart.series[0].fill.type, sim::FillModel::Type::Patterned);
    EXPECT_EQ(chart.series[0].fill.pattern, 21);
    EXPECT_EQ(chart.series[0].dataLabels[1].interior.colorIndex, -4142);
}

// Which guarded write is made, by the state of the element and by reads that fail. A test whose
// evaluation fails counts as passed; a read that fails inside an element test answers False; a
// failing fetch of an object that a step tests for counts as absent.
TEST(ChartConversion, GuardsDecideWhatIsWritten) {
    using Setup = std::function<void(sim::ChartModel&)>;
    const Setup none = [](sim::ChartModel&) {};
    const sim::BorderModel medium{0x868686, -4105, -4138, 1}, noLine{0x868686, -4105, 2, -4142};
    struct Case {
        const char* what;
        int32_t chartType;
        Setup setup;
        std::vector<sim::FaultRule> faults;
        std::string seen;  // a write, or "path.member" of a call that must (not) be made
        bool expected;
    } cases[] = {
        {"chart-area border drawn, own colour", -4100, none, {}, "ChartArea/Border.Color = 0 I2", true},
        {"chart-area border thick", -4100, [](auto& c) { c.chartArea.border.weight = 4; }, {},
         "ChartArea/Border.Color = 0 I2", true},
        {"chart-area border medium weight", -4100, [&](auto& c) { c.chartArea.border = medium; }, {},
         "ChartArea/Border.Color = 0 I2", false},
        {"chart-area border no line", -4100, [&](auto& c) { c.chartArea.border = noLine; }, {},
         "ChartArea/Border.Color = 0 I2", false},
        {"chart-area border in the fill's colour", -4100,
         [](auto& c) { c.chartArea.border.color = c.chartArea.interior.color = 0x123456; }, {},
         "ChartArea/Border.Color = 0 I2", false},
        {"chart-area fill colour unreadable", -4100, [&](auto& c) { c.chartArea.border = noLine; },
         {FailGet(L"Color", L"ChartArea/Interior")}, "ChartArea/Border.Color = 0 I2", true},
        {"chart-area fill invisible", -4100, [](auto& c) { c.chartArea.fill.visible = 0; }, {},
         "ChartArea/Interior.Color = " + kWhite, false},
        {"chart-area fill mixed (-2)", -4100, [](auto& c) { c.chartArea.fill.visible = -2; }, {},
         "ChartArea/Fill.Solid()", true},
        {"chart-area fill visibility unreadable", -4100, [](auto& c) { c.chartArea.fill.visible = 0; },
         {FailGet(L"Visible", L"ChartArea/Fill")}, "ChartArea/Fill.Solid()", true},
        {"legend border in the fill's colour", -4100,
         [](auto& c) { c.legend.border.color = c.legend.interior.color; }, {}, "Legend/Border.Color = 0 I2", true},
        {"legend border medium", -4100, [&](auto& c) { c.legend.border = medium; }, {},
         "Legend/Border.Color = 0 I2", false},
        {"legend fetch fails once", -4100, [&](auto& c) { c.legend.border = noLine; },
         {FailGet(L"Legend", L"", 1)}, "Legend/Border.Color = 0 I2", true},
        {"no legend", -4100, [](auto& c) { c.legend.present = false; }, {}, "Legend/Fill.Solid()", false},
        {"walls invisible", -4100, [](auto& c) { c.walls.fill.visible = 0; }, {},
         "Walls/Interior.Color = " + kWhite, false},
        {"walls fill fetch fails once", -4100, [](auto& c) { c.walls.fill.visible = 0; },
         {FailGet(L"Fill", L"Walls", 1)}, "Walls/Interior.Color = " + kWhite, true},
        {"floor border no line", -4100, [](auto& c) { c.floor.border.lineStyle = -4142; }, {},
         "Floor/Border.Color = 6776679 I4", false},
        {"floor border fetch fails once", -4100, [](auto& c) { c.floor.border.lineStyle = -4142; },
         {FailGet(L"Border", L"Floor", 1)}, "Floor/Border.Color = 6776679 I4", true},
        {"floor invisible", -4100, [](auto& c) { c.floor.fill.visible = 0; }, {},
         "Floor/Interior.ColorIndex = 15 I2", false},
        {"floor visibility unreadable inside the test", -4100, none, {FailGet(L"Visible", L"Floor/Fill")},
         "Floor/Interior.ColorIndex = 15 I2", false},
        {"series outline medium", -4100, [&](auto& c) { c.series[0].border = medium; }, {},
         "SeriesCollection(1)/Border.Color = 0 I2", false},
        {"HasDataLabels unreadable", 51, none, {FailGet(L"HasDataLabels")}, "SeriesCollection(1).DataLabels", true},
        {"HasLeaderLines unreadable", 51, none, {FailGet(L"HasLeaderLines")}, "SeriesCollection(1).LeaderLines",
         true},
        {"leader lines fetch fails once", -4100, none, {FailGet(L"LeaderLines", L"", 1)},
         "SeriesCollection(1)/LeaderLines/Border.Color = 0 I2", false},
        {"trendline colour unreadable", -4100, none, {FailGet(L"Color", L"Trendlines(1)/Border")},
         "SeriesCollection(1)/Trendlines(1)/Border.Color = 5000268 I4", false},
        {"series fill invisible", -4100, [](auto& c) { c.series[0].fill.visible = 0; }, {},
         "SeriesCollection(1)/Fill.Patterned(21 I4)", false},
        {"series fill visibility unreadable", -4100, [](auto& c) { c.series[0].fill.visible = 0; },
         {FailGet(L"Visible", L"SeriesCollection(1)/Fill")}, "SeriesCollection(1)/Fill.Patterned(21 I4)", true},
        {"line weight medium", 4, [&](auto& c) { c.series[0].border = medium; }, {},
         "SeriesCollection(1)/Border.Weight = 3 I2", false},
        {"line weight unreadable", 4, [&](auto& c) { c.series[0].border = medium; },
         {FailGet(L"Weight", L"SeriesCollection(1)/Border")}, "SeriesCollection(1)/Border.Weight = 3 I2", true},
        {"marker size 1", 4, [](auto& c) { c.series[0].markerSize = 1; }, {},
         "SeriesCollection(1).MarkerSize = 8 I4", false},
        {"marker size unreadable", 4, [](auto& c) { c.series[0].markerSize = 1; }, {FailGet(L"MarkerSize")},
         "SeriesCollection(1).MarkerSize = 8 I4", true},
    };
    for (const Case& c : cases) {
        sim::ChartModel model = c.chartType == -4100 ? RichColumnChart() : sim::MakeChart(c.chartType, 1, 2);
        c.setup(model);
        Bench bench(model);
        for (const sim::FaultRule& f : c.faults) bench.excel().addFault(f);
        Convert(bench, c.what);
        const bool seen = Contains(bench.Writes(), c.seen) || [&] {
            const size_t dot = c.seen.rfind('.');
            return bench.Reached(c.seen.substr(0, dot), c.seen.substr(dot + 1));
        }();
        EXPECT_EQ(seen, c.expected) << c.what << "\n" << bench.CallLog();
    }
}

// Routes: F filled, L line, P pie slices, - untouched, per series in order; "+S" when the legend
// keys were converted (the surface bands).
TEST(ChartConversion, RoutesByChartTypeAndSeriesType) {
    struct Case {
        int32_t chartType;
        std::vector<int32_t> seriesTypes;
        std::string expected;
        bool seriesTypesRead;  // false: the route never asks a series for its type
    } cases[] = {
        {51, {51, 51}, "FF", true},
        {5, {5, 5, 5}, "P--", false},  // a pie converts series 1 only
        {-4102, {-4102, -4102}, "P-", false},
        {68, {68, 68}, "P-", false},
        {69, {69}, "P", false},
        {70, {70}, "P", false},
        {71, {71, 71}, "P-", false},
        {83, {83, 83}, "--+S", false},
        {85, {85}, "-+S", false},
        {-4103, {-4103, -4103}, "--+S", false},
        {84, {84, 84}, "--", true},  // wireframes take the series route and stay as they are
        {86, {86}, "-", true},
        {-4120, {-4120, -4120, -4120}, "PPP", true},  // each ring by its own number
        {51, {}, "", true},
        // Combination charts: each series by its own type, on the table's edges.
        {51,
         {1, 15, -4098, -4100, 51, 62, 76, 79, 80, 82, 87, 92, 112, 4, -4101, -4151, -4169, 63, 67, 72, 75, 81},
         "FFFFFFFFFFFFFLLLLLLLLL", true},
        {51, {5, -4102, -4120, 68, 71, 84, 86, 88, 91, 2, 3, 14, 16, 50, 113, -4111}, "PPPPP-----------", true},
        {4, {4, 83}, "L-+S", true},
    };
    for (const Case& c : cases) {
        sim::ChartModel model = sim::MakeChart(c.chartType, static_cast<int>(c.seriesTypes.size()), 2);
        for (size_t i = 0; i < c.seriesTypes.size(); ++i) model.series[i].chartType = c.seriesTypes[i];
        Bench bench(model);
        const std::string what = "chart type " + std::to_string(c.chartType);
        Convert(bench, what);
        std::string seen;
        for (size_t n = 1; n <= c.seriesTypes.size(); ++n) {
            const std::string series = "SeriesCollection(" + std::to_string(n) + ")";
            const Lines writes = bench.WritesUnder(series);
            const bool slices = !bench.WritesUnder(series + "/Points(").empty();
            const bool markers = std::any_of(writes.begin(), writes.end(), [](const std::string& w) {
                return w.find(".MarkerForegroundColor") != std::string::npos;
            });
            seen += slices ? 'P' : markers ? 'L' : writes.empty() ? '-' : 'F';
            EXPECT_EQ(bench.Reached(series, "ChartType"), c.seriesTypesRead) << what << " " << series;
        }
        if (!bench.WritesUnder("Legend/LegendEntries").empty()) seen += "+S";
        EXPECT_EQ(seen, c.expected) << what;
    }
}

TEST(ChartConversion, SixtyFilledSeriesTakeThePatternsByPosition) {
    sim::ChartModel model = sim::MakeChart(51, 60, 1);
    for (sim::SeriesModel& s : model.series) s.fill.type = sim::FillModel::Type::Gradient;
    Bench bench(model);
    Convert(bench);
    for (int n = 1; n <= 60; ++n) {
        const std::string s = "SeriesCollection(" + std::to_string(n) + ")";
        Lines expected = {s + "/Border.Color = 0 I2", s + "/Interior.PatternColor = " + kWhite,
                          s + "/Interior.Color = 0 I2"};
        if (n == 7) {
            expected.push_back(s + "/Interior.PatternColor = 0 I2");
            expected.push_back(s + "/Interior.Color = " + kWhite);
        }
        if (n == 7 || n == 8)
            expected.push_back(s + "/Fill.Solid()");
        else
            expected.push_back(s + "/Fill.Patterned(" + std::to_string(GetFillPattern(static_cast<short>(n))) + " I4)");
        EXPECT_EQ(bench.WritesUnder(s + "/"), expected) << s;
    }
    const auto& series = bench.chart().series;
    EXPECT_EQ(series[0].fill.pattern, 21);
    EXPECT_EQ(series[5].fill.pattern, 16);
    EXPECT_EQ(series[17].fill.pattern, 16);
    EXPECT_EQ(series[49].fill.pattern, 39);
    // Solid: white on black at 7, black on white at 8.
    EXPECT_EQ(series[6].fill.type, sim::FillModel::Type::Solid);
    EXPECT_EQ(series[6].interior.color, 0xFFFFFF);
    EXPECT_EQ(series[6].interior.patternColor, 0);
    EXPECT_EQ(series[7].fill.type, sim::FillModel::Type::Solid);
    EXPECT_EQ(series[7].interior.color, 0);
    EXPECT_EQ(series[7].interior.patternColor, 0xFFFFFF);
    // Pattern 0 is refused: 16 and 51..60 keep their fill with the colours written before it.
    for (int n : {16, 51, 60}) {
        EXPECT_EQ(series[n - 1].fill.type, sim::FillModel::Type::Gradient) << n;
        EXPECT_EQ(series[n - 1].interior.color, 0) << n;
    }
}

TEST(ChartConversion, FortyLineSeriesTakeMarkersFillsAndLineStylesByPosition) {
    sim::ChartModel model = sim::MakeChart(4, 40, 1);
    const int32_t weights[] = {1, 2, 4, -4138};
    for (int i = 0; i < 4; ++i) model.series[i].border.weight = weights[i];
    model.series[5].markerSize = 1;
    model.series[8].border.weight = 4;
    Bench bench(model);
    Convert(bench);

    const long shapes[8] = {8, 3, 1, 2, 8, 3, 1, 2};             // circle, triangle, square, diamond
    const long stylesByBlock[5] = {1, -4118, -4119, 4, 1};       // blocks of eight series
    for (int n = 1; n <= 40; ++n) {
        const sim::SeriesModel& original = model.series[n - 1];
        const std::string s = "SeriesCollection(" + std::to_string(n) + ")";
        Lines expected;
        if (n <= 8) {
            expected.push_back(s + ".MarkerStyle = " + std::to_string(shapes[n - 1]) + " I4");
            if (original.border.weight > 0) expected.push_back(s + "/Border.Weight = 3 I2");
            if (original.markerSize > 1) expected.push_back(s + ".MarkerSize = 8 I4");
        }
        const bool whiteMarkers = ((n - 1) / 4) % 2 == 1;
        expected.push_back(s + "/Border.Color = 0 I2");
        expected.push_back(s + ".MarkerForegroundColor = 0 I4");
        expected.push_back(s + ".MarkerBackgroundColor = " + (whiteMarkers ? kWhite : "0 I4"));
        expected.push_back(s + "/Border.LineStyle = " + std::to_string(stylesByBlock[(n - 1) / 8]) + " I4");
        Lines got;
        for (const std::string& w : bench.WritesUnder(s))
            if (w.compare(0, s.size() + 1, s + "/") == 0 || w.compare(0, s.size() + 1, s + ".") == 0)
                got.push_back(w);
        EXPECT_EQ(got, expected) << s;
    }
    // The documented examples, read back from the model.
    const auto& after = bench.chart().series;
    EXPECT_EQ(after[3].border.weight, -4138);  // a medium line keeps its weight
    EXPECT_EQ(after[0].border.weight, 3);
    EXPECT_EQ(after[8].border.weight, 4);  // from the ninth series on, the weight stays
    EXPECT_EQ(after[8].markerStyle, -4105);
    EXPECT_EQ(after[8].markerSize, 5);
    EXPECT_EQ(after[8].border.lineStyle, -4118);
    EXPECT_EQ(after[8].markerBackgroundColor, 0);
    EXPECT_EQ(after[12].border.lineStyle, -4118);
    EXPECT_EQ(after[12].markerBackgroundColor, 0xFFFFFF);
    EXPECT_EQ(after[32].border.lineStyle, 1);
    EXPECT_EQ(after[32].markerBackgroundColor, 0);
}

TEST(ChartConversion, SixtySlicePieByNameThroughTheDefaultMember) {
    Bench bench(sim::MakeChart(5, 2, 60));
    Convert(bench);
    Lines expected = {"SeriesCollection(1)/Interior.Color = 0 I2",
                      "SeriesCollection(1)/Interior.PatternColor = " + kWhite};
    for (int p = 1; p <= 60; ++p) {
        const std::string point = "SeriesCollection(1)/Points(" + std::to_string(p) + ")";
        expected.push_back(point + "/Interior.Color = 0 I2");
        expected.push_back(point + "/Interior.PatternColor = " + kWhite);
        if (p == 7) {
            expected.push_back(point + "/Interior.Color = " + kWhite);
            expected.push_back(point + "/Interior.PatternColor = 0 I2");
        }
        if (p == 7 || p == 8)
            expected.push_back(point + "/Fill.Solid()");
        else
            expected.push_back(point + "/Fill.Patterned(" + std::to_string(GetFillPattern(static_cast<short>(p))) + " I4)");
    }
    EXPECT_EQ(bench.WritesUnder("SeriesCollection("), expected);

    // Points(p) through DISPID 0 with p by reference as a 16-bit integer; every member of a
    // point by name.
    for (const sim::CallRecord& c : bench.excel().calls()) {
        const std::string path = bench.Relative(c.path);
        if (path == "SeriesCollection(1)/Points" && c.member != L"Count") {
            EXPECT_EQ(c.dispid, DISPID_VALUE);
            ASSERT_EQ(c.args.size(), 1u);
            EXPECT_EQ(c.args[0].vt, VT_BYREF | VT_I2);
        }
        if (path.find("/Points(") != std::string::npos) {
            EXPECT_TRUE(c.byName) << path << " " << Narrow(c.member);
        }
    }
    const auto& points = bench.chart().series[0].points;
    const int firstSix[6] = {21, 34, 20, 41, 19, 16};
    for (int p = 0; p < 6; ++p) EXPECT_EQ(points[p].element.fill.pattern, firstSix[p]);
    EXPECT_EQ(points[6].element.interior.color, 0xFFFFFF);
    EXPECT_EQ(points[7].element.interior.color, 0);
    EXPECT_EQ(points[7].element.fill.type, sim::FillModel::Type::Solid);

    Bench empty(sim::MakeChart(5, 1, 0));
    Convert(empty, "empty pie");
    EXPECT_EQ(empty.WritesUnder("SeriesCollection("), Lines(expected.begin(), expected.begin() + 2));
}

TEST(ChartConversion, SurfaceLegendKeysTakePatternsAndNeverSolidFills) {
    Bench bench(sim::MakeChart(83, 20, 2));
    Convert(bench);
    Lines expected;
    for (int i = 1; i <= 20; ++i) {
        const std::string key = "Legend/LegendEntries(" + std::to_string(i) + ")/LegendKey";
        expected.push_back(key + "/Interior.Color = 0 I2");
        expected.push_back(key + "/Interior.PatternColor = " + kWhite);
        // 7 and 8 pass 0 like 16: no solid fill here.
        const int pattern = (i == 7 || i == 8 || i == 16) ? 0 : GetFillPattern(static_cast<short>(i));
        expected.push_back(key + "/Fill.Patterned(" + std::to_string(pattern) + " I4)");
    }
    EXPECT_EQ(bench.WritesUnder("Legend/LegendEntries("), expected);
    for (const sim::CallRecord& c : bench.excel().calls())
        if (bench.Relative(c.path) == "Legend/LegendEntries" && c.member != L"Count") {
            EXPECT_EQ(c.dispid, DISPID_VALUE);
            EXPECT_EQ(c.args.at(0).vt, VT_BYREF | VT_I2);
        }
}

TEST(ChartConversion, DoughnutRingsReachTheirChartTwoParentsUp) {
    Bench bench(sim::MakeChart(-4120, 3, 2));
    Convert(bench);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(bench.WritesUnder("SeriesCollection(" + std::to_string(n) + ")/Points(").size(), 6u) << n;
    int seriesParents = 0, groupParents = 0;
    for (const sim::CallRecord& c : bench.excel().calls()) {
        if (c.member != L"Parent") continue;
        if (c.object == L"Series") {
            ++seriesParents;
            EXPECT_FALSE(c.byName);
        } else {
            ++groupParents;
            EXPECT_EQ(c.object, L"ChartGroup");
            EXPECT_TRUE(c.byName);
        }
    }
    EXPECT_EQ(seriesParents, 3);
    EXPECT_EQ(groupParents, 3);
}

TEST(ChartConversion, CountsAreReadOnceAndWalkZeroTimesWhenTheyDoNotFit) {
    VARIANT tooMany;
    tooMany.vt = VT_I4;
    tooMany.lVal = 40000;
    struct Case {
        int32_t chartType;
        const wchar_t* collection;  // whose Count does not fit 16 bits
        std::string vanished;       // writes under this prefix are not made
    } cases[] = {
        {-4100, L"SeriesCollection", "SeriesCollection("},
        {-4100, L"DataLabels", "SeriesCollection(1)/DataLabels("},
        {-4100, L"Trendlines", "SeriesCollection(1)/Trendlines("},
        {5, L"Points", "SeriesCollection(1)/Points("},
        {83, L"LegendEntries", "Legend/LegendEntries("},
    };
    for (const Case& c : cases) {
        sim::ChartModel model = c.chartType == -4100 ? RichColumnChart(2) : sim::MakeChart(c.chartType, 2, 3);
        Bench clean(model);
        Convert(clean);
        ASSERT_FALSE(clean.WritesUnder(c.vanished).empty()) << Narrow(c.collection);
        int countReads = 0;
        for (const sim::CallRecord& r : clean.excel().calls())
            if (r.member == L"Count" && r.object == c.collection) {
                ++countReads;
                // The series count alone is asked for by name.
                EXPECT_EQ(r.byName, std::wstring(c.collection) == L"SeriesCollection");
            }
        EXPECT_EQ(countReads, std::wstring(c.collection) == L"DataLabels" || std::wstring(c.collection) == L"Trendlines" ? 2 : 1)
            << Narrow(c.collection);

        Bench faulted(model);
        sim::FaultRule rule = Fail(L"Count", L"", -1, sim::FaultKind::WrongType);
        rule.object = c.collection;
        rule.fault.wrongValue = tooMany;
        faulted.excel().addFault(rule);
        Convert(faulted, Narrow(c.collection));
        EXPECT_TRUE(faulted.WritesUnder(c.vanished).empty()) << Narrow(c.collection);
    }
}

TEST(ChartConversion, AnythingButAChartIsLeftAloneWithSuccess) {
    Bench bench(sim::MakeChart(51, 2, 2));
    sim::WorkbookModel& book = *bench.excel().model().workbooks[0];
    qv::Dispatch workbook = qv::Dispatch::Attach(bench.excel().NewWorkbookRef(book));
    qv::Dispatch chart = qv::Dispatch::Attach(bench.excel().NewChartRef(bench.chart()));
    qv::Dispatch chartArea = qv::GetObject(chart.get(), qv::excel::Member::ChartArea);
    chart.reset();
    struct Case {
        const char* what;
        IDispatch* object;
    } cases[] = {{"workbook", workbook.get()}, {"chart area", chartArea.get()}, {"nothing", nullptr}};
    for (const Case& c : cases) {
        EXPECT_EQ(bench.ConvertObject(c.object), S_OK) << c.what;
        EXPECT_EQ(bench.excel().callCount(), 0) << c.what;
    }
    workbook.reset();
    chartArea.reset();
    EXPECT_EQ(bench.excel().outstandingRefs(), 0);
    EXPECT_TRUE(bench.excel().overReleased().empty());
}

// A fault at every call of a clean run, of each kind: the conversion still succeeds, leaves no
// reference behind, and goes on with the steps after the failing one: every chart-level step
// that came later in the clean run, and the last item of the walk the fault fell into. A failing
// write, or a failing fetch of the element a write is made on, costs that one write only.
TEST(ChartConversion, AFaultAtAnyCallSkipsOnlyItsOwnStep) {
    struct Sweep {
        const char* what;
        sim::ChartModel model;
        // "path.member(first argument)" keys of the clean run: the walk's count read and the
        // first fetch of its last item.
        std::string walkStart, walkEnd;
    };
    sim::ChartModel combination = sim::MakeChart(51, 3, 2);
    combination.series[1].chartType = 4;
    combination.series[2].chartType = -4120;
    Sweep sweeps[] = {
        {"3-D column", RichColumnChart(2), "SeriesCollection.Count", ".SeriesCollection(2)"},
        {"line", sim::MakeChart(4, 3, 2), "SeriesCollection.Count", ".SeriesCollection(3)"},
        {"pie", sim::MakeChart(5, 1, 9), "SeriesCollection(1)/Points.Count", "SeriesCollection(1)/Points._Default(9)"},
        {"surface", sim::MakeChart(-4103, 3, 2), "Legend/LegendEntries.Count", "Legend/LegendEntries._Default(3)"},
        {"doughnut", sim::MakeChart(-4120, 2, 3), "SeriesCollection.Count", ".SeriesCollection(2)"},
        {"combination", combination, "SeriesCollection.Count", ".SeriesCollection(3)"},
    };
    const auto keyOf = [](const Bench& b, const sim::CallRecord& c) {
        std::string key = b.Relative(c.path) + "." + Narrow(c.member);
        if (c.kind != sim::CallKind::Put && !c.args.empty()) key += "(" + Narrow(c.args[0].value) + ")";
        return key;
    };
    const sim::FaultKind kinds[] = {sim::FaultKind::Error, sim::FaultKind::Nothing, sim::FaultKind::WrongType};
    for (const Sweep& s : sweeps) {
        Bench clean(s.model);
        Convert(clean, s.what);
        const std::vector<sim::CallRecord> calls = clean.excel().calls();
        // Chart-level steps, by the index of their first call (series fetches belong to walks).
        std::map<std::string, long> firstOnChart;
        long walkStart = 0, walkEnd = 0;
        for (const sim::CallRecord& c : calls) {
            const std::string key = keyOf(clean, c);
            if (clean.Relative(c.path).empty() && c.member != L"SeriesCollection") firstOnChart.emplace(key, c.index);
            if (key == s.walkStart && !walkStart) walkStart = c.index;
            if (key == s.walkEnd && !walkEnd) walkEnd = c.index;
        }
        ASSERT_TRUE(walkStart && walkEnd > walkStart) << s.what;
        const Lines cleanWrites = clean.Writes();
        std::map<long, size_t> writeAt;  // call index -> position in cleanWrites
        for (const sim::CallRecord& c : calls)
            if (c.kind == sim::CallKind::Put || c.member == L"Solid" || c.member == L"Patterned")
                writeAt.emplace(c.index, writeAt.size());
        // The writes a fault at call k must leave, when k is a write or the fetch of its target.
        const auto writesLeft = [&](long k, Lines& expected) {
            if (writeAt.count(k)) return expected = cleanWrites, true;
            const auto next = writeAt.find(k + 1);
            if (next == writeAt.end()) return false;
            const sim::CallRecord& fetch = calls[k - 1];
            if (fetch.kind != sim::CallKind::Get || fetch.path + L"/" + fetch.member != calls[k].path) return false;
            expected = cleanWrites;
            expected.erase(expected.begin() + static_cast<long>(next->second));
            return true;
        };
        for (sim::FaultKind kind : kinds) {
            for (long k = 1; k <= static_cast<long>(calls.size()); ++k) {
                Bench bench(s.model);
                sim::FaultRule rule = Fail(L"", L"", -1, kind);
                rule.callIndex = k;
                bench.excel().addFault(rule);
                const std::string what = std::string(s.what) + ", fault kind " + std::to_string(static_cast<int>(kind)) +
                                         " at #" + std::to_string(k) + " " + keyOf(clean, calls[k - 1]);
                const HRESULT hr = bench.Convert();
                EXPECT_EQ(hr, S_OK) << what;
                EXPECT_EQ(bench.excel().outstandingRefs(), 0) << what;
                EXPECT_TRUE(bench.excel().overReleased().empty()) << what;
                std::map<std::string, bool> seen;
                for (const sim::CallRecord& c : bench.excel().calls()) seen[keyOf(bench, c)] = true;
                for (const auto& step : firstOnChart)
                    if (step.second > k) {
                        EXPECT_TRUE(seen[step.first]) << what << ": skipped " << step.first;
                    }
                if (k > walkStart && k < walkEnd) {
                    EXPECT_TRUE(seen[s.walkEnd]) << what << ": walk stopped";
                }
                Lines expected;
                if (writesLeft(k, expected)) {
                    EXPECT_EQ(bench.Writes(), expected) << what;
                }
                if (HasFailure()) return;  // one broken case tells enough
            }
        }
    }
}

// ConvertSeries writes one error line for an error with a positive number and goes on with the
// next series.
TEST(ChartConversion, AFailingSeriesLogsOneLineAndTheWalkGoesOn) {
    sim::FaultRule negative = FailGet(L"Parent", L"SeriesCollection(1)");
    negative.fault.scode = E_FAIL;
    negative.object = L"Series";
    sim::FaultRule excel1004 = FailGet(L"ChartType", L"SeriesCollection(1)");
    excel1004.fault.description = L"Unable to get the ChartType property of the Series class";
    struct Case {
        const char* what;
        sim::FaultRule fault;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"no fault", sim::FaultRule{}, {}},
        {"Excel's 1004", excel1004,
         {L"*** Error ***: Handle series raised a Unable to get the ChartType property of the Series class"}},
        {"type unreadable", Fail(L"ChartType", L"SeriesCollection(1)", -1, sim::FaultKind::WrongType),
         {L"*** Error ***: Handle series raised a Type mismatch"}},
        {"first Parent Nothing", Fail(L"Parent", L"SeriesCollection(1)", -1, sim::FaultKind::Nothing),
         {L"*** Error ***: Handle series raised a Object variable or With block variable not set"}},
        {"second Parent not an object", Fail(L"Parent", L"ChartGroups(1)", 1, sim::FaultKind::WrongType),
         {L"*** Error ***: Handle series raised a Type mismatch"}},
        {"second Parent Nothing: no chart, nothing to convert", Fail(L"Parent", L"ChartGroups(1)", 1, sim::FaultKind::Nothing), {}},
        {"negative error number", negative, {}},
    };
    sim::ChartModel model = sim::MakeChart(-4120, 3, 2);
    model.series[2].chartType = 51;
    for (const Case& c : cases) {
        sim::LogCapture log;
        Bench bench(model);
        if (c.fault.member.size()) bench.excel().addFault(c.fault);
        HRESULT hr = E_FAIL;
        sim::RunOnFreshThread([&] { hr = bench.Convert(); });
        ExpectSoundRun(bench, hr, c.what);
        EXPECT_EQ(log.Lines(), c.lines) << c.what;
        EXPECT_FALSE(bench.WritesUnder("SeriesCollection(2)/Points(").empty()) << c.what;
        EXPECT_TRUE(Contains(bench.Writes(), "SeriesCollection(3)/Fill.Patterned(20 I4)")) << c.what;
    }
}

// A series that the collection answers as Nothing is skipped without a log line; the series
// after it keep the writes of their own positions.
TEST(ChartConversion, ASeriesAnsweredAsNothingIsSkippedSilently) {
    struct Case {
        const char* what;
        int32_t chartType;
    } cases[] = {
        {"filled series", 51},
        {"line series", 4},
    };
    for (const Case& c : cases) {
        const sim::ChartModel model = sim::MakeChart(c.chartType, 3, 2);
        Bench clean(model);
        Convert(clean, c.what);
        long secondFetch = 0;
        for (const sim::CallRecord& call : clean.excel().calls())
            if (call.member == L"SeriesCollection" && !call.args.empty() && call.args[0].value == L"2")
                secondFetch = call.index;
        ASSERT_NE(secondFetch, 0) << c.what;

        sim::LogCapture log;
        Bench bench(model);
        sim::FaultRule nothing = Fail(L"SeriesCollection", L"", -1, sim::FaultKind::Nothing);
        nothing.callIndex = secondFetch;
        bench.excel().addFault(nothing);
        HRESULT hr = E_FAIL;
        sim::RunOnFreshThread([&] { hr = bench.Convert(); });
        ExpectSoundRun(bench, hr, c.what);
        EXPECT_EQ(log.Lines(), std::vector<std::wstring>{}) << c.what;
        EXPECT_TRUE(bench.WritesUnder("SeriesCollection(2)").empty()) << c.what;
        for (const char* kept : {"SeriesCollection(1)", "SeriesCollection(3)"}) {
            EXPECT_FALSE(clean.WritesUnder(kept).empty()) << c.what << " " << kept;
            EXPECT_EQ(bench.WritesUnder(kept), clean.WritesUnder(kept)) << c.what << " " << kept;
        }
    }
}
