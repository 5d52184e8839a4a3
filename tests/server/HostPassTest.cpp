// A whole host pass through the registered DLL: the host stand-in creates the plug-in by its
// ProgID, starts it and offers it an embedded workbook of the Excel stand-in.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "com/ComSupport.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "sim/SimHost.h"

using qv::ComPtr;

TEST(HostPass, ConvertsAndClosesAnEmbeddedWorkbookThroughTheRegisteredServer) {
    sim::Excel excel(sim::AppWithChartObjects(2));
    sim::WorkbookModel& book = *excel.model().workbooks[0];
    sim::Host host;
    {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(L"QVCHBW01.ExcelChartHandler", &clsid), S_OK);
        ComPtr<IUnknown> plugin;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, plugin.ReceiveVoid()), S_OK);

        const sim::StartResult start = sim::StartPlugIn(plugin.get(), host);
        EXPECT_EQ(start.parentHr, S_OK);
        EXPECT_EQ(start.initializeHr, S_OK);
        EXPECT_EQ(start.initialized, VARIANT_TRUE);

        ComPtr<IDispatch> workbook = ComPtr<IDispatch>::Attach(excel.NewWorkbookRef(book));
        const sim::PassResult pass =
            sim::RunPass(plugin.get(), {{L"Excel.Sheet.12", 512, workbook.get()}, {L"Word.Document.8", 512, nullptr}});
        ASSERT_EQ(pass.queryHr, S_OK);
        ASSERT_EQ(pass.objects.size(), 2u);
        EXPECT_EQ(pass.objects[0].handled, VARIANT_TRUE);
        EXPECT_TRUE(pass.objects[0].converted);
        EXPECT_EQ(pass.objects[0].convertHr, S_OK);
        EXPECT_EQ(pass.objects[0].transactionHr, S_OK);
        EXPECT_EQ(pass.objects[0].transactionResult, VARIANT_TRUE);
        EXPECT_EQ(pass.objects[1].handled, VARIANT_FALSE);
        EXPECT_FALSE(pass.objects[1].converted);
        EXPECT_EQ(pass.allComplete, VARIANT_TRUE);
        EXPECT_EQ(pass.terminateHr, S_OK);
    }
    EXPECT_EQ(excel.outstandingRefs(), 0) << "the plug-in kept Excel objects";
    EXPECT_TRUE(excel.overReleased().empty());
    EXPECT_TRUE(host.unexpectedCalls().empty());

    // Both embedded charts were rewritten in black and white, and the workbook was closed
    // without being saved.
    for (const sim::ChartObjectModel& object : book.sheets[0]->chartObjects) {
        SCOPED_TRACE(testing::Message() << object.name.c_str());
        EXPECT_EQ(object.chart.chartArea.border.color, 0);
        EXPECT_EQ(object.chart.plotArea.interior.color, 0xFFFFFF);
        for (const sim::SeriesModel& series : object.chart.series) {
            EXPECT_EQ(series.fill.type, sim::FillModel::Type::Patterned);
            EXPECT_NE(series.fill.pattern, 0);
        }
    }
    EXPECT_FALSE(book.open);
    EXPECT_FALSE(book.saved);
    EXPECT_FALSE(book.closedWithSaveChanges);
}
