// The host tool's deck files and report: a deck reads back to what was written, every kind of
// bad input is refused with its file, JSON path and what was expected, and the report draws one
// before/after pair per chart with the fills, patterns and lines the model holds.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/report/ChartSvg.h"
#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Deck.h"
#include "tools/deck/DeckStream.h"
#include "tools/report/Inventory.h"
#include "tools/report/Patterns.h"
#include "tools/report/Report.h"
#include "tools/deck/SampleDeck.h"
#include "tools/deckmodel/Text.h"

using namespace bwpass;
using Json = nlohmann::json;

namespace {

std::string SourceFile(const std::string& relative) {
    const char* root = std::getenv("QV_SOURCE_DIR");
    std::ifstream in(std::string(root ? root : ".") + "/" + relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// A deck of one Excel object whose one chart sheet holds `chart` (JSON members, no braces).
std::string OneChart(const std::string& chart) {
    return R"({"objects": [{"progId": "Excel.Chart.8", "excel": {"workbooks": [{"name": "B",
             "sheets": [{"kind": "chartSheet", "name": "S", "chart": {)" + chart + "}}]}]}}]}";
}

std::string ErrorOf(const std::string& text) {
    try {
        ParseDeck(text, "deck.json");
    } catch (const DeckError& e) {
        return e.what();
    }
    return "(accepted)";
}

}  // namespace

// ---- reading and writing -------------------------------------------------------------------

TEST(DeckFile, EveryFieldReadsAndWritesBackUnchanged) {
    const std::string text = SourceFile("tests/deck/every-field.json");
    ASSERT_FALSE(text.empty());
    const Deck deck = ParseDeck(text, "every-field.json");
    // Compared as JSON values: a field the reader skips or the writer forgets shows as a
    // difference, and so does a value converted differently in the two directions.
    EXPECT_EQ(Json::parse(DeckToJson(deck)), Json::parse(text));
}

TEST(DeckFile, ValuesLandInTheModelAsExcelHoldsThem) {
    const Deck deck = ParseDeck(SourceFile("tests/deck/every-field.json"), "every-field.json");
    ASSERT_EQ(deck.objects.size(), 2u);
    const DeckObject& o = deck.objects[0];
    EXPECT_EQ(o.bwFlagSet, -1);
    ASSERT_TRUE(o.excel);
    EXPECT_FALSE(deck.objects[1].excel);
    EXPECT_EQ(o.excel->embeddedWorkbook, 1);
    const sim::WorkbookModel& wb = *o.excel->application.workbooks[1];
    EXPECT_EQ(wb.activeSheet, 0);
    EXPECT_EQ(wb.activeChartObject, 1);
    EXPECT_EQ(wb.sheets[1]->kind, sim::SheetModel::Kind::ChartSheet);
    const sim::ChartModel& c = wb.sheets[0]->chartObjects[1].chart;
    EXPECT_EQ(c.chartType, 83);
    EXPECT_EQ(c.categories[2], L"Z\u00FCrich");
    // "#RRGGBB" is web order; the model keeps Excel's &H00BBGGRR.
    EXPECT_EQ(c.chartArea.border.color, 0x563412);
    EXPECT_EQ(c.chartArea.border.weight, 4);
    EXPECT_EQ(c.chartArea.border.lineStyle, -4118);
    EXPECT_EQ(c.chartArea.interior.colorIndex, -4142);
    EXPECT_EQ(c.chartArea.fill.visible, 0);
    EXPECT_EQ(c.chartArea.fill.type, sim::FillModel::Type::Patterned);
    EXPECT_EQ(c.plotArea.fill.visible, -2);
    EXPECT_EQ(c.axes[2].majorGridlines.border.lineStyle, 5);  // "series" is XlAxisType 3
    const sim::SeriesModel& s = c.series[0];
    EXPECT_EQ(s.name, L"Series \u03B1");
    EXPECT_DOUBLE_EQ(s.points[1].value, -2.25);
    EXPECT_EQ(s.trendlines[0].border.color, 0xFF);
    EXPECT_EQ(s.markerStyle, 5);
    EXPECT_EQ(s.markerSize, 72);
}

TEST(DeckFile, OmittedFieldsTakeTheModelsDefaults) {
    const Deck deck = ParseDeck(OneChart(""), "deck.json");
    const sim::ChartModel& c = deck.objects[0].excel->application.workbooks[0]->sheets[0]->chart;
    const sim::ChartModel defaults;
    EXPECT_EQ(ChartToJson(c), ChartToJson(defaults));
    EXPECT_EQ(deck.objects[0].bwFlagSet, 512);
    EXPECT_EQ(deck.objects[0].excel->application.version, sim::ApplicationModel{}.version);
}

TEST(DeckFile, NumbersAndNamesAreBothAcceptedAndWrittenInOneForm) {
    const Deck deck = ParseDeck(OneChart(R"("chartType": 83, "chartArea": {"border": {"color": 255,
        "weight": -4138, "lineStyle": -4118}, "fill": {"visible": -1, "pattern": "msoPatternWave"}})"), "deck.json");
    const Json chart = Json::parse(ChartToJson(deck.objects[0].excel->application.workbooks[0]->sheets[0]->chart));
    EXPECT_EQ(chart["chartType"], "xlSurface");
    EXPECT_EQ(chart["chartArea"]["border"]["color"], "#FF0000");
    EXPECT_EQ(chart["chartArea"]["border"]["weight"], "xlMedium");
    EXPECT_EQ(chart["chartArea"]["border"]["lineStyle"], "xlDot");
    EXPECT_EQ(chart["chartArea"]["fill"]["visible"], true);
    EXPECT_EQ(chart["chartArea"]["fill"]["pattern"], 48);
}

TEST(DeckFile, SampleDeckRoundTripsAndCoversEveryFamily) {
    const Deck sample = SampleDeck();
    const std::string text = DeckToJson(sample);
    EXPECT_EQ(DeckToJson(ParseDeck(text, "sample")), text);
    std::set<int32_t> types;
    size_t declinedByProgId = 0;
    for (const DeckObject& o : sample.objects) {
        if (!o.excel) {
            ++declinedByProgId;
            continue;
        }
        for (const auto& wb : o.excel->application.workbooks)
            for (const auto& sheet : wb->sheets) {
                if (sheet->kind == sim::SheetModel::Kind::ChartSheet) types.insert(sheet->chart.chartType);
                for (const auto& co : sheet->chartObjects) types.insert(co.chart.chartType);
            }
    }
    for (int32_t t : {51, 65, 5, -4120, -4100, 83, -4169, 57})
        EXPECT_TRUE(types.count(t)) << "chart type " << t << " missing from the sample deck";
    EXPECT_EQ(declinedByProgId, 1u);
}

// ---- bad input -----------------------------------------------------------------------------

namespace {

struct BadDeck {
    const char* what;
    std::string text;
    const char* message;
};

// Every kind of bad deck, with a part of the message it must get. The streamed reader must give
// each the very message ParseDeck gives.
std::vector<BadDeck> BadDecks() {
    return {
        {"malformed", R"({"objects": [}])", "deck.json: malformed JSON: parse error at line 1, column 14"},
        {"not an object", "[]", "deck.json: (top level): expected an object, got an array"},
        {"no objects", R"({"title": "x"})", "deck.json: (top level): missing property \"objects\""},
        {"unknown top-level property", R"({"objects": [], "slides": 3})",
         "deck.json: (top level): unknown property \"slides\" (known here: deckFormat, title, objects)"},
        {"newer format", R"({"deckFormat": 2, "objects": []})",
         "deck.json: deckFormat: expected deck format 1, got 2"},
        {"no ProgID", R"({"objects": [{"name": "x"}]})", "deck.json: objects[0]: missing property \"progId\""},
        {"flags as text", R"({"objects": [{"progId": "Excel.Chart.8", "bwFlagSet": "512"}]})",
         "deck.json: objects[0].bwFlagSet: expected a 32-bit integer, got \"512\""},
        {"flags out of range", R"({"objects": [{"progId": "Excel.Chart.8", "bwFlagSet": 4294967296}]})",
         "deck.json: objects[0].bwFlagSet: expected a 32-bit integer, got 4294967296"},
        {"deep unknown property", OneChart(R"("series": [{"bordr": {}}])"),
         "deck.json: objects[0].excel.workbooks[0].sheets[0].chart.series[0]: unknown property \"bordr\""},
        {"colour name", OneChart(R"("plotArea": {"interior": {"color": "red"}})"),
         "chart.plotArea.interior.color: expected a colour: \"#RRGGBB\" or an integer 0..16777215 (&H00BBGGRR), got \"red\""},
        {"colour too large", OneChart(R"("plotArea": {"interior": {"color": 16777216}})"),
         "chart.plotArea.interior.color: expected a colour"},
        {"colour bad digit", OneChart(R"("plotArea": {"border": {"color": "#GG0000"}})"),
         "chart.plotArea.border.color: expected a colour"},
        {"unknown chart type", OneChart(R"("chartType": 999)"),
         "chart.chartType: expected an XlChartType name or number, got 999"},
        {"misspelt constant", OneChart(R"("legend": {"border": {"lineStyle": "xlDotted"}})"),
         "chart.legend.border.lineStyle: expected an XlLineStyle name or number, got \"xlDotted\""},
        {"marker size", OneChart(R"("series": [{"markerSize": 100}])"),
         "chart.series[0].markerSize: expected a marker size 2..72, got 100"},
        {"fractional integer", OneChart(R"("series": [{"markerSize": 5.5}])"),
         "chart.series[0].markerSize: expected a marker size 2..72, got 5.5"},
        {"pattern", OneChart(R"("walls": {"fill": {"pattern": 55}})"),
         "chart.walls.fill.pattern: expected an MsoPatternType name or a number 0..54 (0: none), got 55"},
        {"fill type", OneChart(R"("floor": {"fill": {"type": "hatched"}})"),
         "chart.floor.fill.type: expected \"solid\" or \"patterned\" or \"gradient\" or \"textured\" or \"picture\", got \"hatched\""},
        {"boolean as number", OneChart(R"("walls": {"present": 1})"), "chart.walls.present: expected true or false, got 1"},
        {"point value", OneChart(R"("series": [{"points": [{"value": "3"}]}])"),
         "chart.series[0].points[0].value: expected a number, got \"3\""},
        {"axis name", OneChart(R"("axes": {"depth": {}})"), "chart.axes: unknown property \"depth\""},
        {"chart on a worksheet",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"sheets": [{"name": "S", "chart": {}}]}]}}]})",
         "deck.json: objects[0].excel.workbooks[0].sheets[0]: unknown property \"chart\""},
        {"duplicate key", R"({"objects": [{"progId": "E", "name": "a", "name": "b"}]})",
         "deck.json: objects[0]: property \"name\" given twice"},
        {"duplicate key deep in arrays",
         R"({"objects": [{"progId": "E"}, {"progId": "E", "excel": {"workbooks": [{"sheets": [{"name": "A"},
            {"kind": "chartSheet", "name": "B", "chart": {"series": [{}, {"border": {"weight": 2, "weight": 4}}]}}]}]}}]})",
         "deck.json: objects[1].excel.workbooks[0].sheets[1].chart.series[1].border: property \"weight\" given twice"},
        {"duplicate sheet names",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"sheets": [{"name": "Data"}, {"name": "DATA"}]}]}}]})",
         "deck.json: objects[0].excel.workbooks[0].sheets[1].name: duplicate sheet name \"DATA\""},
        {"active sheet missing",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"sheets": [{"name": "A"}], "activeSheet": "B"}]}}]})",
         "deck.json: objects[0].excel.workbooks[0].activeSheet: no sheet named \"B\" (sheets: \"A\")"},
        {"active chart on a chart sheet",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"sheets": [{"kind": "chartSheet", "name": "A"}],
            "activeChartObject": "Chart 1"}]}}]})",
         "workbooks[0].activeChartObject: an active chart object needs a worksheet as the active sheet"},
        {"embedded workbook unnamed",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"name": "A"}, {"name": "B"}]}}]})",
         "deck.json: objects[0].excel.workbooks: several workbooks: name the embedded one with \"embeddedWorkbook\""},
        {"embedded workbook missing",
         R"({"objects": [{"progId": "E", "excel": {"workbooks": [{"name": "A"}], "embeddedWorkbook": "C"}}]})",
         "deck.json: objects[0].excel.embeddedWorkbook: no workbook named \"C\" (workbooks: \"A\")"},
        {"no workbook", R"({"objects": [{"progId": "E", "excel": {"workbooks": []}}]})",
         "objects[0].excel.workbooks: an Excel object needs at least one workbook"},
        // The top level and the breaks that a reader cutting the file into objects meets.
        {"scalar top level", "42", "deck.json: (top level): expected an object, got 42"},
        {"objects not an array", R"({"objects": {"progId": "E"}})", "deck.json: objects: expected an array, got an object"},
        {"title not text", R"({"title": 7, "objects": []})", "deck.json: title: expected a string, got 7"},
        {"objects twice", R"({"objects": [], "objects": []})", "deck.json: (top level): property \"objects\" given twice"},
        {"object not an object", R"({"objects": [{"progId": "E"}, 5]})", "deck.json: objects[1]: expected an object, got 5"},
        {"truncated in an object", R"({"objects": [{"progId": "E"}, {"progId": "E", "excel": {"workbooks": [)",
         "deck.json: malformed JSON: parse error at line 1, column 71"},
        {"missing comma between objects", "{\"objects\": [{\"progId\": \"E\"}\n {\"progId\": \"E\"}]}",
         "deck.json: malformed JSON: parse error at line 2, column 2"},
        {"trailing comma", R"({"objects": [{"progId": "E"},]})", "deck.json: malformed JSON: parse error at line 1, column 30"},
        {"text after the deck", R"({"objects": []} {})", "deck.json: malformed JSON: parse error at line 1, column 17"},
        {"unterminated comment", "{\"objects\": [] /* to do", "deck.json: malformed JSON: parse error"},
        {"bracket closes the wrong thing", R"({"objects": [{"progId": "E"]]})", "deck.json: malformed JSON: parse error at line 1, column 28"},
        {"brackets inside strings and comments are text",
         "{\"objects\": [{\"progId\": \"E]}\", /* ] */ \"bwFlagSet\": \"x\"}]}",
         "deck.json: objects[0].bwFlagSet: expected a 32-bit integer, got \"x\""},
        {"unknown top-level property after the objects", R"({"objects": [{"progId": "E"}], "slides": 3})",
         "deck.json: (top level): unknown property \"slides\" (known here: deckFormat, title, objects)"},
    };
}

}  // namespace

TEST(DeckFile, BadInputNamesFilePathAndExpectation) {
    for (const BadDeck& c : BadDecks()) {
        const std::string message = ErrorOf(c.text);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << "\n  got:      " << message
                                                              << "\n  expected: " << c.message;
    }
}

// The streamed reader meets the same faults object by object; its messages are ParseDeck's.
TEST(DeckFile, StreamedReadingRefusesEveryBadDeckWithParseDecksMessage) {
    const std::string file = "streamed-bad-deck.json";
    for (const BadDeck& c : BadDecks()) {
        std::ofstream(file, std::ios::binary) << c.text;
        std::string streamed = "(accepted)";
        try {
            ReadDeckObjects(Wide(file), [](const std::wstring&) {}, [](DeckObject&&) {});
        } catch (const DeckError& e) {
            streamed = e.what();
        }
        std::string whole = "(accepted)";
        try {
            ParseDeck(c.text, file);
        } catch (const DeckError& e) {
            whole = e.what();
        }
        EXPECT_EQ(streamed, whole) << c.what;
    }
    std::remove(file.c_str());
}

TEST(DeckFile, MissingFileNamesTheFile) {
    try {
        ReadDeckFile(L"no-such-deck.json");
        FAIL() << "a missing deck was read";
    } catch (const DeckError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("no-such-deck.json: cannot read the deck: ", 0), 0u) << e.what();
    }
}

TEST(DeckFile, ChartChangesNameEachChangedPropertyWithItsValues) {
    sim::ChartModel before;
    before.series.resize(2);
    sim::ChartModel after = before;
    after.series[1].interior.color = 0x0000FF;
    after.series[1].fill.type = sim::FillModel::Type::Patterned;
    after.series[1].fill.pattern = 34;
    after.legend.present = false;
    const std::vector<std::string> changes = ChartChanges(before, after);
    const std::set<std::string> got(changes.begin(), changes.end());
    EXPECT_EQ(got, (std::set<std::string>{
                       "legend.present: true -> false",
                       "series[1].interior.color: \"#FFFFFF\" -> \"#FF0000\"",
                       "series[1].fill.type: \"solid\" -> \"patterned\"",
                       "series[1].fill.pattern: 0 -> 34",
                   }));
    EXPECT_TRUE(ChartChanges(before, before).empty());
}

// ---- report --------------------------------------------------------------------------------

TEST(Report, ChartsAreListedInSheetOrderAndMarkedWhenShown) {
    const Deck deck = ParseDeck(R"({"objects": [{"progId": "Excel.Sheet.12", "excel": {"workbooks": [{
        "name": "Book", "sheets": [
          {"name": "Data", "chartObjects": [{"name": "Chart 1"}, {"name": "Chart 2"}]},
          {"kind": "chartSheet", "name": "Summary"}],
        "activeSheet": "Summary"}]}}]})", "deck.json");
    const ObjectResult o = Describe(deck.objects[0]);
    EXPECT_EQ(o.sheetsBefore, L"Data, [Summary]");
    EXPECT_EQ(o.workbookState, L"still open");
    const std::vector<TrackedChart> charts = ChartsOf(*deck.objects[0].excel->application.workbooks[0]);
    ASSERT_EQ(charts.size(), 3u);
    EXPECT_EQ(charts[0].result.place, "Book \xE2\x80\xBA Data \xE2\x80\xBA Chart 1");
    EXPECT_EQ(charts[2].result.place, "Book \xE2\x80\xBA Summary (chart sheet)");
    EXPECT_FALSE(charts[0].result.onShownSheet);
    EXPECT_FALSE(charts[1].result.onShownSheet);
    EXPECT_TRUE(charts[2].result.onShownSheet);
}

namespace {

sim::ChartModel PatternedColumn(int32_t lineStyle) {
    sim::ChartModel c;
    c.chartType = 51;
    c.categories = {L"a", L"b"};
    sim::SeriesModel s;
    s.chartType = 51;
    s.points.resize(2);
    s.points[0].value = 3;
    s.points[1].value = 5;
    s.interior.color = 0x0000FF;         // red
    s.interior.patternColor = 0x00FF00;  // green
    s.fill.type = sim::FillModel::Type::Patterned;
    s.fill.pattern = 21;
    s.border.lineStyle = lineStyle;
    c.series.push_back(s);
    return c;
}

}  // namespace

TEST(Report, OneBeforeAfterPairPerChartAndTheDrawLimitHolds) {
    PassResult result;
    DescribeWithoutPass(SampleDeck(), result);
    size_t charts = 0;
    for (const ObjectResult& o : result.objects) charts += o.charts.size();
    EXPECT_EQ(charts, 14u);  // every chart of every embedded workbook, shown or not
    const std::string html = ReportHtml(result);
    EXPECT_EQ(Count(html, "<figure class=\"before\">"), charts);
    EXPECT_EQ(Count(html, "<figure class=\"after\">"), charts);
    EXPECT_EQ(Count(html, "<svg"), Count(html, "</svg>"));
    EXPECT_EQ(Count(html, "<div class=\"swatch\">"), 48u);

    result.drawLimit = 3;
    const std::string limited = ReportHtml(result);
    EXPECT_EQ(Count(limited, "<figure class=\"before\">"), 3u);
    EXPECT_EQ(Count(limited, "<section class=\"chart\""), charts);
    EXPECT_NE(limited.find("Only the first 3 of 14 charts are drawn"), std::string::npos);
}

TEST(Report, FillsAndLinesAreDrawnFromTheModel) {
    // A pattern is its foreground (Interior.Color) on its background (Interior.PatternColor).
    const std::string patterned = ChartSvg(PatternedColumn(1), "t");
    EXPECT_NE(patterned.find("<pattern id=\"tp21-FF0000-00FF00\""), std::string::npos);
    EXPECT_NE(patterned.find("fill=\"#00FF00\"/><path shape-rendering=\"crispEdges\" fill=\"#FF0000\""), std::string::npos);
    EXPECT_NE(patterned.find("fill=\"url(#tp21-FF0000-00FF00)\""), std::string::npos);

    sim::ChartModel solid = PatternedColumn(1);
    solid.series[0].fill.type = sim::FillModel::Type::Solid;
    EXPECT_EQ(ChartSvg(solid, "t").find("<pattern"), std::string::npos);

    struct LineCase {
        int32_t lineStyle;
        const char* present;
        const char* absent;
    } lines[] = {
        {-4118, "stroke-dasharray", nullptr},               // dotted
        {1, nullptr, "stroke-dasharray"},                   // continuous
        {-4119, "stroke=\"#FFFFFF\" stroke-width", nullptr}  // double: a white line along the middle
    };
    for (const LineCase& l : lines) {
        const std::string svg = ChartSvg(PatternedColumn(l.lineStyle), "t");
        // Only the series is drawn with this style; the frame has continuous lines.
        const size_t bars = svg.find("Series 1");
        ASSERT_NE(bars, std::string::npos);
        const std::string bar = svg.substr(svg.rfind("<rect", bars), bars - svg.rfind("<rect", bars));
        if (l.present) {
            EXPECT_NE(svg.find(l.present), std::string::npos) << l.lineStyle;
        }
        if (l.absent) {
            EXPECT_EQ(bar.find(l.absent), std::string::npos) << l.lineStyle;
        }
    }

    sim::ChartModel hidden = PatternedColumn(1);
    hidden.series[0].fill.visible = 0;
    hidden.series[0].border.lineStyle = -4142;
    const std::string none = ChartSvg(hidden, "t");
    EXPECT_NE(none.find("fill=\"none\" stroke=\"none\"><title>Series 1"), std::string::npos);
}

// A deck may hold any chart type with any data; the drawing must cope with all of them, empty
// charts, single points and negative values included.
TEST(Report, EveryChartTypeDrawsWhateverItsData) {
    const std::vector<std::vector<double>> data[] = {
        {}, {{}}, {{5}}, {{1, 2, 3}, {3, -2, 1}}, {{0, 0}, {0, 0}}, {{1e9, -1e9, 0.001}},
    };
    for (size_t i = 0; i < domain::ChartType().nameCount; ++i) {
        const int32_t type = domain::ChartType().names[i].value;
        for (const auto& seriesValues : data) {
            sim::ChartModel c;
            c.chartType = type;
            c.walls.present = c.floor.present = true;
            for (auto& axis : c.axes) axis.present = axis.majorGridlines.present = axis.minorGridlines.present = true;
            for (const auto& values : seriesValues) {
                sim::SeriesModel s;
                s.chartType = type;
                s.hasDataLabels = true;
                for (double v : values) {
                    s.points.emplace_back();
                    s.points.back().value = v;
                    s.dataLabels.emplace_back();
                }
                s.trendlines.emplace_back();
                c.series.push_back(s);
            }
            const std::string svg = ChartSvg(c, "x");
            EXPECT_EQ(svg.find("nan"), std::string::npos) << ChartTypeName(type);
            EXPECT_EQ(svg.find("inf"), std::string::npos) << ChartTypeName(type);
            EXPECT_EQ(Count(svg, "<svg"), 1u);
        }
    }
}

TEST(Patterns, EveryOfficePatternHasItsOwnTileAndDensitiesGrow) {
    std::set<PatternBits> seen;
    for (int n = 1; n <= 48; ++n) {
        const PatternBits tile = PatternTile(n);
        EXPECT_GT(PatternCoverage(tile), 0) << n;
        EXPECT_LT(PatternCoverage(tile), 64) << n;
        EXPECT_TRUE(seen.insert(tile).second) << "pattern " << n << " looks like an earlier one";
    }
    for (int n = 2; n <= 12; ++n)
        EXPECT_GT(PatternCoverage(PatternTile(n)), PatternCoverage(PatternTile(n - 1))) << n;
    EXPECT_EQ(PatternCoverage(PatternTile(7)), 32);  // 50 percent
    EXPECT_EQ(PatternCoverage(PatternTile(0)), 0);
}
