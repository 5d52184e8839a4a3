// Host threads that end after using the plug-in. Its per-thread state (the log's run state, the
// published host objects, the cached type library) must not run code at thread exit: the
// toolchain's emulated thread-local storage frees a thread's block before the destructors
// registered for it run, so a destructor there reads freed memory and can take the host down
// when its thread ends. Each thread here logs to a file, converts a chart and fetches the type
// information, then churns the heap before it ends, so that freed memory is reused or given
// back to the system.
#include <gtest/gtest.h>

#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "tests/plugin/PlugInTesting.h"

#include <memory>
#include <vector>

using namespace plugintest;

TEST(ThreadEnd, ThreadsThatUsedThePlugInEndCleanly) {
    sim::LogCapture log;
    for (int round = 0; round < 40; ++round) {
        sim::Excel excel(sim::AppWithChartObjects(1, 51, L"12.0"));
        sim::Host host;
        sim::RunOnFreshThread([&] {
            {
                Session session(host);
                ComPtr<IDispatch> workbook = WorkbookRef(excel);
                EXPECT_EQ(session.Convert(workbook.get()), S_OK);
                EXPECT_EQ(session.Complete(workbook.get()).hr, S_OK);
                ComPtr<IDispatch> dispatch = As<IDispatch>(ComPtr<IUnknown>(session.root()), IID_IDispatch);
                ComPtr<ITypeInfo> info;
                dispatch->GetTypeInfo(0, 1033, info.Receive());
            }
            // Heap churn: many blocks made and freed, so that the heap gives freed pages back.
            std::vector<std::unique_ptr<char[]>> blocks;
            for (int i = 0; i < 20000; ++i) blocks.emplace_back(new char[64 + (i % 7) * 100]);
            blocks.clear();
        });
        ExpectExcelBalanced(excel);
        ExpectNoHostRefs(host);
    }
    EXPECT_FALSE(log.Lines().empty());
}
