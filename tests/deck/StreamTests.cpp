// Decks, pass results and reports written and read one object at a time: the streamed forms
// must be the whole forms exactly, and a write that does not finish must leave nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/deckmodel/Deck.h"
#include "tools/deck/DeckStream.h"
#include "tools/deck/SampleDeck.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/Inventory.h"
#include "tools/report/PassResultFile.h"
#include "tools/report/Report.h"
#include "tools/report/ReportFromFiles.h"
#include "tests/deck/TestFiles.h"

using namespace bwpass;
using decktest::Put;
using decktest::Slurp;
using decktest::Exists;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

std::string SourceFile(const std::string& relative) {
    const char* root = std::getenv("QV_SOURCE_DIR");
    return Slurp(std::string(root ? root : ".") + "/" + relative);
}

Deck ReadStreamed(const std::string& path, bool* titleFirst = nullptr) {
    Deck deck;
    bool titled = false, first = true;
    ReadDeckObjects(
        Wide(path), [&](const std::wstring& t) { deck.title = t, titled = true; },
        [&](DeckObject&& o) {
            if (first && titleFirst) *titleFirst = titled;
            first = false;
            deck.objects.push_back(std::move(o));
        });
    return deck;
}

// A PNG's signature and a few bytes: enough to check the embedding.
const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "chart";

}  // namespace

TEST(StreamedDeck, ReadsEveryDeckAsParseDeckDoes) {
    const struct {
        const char* what;
        std::string text;
    } decks[] = {
        {"every field", SourceFile("tests/deck/every-field.json")},
        {"the sample", DeckToJson(SampleDeck())},
        {"no objects", R"({"objects": []})"},
        {"a byte order mark first", "\xEF\xBB\xBF" + DeckToJson(SampleDeck())},
        {"title after the objects, comments, no format",
         "// a deck\n{\"objects\": [ /* one */ {\"progId\": \"Excel.Chart.8\", \"name\": \"a \\\"]}\"}],\n"
         "  \"title\": \"Z\\u00FCrich\"}\n"},
    };
    const std::string file = "streamed-deck.json";
    for (const auto& d : decks) {
        Put(file, d.text);
        EXPECT_EQ(DeckToJson(ReadStreamed(file)), DeckToJson(ParseDeck(d.text, file))) << d.what;
    }
    bool titleFirst = false;
    Put(file, DeckToJson(SampleDeck()));
    ReadStreamed(file, &titleFirst);
    EXPECT_TRUE(titleFirst) << "the title given first must be handed over before the objects";
    std::remove(file.c_str());
}

TEST(StreamedDeck, WriterWritesWhatDeckToJsonWrites) {
    Deck titled;
    titled.title = L"\"Quotes\" and \u00FCmlauts";
    const Deck decks[] = {SampleDeck(), ParseDeck(SourceFile("tests/deck/every-field.json"), "every-field.json"),
                          Deck{}, std::move(titled)};
    const std::string file = "written-deck.json";
    for (const Deck& deck : decks) {
        DeckWriter writer(Wide(file), deck.title);
        ASSERT_TRUE(writer.Open());
        for (const DeckObject& o : deck.objects) writer.Add(o);
        ASSERT_TRUE(writer.Finish()) << writer.error();
        EXPECT_EQ(Slurp(file), DeckToJson(deck));
        EXPECT_FALSE(Exists(file + ".partial"));
    }
    std::remove(file.c_str());
}

TEST(StreamedDeck, AWriteThatDoesNotFinishLeavesNothing) {
    {
        DeckWriter abandoned(L"abandoned-deck.json", L"t");
        ASSERT_TRUE(abandoned.Open());
        abandoned.Add(SampleDeck().objects[0]);
    }
    {
        ReportWriter abandoned(L"abandoned-report.html", 300);
        ASSERT_TRUE(abandoned.Open());
        abandoned.Add(ObjectResult{});
    }
    for (const char* left : {"abandoned-deck.json", "abandoned-deck.json.partial", "abandoned-report.html",
                             "abandoned-report.html.partial", "abandoned-report.html.part-rows.partial",
                             "abandoned-report.html.part-charts.partial"})
        EXPECT_FALSE(Exists(left)) << left;
    DeckWriter nowhere(L"no-such-folder/deck.json", L"t");
    EXPECT_FALSE(nowhere.Open());
    EXPECT_FALSE(nowhere.Finish());
    EXPECT_FALSE(nowhere.error().empty());
}

namespace {

// A pass over the sample as the tool would describe it, with every field of the result set.
PassResult SamplePass() {
    PassResult r;
    DescribeWithoutPass(SampleDeck(), r);
    r.deckTitle = L"T\u00EFtle";
    r.deckSource = "deck.json";
    r.outputDeck = "deck.bw.json";
    r.dll = "Z:\\QVCHBW01.dll";
    r.drawLimit = 5;
    r.hostCalls = {{"IPlugIn::Initialize", "True", false}, {"DllCanUnloadNow", "S_FALSE", true}};
    r.logLines = {"07.12.26 11:00:00   Converting Excel Chart. BWFlagSet=512", "line <2>"};
    r.renderNotes = {"LibreOffice not found: no rendered pictures"};
    r.objects[0].accepted = true;
    r.objects[1].accepted = false;
    r.objects[0].calls = {{"HandleObject", "True", false}, {"ChangeToBWNoConfig", "0x80020005 (type mismatch)", true}};
    r.objects[0].writes = 41;
    r.objects[0].excelCalls = 900;
    r.objects[0].sheetsAfter = L"[Chart1], Data";
    r.objects[0].spareWorkbook = L"Book2 opened, closed without saving";
    r.objects[0].note = "an object note";
    r.objects[0].charts[0].note = "not modelled: cx:chart; left unchanged";
    r.objects[0].charts[0].changes = {"a: 1 -> 2"};
    return r;
}

// Everything of an object the pass result carries, as text to compare.
std::string Carried(const ObjectResult& o) {
    std::string s = Utf8(o.name + L"|" + o.progId + L"|" + o.excelVersion + L"|" + o.sheetsBefore + L"|" +
                         o.sheetsAfter + L"|" + o.workbookState + L"|" + o.spareWorkbook) +
                    "|" + std::to_string(o.bwFlagSet) + "|" + std::to_string(o.hasWorkbook) + "|" +
                    (o.accepted ? std::to_string(*o.accepted) : "-") + "|" + std::to_string(o.writes) + "|" +
                    std::to_string(o.excelCalls) + "|" + o.note;
    for (const HostCall& c : o.calls) s += "|" + c.member + "=" + c.result + (c.failed ? "!" : "");
    for (const ChartResult& c : o.charts) s += "|" + c.place + (c.onShownSheet ? "*" : "") + "#" + c.note;
    return s;
}

}  // namespace

TEST(PassResultFile, RoundTripsEverythingButTheModels) {
    const PassResult written = SamplePass();
    {
        PassResultWriter writer(L"pass-result.json");
        ASSERT_TRUE(writer.Open(written));
        for (const ObjectResult& o : written.objects) writer.Add(o);
        ASSERT_TRUE(writer.Finish(written)) << writer.error();
    }
    {
        PassResultReader reader(L"pass-result.json");
        EXPECT_EQ(reader.pass().deckTitle, written.deckTitle);  // known before the objects
        EXPECT_EQ(reader.pass().drawLimit, 5u);
        ObjectResult o;
        size_t n = 0;
        for (; reader.Next(o); ++n) {
            ASSERT_LT(n, written.objects.size());
            EXPECT_EQ(Carried(o), Carried(written.objects[n])) << n;
        }
        EXPECT_EQ(n, written.objects.size());
        const PassResult& read = reader.pass();
        for (const auto& [a, b] : {std::pair{read.deckSource, written.deckSource}, {read.outputDeck, written.outputDeck},
                                   {read.dll, written.dll}, {read.activation, written.activation},
                                   {read.logNote, written.logNote}})
            EXPECT_EQ(a, b);
        EXPECT_EQ(read.logLines, written.logLines);
        EXPECT_EQ(read.renderNotes, written.renderNotes);
        ASSERT_EQ(read.hostCalls.size(), 2u);
        EXPECT_TRUE(read.hostCalls[1].failed);
    }
    std::remove("pass-result.json");
}

TEST(PassResultFile, AFileThatIsNoPassResultIsRefusedWithItsName) {
    const struct {
        const char* what;
        const char* text;  // null: no file
        const char* message;
    } cases[] = {
        {"missing", nullptr, "bad-result.json: cannot read the pass result: "},
        {"not JSON", "pass", "bad-result.json: not a pass result: the file is not a JSON object"},
        {"truncated", R"({"passResult": 1, "objects": [{"name": "a")", "bad-result.json: not a pass result: malformed JSON"},
        {"an object lacks a field", R"({"passResult": 1, "objects": [{"name": "a"}]})", "bad-result.json: not a pass result: "},
        {"another format", R"({"passResult": 2, "objects": []})", "bad-result.json: not a pass result: a pass result of another format"},
    };
    for (const auto& c : cases) {
        std::remove("bad-result.json");
        if (c.text) Put("bad-result.json", c.text);
        std::string message = "(accepted)";
        try {
            PassResultReader reader(L"bad-result.json");
            ObjectResult o;
            while (reader.Next(o)) {
            }
        } catch (const PassResultError& e) {
            message = e.what();
        }
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << c.what << ": " << message;
    }
    std::remove("bad-result.json");
}

TEST(Report, TheStreamedReportIsTheWholeReport) {
    PassResult result = SamplePass();
    for (size_t limit : {300u, 3u, 0u}) {
        result.drawLimit = limit;
        ReportWriter writer(L"streamed-report.html", limit);
        ASSERT_TRUE(writer.Open());
        for (const ObjectResult& o : result.objects) writer.Add(o);
        ASSERT_TRUE(writer.Finish(result)) << writer.error();
        EXPECT_EQ(Slurp("streamed-report.html"), ReportHtml(result)) << "draw limit " << limit;
        EXPECT_FALSE(Exists("streamed-report.html.part-rows.partial"));
    }
    std::remove("streamed-report.html");
}

TEST(Report, RenderedPicturesAreEmbeddedBesideTheDrawings) {
    Put("chart-before.png", kPng);
    PassResult result = SamplePass();
    result.drawLimit = 0;
    ObjectResult* several = nullptr;
    for (ObjectResult& o : result.objects) {
        result.drawLimit += o.charts.size();
        if (!several && o.charts.size() >= 2) several = &o;
    }
    ASSERT_TRUE(several);
    ChartResult& drawn = result.objects[0].charts[0];
    drawn.renderBefore = drawn.renderAfter = "chart-before.png";
    several->charts[1].renderBefore = "no-such-picture.png";
    const ChartResult copy = drawn;
    result.objects.back().charts.push_back(copy);  // beyond the draw limit: listed, not drawn
    const std::string html = ReportHtml(result);
    EXPECT_EQ(Count(html, "<figure class=\"render-before\"><figcaption>Before: LibreOffice</figcaption>"), 2u);
    EXPECT_EQ(Count(html, "<figure class=\"render-after\"><figcaption>After: LibreOffice</figcaption>"), 1u);
    EXPECT_EQ(Count(html, "src=\"data:image/png;base64,iVBORw0KGgpjaGFydA==\""), 2u);
    EXPECT_NE(html.find("no-such-picture.png: "), std::string::npos);
    EXPECT_NE(html.find("<li>LibreOffice not found: no rendered pictures</li>"), std::string::npos);
    EXPECT_NE(html.find("not modelled: cx:chart; left unchanged"), std::string::npos);
    EXPECT_NE(html.find("an object note"), std::string::npos);
    std::remove("chart-before.png");
}

TEST(Report, IsWrittenFromThePassResultAndBothDecks) {
    const Deck sample = SampleDeck();
    // The converted deck: the first object's charts changed and its sheets turned round, as the
    // plug-in does, so that the charts must be found by sheet and place rather than by order.
    Deck converted = ParseDeck(DeckToJson(sample), "copy");
    sim::WorkbookModel& wb = *converted.objects[0].excel->application.workbooks[converted.objects[0].excel->embeddedWorkbook];
    ASSERT_FALSE(ChartsOf(wb).empty());
    for (auto& sheet : wb.sheets) {
        for (auto& co : sheet->chartObjects) co.chart.chartArea.interior.color = 0x123456;
        sheet->chart.chartArea.interior.color = 0x123456;
    }
    std::reverse(wb.sheets.begin(), wb.sheets.end());
    Put("before.json", DeckToJson(sample));
    Put("converted.json", DeckToJson(converted));
    {
        PassResult pass;
        DescribeWithoutPass(sample, pass);
        PassResultWriter writer(L"result.json");
        ASSERT_TRUE(writer.Open(pass));
        for (const ObjectResult& o : pass.objects) writer.Add(o);
        ASSERT_TRUE(writer.Finish(pass));
    }
    Put("chart.png", kPng);
    ReportExtras extras;
    extras.charts[{0, 0}] = ChartExtras{"chart.png", "chart.png", ""};
    extras.charts[{1, 0}].note = "not modelled: cx:chart; left unchanged";
    extras.renderNotes = {"LibreOffice not found: no rendered pictures"};
    std::string error;
    ASSERT_TRUE(WriteReportFromFiles(L"result.json", L"before.json", L"converted.json", extras, L"files.html", error)) << error;
    const std::string html = Slurp("files.html");
    EXPECT_EQ(Count(html, "chartArea.interior.color: &quot;#FFFFFF&quot; -&gt; &quot;#563412&quot;"), ChartsOf(wb).size());
    // The pictures belong to the first chart of the first object, the note to the second's.
    const std::string first = html.substr(html.find("id=\"c1\""), html.find("id=\"c2\"") - html.find("id=\"c1\""));
    EXPECT_EQ(Count(first, "src=\"data:image/png;base64,"), 2u);
    EXPECT_EQ(Count(html, "src=\"data:image/png;base64,"), 2u);
    const size_t second = html.find(" &middot; object 2 &middot; ");
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(html.find("not modelled: cx:chart", second), std::string::npos);
    EXPECT_EQ(html.find("not modelled: cx:chart"), html.find("not modelled: cx:chart", second));
    EXPECT_NE(html.find("LibreOffice not found"), std::string::npos);

    // Decks that do not belong to the pass result: refused, nothing written.
    std::remove("files.html");
    Put("converted.json", R"({"objects": []})");
    EXPECT_FALSE(WriteReportFromFiles(L"result.json", L"before.json", L"converted.json", extras, L"files.html", error));
    EXPECT_NE(error.find("result.json: "), std::string::npos) << error;
    EXPECT_FALSE(Exists("files.html"));
    for (const char* f : {"before.json", "converted.json", "result.json", "chart.png"}) std::remove(f);
}
