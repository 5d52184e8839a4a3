// The chart part <-> model layer: every real chart part read and written back, and the tables
// and rules the reading and writing rest on.
#include "tests/office/chartpart_support.h"
#include "tools/deckmodel/Deck.h"
#include "tools/chartmodel/ChartInternal.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using namespace chartpart_test;
using office::ReadChartPart;
using office::Theme;
using office::WriteChartChanges;

const office::Theme kDefaultTheme = office::ReadTheme({}, {});

std::string Text(const pugi::xml_node& n) {
    std::ostringstream out;
    n.print(out, "", pugi::format_raw);
    return out.str();
}

pugi::xml_document Parse(const std::string& xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_string(xml.c_str());
    EXPECT_TRUE(r) << r.description() << "\n" << xml;
    return doc;
}

std::vector<pugi::xml_node> Named(const pugi::xml_node& root, const char* name) {
    std::vector<pugi::xml_node> out;
    std::function<void(pugi::xml_node)> visit = [&](pugi::xml_node n) {
        for (pugi::xml_node c : n.children()) {
            if (std::string(c.name()) == name) out.push_back(c);
            visit(c);
        }
    };
    visit(root);
    return out;
}

std::string Caches(const pugi::xml_document& doc) {
    std::string all;
    for (const char* name : {"c:numCache", "c:strCache"})
        for (pugi::xml_node n : Named(doc, name)) all += Text(n);
    return all;
}

const std::set<int32_t> kChartTypes = {-4169, -4151, -4120, -4103, -4102, -4101, -4100, -4098, 1, 4, 5, 15,
                                       51,    52,    53,    54,    55,    56,    57,    58,    59,    60, 61, 62,
                                       63,    64,    65,    66,    67,    68,    69,    70,    71,    72, 73, 74,
                                       75,    76,    77,    78,    79,    80,    81,    82,    83,    84, 85, 86,
                                       87,    88,    89,    90,    91,    92,    93,    94,    95,    96, 97, 98,
                                       99,    100,   101,   102,   103,   104,   105,   106,   107,   108, 109, 110,
                                       111,   112};

// The changes a chart model goes through on its way into a deck file and back: none, when every
// value the reader gives lies in the deck format's domains.
std::vector<std::string> ThroughTheDeckFormat(const sim::ChartModel& chart) {
    bwpass::Deck deck;
    bwpass::DeckObject object;
    object.progId = L"Excel.Chart.8";
    object.excel.emplace();
    auto workbook = std::make_unique<sim::WorkbookModel>();
    workbook->name = L"Book1";
    auto sheet = std::make_unique<sim::SheetModel>();
    sheet->kind = sim::SheetModel::Kind::ChartSheet;
    sheet->name = L"Chart1";
    sheet->chart = chart;
    workbook->sheets.push_back(std::move(sheet));
    object.excel->application.workbooks.push_back(std::move(workbook));
    deck.objects.push_back(std::move(object));
    try {
        const bwpass::Deck back = bwpass::ParseDeck(bwpass::DeckToJson(deck), "deck.json");
        return bwpass::ChartChanges(chart, back.objects.at(0).excel->application.workbooks.at(0)->sheets.at(0)->chart);
    } catch (const std::exception& e) {
        return {e.what()};
    }
}

// ---- Every chart part of the corpus ----

TEST(ChartPartCorpus, EveryPartReadsWithItsSeriesAndAKnownType) {
    const std::vector<CorpusChart> charts = CorpusCharts();
    ASSERT_GE(charts.size(), 60u);
    struct Expected { const char* file; int32_t chartType; };
    const Expected expected[] = {
        {"xlsx/chart_bar03.xlsx", 57},  {"xlsx/chart_area01.xlsx", 1},     {"xlsx/chart_doughnut06.xlsx", -4120},
        {"xlsx/chart_pie05.xlsx", 5},   {"xlsx/chart_stock01.xlsx", 88},   {"xlsx/chart_column10.xlsx", 51},
    };
    std::set<std::string> seen;
    for (const CorpusChart& c : charts) {
        SCOPED_TRACE(c.file + ": " + c.part);
        pugi::xml_document doc = Parse(c.xml);
        const office::ChartReading r = ReadChartPart(doc, c.theme);
        ASSERT_TRUE(r.supported) << r.reason;
        EXPECT_EQ(r.model.series.size(), Named(doc, "c:ser").size());
        EXPECT_TRUE(kChartTypes.count(r.model.chartType)) << r.model.chartType;
        for (const sim::SeriesModel& s : r.model.series) EXPECT_TRUE(kChartTypes.count(s.chartType)) << s.chartType;
        EXPECT_EQ(ThroughTheDeckFormat(r.model), std::vector<std::string>{}) << "the model passes the deck file unchanged";
        for (const Expected& e : expected)
            if (c.file == e.file && c.part == "xl/charts/chart1.xml") {
                EXPECT_EQ(r.model.chartType, e.chartType);
                seen.insert(e.file);
            }
    }
    EXPECT_EQ(seen.size(), std::size(expected));
}

// The converted model written into each real part: the part still validates, cached data is
// the same, and reading it again gives the converted model's properties back.
TEST(ChartPartCorpus, ConvertedModelsWriteValidPartsThatReadBack) {
    for (const CorpusChart& c : CorpusCharts()) {
        SCOPED_TRACE(c.file + ": " + c.part);
        pugi::xml_document doc = Parse(c.xml);
        const sim::ChartModel before = ReadChartPart(doc, c.theme).model;
        const sim::ChartModel after = Converted(before);
        const std::string caches = Caches(doc);

        EXPECT_EQ(WriteChartChanges(doc, before, before, c.theme), 0u);
        EXPECT_EQ(Text(doc), Text(Parse(c.xml))) << "an unchanged model changes nothing";

        EXPECT_GT(WriteChartChanges(doc, before, after, c.theme), 0u);
        // Some parts PowerPoint writes break the schema already (negative axis ids, which its
        // unsignedInt refuses): the written part must add no complaint of its own.
        EXPECT_EQ(SchemaErrors(doc), SchemaErrors(Parse(c.xml)));
        EXPECT_EQ(Caches(doc), caches);

        ExpectReadsAsWritten(ReadChartPart(doc, c.theme).model, after);
    }
}

// ---- Colours ----

TEST(ChartPartColours, TransformsAsOfficeAndTheStandardDefineThem) {
    using office::detail::Transform;
    struct Case { uint32_t base; std::vector<Transform> transforms; uint32_t expected; };
    const Case cases[] = {
        // Office's "lighter 80% / 60% / 40%" and "darker 25% / 50%" of accent 1: HSL luminance.
        {0x4F81BD, {{"lumMod", 20000}, {"lumOff", 80000}}, 0xDCE6F2},
        {0x4F81BD, {{"lumMod", 40000}, {"lumOff", 60000}}, 0xB9CDE5},
        {0x4F81BD, {{"lumMod", 60000}, {"lumOff", 40000}}, 0x95B3D7},
        {0x4F81BD, {{"lumMod", 75000}}, 0x376092},
        {0x4F81BD, {{"lumMod", 50000}}, 0x254061},
        {0x000000, {{"lumMod", 50000}, {"lumOff", 50000}}, 0x808080},
        // tint: that share of the colour, the rest white; shade: the rest black; both mixed in
        // linear light, as LibreOffice renders them (a 50% tint of 4F81BD renders C2CCE1, not
        // the A7C0DE of a mix per sRGB channel; a 20% tint of black E7E7E7, not CCCCCC).
        {0x000000, {{"tint", 50000}}, 0xBCBCBC},
        {0x000000, {{"tint", 20000}}, 0xE7E7E7},
        {0x4F81BD, {{"tint", 50000}}, 0xC2CDE1},
        {0x4F81BD, {{"shade", 50000}}, 0x385D8A},
        {0xFF0000, {{"shade", 50000}}, 0xBC0000},
        {0x336699, {{"tint", 100000}}, 0x336699},
        {0x336699, {{"shade", 0}}, 0x000000},
        // alpha changes no colour the object model reports.
        {0x4F81BD, {{"alpha", 40000}}, 0x4F81BD},
        // in order: shade then tint differs from tint then shade.
        {0xFFFFFF, {{"shade", 50000}, {"tint", 50000}}, 0xE1E1E1},
        {0xFFFFFF, {{"tint", 50000}, {"shade", 50000}}, 0xBCBCBC},
    };
    for (const Case& c : cases) {
        const uint32_t got = office::detail::Transformed(c.base, c.transforms);
        EXPECT_EQ(got, c.expected) << std::hex << c.base << " -> " << got;
    }
}

std::string PartWithFill(const std::string& fillXml, const std::string& beforeChart = "") {
    return R"(<?xml version="1.0"?><c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" )"
           R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">)" + beforeChart +
           R"(<c:chart><c:plotArea><c:barChart><c:barDir val="col"/><c:ser><c:idx val="0"/><c:order val="0"/><c:spPr>)" +
           fillXml + R"(</c:spPr></c:ser></c:barChart></c:plotArea></c:chart></c:chartSpace>)";
}

TEST(ChartPartColours, EveryColourElementResolvesAgainstTheTheme) {
    pugi::xml_document masterMap = Parse(R"(<p:clrMap bg1="dk1" tx1="lt1" bg2="dk2" tx2="lt2" accent1="accent1"/>)");
    const Theme dark = office::ReadTheme({}, masterMap.document_element());
    struct Case { const char* colour; const Theme* theme; uint32_t expected; };
    const Case cases[] = {
        {R"(<a:srgbClr val="12AB34"/>)", &kDefaultTheme, 0x12AB34},
        {R"(<a:schemeClr val="accent2"/>)", &kDefaultTheme, 0xC0504D},
        {R"(<a:schemeClr val="accent1"><a:lumMod val="75000"/></a:schemeClr>)", &kDefaultTheme, 0x376092},
        {R"(<a:schemeClr val="bg1"/>)", &kDefaultTheme, 0xFFFFFF},
        {R"(<a:schemeClr val="bg1"/>)", &dark, 0x000000},
        {R"(<a:schemeClr val="tx2"/>)", &dark, 0xEEECE1},
        {R"(<a:sysClr val="windowText" lastClr="102030"/>)", &kDefaultTheme, 0x102030},
        {R"(<a:sysClr val="window"/>)", &kDefaultTheme, 0xFFFFFF},
        {R"(<a:prstClr val="dkBlue"/>)", &kDefaultTheme, 0x00008B},
        {R"(<a:prstClr val="medAquamarine"/>)", &kDefaultTheme, 0x66CDAA},
        {R"(<a:prstClr val="ltGray"/>)", &kDefaultTheme, 0xD3D3D3},
        {R"(<a:scrgbClr r="100000" g="0" b="0"/>)", &kDefaultTheme, 0xFF0000},
        {R"(<a:hslClr hue="0" sat="100000" lum="50000"/>)", &kDefaultTheme, 0xFF0000},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc = Parse(PartWithFill(std::string("<a:solidFill>") + c.colour + "</a:solidFill>"));
        const sim::ChartModel m = ReadChartPart(doc, *c.theme).model;
        ASSERT_EQ(m.series.size(), 1u);
        EXPECT_EQ(Hex(m.series[0].interior.color), Hex(office::detail::ToModel(c.expected))) << c.colour;
    }
}

TEST(ChartPartColours, ThemePartAndColourMapGiveTheSchemeNames) {
    pugi::xml_document theme = Parse(
        R"(<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:themeElements><a:clrScheme name="x">)"
        R"(<a:dk1><a:sysClr val="windowText" lastClr="111111"/></a:dk1><a:lt1><a:srgbClr val="EEEEEE"/></a:lt1>)"
        R"(<a:dk2><a:srgbClr val="222222"/></a:dk2><a:lt2><a:srgbClr val="DDDDDD"/></a:lt2>)"
        R"(<a:accent1><a:srgbClr val="A00001"/></a:accent1><a:accent6><a:srgbClr val="A00006"/></a:accent6>)"
        R"(</a:clrScheme></a:themeElements></a:theme>)");
    pugi::xml_document map = Parse(R"(<p:clrMap bg1="dk1" tx1="lt1" bg2="dk2" tx2="lt2"/>)");
    const Theme plain = office::ReadTheme(theme.document_element(), {});
    const Theme mapped = office::ReadTheme(theme.document_element(), map.document_element());
    struct Case { const Theme* theme; const char* name; uint32_t expected; };
    const Case cases[] = {
        {&plain, "dk1", 0x111111}, {&plain, "tx1", 0x111111}, {&plain, "bg1", 0xEEEEEE}, {&plain, "accent1", 0xA00001},
        {&plain, "accent6", 0xA00006}, {&plain, "accent2", 0xC0504D},  // not in the scheme: Office's default
        {&mapped, "tx1", 0xEEEEEE}, {&mapped, "bg1", 0x111111}, {&mapped, "bg2", 0x222222}, {&mapped, "tx2", 0xDDDDDD},
    };
    for (const Case& c : cases) {
        uint32_t rgb = 0;
        ASSERT_TRUE(c.theme->Lookup(c.name, rgb)) << c.name;
        EXPECT_EQ(rgb, c.expected) << c.name;
    }
    uint32_t rgb = 0;
    EXPECT_FALSE(plain.Lookup("accent7", rgb));
}

// The cells behind a chart are looked for through every element of the part; a part nested far
// beyond the parse limit (built here without it) must not take the call stack with it.
TEST(ChartPart, MissingCachesAreLookedForWithoutRecursion) {
    struct OneCell : office::CellSource {
        std::vector<office::CellValue> Range(const std::string&) const override { return {office::CellValue{}}; }
    } cells;
    std::string xml = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">";
    const size_t depth = 300000;
    for (size_t i = 0; i < depth; ++i) xml += "<c:x>";
    xml += "<c:numRef><c:f>Sheet1!A1</c:f></c:numRef>";
    for (size_t i = 0; i < depth; ++i) xml += "</c:x>";
    xml += "</c:chartSpace>";
    const pugi::xml_document doc = Parse(xml);
    EXPECT_FALSE(ReadChartPart(doc, kDefaultTheme, &cells).supported);
}

}  // namespace
