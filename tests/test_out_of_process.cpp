// The plug-in with Excel in another process, as it is in PowerPoint: the Excel stand-in runs in
// its own local server (tools/simexcel), so every call crosses processes through COM's proxies,
// Excel's interface ids are queried on proxies, VARIANTs, BSTRs and objects are marshalled and
// objects are released in the other process. The sample deck's pass makes the same calls as in
// process and leaves no reference in either process; a sample of the every-call fault runs holds
// to the same error rules; and a busy server that refuses calls costs steps, never a crash or a
// reference.
#include <gtest/gtest.h>

#include "com/Automation.h"
#include "excel/ExcelObjectModel.h"
#include "plugin/ExcelChartHandler.h"
#include "plugin/ThreadState.h"
#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "tests/plugin/PlugInTesting.h"
#include "tests/proof/Runs.h"
#include "tools/simexcel/RemoteExcel.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace proof;
using qv::ComPtr;

namespace {

using CallLog = std::vector<sim::CallRecord>;
namespace M = qv::excel::Member;

// The server registered for the whole program (and unregistered after, when it was not before).
void EnsureServerRegistered() {
    static simexcel::ServerRegistration registration;
    static std::string error;
    static const bool ready = registration.Ensure(simexcel::ServerPathBesideThisProgram(), error);
    ASSERT_TRUE(ready) << error;
}

// The sample deck loaded into a server process: one Excel instance per object with a workbook.
struct RemoteDeck {
    simexcel::RemoteExcel server;
    std::vector<DeckEntry> entries = SampleDeck();
    std::vector<long> ids;  // 0 where the host offers Nothing

    RemoteDeck() {
        EXPECT_EQ(server.Start(), S_OK);
        for (DeckEntry& e : entries)
            ids.push_back(e.hasWorkbook && server.started()
                              ? server.Load(std::move(e.application), e.embeddedWorkbook, e.name, e.progId, e.flags)
                              : 0);
    }
};

// A whole host pass with the plug-in in this process and Excel in the server's: start-up, every
// object, all-complete and Terminate; then every reference the pass took must be back.
PassRun RunRemotePass(RemoteDeck& deck, sim::Host& host) {
    PassRun run;
    std::vector<IDispatch*> workbooks;
    std::vector<sim::OfferedObject> offers;
    for (size_t i = 0; i < deck.entries.size(); ++i) {
        workbooks.push_back(deck.ids[i] ? deck.server.NewWorkbookRef(deck.ids[i]) : nullptr);
        offers.push_back({deck.entries[i].progId, deck.entries[i].flags, workbooks.back()});
    }
    {
        ComPtr<IUnknown> plugin;
        if (SUCCEEDED(qv::CreateExcelChartHandler(IID_IUnknown, plugin.ReceiveVoid()))) {
            run.start = sim::StartPlugIn(plugin.get(), host);
            run.pass = sim::RunPass(plugin.get(), offers);
        }
    }
    for (IDispatch* w : workbooks)
        if (w) w->Release();
    qv::ReleasePublishedHostObjects();
    return run;
}

void CheckRemoteBalance(RemoteDeck& deck, const sim::Host& host, Problems& problems) {
    for (size_t i = 0; i < deck.ids.size(); ++i) {
        if (!deck.ids[i]) continue;
        for (const std::wstring& p : deck.server.Balance(deck.ids[i]))
            problems.push_back("object " + std::to_string(i + 1) + ": " + Narrow(p));
    }
    if (long refs = deck.server.OutstandingRefs()) problems.push_back("server: " + std::to_string(refs) + " references outstanding");
    CheckBalanced(host, problems);
}

// The in-process pass, for comparison: each object's calls.
std::vector<CallLog> InProcessCalls() {
    std::vector<CallLog> calls;
    sim::RunOnFreshThread([&] {
        LiveDeck deck;
        sim::Host host;
        RunHostPass(deck, host);
        for (size_t i = 0; i < deck.size(); ++i) calls.push_back(deck.excel(i) ? deck.excel(i)->calls() : CallLog{});
    });
    return calls;
}

bool SameLog(const CallLog& a, const CallLog& b, std::string& difference) {
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || !SameCall(a[i], b[i])) {
            difference = "call " + std::to_string(i + 1) + ": " + (i < a.size() ? Describe(a[i]) : "none") + " / " +
                         (i < b.size() ? Describe(b[i]) : "none");
            return false;
        }
    }
    return true;
}

}  // namespace

// The server is another process, and Excel's interface ids are answered through its proxies as
// the plug-in queries them: only those the object has.
TEST(OutOfProcess, ProxiesAnswerExcelsInterfaceIds) {
    EnsureServerRegistered();
    sim::RunOnFreshThread([] {
        simexcel::RemoteExcel server;
        ASSERT_EQ(server.Start(), S_OK);
        EXPECT_NE(server.ProcessId(), GetCurrentProcessId());
        // A 3-D column on a chart sheet: it has walls.
        const long id = server.Load(sim::AppWithChartSheet(54), 0);
        {
            ComPtr<IDispatch> wb = ComPtr<IDispatch>::Attach(server.NewWorkbookRef(id));
            qv::Dispatch chart = qv::GetObject(wb.get(), M::ActiveChart);
            qv::Dispatch series = qv::CallObject(chart.get(), M::SeriesCollection, {qv::Variant::I4(1)});
            qv::Dispatch wallsFill = qv::GetObject(qv::GetObject(chart.get(), M::Walls).get(), M::Fill);
            const struct {
                const char* what;
                IDispatch* object;
                const IID* iid;
                HRESULT hr;
            } cases[] = {
                {"workbook as _Workbook", wb.get(), &qv::excel::IID_Workbook, S_OK},
                {"chart as _Chart", chart.get(), &qv::excel::IID_Chart, S_OK},
                {"series as Series", series.get(), &qv::excel::IID_Series, S_OK},
                {"walls' fill as ChartFillFormat", wallsFill.get(), &qv::excel::IID_ChartFillFormat, S_OK},
                {"walls' fill as Office FillFormat", wallsFill.get(), &qv::excel::IID_FillFormat, S_OK},
                {"workbook as _Chart", wb.get(), &qv::excel::IID_Chart, E_NOINTERFACE},
                {"series as _Worksheet", series.get(), &qv::excel::IID_Worksheet, E_NOINTERFACE},
            };
            for (const auto& c : cases) {
                SCOPED_TRACE(c.what);
                ComPtr<IDispatch> view;
                EXPECT_EQ(c.object->QueryInterface(*c.iid, view.ReceiveVoid()), c.hr);
                // A view through the proxy still reaches the object.
                UINT count = 1;
                if (view) {
                    EXPECT_EQ(view->GetTypeInfoCount(&count), S_OK);
                }
            }
        }
        EXPECT_EQ(server.Balance(id), std::vector<std::wstring>{});
        EXPECT_EQ(server.OutstandingRefs(), 0);
    });
}

// The client of the test below, in a process of its own: it starts a server, writes the server's
// process id into the file QV_VANISHING_CLIENT_OUT names, and ends its process at once, releasing
// nothing, as a client that crashes or is killed does. Run only by that test.
TEST(OutOfProcess, DISABLED_ClientThatVanishes) {
    wchar_t out[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"QV_VANISHING_CLIENT_OUT", out, MAX_PATH), 0u);
    sim::RunOnFreshThread([&] {
        simexcel::RemoteExcel server;
        ASSERT_EQ(server.Start(), S_OK);
        server.Load(sim::AppWithChartSheet(51), 0);
        const std::string pid = std::to_string(server.ProcessId());
        HANDLE file = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
        CloseHandle(file);
        TerminateProcess(GetCurrentProcess(), 0);
    });
}

// A server whose client's process ends without releasing it ends too, instead of waiting for a
// release for ever (and holding whatever streams the client's runner handed down).
TEST(OutOfProcess, ServerEndsWithItsVanishedClient) {
    EnsureServerRegistered();
    wchar_t self[MAX_PATH] = {}, folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    GetTempPathW(MAX_PATH, folder);
    const std::wstring out = std::wstring(folder) + L"qv-vanishing-client-" + std::to_wstring(GetCurrentProcessId());
    DeleteFileW(out.c_str());
    SetEnvironmentVariableW(L"QV_VANISHING_CLIENT_OUT", out.c_str());
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=OutOfProcess.DISABLED_ClientThatVanishes";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(nul);
    SetEnvironmentVariableW(L"QV_VANISHING_CLIENT_OUT", nullptr);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the client did not end";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    char text[32] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the client did not start its server";
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    DeleteFileW(out.c_str());
    const DWORD serverPid = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
    ASSERT_NE(serverPid, 0u);
    // Ended already (the id names no process) or ends within moments.
    HANDLE server = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, serverPid);
    if (!server) return;
    const DWORD waited = WaitForSingleObject(server, 30000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(server, 1);
    CloseHandle(server);
    EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the server still runs after its client ended";
}

// The sample deck's pass makes exactly the calls it makes with Excel in process, and every
// reference comes back in both processes.
TEST(OutOfProcess, SamplePassMatchesTheInProcessPass) {
    EnsureServerRegistered();
    const std::vector<CallLog> expected = InProcessCalls();
    sim::RunOnFreshThread([&] {
        RemoteDeck deck;
        ASSERT_TRUE(deck.server.started());
        sim::Host host;
        deck.server.ResetRoundTrips();
        const PassRun run = RunRemotePass(deck, host);
        EXPECT_EQ(run.start.initializeHr, S_OK);
        ASSERT_EQ(run.pass.objects.size(), deck.entries.size());
        long calls = 0;
        for (size_t i = 0; i < deck.entries.size(); ++i) {
            SCOPED_TRACE("object " + std::to_string(i + 1));
            EXPECT_EQ(run.pass.objects[i].convertHr, S_OK);
            EXPECT_EQ(run.pass.objects[i].transactionHr, S_OK);
            const CallLog got = deck.ids[i] ? deck.server.Calls(deck.ids[i]) : CallLog{};
            std::string difference;
            EXPECT_TRUE(SameLog(expected[i], got, difference)) << difference;
            calls += static_cast<long>(got.size());
        }
        Problems problems;
        CheckRemoteBalance(deck, host, problems);
        EXPECT_EQ(problems, Problems{});
        const simexcel::RoundTripCounts trips = deck.server.RoundTrips();
        std::printf("[ figures  ] %ld Excel calls; round trips: %ld Invoke, %ld GetIDsOfNames, %ld QueryInterface, "
                    "%ld AddRef, %ld Release\n",
                    calls, trips.invoke, trips.names, trips.query, trips.addRef, trips.release);
        // The stand-in logs a call by name as one call: its GetIDsOfNames and Invoke.
        EXPECT_EQ(trips.invoke, calls);
    });
}

// A busy Excel refuses calls through its message filter. The plug-in meets a refused call as a
// failed one: the conversion's steps are skipped under the resume-next rule, the transaction's
// untrapped Close returns the refusal to the host, and no reference is left behind.
TEST(OutOfProcess, RefusedCallsAreFailedSteps) {
    EnsureServerRegistered();
    const struct {
        const char* name;
        DWORD answer;
        long acceptFirst;
        HRESULT refused;     // what a refused call returns to the plug-in
    } cases[] = {
        {"rejected from the first call", SERVERCALL_REJECTED, 0, RPC_E_CALL_REJECTED},
        {"rejected halfway", SERVERCALL_REJECTED, 40, RPC_E_CALL_REJECTED},
        {"retry later from the first call", SERVERCALL_RETRYLATER, 0, RPC_E_SERVERCALL_RETRYLATER},
        {"retry later halfway", SERVERCALL_RETRYLATER, 40, RPC_E_SERVERCALL_RETRYLATER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Host host;
        sim::LogCapture log;
        sim::RunOnFreshThread([&] {
            simexcel::RemoteExcel server;
            ASSERT_EQ(server.Start(), S_OK);
            const long id = server.Load(sim::AppWithChartSheet(51), 0);
            ComPtr<IDispatch> wb = ComPtr<IDispatch>::Attach(server.NewWorkbookRef(id));
            HRESULT convertHr = E_FAIL;
            plugintest::Session::Answer complete{};
            {
                plugintest::Session session(host);
                server.Refuse(c.answer, c.acceptFirst);
                convertHr = session.Convert(wb.get());
                complete = session.Complete(wb.get());
                server.Refuse(SERVERCALL_ISHANDLED, -1);
            }
            wb.reset();
            std::printf("[ figures  ] %s: ChangeToBWNoConfig 0x%08lX, TransactionOnObjectComplete 0x%08lX, %ld calls\n",
                        c.name, static_cast<unsigned long>(convertHr), static_cast<unsigned long>(complete.hr),
                        server.CallCount(id));
            EXPECT_EQ(convertHr, S_OK);
            EXPECT_EQ(complete.hr, c.refused);
            EXPECT_EQ(complete.result, VARIANT_FALSE);
            long accepted = 0;
            for (const sim::CallRecord& call : server.Calls(id)) accepted += SUCCEEDED(call.result) ? 1 : 0;
            EXPECT_EQ(accepted, c.acceptFirst);
            EXPECT_EQ(server.Balance(id), std::vector<std::wstring>{});
            EXPECT_EQ(server.OutstandingRefs(), 0);
        });
        Problems problems;
        CheckBalanced(host, problems);
        EXPECT_EQ(problems, Problems{});
        // The sheet rotation traps its first error and logs it.
        std::wstring rotation;
        for (const std::wstring& line : log.Lines())
            if (line.rfind(L"*** Error ***: ReorderSheets: ", 0) == 0) rotation = line;
        EXPECT_FALSE(rotation.empty());
        std::printf("[ figures  ] %s: log: %ls\n", c.name, rotation.c_str());
    }
}

// A sample of the every-call fault runs, with Excel in the server: one call of the pass fails
// (an error, Nothing, a value of the wrong type), evenly spread over the pass and the kinds. The
// calls before the fault are those of the unfaulted pass, the later steps that do not depend on
// it are still made, the host's answers follow the error rules, and no reference is left.
TEST(OutOfProcess, SampleOfSingleFaultsInAHostPass) {
    EnsureServerRegistered();
    const std::vector<CallLog> baseline = InProcessCalls();
    std::vector<std::pair<size_t, long>> positions;
    for (size_t i = 0; i < baseline.size(); ++i)
        for (long k = 1; k <= static_cast<long>(baseline[i].size()); ++k) positions.push_back({i, k});
    ASSERT_GT(positions.size(), 1000u);
    constexpr int kRuns = 9;
    for (int run = 0; run < kRuns; ++run) {
        const auto [object, call] = positions[(positions.size() - 1) * run / (kRuns - 1)];
        const sim::FaultKind kind = kFaultKinds[run % 3];
        const CallLog& expected = baseline[object];
        const std::string label = std::string(KindName(kind)) + " at object " + std::to_string(object + 1) + " " +
                                  Describe(expected[call - 1]);
        SCOPED_TRACE(label);
        sim::Host host;
        sim::RunOnFreshThread([&] {
            RemoteDeck deck;
            ASSERT_TRUE(deck.server.started());
            sim::FaultRule rule;
            rule.callIndex = call;
            rule.fault = MakeFault(kind);
            rule.times = 1;
            deck.server.AddFault(deck.ids[object], rule);
            const PassRun pass = RunRemotePass(deck, host);
            ASSERT_EQ(pass.pass.objects.size(), deck.entries.size());
            for (size_t i = 0; i < deck.entries.size(); ++i) {
                const sim::ObjectAnswer& a = pass.pass.objects[i];
                EXPECT_EQ(a.convertHr, S_OK) << "object " << i + 1;
                const bool failedClose = i == object && kind == sim::FaultKind::Error && expected[call - 1].member == L"Close";
                EXPECT_EQ(a.transactionHr, failedClose ? static_cast<HRESULT>(0x800A03EC) : S_OK) << "object " << i + 1;
            }
            const CallLog got = deck.server.Calls(deck.ids[object]);
            ASSERT_GE(got.size(), static_cast<size_t>(call));
            for (long i = 0; i < call; ++i) ASSERT_TRUE(SameCall(expected[i], got[i])) << "call " << i + 1 << " differs";
            EXPECT_EQ(MissingLaterWrites(expected, got, call), std::vector<std::string>{});
            Problems problems;
            CheckRemoteBalance(deck, host, problems);
            EXPECT_EQ(problems, Problems{});
        });
    }
}
