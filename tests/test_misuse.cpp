// A host that calls the plug-in out of order, hands it Nothing or the wrong kind of object where
// an object belongs, passes null pointers for its results, or lets go of a workbook (or loses
// Excel) halfway through an object. None of it may crash the plug-in or leave a reference
// behind; each call answers as the member's rule says.
#include <gtest/gtest.h>

#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "tests/plugin/PlugInTesting.h"
#include "tests/proof/Runs.h"

#include <functional>

using namespace plugintest;
using sim::RunOnFreshThread;

namespace {

constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

// The Excel stand-in's grey chart-area border becomes black when the chart is converted.
bool Converted(const sim::ChartModel& chart) { return chart.chartArea.border.color == 0; }

sim::ChartModel& FirstChart(sim::Excel& excel) {
    return excel.model().workbooks[0]->sheets[0]->chartObjects[0].chart;
}

// The host's calls, as the steps of a misuse scenario.
enum class Step { Initialize, Terminate, Convert, Complete, CompleteNothing, AllComplete };

struct Answer {
    HRESULT hr;
    int result;  // the Boolean answer, -2 for a member without one
};

}  // namespace

// Calls out of the host's order, with one embedded workbook alone in Excel 12 (so that a
// conversion also opens a spare workbook). Each step's answer, whether the chart was converted,
// and which workbooks are still open at the end.
TEST(CallOrder, AnswersAndLeavesNothingBehind) {
    using S = Step;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<Answer> answers;
        bool converted;
        bool embeddedOpen;
        int sparesOpen;
    };
    const Answer ok{S_OK, -2}, yes{S_OK, -1}, no{S_OK, 0};
    const Case cases[] = {
        // Without a chart handler the charts stay as they are; the rest of the conversion runs.
        {"conversion before Initialize", {S::Convert, S::Complete}, {ok, yes}, false, false, 0},
        {"conversion after Terminate", {S::Initialize, S::Terminate, S::Convert, S::Complete},
         {yes, ok, ok, yes}, false, false, 0},
        {"transaction without a conversion", {S::Initialize, S::Complete}, {yes, yes}, false, false, 0},
        {"transaction of Nothing without a conversion", {S::Initialize, S::CompleteNothing}, {yes, no}, false, true, 0},
        // The second conversion finds two workbooks open and adds no second spare.
        {"two conversions in a row", {S::Initialize, S::Convert, S::Convert, S::Complete}, {yes, ok, ok, yes}, true, false, 0},
        {"Initialize twice", {S::Initialize, S::Initialize, S::Convert, S::Complete, S::Terminate},
         {yes, yes, ok, yes, ok}, true, false, 0},
        // The workbook is closed by the first transaction; Excel refuses the second Close.
        {"two transactions", {S::Initialize, S::Convert, S::Complete, S::Complete}, {yes, ok, yes, {kExcelError, 0}},
         true, false, 0},
        {"all complete before any object", {S::AllComplete, S::Initialize, S::Convert, S::Complete, S::AllComplete},
         {yes, yes, ok, yes, yes}, true, false, 0},
        {"Terminate twice, then a conversion", {S::Initialize, S::Terminate, S::Terminate, S::Convert, S::Complete},
         {yes, ok, ok, ok, yes}, false, false, 0},
        // A conversion whose transaction never comes: the spare stays open until the plug-in goes.
        {"conversion without a transaction", {S::Initialize, S::Convert, S::Terminate}, {yes, ok, ok}, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Excel excel(sim::AppWithChartObjects(1, 51, L"12.0"));
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host, false);
            ComPtr<IDispatch> workbook = WorkbookRef(excel);
            ComPtr<IOLEObjectHandler> handler = As<IOLEObjectHandler>(ComPtr<IUnknown>(session.root()), IID_IOLEObjectHandler);
            ComPtr<IChild> child = As<IChild>(ComPtr<IUnknown>(session.root()), IID_IChild);
            ASSERT_EQ(child->putref_Parent(host.parentSource()), S_OK);
            std::vector<Answer> answers;
            for (Step step : c.steps) {
                VARIANT_BOOL result = 1;
                switch (step) {
                case S::Initialize:
                    answers.push_back({session.plugIn()->Initialize(host.powerPoint(), host.owner(), &result), result});
                    break;
                case S::Terminate: answers.push_back({session.plugIn()->Terminate(), -2}); break;
                case S::Convert: answers.push_back({session.Convert(workbook.get()), -2}); break;
                case S::Complete: {
                    Session::Answer a = session.Complete(workbook.get());
                    answers.push_back({a.hr, a.result});
                    break;
                }
                case S::CompleteNothing: {
                    Session::Answer a = session.Complete(nullptr);
                    answers.push_back({a.hr, a.result});
                    break;
                }
                case S::AllComplete:
                    answers.push_back({handler->ProcessingOfAllObjectsComplete(&result), result});
                    break;
                }
            }
            ASSERT_EQ(answers.size(), c.answers.size());
            for (size_t i = 0; i < answers.size(); ++i) {
                EXPECT_EQ(answers[i].hr, c.answers[i].hr) << "step " << i + 1;
                EXPECT_EQ(answers[i].result, c.answers[i].result) << "step " << i + 1;
            }
        });
        EXPECT_EQ(Converted(FirstChart(excel)), c.converted);
        EXPECT_EQ(excel.model().workbooks[0]->open, c.embeddedOpen);
        int spares = 0;
        for (size_t i = 1; i < excel.model().workbooks.size(); ++i) spares += excel.model().workbooks[i]->open;
        EXPECT_EQ(spares, c.sparesOpen);
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
}

// Nothing for every object argument, and the wrong kind of object (one that answers none of the
// interfaces asked for): the documented answers, and nothing held afterwards.
TEST(ObjectArguments, NothingOrTheWrongKindEverywhere) {
    sim::Host host;
    sim::LogCapture log;
    RunOnFreshThread([&] {
        Session session(host, false);
        IPlugIn* plugIn = session.plugIn();
        ComPtr<IChild> child = As<IChild>(ComPtr<IUnknown>(session.root()), IID_IChild);
        ComPtr<IOLEObjectHandler> handler =
            As<IOLEObjectHandler>(ComPtr<IUnknown>(session.root()), IID_IOLEObjectHandler);
        VARIANT_BOOL result = 1;

        EXPECT_EQ(child->putref_Parent(nullptr), S_OK);
        ComPtr<IDispatch> parent;
        EXPECT_EQ(child->get_Parent(parent.Receive()), S_OK);
        EXPECT_FALSE(parent);
        EXPECT_EQ(child->putref_Parent(host.plain()), kTypeMismatch);

        EXPECT_EQ(plugIn->Initialize(nullptr, nullptr, &result), S_OK);
        EXPECT_EQ(result, VARIANT_TRUE);
        EXPECT_EQ(plugIn->Initialize(host.plain(), host.owner(), &result), kTypeMismatch);
        EXPECT_EQ(result, VARIANT_FALSE);
        EXPECT_EQ(plugIn->Initialize(host.powerPoint(), host.plain(), &result), kTypeMismatch);
        EXPECT_EQ(plugIn->Initialize(host.powerPoint(), host.owner(), &result), S_OK);

        qv::Variant empty;
        EXPECT_EQ(plugIn->OnPluginChange(nullptr, empty.get()), S_OK);
        qv::Bstr answer;
        EXPECT_EQ(plugIn->OnRibbonCallback(nullptr, empty.get(), answer.Receive()), S_OK);
        EXPECT_EQ(answer.length(), 0u);

        BSTR noProgId = nullptr;
        LONG flags = 512;
        EXPECT_EQ(handler->HandleObject(&noProgId, &flags, &result), S_OK);
        EXPECT_EQ(result, VARIANT_FALSE);
        EXPECT_EQ(handler->ChangeToBWNoConfig(nullptr, &flags), S_OK);
        EXPECT_EQ(handler->ChangeToBWNoConfig(nullptr, nullptr), S_OK);
        EXPECT_EQ(session.Complete(nullptr).hr, S_OK);
        // Not a workbook: the conversion still succeeds (only the sheet rotation reports it); the
        // transaction fails with the failed interface query.
        EXPECT_EQ(handler->ChangeToBWNoConfig(host.plain(), &flags), S_OK);
        Session::Answer complete = session.Complete(host.plain());
        EXPECT_EQ(complete.hr, kTypeMismatch);
        EXPECT_EQ(complete.result, VARIANT_FALSE);
        EXPECT_EQ(plugIn->Terminate(), S_OK);
    });
    ExpectNoHostRefs(host);
    EXPECT_EQ(log.Lines(), (Lines{L"IPlugIn_Initialize: ExcelChartHandler", L"IPlugIn_Initialize: ExcelChartHandler",
                                  L"*** Error ***: ReorderSheets: Object variable or With block variable not set"}));
}

// Null pointers where the host should have passed somewhere to put an answer.
TEST(ObjectArguments, NullResultPointersAreRefused) {
    sim::Host host;
    RunOnFreshThread([&] {
        Session session(host);
        IPlugIn* plugIn = session.plugIn();
        ComPtr<IChild> child = As<IChild>(ComPtr<IUnknown>(session.root()), IID_IChild);
        ComPtr<IOLEObjectHandler> handler =
            As<IOLEObjectHandler>(ComPtr<IUnknown>(session.root()), IID_IOLEObjectHandler);
        qv::Bstr progId(L"Excel.Chart.8");
        BSTR id = progId.get();
        LONG flags = 512;
        VARIANT_BOOL result;
        qv::Variant empty;
        const std::pair<const char*, std::function<HRESULT()>> calls[] = {
            {"Initialize", [&] { return plugIn->Initialize(host.powerPoint(), host.owner(), nullptr); }},
            {"OnStartUpComplete", [&] { return plugIn->OnStartUpComplete(nullptr); }},
            {"Name", [&] { return plugIn->get_Name(nullptr); }},
            {"OnRibbonCallback", [&] { return plugIn->OnRibbonCallback(id, empty.get(), nullptr); }},
            {"Parent get", [&] { return child->get_Parent(nullptr); }},
            {"HandleObject ProgID", [&] { return handler->HandleObject(nullptr, &flags, &result); }},
            {"HandleObject flags", [&] { return handler->HandleObject(&id, nullptr, &result); }},
            {"HandleObject result", [&] { return handler->HandleObject(&id, &flags, nullptr); }},
            {"TransactionOnObjectComplete", [&] { return handler->TransactionOnObjectComplete(nullptr, nullptr); }},
            {"ProcessingOfAllObjectsComplete", [&] { return handler->ProcessingOfAllObjectsComplete(nullptr); }},
        };
        for (auto& [name, call] : calls) EXPECT_EQ(call(), E_POINTER) << name;
    });
    ExpectNoHostRefs(host);
}

// The host lets go of its workbook between the conversion and the transaction, and completes the
// object with Nothing: the spare is closed, the embedded workbook is the host's business.
TEST(WorkbookGoesAway, HostReleasesItHalfway) {
    sim::Excel excel(sim::AppWithChartObjects(2, 51, L"12.0"));
    sim::Host host;
    RunOnFreshThread([&] {
        Session session(host);
        ComPtr<IDispatch> workbook = WorkbookRef(excel);
        EXPECT_EQ(session.Convert(workbook.get()), S_OK);
        workbook.reset();
        EXPECT_EQ(excel.objectsWithRefs(), (Held{L"Book2 (1)"}));  // the spare, until the transaction
        Session::Answer a = session.Complete(nullptr);
        EXPECT_EQ(a.hr, S_OK);
        EXPECT_EQ(a.result, VARIANT_FALSE);
    });
    EXPECT_TRUE(excel.model().workbooks[0]->open);
    EXPECT_FALSE(excel.model().workbooks[1]->open);
    ExpectExcelBalanced(excel);
    ExpectNoHostRefs(host);
}

// Excel stops answering (the user closed the workbook, or Excel went away) from some call of the
// conversion on: every later call fails. The conversion still succeeds towards the host, the
// transaction reports the failed Close, and nothing stays referenced.
TEST(WorkbookGoesAway, ExcelStopsAnsweringHalfway) {
    constexpr HRESULT kDisconnected = RPC_E_DISCONNECTED;
    long calls = 0;
    {
        sim::Excel excel(sim::AppWithChartObjects(2, 51, L"12.0"));
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host);
            ComPtr<IDispatch> workbook = WorkbookRef(excel);
            session.Convert(workbook.get());
            session.Complete(workbook.get());
        });
        calls = excel.callCount();
    }
    for (long from : {1L, 2L, 12L, calls / 4, calls / 2, calls - 3, calls - 1, calls}) {
        SCOPED_TRACE(testing::Message() << "failing from call " << from << " of " << calls);
        sim::Excel excel(sim::AppWithChartObjects(2, 51, L"12.0"));
        for (long k = from; k <= calls + 10; ++k) {
            sim::FaultRule rule;
            rule.callIndex = k;
            rule.fault.scode = kDisconnected;
            rule.fault.description = L"The object invoked has disconnected from its clients.";
            excel.addFault(rule);
        }
        sim::Host host;
        RunOnFreshThread([&] {
            Session session(host);
            ComPtr<IDispatch> workbook = WorkbookRef(excel);
            EXPECT_EQ(session.Convert(workbook.get()), S_OK);
            Session::Answer a = session.Complete(workbook.get());
            EXPECT_EQ(a.hr, kDisconnected);  // the Close, the last call, fails in every case
            EXPECT_EQ(a.result, VARIANT_FALSE);
        });
        ExpectExcelBalanced(excel, {});
        ExpectNoHostRefs(host);
    }
}

// Two objects converted without a transaction between them, each workbook alone in its Excel:
// the second conversion's spare replaces the first one's, which is not closed (the plug-in holds
// one spare at a time) but whose reference is let go. The host's transactions then close the
// second spare and both workbooks.
TEST(CallOrder, TwoObjectsWithoutATransactionBetween) {
    sim::Excel first(sim::AppWithChartObjects(1, 51, L"12.0"));
    sim::Excel second(sim::AppWithChartObjects(1, 51, L"12.0"));
    sim::Host host;
    RunOnFreshThread([&] {
        Session session(host);
        ComPtr<IDispatch> a = WorkbookRef(first), b = WorkbookRef(second);
        EXPECT_EQ(session.Convert(a.get()), S_OK);
        EXPECT_EQ(session.Convert(b.get()), S_OK);
        EXPECT_EQ(first.objectsWithRefs(), (Held{L"Book1 (1)"}));  // only the host's own
        Session::Answer completeB = session.Complete(b.get());
        Session::Answer completeA = session.Complete(a.get());
        EXPECT_EQ(completeB.hr, S_OK);
        EXPECT_EQ(completeA.hr, S_OK);
        EXPECT_EQ(completeA.result, VARIANT_TRUE);
    });
    EXPECT_TRUE(Converted(FirstChart(first)));
    EXPECT_TRUE(Converted(FirstChart(second)));
    EXPECT_FALSE(first.model().workbooks[0]->open);
    EXPECT_TRUE(first.model().workbooks[1]->open);  // the first spare, replaced without closing
    EXPECT_FALSE(second.model().workbooks[0]->open);
    EXPECT_FALSE(second.model().workbooks[1]->open);
    ExpectExcelBalanced(first);
    ExpectExcelBalanced(second);
    ExpectNoHostRefs(host);
}
