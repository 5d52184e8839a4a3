// The report as a reader meets it: one count of changed properties, the same in the summary,
// summed over the charts and as the console counts it from the two decks; the summary's counts
// lead to the charts they count; the summary and the charts come first, the rest folded after.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tools/deck/SampleDeck.h"
#include "tools/deckmodel/Deck.h"
#include "tools/report/Inventory.h"
#include "tools/report/PassResultFile.h"
#include "tools/report/Report.h"
#include "tools/report/ReportFromFiles.h"
#include "tests/deck/TestFiles.h"

using namespace bwpass;
using decktest::Put;
using decktest::Slurp;

namespace {

// Every chart of the workbook in the report's order (chart sheets and chart objects by sheet).
std::vector<sim::ChartModel*> ChartsIn(sim::WorkbookModel& wb) {
    std::vector<sim::ChartModel*> charts;
    for (auto& sheet : wb.sheets) {
        if (sheet->kind == sim::SheetModel::Kind::ChartSheet) charts.push_back(&sheet->chart);
        else
            for (auto& o : sheet->chartObjects) charts.push_back(&o.chart);
    }
    return charts;
}

sim::WorkbookModel& Embedded(DeckObject& o) { return *o.excel->application.workbooks[o.excel->embeddedWorkbook]; }

// The sample converted by hand and reported as bwoffice reports it: the charts of every other
// object get a dark chart area, and the first column chart with two series has both series
// solid black, which print alike. The console's counts come from the two decks.
struct ConvertedSample {
    std::string html;
    ChartCounts console;
    size_t lookAlikeChart = 0;  // its number in the report
};

ConvertedSample Convert() {
    ConvertedSample r;
    const Deck before = SampleDeck();
    Deck after = ParseDeck(DeckToJson(before), "copy");
    size_t number = 0;
    for (size_t i = 0; i < after.objects.size(); ++i) {
        if (!after.objects[i].excel) continue;
        for (sim::ChartModel* c : ChartsIn(Embedded(after.objects[i]))) {
            ++number;
            if (i % 2 == 0) c->chartArea.interior.color = 0x202020;
            if (r.lookAlikeChart || c->chartType != 51 || c->series.size() < 2) continue;
            for (size_t s = 0; s < 2; ++s) {
                c->series[s].fill.type = sim::FillModel::Type::Solid;
                c->series[s].interior.color = 0;
            }
            r.lookAlikeChart = number;
        }
    }
    for (size_t i = 0; i < before.objects.size(); ++i) CountConverted(before.objects[i], after.objects[i], r.console);

    PassResult pass;
    DescribeWithoutPass(before, pass);
    for (ObjectResult& o : pass.objects) o.accepted = true;
    pass.logLines = {"a log line"};
    Put("summary-before.json", DeckToJson(before));
    Put("summary-after.json", DeckToJson(after));
    {
        PassResultWriter writer(L"summary-result.json");
        EXPECT_TRUE(writer.Open(pass));
        for (const ObjectResult& o : pass.objects) writer.Add(o);
        EXPECT_TRUE(writer.Finish(pass));
    }
    ReportExtras extras;
    extras.pages = {{"slide 1", "", ""}};
    extras.previewsLeftInColour = 1;
    extras.chartsNotModelled = 2;
    extras.renderNotes = {"slide 2: preview left in colour: no picture of it was found"};
    std::string error;
    EXPECT_TRUE(WriteReportFromFiles(L"summary-result.json", L"summary-before.json", L"summary-after.json", extras,
                                     L"summary.html", error))
        << error;
    r.html = Slurp("summary.html");
    for (const char* f : {"summary-before.json", "summary-after.json", "summary-result.json", "summary.html"})
        std::remove(f);
    return r;
}

const ConvertedSample& Sample() {
    static const ConvertedSample sample = Convert();
    return sample;
}

size_t SumOf(const std::string& text, const std::regex& number) {
    size_t sum = 0;
    for (std::sregex_iterator m(text.begin(), text.end(), number), end; m != end; ++m) sum += std::stoul((*m)[1]);
    return sum;
}

// The summary table's row for a count: its value and the chart numbers it links to.
struct SummaryRow {
    size_t value = 0;
    std::set<size_t> linked;
};

SummaryRow RowOf(const std::string& html, const std::string& label) {
    const size_t table = html.find("<table class=\"summary\">");
    const size_t at = html.find("<tr><th>" + label + "</th>", table);
    EXPECT_NE(at, std::string::npos) << label;
    if (at == std::string::npos) return {};
    const std::string row = html.substr(at, html.find("</tr>", at) - at);
    SummaryRow r;
    std::smatch value;
    if (std::regex_search(row, value, std::regex("<td class=\"num\">(?:<span[^>]*>)?(\\d+)"))) r.value = std::stoul(value[1]);
    const std::regex link("href=\"#c(\\d+)\"");
    for (std::sregex_iterator m(row.begin(), row.end(), link), end; m != end; ++m) r.linked.insert(std::stoul((*m)[1]));
    return r;
}

// The numbers of the chart sections in which `mark` is found.
std::set<size_t> SectionsWith(const std::string& html, const std::string& mark) {
    const std::regex found(mark);
    std::set<size_t> numbers;
    const std::regex head("<section class=\"chart\" id=\"c(\\d+)\">");
    for (std::sregex_iterator m(html.begin(), html.end(), head), end; m != end; ++m) {
        const size_t from = static_cast<size_t>(m->position());
        const std::string section = html.substr(from, html.find("</section>", from) - from);
        if (std::regex_search(section, found)) numbers.insert(std::stoul((*m)[1]));
    }
    return numbers;
}

const char* kConverted = "<span class=\"ok\">converted</span>";
// A chart's legibility verdict, not its "no two series print alike, no text vanishes".
const char* kLookAlike = "class=\"warn\">[^<]*pairs? prints? alike";

}  // namespace

TEST(ReportSummary, CountsChangedPropertiesOnceAlikeOnTheConsoleInTheSummaryAndOverTheCharts) {
    const ConvertedSample& s = Sample();
    ASSERT_GT(s.console.propertiesChanged, s.console.converted) << "the hand conversion changed nothing";
    EXPECT_EQ(RowOf(s.html, "Properties changed").value, s.console.propertiesChanged);
    EXPECT_EQ(RowOf(s.html, "Charts converted").value, s.console.converted);
    EXPECT_EQ(SumOf(s.html, std::regex("converted</span>: (\\d+) properties changed")), s.console.propertiesChanged);
    EXPECT_EQ(SumOf(s.html, std::regex("<summary>(\\d+) changed properties</summary>")), s.console.propertiesChanged);
    EXPECT_EQ(RowOf(s.html, "Charts with look-alike series").value, s.console.legibility.chartsWithLookAlikes);
}

TEST(ReportSummary, ShowsAnOfficeFilesCountsBeyondThePassAndADecksNot) {
    const struct {
        const char* row;
        size_t value;
    } rows[] = {{"Previews left in colour", 1}, {"Charts not modelled", 2}};
    PassResult deck;
    DescribeWithoutPass(SampleDeck(), deck);
    const std::string deckHtml = ReportHtml(deck);
    for (const auto& r : rows) {
        EXPECT_EQ(RowOf(Sample().html, r.row).value, r.value) << r.row;
        EXPECT_EQ(deckHtml.find(std::string("<tr><th>") + r.row), std::string::npos) << r.row;
    }
    EXPECT_NE(Sample().html.find("<li>slide 2: preview left in colour: no picture of it was found</li>"), std::string::npos);
}

TEST(ReportSummary, EachCountLeadsToTheChartsItCounts) {
    const ConvertedSample& s = Sample();
    ASSERT_NE(s.lookAlikeChart, 0u) << "the sample has no column chart with two series";
    // What each chart's own section says of it, against what the summary links to.
    const struct {
        const char* row;
        const char* mark;
    } cases[] = {
        {"Charts converted", kConverted},
        {"Properties changed", kConverted},
        {"Charts with look-alike series", kLookAlike},
        {"Charts with vanishing text", "class=\"warn\">[^<]*texts? vanish"},
    };
    for (const auto& c : cases) EXPECT_EQ(RowOf(s.html, c.row).linked, SectionsWith(s.html, c.mark)) << c.row;
    EXPECT_EQ(SectionsWith(s.html, kLookAlike).count(s.lookAlikeChart), 1u);
    EXPECT_EQ(SectionsWith(s.html, kConverted).size(), s.console.converted);

    const std::regex link("href=\"#([^\"]+)\"");
    size_t links = 0;
    for (std::sregex_iterator m(s.html.begin(), s.html.end(), link), end; m != end; ++m, ++links)
        EXPECT_NE(s.html.find("id=\"" + (*m)[1].str() + "\""), std::string::npos) << (*m)[1];
    EXPECT_GT(links, s.console.converted);
}

TEST(ReportSummary, OpensWithTheSummaryAndTheChartsAndFoldsTheRestAfterThem) {
    const std::string& html = Sample().html;
    const char* order[] = {
        "<h2 id=\"summary\">",
        "<section class=\"chart\" id=\"c1\">",
        "<figure class=\"after\">",       // chart 1 drawn,
        "<p class=\"meta legibility\">",  // then how it reads on paper,
        "<details><summary>",             // then its folded property list
        "<h2>Pages before and after</h2>",
        "<details class=\"part\" id=\"objects\">",
        "<details class=\"part\" id=\"log\">",
        "<details class=\"part\" id=\"patterns\">",
    };
    size_t last = 0;
    for (const char* part : order) {
        const size_t at = html.find(part);
        ASSERT_NE(at, std::string::npos) << part;
        EXPECT_GT(at, last) << part << " is out of order";
        last = at;
    }
}
