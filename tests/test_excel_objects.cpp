// The plug-in's handling of Excel objects against the Excel and host stand-ins: the spare
// workbook, which charts of a workbook are converted and in which order, the sheet rotation, the
// closing of the workbooks, and what a missing chart handler changes. A chart counts as converted
// when the conversion made a call on it, so these tests hold whatever the conversion writes.
#include <gtest/gtest.h>

#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "sim/SimHost.h"
#include "tests/plugin/PlugInTesting.h"
#include "tests/sim_support.h"

#include <functional>

using namespace plugintest;
using sim::RunOnFreshThread;
using simtest::Narrow;

namespace {

const std::wstring kChart1 = L"Book1/Sheet1/ChartObjects(1)/Chart";
const std::wstring kChart2 = L"Book1/Sheet1/ChartObjects(2)/Chart";
const std::wstring kChart3 = L"Book1/Sheet1/ChartObjects(3)/Chart";
const std::wstring kChartSheet = L"Book1/Chart1";
const std::vector<std::wstring> kEveryChart = {kChart1, kChart2, kChart3, kChartSheet};

// The log of a scenario that starts the plug-in: its start-up line, then lines.
Lines AfterStartUp(Lines lines) {
    lines.insert(lines.begin(), L"IPlugIn_Initialize: ExcelChartHandler");
    return lines;
}

const wchar_t kNotSet[] = L"*** Error ***: ReorderSheets: Object variable or With block variable not set";

sim::WorkbookModel& AddWorkbookWithSheet(sim::ApplicationModel& app, const std::wstring& name) {
    sim::WorkbookModel& workbook = sim::AddWorkbook(app, name);
    workbook.sheets.push_back(sim::MakeWorksheet(L"Sheet1"));
    return workbook;
}

size_t IndexOf(sim::Excel& excel, const std::wstring& name) {
    auto& books = excel.model().workbooks;
    for (size_t i = 0; i < books.size(); ++i)
        if (books[i]->name == name) return i;
    ADD_FAILURE() << "no workbook " << testing::PrintToString(name);
    return 0;
}

sim::FaultRule FaultOn(const std::wstring& member, const std::wstring& object = L"",
                       const std::wstring& pathContains = L"") {
    sim::FaultRule rule;
    rule.member = member;
    rule.object = object;
    rule.pathContains = pathContains;
    return rule;
}

std::vector<std::wstring> ArgValues(const sim::CallRecord& call) {
    std::vector<std::wstring> values;
    for (const sim::ArgRecord& arg : call.args) values.push_back(std::to_wstring(arg.vt) + L":" + arg.value);
    return values;
}

std::vector<std::wstring> Paths(const std::vector<sim::CallRecord>& calls) {
    std::vector<std::wstring> paths;
    for (const sim::CallRecord& call : calls) paths.push_back(call.path);
    return paths;
}

}  // namespace

// One empty workbook is opened beside the embedded one when that is the only workbook open in
// an Excel newer than 11; each test that cannot be evaluated counts as passed. The transaction
// closes the spare first, then the object, neither saved.
TEST(SpareWorkbook, Conditions) {
    enum Other { Alone, OtherAfter, OtherBefore };
    enum Fault { None, VersionFails, CountFails, FirstFails, FirstIsNothing, AddFails };
    struct Case {
        const char* name;
        const wchar_t* version;
        Other other;
        Fault fault;
        bool spare;
    } cases[] = {
        {"11.0 alone", L"11.0", Alone, None, false},
        {"11 alone", L"11", Alone, None, false},
        {"12.0 alone", L"12.0", Alone, None, true},
        {"16.0 alone", L"16.0", Alone, None, true},
        {"11.5 alone: the leading number is 11.5", L"11.5", Alone, None, true},
        {"blank before the number", L" 12.0", Alone, None, true},
        {"12.0 with a second workbook", L"12.0", OtherAfter, None, false},
        {"12.0 with another workbook first", L"12.0", OtherBefore, None, false},
        {"a version without a number", L"Excel", Alone, None, false},
        {"an empty version", L"", Alone, None, false},
        {"the version unreadable", L"12.0", Alone, VersionFails, true},
        {"the count unreadable, the object first", L"12.0", OtherAfter, CountFails, true},
        {"the count unreadable, another first", L"12.0", OtherBefore, CountFails, false},
        {"Workbooks(1) unreadable", L"12.0", Alone, FirstFails, true},
        {"Workbooks(1) answers Nothing: not the object", L"12.0", Alone, FirstIsNothing, false},
        {"Add fails", L"12.0", Alone, AddFails, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ApplicationModel app;
        app.version = c.version;
        if (c.other == OtherBefore) AddWorkbookWithSheet(app, L"Other");
        AddWorkbookWithSheet(app, L"Book1");
        if (c.other == OtherAfter) AddWorkbookWithSheet(app, L"Other");
        sim::Excel excel(std::move(app));
        if (c.fault == VersionFails) excel.addFault(FaultOn(L"Version"));
        if (c.fault == CountFails) excel.addFault(FaultOn(L"Count", L"Workbooks"));
        if (c.fault == AddFails) excel.addFault(FaultOn(L"Add"));
        if (c.fault == FirstFails || c.fault == FirstIsNothing) {
            sim::FaultRule rule = FaultOn(L"_Default", L"Workbooks");
            if (c.fault == FirstIsNothing) rule.fault.kind = sim::FaultKind::Nothing;
            excel.addFault(rule);
        }
        const size_t before = excel.model().workbooks.size();
        const std::wstring spareName = L"Book" + std::to_wstring(before + 1);
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host);
            ComPtr<IDispatch> book1 = WorkbookRef(excel, IndexOf(excel, L"Book1"));
            EXPECT_EQ(session.Convert(book1.get()), S_OK);
            ASSERT_EQ(excel.model().workbooks.size(), before + (c.spare ? 1 : 0));
            Held held = {L"Book1 (1)"};
            if (c.spare) held.push_back(spareName + L" (1)");
            EXPECT_EQ(excel.objectsWithRefs(), held);
            for (const sim::CallRecord& add : CallsOf(excel, L"Add"))
                EXPECT_EQ(ArgValues(add), (std::vector<std::wstring>{L"10:Missing"}));

            Session::Answer done = session.Complete(book1.get());
            EXPECT_EQ(done.hr, S_OK);
            EXPECT_EQ(done.result, VARIANT_TRUE);
            std::vector<std::wstring> closed = {L"Book1"};
            if (c.spare) closed.insert(closed.begin(), spareName);
            std::vector<sim::CallRecord> closes = CallsOf(excel, L"Close");
            EXPECT_EQ(Paths(closes), closed);
            for (const sim::CallRecord& close : closes)
                EXPECT_EQ(ArgValues(close), (std::vector<std::wstring>{L"11:False", L"10:Missing", L"10:Missing"}));
            for (auto& workbook : excel.model().workbooks)
                EXPECT_EQ(workbook->open, workbook->name == L"Other") << testing::PrintToString(workbook->name);
        });
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
}

// Only the charts of the sheet the workbook shows are converted: the active chart alone (after
// ExclusiveAccess), or else every chart object of the active worksheet in index order.
TEST(ChartWalk, WhichChartsAreConverted) {
    using Setup = std::function<void(sim::Excel&)>;
    auto threeChartsAndAChartSheet = [](sim::Excel& excel) {
        sim::WorkbookModel& book = *excel.model().workbooks[0];
        book.sheets.push_back(sim::MakeChartSheet(L"Chart1", sim::MakeChart()));
    };
    auto chartSheetActive = [](sim::Excel& excel) {
        sim::WorkbookModel& book = *excel.model().workbooks[0];
        book.sheets.insert(book.sheets.begin(), sim::MakeChartSheet(L"Chart1", sim::MakeChart()));
        book.activeSheet = 0;
    };
    struct Case {
        const char* name;
        int chartObjects;
        Setup setup;
        std::vector<std::wstring> converted;
        size_t exclusiveAccess;
    } cases[] = {
        {"three chart objects, a chart sheet elsewhere", 3, threeChartsAndAChartSheet,
         {kChart1, kChart2, kChart3}, 0},
        {"a chart sheet active, charts elsewhere", 3, chartSheetActive, {kChartSheet}, 1},
        {"a chart active in its worksheet", 3,
         [](sim::Excel& excel) { excel.model().workbooks[0]->activeChartObject = 1; }, {kChart2}, 1},
        {"a worksheet without charts", 0, nullptr, {}, 0},
        {"the second chart cannot be fetched", 3,
         [](sim::Excel& excel) { excel.addFault(FaultOn(L"Chart", L"ChartObject", L"ChartObjects(2)")); },
         {kChart1, kChart3}, 0},
        {"the chart count unreadable", 3,
         [](sim::Excel& excel) { excel.addFault(FaultOn(L"Count", L"ChartObjects")); }, {}, 0},
        {"the chart count beyond 16 bits", 3,
         [](sim::Excel& excel) {
             sim::FaultRule rule = FaultOn(L"Count", L"ChartObjects");
             rule.fault.kind = sim::FaultKind::WrongType;
             rule.fault.wrongValue.vt = VT_I4;
             rule.fault.wrongValue.lVal = 40000;
             excel.addFault(rule);
         },
         {}, 0},
        {"no active sheet", 3, [](sim::Excel& excel) { excel.model().workbooks[0]->activeSheet = -1; }, {}, 0},
        {"the active chart unreadable on a worksheet", 2,
         [](sim::Excel& excel) { excel.addFault(FaultOn(L"ActiveChart")); }, {kChart1, kChart2}, 0},
        {"the active chart unreadable on a chart sheet", 3,
         [&](sim::Excel& excel) {
             chartSheetActive(excel);
             excel.addFault(FaultOn(L"ActiveChart"));
         },
         {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Excel 11: no spare workbook, so nothing is left referenced after the conversion.
        sim::Excel excel(sim::AppWithChartObjects(c.chartObjects, 51, L"11.0"));
        if (c.setup) c.setup(excel);
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host);
            EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
        });
        EXPECT_EQ(ConvertedCharts(excel, kEveryChart), c.converted) << Narrow(excel.describeCalls());
        std::vector<sim::CallRecord> exclusive = CallsOf(excel, L"ExclusiveAccess");
        ASSERT_EQ(exclusive.size(), c.exclusiveAccess);
        if (!exclusive.empty()) {
            EXPECT_EQ(exclusive[0].path, L"Book1");
            EXPECT_LT(exclusive[0].index, ConversionStart(excel, c.converted.at(0)));
        }
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
}

// The walk reaches ChartObjects, Count and Chart by name, reads the count once, and passes the
// index as a 16-bit integer.
TEST(ChartWalk, CallsTheWorksheetsChartObjectsByName) {
    sim::Excel excel(sim::AppWithChartObjects(2, 51, L"11.0"));
    sim::Host host;
    RunOnFreshThread([&] {
        Session session(host);
        EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
    });
    std::vector<sim::CallRecord> chartObjects = CallsOf(excel, L"ChartObjects");
    ASSERT_EQ(chartObjects.size(), 3u);
    EXPECT_EQ(ArgValues(chartObjects[0]), (std::vector<std::wstring>{L"10:Missing"}));
    EXPECT_EQ(ArgValues(chartObjects[1]), (std::vector<std::wstring>{L"2:1"}));
    EXPECT_EQ(ArgValues(chartObjects[2]), (std::vector<std::wstring>{L"2:2"}));
    std::vector<sim::CallRecord> walk = chartObjects;
    for (const sim::CallRecord& call : excel.calls())
        if ((call.member == L"Count" && call.object == L"ChartObjects") ||
            (call.member == L"Chart" && call.object == L"ChartObject"))
            walk.push_back(call);
    EXPECT_EQ(walk.size(), 6u);  // one count, two charts
    for (const sim::CallRecord& call : walk) EXPECT_TRUE(call.byName) << Narrow(call.member);
    ExpectExcelBalanced(excel);
}

// The sheets in front of the active one go to the back, one at a time and in their order, each
// with an information line; at most n - 1 of them.
TEST(ReorderSheets, RotatesTheActiveSheetToTheFront) {
    struct Case {
        std::initializer_list<const wchar_t*> sheets;
        int active;
        std::vector<std::wstring> order;
        Lines log;
    } cases[] = {
        {{L"A"}, 0, {L"A"}, {}},
        {{L"A", L"B", L"C", L"D"}, 0, {L"A", L"B", L"C", L"D"}, {}},
        {{L"A", L"B"}, 1, {L"B", L"A"}, {L"ReorderSheets: Move 'A' to back"}},
        {{L"A", L"B", L"C", L"D"}, 2, {L"C", L"D", L"A", L"B"},
         {L"ReorderSheets: Move 'A' to back", L"ReorderSheets: Move 'B' to back"}},
        {{L"A", L"B", L"C", L"D"}, 3, {L"D", L"A", L"B", L"C"},
         {L"ReorderSheets: Move 'A' to back", L"ReorderSheets: Move 'B' to back",
          L"ReorderSheets: Move 'C' to back"}},
        // Without an active sheet the loop still ends after n - 1 moves.
        {{L"A", L"B", L"C"}, -1, {L"C", L"A", L"B"},
         {L"ReorderSheets: Move 'A' to back", L"ReorderSheets: Move 'B' to back"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sheets.size() << " sheets, active " << c.active);
        sim::Excel excel(sim::AppWithSheets(c.sheets, c.active, L"11.0"));
        sim::Host host;
        sim::LogCapture log;
        RunOnFreshThread([&] {
            Session session(host);
            EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
        });
        EXPECT_EQ(SheetOrder(*excel.model().workbooks[0]), c.order);
        EXPECT_EQ(log.Lines(), AfterStartUp(c.log));
        EXPECT_EQ(CallsOf(excel, L"Move").size(), c.log.size());
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
}

// Name and Move are reached by name; Move gets Before left out and After the last sheet.
TEST(ReorderSheets, MovesBehindTheLastSheetByName) {
    sim::ApplicationModel app = sim::AppWithSheets({L"A", L"C"}, 1, L"11.0");
    sim::WorkbookModel& book = *app.workbooks[0];
    book.sheets.insert(book.sheets.begin() + 1, sim::MakeChartSheet(L"Chart1", sim::MakeChart()));
    book.activeSheet = 2;  // A, Chart1, C with C shown
    sim::Excel excel(std::move(app));
    sim::Host host;
    sim::LogCapture log;
    RunOnFreshThread([&] {
        Session session(host);
        EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
    });
    EXPECT_EQ(SheetOrder(*excel.model().workbooks[0]), (std::vector<std::wstring>{L"C", L"A", L"Chart1"}));
    EXPECT_EQ(log.Lines(), AfterStartUp((Lines{L"ReorderSheets: Move 'A' to back", L"ReorderSheets: Move 'Chart1' to back"})));
    std::vector<sim::CallRecord> moves = CallsOf(excel, L"Move");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].path, L"Book1/A");
    EXPECT_EQ(ArgValues(moves[0]), (std::vector<std::wstring>{L"10:Missing", L"9:<dispatch:Book1/C>"}));
    EXPECT_EQ(moves[1].path, L"Book1/Chart1");
    EXPECT_EQ(ArgValues(moves[1]), (std::vector<std::wstring>{L"10:Missing", L"9:<dispatch:Book1/A>"}));
    for (const sim::CallRecord& call : excel.calls())
        if (call.member == L"Move" || call.member == L"Name") {
            EXPECT_TRUE(call.byName) << Narrow(call.path);
        }
    ExpectExcelBalanced(excel);
}

// The first error ends the rotation with one error line; what was moved stays moved, and no
// further sheet is taken.
TEST(ReorderSheets, AFailingMoveEndsTheRotation) {
    sim::Excel excel(sim::AppWithSheets({L"A", L"B", L"C"}, 1, L"11.0"));
    sim::FaultRule rule = FaultOn(L"Move", L"", L"Book1/A");
    rule.fault.description = L"Move method of Worksheet class failed";
    excel.addFault(rule);
    sim::Host host;
    sim::LogCapture log;
    RunOnFreshThread([&] {
        Session session(host);
        EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
    });
    EXPECT_EQ(SheetOrder(*excel.model().workbooks[0]), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(log.Lines(), AfterStartUp((Lines{L"ReorderSheets: Move 'A' to back",
                                  L"*** Error ***: ReorderSheets: Move method of Worksheet class failed"})));
    std::vector<sim::CallRecord> firstSheet = CallsOf(excel, L"_Default");
    size_t takenFirst = 0;
    for (const sim::CallRecord& call : firstSheet)
        if (call.object == L"Sheets" && ArgValues(call) == std::vector<std::wstring>{L"2:1"}) ++takenFirst;
    EXPECT_EQ(takenFirst, 1u);
    ExpectExcelBalanced(excel);
}

// An object that is not a workbook: every Excel step fails and is skipped, the conversion still
// succeeds, and ReorderSheets reports the empty workbook once. Closing it is a type mismatch.
TEST(ObjectHandling, AnObjectThatIsNotAWorkbook) {
    sim::Excel excel(sim::AppWithChartObjects(2, 51, L"12.0"));
    sim::Host host;
    sim::WorkbookModel& book = *excel.model().workbooks[0];
    ComPtr<IDispatch> worksheet = ComPtr<IDispatch>::Attach(excel.NewSheetRef(book, *book.sheets[0]));
    for (IDispatch* object : {host.plain(), worksheet.get()}) {
        SCOPED_TRACE(object == host.plain() ? "a host object" : "an Excel worksheet");
        sim::LogCapture log;
        RunOnFreshThread([&] {
            Session session(host);
            EXPECT_EQ(session.Convert(object), S_OK);
            Session::Answer done = session.Complete(object);
            EXPECT_EQ(done.hr, kTypeMismatch);
            EXPECT_EQ(done.result, VARIANT_FALSE);
        });
        EXPECT_EQ(excel.calls().size(), 0u) << Narrow(excel.describeCalls());
        EXPECT_EQ(excel.model().workbooks.size(), 1u);
        EXPECT_TRUE(book.open);
        EXPECT_EQ(log.Lines(), AfterStartUp((Lines{kNotSet})));
        ExpectExcelBalanced(excel, {L"Book1/Sheet1 (1)"});  // our own reference
        ExpectNoHostRefs(host);
    }
}

// Nothing is passed over silently: no Excel call, no log line, and a transaction on Nothing
// still closes a spare workbook but answers False.
TEST(ObjectHandling, NothingEverywhere) {
    sim::Excel excel(sim::AppWithChartObjects(1, 51, L"12.0"));
    sim::Host host;
    sim::LogCapture log;
    RunOnFreshThread([&] {
        Session session(host);
        EXPECT_EQ(session.Convert(nullptr), S_OK);
        EXPECT_EQ(excel.calls().size(), 0u);
        ComPtr<IDispatch> book1 = WorkbookRef(excel);
        EXPECT_EQ(session.Convert(book1.get()), S_OK);
        ASSERT_EQ(excel.model().workbooks.size(), 2u);  // the spare
        excel.clearCalls();
        for (int pass = 0; pass < 2; ++pass) {
            Session::Answer done = session.Complete(nullptr);
            EXPECT_EQ(done.hr, S_OK);
            EXPECT_EQ(done.result, VARIANT_FALSE);
        }
        EXPECT_EQ(Paths(CallsOf(excel, L"Close")), (std::vector<std::wstring>{L"Book2"}));
        EXPECT_TRUE(excel.model().workbooks[0]->open);
        EXPECT_FALSE(excel.model().workbooks[1]->open);
        EXPECT_EQ(excel.objectsWithRefs(), (Held{L"Book1 (1)"}));  // ours
    });
    EXPECT_EQ(log.Lines(), AfterStartUp(Lines{}));
    ExpectExcelBalanced(excel);
    ExpectNoHostRefs(host);
}

// A failing Close is the member's error: a spare that cannot be closed stays held and the object
// stays open; the next transaction closes both.
TEST(ObjectHandling, AFailingCloseIsReturnedToTheHost) {
    sim::Excel excel(sim::AppWithChartObjects(1, 51, L"12.0"));
    sim::FaultRule rule = FaultOn(L"Close", L"", L"Book2");
    rule.times = 1;
    excel.addFault(rule);
    sim::Host host;
    RunOnFreshThread([&] {
        Session session(host);
        ComPtr<IDispatch> book1 = WorkbookRef(excel);
        EXPECT_EQ(session.Convert(book1.get()), S_OK);
        Session::Answer failed = session.Complete(book1.get());
        EXPECT_EQ(failed.hr, static_cast<HRESULT>(0x800A03EC));
        EXPECT_EQ(failed.result, VARIANT_FALSE);
        EXPECT_TRUE(excel.model().workbooks[0]->open);
        EXPECT_EQ(excel.objectsWithRefs(), (Held{L"Book1 (1)", L"Book2 (1)"}));
        Session::Answer again = session.Complete(book1.get());
        EXPECT_EQ(again.hr, S_OK);
        EXPECT_EQ(again.result, VARIANT_TRUE);
        EXPECT_FALSE(excel.model().workbooks[0]->open);
        EXPECT_FALSE(excel.model().workbooks[1]->open);
    });
    ExpectExcelBalanced(excel);
    ExpectNoHostRefs(host);
}

// Without a chart handler (never initialised, terminated, or an Initialize that failed) the walk
// goes on but converts nothing; a later Initialize brings the conversion back.
TEST(Lifecycle, ConversionNeedsTheChartHandler) {
    enum Step { Start, WrongApp, Terminate };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool converts;
    } cases[] = {
        {"initialised", {Start}, true},
        {"never initialised", {}, false},
        {"an Initialize with a wrong App", {WrongApp}, false},
        {"terminated", {Start, Terminate}, false},
        {"terminated twice", {Start, Terminate, Terminate}, false},
        {"initialised again after Terminate", {Start, Terminate, Start}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Excel excel(sim::AppWithChartObjects(2, 51, L"11.0"));
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host, false);
            for (Step step : c.steps) {
                HRESULT hr = S_OK, expected = S_OK;
                if (step == Start) hr = sim::StartPlugIn(session.root(), host).initializeHr;
                if (step == WrongApp) {
                    hr = sim::StartPlugIn(session.root(), nullptr, host.plain(), host.owner()).initializeHr;
                    expected = kTypeMismatch;
                }
                if (step == Terminate) hr = session.plugIn()->Terminate();
                EXPECT_EQ(hr, expected);
            }
            EXPECT_EQ(session.Convert(WorkbookRef(excel).get()), S_OK);
        });
        const std::vector<std::wstring> expected =
            c.converts ? std::vector<std::wstring>{kChart1, kChart2} : std::vector<std::wstring>{};
        EXPECT_EQ(ConvertedCharts(excel, kEveryChart), expected);
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
}

// The host's whole pass through the driver: only the Excel object with bit 512 is converted;
// every object's transaction follows, and the one that is not a workbook is refused.
TEST(HostPass, OffersEachObjectInTheHostsOrder) {
    sim::ApplicationModel app = sim::AppWithChartObjects(1, 51, L"12.0");
    AddWorkbookWithSheet(app, L"Book2");
    sim::Excel excel(std::move(app));
    sim::Host host;
    sim::LogCapture log;
    sim::PassResult pass;
    RunOnFreshThread([&] {
        Session session(host);
        ComPtr<IDispatch> book1 = WorkbookRef(excel, 0), book2 = WorkbookRef(excel, 1);
        pass = sim::RunPass(session.root(), {{L"Excel.Sheet.12", 512, book1.get()},
                                             {L"MSGraph.Chart.8", 512, host.plain()},
                                             {L"Excel.Sheet.8", 0, book2.get()}});
    });
    ASSERT_EQ(pass.objects.size(), 3u);
    EXPECT_TRUE(pass.objects[0].converted);
    EXPECT_EQ(pass.objects[0].transactionHr, S_OK);
    EXPECT_EQ(pass.objects[0].transactionResult, VARIANT_TRUE);
    EXPECT_FALSE(pass.objects[1].converted);
    EXPECT_EQ(pass.objects[1].transactionHr, kTypeMismatch);
    EXPECT_FALSE(pass.objects[2].converted);
    EXPECT_EQ(pass.objects[2].transactionResult, VARIANT_TRUE);
    EXPECT_EQ(pass.allComplete, VARIANT_TRUE);
    EXPECT_EQ(pass.terminateHr, S_OK);
    // Two workbooks open: no spare.
    EXPECT_EQ(excel.model().workbooks.size(), 2u);
    EXPECT_EQ(ConvertedCharts(excel, kEveryChart), (std::vector<std::wstring>{kChart1}));
    EXPECT_EQ(log.Lines(), AfterStartUp((Lines{L"Converting Excel Chart. BWFlagSet=512", L"Converting Excel Chart. BWFlagSet=0"})));
    ExpectExcelBalanced(excel);
    ExpectNoHostRefs(host);
}
