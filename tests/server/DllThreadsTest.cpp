// The DLL as a host process uses it over time: plug-ins created, driven and released on
// threads that then end, with the log writing to its file, and the DLL unloaded and loaded
// again. The component's per-thread state (log run state, apartment-wide slots, the cached type
// library) is torn down as each thread ends; a fault there would take the host down when one of
// its threads exits, long after the pass.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <thread>

#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "sim/SimHost.h"
#include "tests/server/ServerTestSupport.h"

using qv::ComPtr;
using servertest::DllPath;
using servertest::ServerDll;

namespace {

struct ThreadOutcome {
    HRESULT factory = E_FAIL;
    bool converted = false;
    HRESULT typeInfo = E_FAIL;
};

// One host session on the calling thread: a plug-in from the DLL's class factory, started,
// offered one embedded workbook, terminated and released.
ThreadOutcome RunSession(const ServerDll& dll, sim::Excel& excel, sim::WorkbookModel& book) {
    ThreadOutcome out;
    sim::Host host;
    ComPtr<IClassFactory> factory;
    out.factory = dll.getClassObject(qv::ids::CLSID_ExcelChartHandler, IID_IClassFactory, factory.ReceiveVoid());
    if (FAILED(out.factory)) return out;
    ComPtr<IUnknown> plugin;
    out.factory = factory->CreateInstance(nullptr, IID_IUnknown, plugin.ReceiveVoid());
    if (FAILED(out.factory)) return out;
    // The type library is loaded and cached for the thread.
    ComPtr<IDispatch> disp;
    ComPtr<ITypeInfo> info;
    if (SUCCEEDED(plugin->QueryInterface(IID_IDispatch, disp.ReceiveVoid())))
        out.typeInfo = disp->GetTypeInfo(0, 1033, info.Receive());

    sim::StartPlugIn(plugin.get(), host);
    ComPtr<IDispatch> workbook = ComPtr<IDispatch>::Attach(excel.NewWorkbookRef(book));
    const sim::PassResult pass = sim::RunPass(plugin.get(), {{L"Excel.Sheet.12", 512, workbook.get()}});
    out.converted = pass.objects.size() == 1 && pass.objects[0].converted;
    return out;
}

}  // namespace

TEST(DllThreads, SessionsOnEndingThreadsThenUnloadAndReload) {
    sim::LogCapture log(true, L"QVCHBW01");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(testing::Message() << "load " << round + 1);
        ServerDll dll(DllPath());
        ASSERT_TRUE(dll.getClassObject && dll.canUnloadNow);
        for (int i = 0; i < 6; ++i) {
            sim::Excel excel(sim::AppWithChartObjects(1));
            sim::WorkbookModel& book = *excel.model().workbooks[0];
            ThreadOutcome outcome;
            std::thread([&] {
                CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                outcome = RunSession(dll, excel, book);
                CoUninitialize();
            }).join();
            EXPECT_EQ(outcome.factory, S_OK);
            EXPECT_EQ(outcome.typeInfo, S_OK);
            EXPECT_TRUE(outcome.converted);
            EXPECT_EQ(excel.outstandingRefs(), 0);
            EXPECT_TRUE(excel.overReleased().empty());
        }
        EXPECT_EQ(dll.canUnloadNow(), S_OK);
    }
    // Every thread started its own log run and wrote its lines to the same file.
    const std::vector<std::wstring> lines = log.Lines();
    long initialised = 0;
    for (const std::wstring& line : lines) initialised += line == L"IPlugIn_Initialize: ExcelChartHandler";
    EXPECT_EQ(initialised, 12);
}
