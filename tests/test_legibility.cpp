// The legibility check: charts converted by the plug-in's own conversion on the Excel stand-in,
// then what prints alike and what text vanishes, named as the report names them; the rules of
// "print alike" and of vanishing text at their edges; the report's line and counts.
#include <gtest/gtest.h>

#include "sim/ModelBuilders.h"
#include "tests/chart_conversion/Bench.h"
#include "tools/legibility/Legibility.h"
#include "tools/legibility/PrintedLook.h"
#include "tools/legibility/TextCheck.h"
#include "tools/report/LegibilitySection.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

constexpr int32_t kWhite = 0xFFFFFF;

// "slice 51 and 8 print alike" .. "slice 60 and 8 print alike".
Texts AlikeRange(const std::string& word, int first, int last, int with) {
    Texts out;
    for (int j = first; j <= last; ++j)
        out.push_back(word + " " + std::to_string(j) + " and " + std::to_string(with) + " print alike");
    return out;
}

Texts Join(std::initializer_list<Texts> parts) {
    Texts out;
    for (const Texts& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Texts TextsOf(const std::vector<legibility::Finding>& findings) {
    Texts out;
    for (const legibility::Finding& f : findings) out.push_back(f.text);
    return out;
}

sim::ChartModel Converted(sim::ChartModel before) {
    chartconv::Bench bench(std::move(before));
    EXPECT_EQ(bench.Convert(), S_OK);
    return bench.chart();
}

// A chart on a dark chart area with light text throughout, as chart styles 41 to 48 draw it.
sim::ChartModel DarkStyle() {
    sim::ChartModel c = sim::MakeChart(51, 3, 4);
    c.chartArea.interior.color = 0x262626;
    c.legend.fill.visible = 0;
    c.legend.interior.colorIndex = -4142;
    c.titleFont = {true, kWhite};
    c.legend.font = {true, 0xF2F2F2};
    c.axes[0].tickLabelFont = c.axes[1].tickLabelFont = {true, 0xD9D9D9};
    c.axes[1].titleFont = {true, 0xBFBFBF};  // 64 levels off white: still reads
    return c;
}

// A column chart whose second series' types the conversion does not know: left in colour, two
// of them in blue and red that print as nearly the same grey.
sim::ChartModel WithUnconvertedTypes() {
    sim::ChartModel c = sim::MakeChart(51, 3, 4);
    for (int k : {1, 2}) c.series[k].chartType = 88;  // xlStockHLC
    c.series[1].border.color = 0xBD814F;  // #4F81BD, grey 120
    c.series[2].border.color = 0x4D50C0;  // #C0504D, grey 113
    return c;
}

TEST(Legibility, ConvertedChartsNameWhatPrintsAlikeAndWhatVanishes) {
    struct Case {
        std::string what;
        std::function<sim::ChartModel()> chart;
        Texts lookAlikes, vanishing;
    };
    const Case cases[] = {
        {"ten columns: nothing alike", [] { return sim::MakeChart(51, 10, 3); }, {}, {}},
        {"twenty columns: the table's gap at 16 prints as 8's solid black, 18 repeats 6's pattern",
         [] { return sim::MakeChart(51, 20, 3); },
         {"series 16 and 8 print alike", "series 18 and 6 print alike"}, {}},
        {"55 columns: no pattern above 50",
         [] { return sim::MakeChart(51, 55, 2); },
         Join({{"series 16 and 8 print alike", "series 18 and 6 print alike"}, AlikeRange("series", 51, 55, 8)}), {}},
        {"twelve lines with markers: shapes, fills and dashes all differ",
         [] { return sim::MakeChart(65, 12, 3); }, {}, {}},
        {"twelve lines without markers: 9 to 12 share the dotted line",
         [] { return sim::MakeChart(4, 12, 3); }, AlikeRange("series", 10, 12, 9), {}},
        {"pie of 60 slices",
         [] { return sim::MakeChart(5, 1, 60); },
         Join({{"slice 16 and 8 print alike", "slice 18 and 6 print alike"}, AlikeRange("slice", 51, 60, 8)}), {}},
        {"doughnut of two rings, each its own",
         [] { return sim::MakeChart(-4120, 2, 18); },
         {"slice 16 and 8 of series 1 print alike", "slice 18 and 6 of series 1 print alike",
          "slice 16 and 8 of series 2 print alike", "slice 18 and 6 of series 2 print alike"}, {}},
        {"an unfilled series prints as the white of position 7",
         [] {
             sim::ChartModel c = sim::MakeChart(51, 8, 3);
             c.series[2].fill.visible = 0;
             return c;
         },
         {"series 7 and 3 print alike"}, {}},
        {"series left in colour print as their greys",
         WithUnconvertedTypes, {"series 3 and 2 print alike"}, {}},
        {"stock series drawn by the high-low lines alone print nothing to compare",
         [] {
             sim::ChartModel c = sim::MakeChart(88, 3, 4);
             for (sim::SeriesModel& s : c.series) {
                 s.border.lineStyle = -4142;
                 s.markerStyle = -4142;
             }
             return c;
         },
         {}, {}},
        {"surface bands 7, 8 and 16 get no pattern",
         [] {
             sim::ChartModel c = sim::MakeChart(83, 1, 3);
             c.legend.entries.resize(16, c.legend.entries.front());
             return c;
         },
         {"band 8 and 7 print alike", "band 16 and 7 print alike"}, {}},
        {"white text of a dark style on the whitened chart area",
         DarkStyle, {},
         {"title text prints white on white", "legend text prints white on white",
          "category axis labels print grey 217 on white", "value axis labels print grey 217 on white"}},
    };
    for (const Case& c : cases) {
        const legibility::ChartLegibility l = legibility::CheckLegibility(Converted(c.chart()));
        EXPECT_EQ(TextsOf(l.lookAlikes), c.lookAlikes) << c.what;
        EXPECT_EQ(TextsOf(l.vanishingText), c.vanishing) << c.what;
    }
}

// Looks built by hand, to hold the definition of "print alike" at its edges.
legibility::PrintedLook Solid(int32_t colour) {
    sim::ElementModel e;
    e.interior.color = colour;
    return legibility::LookOfElement(e);
}

legibility::PrintedLook Hatch(int32_t pattern, int32_t fore, int32_t back) {
    sim::ElementModel e;
    e.fill.type = sim::FillModel::Type::Patterned;
    e.fill.pattern = pattern;
    e.interior.color = fore;
    e.interior.patternColor = back;
    return legibility::LookOfElement(e);
}

legibility::PrintedLook Line(int32_t weight, int32_t marker, int32_t size, int32_t inside) {
    sim::SeriesModel s;
    s.chartType = 65;
    s.border.weight = weight;
    s.markerStyle = marker;
    s.markerSize = size;
    s.markerBackgroundColor = inside;
    return legibility::LookOfLineSeries(s, 0);
}

int32_t Grey(int level) { return level * 0x010101; }

TEST(Legibility, PrintAlikeHoldsAtItsEdges) {
    sim::ElementModel unfilled;
    unfilled.fill.visible = 0;
    sim::ElementModel picture;
    picture.fill.type = sim::FillModel::Type::Picture;
    struct Case {
        const char* what;
        legibility::PrintedLook a, b;
        bool alike;
    };
    const Case cases[] = {
        {"solid greys 32 levels apart", Solid(Grey(100)), Solid(Grey(132)), true},
        {"solid greys 33 levels apart", Solid(Grey(100)), Solid(Grey(133)), false},
        {"blue and red print as one grey", Solid(0xBD814F), Solid(0x4D50C0), true},
        {"no fill is the page's white", legibility::LookOfElement(unfilled), Solid(kWhite), true},
        {"same pattern, alike colours", Hatch(16, 0, kWhite), Hatch(16, Grey(20), Grey(230)), true},
        {"same pattern, background too far", Hatch(16, 0, kWhite), Hatch(16, 0, Grey(200)), false},
        {"two patterns", Hatch(16, 0, kWhite), Hatch(17, 0, kWhite), false},
        {"a pattern in one grey is flat", Hatch(16, Grey(90), Grey(100)), Solid(Grey(95)), true},
        {"a hatch and a solid fill", Hatch(16, 0, kWhite), Solid(0), false},
        {"pictures show what the model does not say",
         legibility::LookOfElement(picture), legibility::LookOfElement(picture), false},
        {"marker sizes 2 points apart", Line(3, 8, 8, 0), Line(3, 8, 10, 0), true},
        {"marker sizes 3 points apart", Line(3, 8, 8, 0), Line(3, 8, 11, 0), false},
        {"weights differ", Line(3, 8, 8, 0), Line(4, 8, 8, 0), false},
        {"marker fills differ", Line(3, 8, 8, 0), Line(3, 8, 8, kWhite), false},
        {"an x has no inside to fill", Line(3, -4168, 8, 0), Line(3, -4168, 8, kWhite), true},
        {"a line and a fill", Line(3, 8, 8, 0), Solid(0), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(legibility::PrintAlike(c.a, c.b), c.alike) << c.what;
        EXPECT_EQ(legibility::PrintAlike(c.b, c.a), c.alike) << c.what << " (the other way round)";
    }
}

TEST(Legibility, TextVanishesWithinItsContrastOfWhatLiesBehind) {
    struct Case {
        const char* what;
        int32_t text;
        int32_t chartArea;    // -1: no fill
        int32_t plotArea;     // -1: no fill
        Texts vanishing;
    };
    const Case cases[] = {
        {"white on white", kWhite, kWhite, -1,
         {"title text prints white on white", "data labels of series 1 print white on white"}},
        {"63 levels off white", Grey(192), kWhite, -1,
         {"title text prints grey 192 on white", "data labels of series 1 print grey 192 on white"}},
        {"64 levels off white", Grey(191), kWhite, -1, {}},
        {"white on no fill: the page", kWhite, -1, -1,
         {"title text prints white on white", "data labels of series 1 print white on white"}},
        {"labels sit on the filled plot area", kWhite, kWhite, 0, {"title text prints white on white"}},
        {"black on a black area", 0, 0, -1,
         {"title text prints black on black", "data labels of series 1 print black on black"}},
    };
    for (const Case& c : cases) {
        sim::ChartModel chart = sim::MakeChart(51, 1, 2);
        chart.legend.present = false;
        chart.axes[0].present = chart.axes[1].present = false;
        for (auto [area, colour] : {std::pair{&chart.chartArea, c.chartArea}, {&chart.plotArea, c.plotArea}}) {
            area->fill.visible = colour < 0 ? 0 : -1;
            area->interior.color = colour < 0 ? kWhite : colour;
        }
        chart.titleFont = {true, c.text};
        sim::SeriesModel& s = chart.series[0];
        s.hasDataLabels = true;
        s.dataLabels.assign(2, sim::ElementModel{});
        for (sim::ElementModel& label : s.dataLabels) label.fill.visible = 0;
        s.dataLabelFont = {true, c.text};
        EXPECT_EQ(TextsOf(legibility::VanishingText(chart)), c.vanishing) << c.what;
    }
}

TEST(Legibility, TheReportNamesPairsUnderConvertedChartsAndCountsThem) {
    bwpass::ObjectResult o;
    o.accepted = true;
    for (int series : {20, 10}) {
        bwpass::ChartResult c;
        c.before = sim::MakeChart(51, series, 2);
        c.after = Converted(c.before);
        c.changes = {"converted"};
        o.charts.push_back(c);
    }
    bwpass::ChartResult unchanged;
    unchanged.before = unchanged.after = sim::MakeChart(51, 20, 2);
    o.charts.push_back(unchanged);
    bwpass::PassTotals t;
    bwpass::AddToTotals(t, o);
    EXPECT_EQ(t.legibility.chartsWithLookAlikes, 1u) << "only converted charts are checked";
    EXPECT_EQ(t.legibility.chartsWithVanishingText, 0u);

    const std::string alike = bwpass::LegibilityHtml(o.charts[0]);
    EXPECT_NE(alike.find("series 16 and 8 print alike"), std::string::npos) << alike;
    EXPECT_NE(alike.find("solid black"), std::string::npos) << alike;
    EXPECT_NE(bwpass::LegibilityHtml(o.charts[1]).find("no two series print alike"), std::string::npos);
    EXPECT_EQ(bwpass::LegibilityHtml(unchanged), "");
}

}  // namespace
