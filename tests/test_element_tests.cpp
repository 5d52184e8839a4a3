// The chart element tests against the Excel stand-in: what counts as a drawn border, a visible
// fill and a border distinct from its fill, and that a failing read never escapes or leaks.
#include <gtest/gtest.h>

#include "chart/ElementTests.h"
#include "excel/ExcelObjectModel.h"
#include "com/Automation.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "tests/sim_support.h"

using namespace qv;
using namespace qv::excel;
using namespace qv::chart;
using simtest::Narrow;
using simtest::Walk;

namespace {

struct ElementTestsTest : ::testing::Test {
    sim::Excel excel{sim::AppWithChartObjects(1, -4100)};  // 3-D: walls and floor exist

    sim::ChartModel& model() { return excel.model().workbooks[0]->sheets[0]->chartObjects[0].chart; }
    Dispatch Chart() { return Dispatch::Attach(excel.NewChartRef(model())); }
    Dispatch AreaBorder() { return Walk(Chart().get(), {Member::ChartArea, Member::Border}); }
    Dispatch WallsFillFormat() { return QueryAs(Walk(Chart().get(), {Member::Walls, Member::Fill}).get(), IID_FillFormat); }

    void Fail(const wchar_t* member) {
        sim::FaultRule rule;
        rule.member = member;
        excel.addFault(rule);
    }
    void TearDown() override {
        EXPECT_EQ(excel.outstandingRefs(), 0) << ::testing::PrintToString(excel.objectsWithRefs());
        EXPECT_TRUE(excel.overReleased().empty());
    }
};

TEST_F(ElementTestsTest, BorderIsDrawnWhenWeightIsPositiveAndStyleIsNotNone) {
    struct Case { int32_t weight, lineStyle; bool drawn; } cases[] = {
        {2, 1, true},          {2, -4142, false},     {1, -4118, true},  {4, 4, true},
        {-4138, 1, false},     {-4138, -4142, false}, {-4138, -4115, false},
    };
    Dispatch border = AreaBorder();
    for (const Case& c : cases) {
        model().chartArea.border.weight = c.weight;
        model().chartArea.border.lineStyle = c.lineStyle;
        EXPECT_EQ(IsBorderDrawn(border.get()), c.drawn) << c.weight << " / " << c.lineStyle;
    }
    // Weight is read first, then LineStyle, with nothing written.
    excel.clearCalls();
    IsBorderDrawn(border.get());
    ASSERT_EQ(excel.calls().size(), 2u);
    EXPECT_EQ(Narrow(excel.calls()[0].member), "Weight");
    EXPECT_EQ(Narrow(excel.calls()[1].member), "LineStyle");
    EXPECT_EQ(excel.calls()[1].kind, sim::CallKind::Get);
}

TEST_F(ElementTestsTest, FailingReadsAndAbsentObjectsAnswerFalse) {
    EXPECT_FALSE(IsBorderDrawn(nullptr));
    EXPECT_FALSE(IsFillVisible(nullptr));
    Dispatch border = AreaBorder();
    Dispatch fill = WallsFillFormat();
    ASSERT_TRUE(IsBorderDrawn(border.get()));
    ASSERT_TRUE(IsFillVisible(fill.get()));

    Fail(L"LineStyle");
    EXPECT_FALSE(IsBorderDrawn(border.get()));
    excel.clearFaults();
    Fail(L"Weight");
    EXPECT_FALSE(IsBorderDrawn(border.get()));
    Fail(L"Visible");
    EXPECT_FALSE(IsFillVisible(fill.get()));
}

TEST_F(ElementTestsTest, FillIsVisibleUnlessTriStateIsFalse) {
    struct Case { int32_t visible; bool expected; } cases[] = {
        {-1, true}, {0, false}, {-2, true}, {1, true},
    };
    Dispatch fill = WallsFillFormat();
    for (const Case& c : cases) {
        model().walls.fill.visible = c.visible;
        EXPECT_EQ(IsFillVisible(fill.get()), c.expected) << c.visible;
    }
    // The read goes to Office FillFormat's Visible, not ChartFillFormat's.
    EXPECT_EQ(excel.calls().back().dispid, 113);
    EXPECT_EQ(Narrow(excel.calls().back().object), "FillFormat");
}

TEST_F(ElementTestsTest, BorderDistinctFromFill) {
    model().chartArea.border.color = 0x00FF00;
    Dispatch chart = Chart();
    Dispatch border = AreaBorder();
    struct Case { const char* what; int32_t weight, lineStyle; long fillColour; bool colorsAsDouble, expected; } cases[] = {
        {"same colour", 2, 1, 0x00FF00, true, false},
        {"same colour, read as I4", 2, 1, 0x00FF00, false, false},
        {"different colour", 2, 1, 0xFFFFFF, true, true},
        {"different colour, not drawn", 2, -4142, 0xFFFFFF, true, false},
        {"different colour, medium weight", -4138, 1, 0xFFFFFF, true, false},
    };
    for (const Case& c : cases) {
        model().chartArea.border.weight = c.weight;
        model().chartArea.border.lineStyle = c.lineStyle;
        excel.options().colorsAsDouble = c.colorsAsDouble;
        EXPECT_EQ(IsBorderDistinctFromFill(border.get(), chart.get(), c.fillColour), c.expected) << c.what;
    }
    EXPECT_FALSE(IsBorderDistinctFromFill(border.get(), nullptr, 0xFFFFFF));
    EXPECT_FALSE(IsBorderDistinctFromFill(nullptr, chart.get(), 0xFFFFFF));
}

TEST_F(ElementTestsTest, UnreadableColourLeavesTheDecisionToTheBorderTest) {
    model().chartArea.border.color = 0x00FF00;
    Dispatch chart = Chart();
    Dispatch border = AreaBorder();
    excel.clearCalls();
    Fail(L"Color");
    // Even with the fill colour equal to the border's, a colour that cannot be read counts as
    // different.
    EXPECT_TRUE(IsBorderDistinctFromFill(border.get(), chart.get(), 0x00FF00));
    model().chartArea.border.lineStyle = -4142;
    EXPECT_FALSE(IsBorderDistinctFromFill(border.get(), chart.get(), 0x00FF00));
    // The chart is only checked for presence: nothing is called on it.
    for (const sim::CallRecord& c : excel.calls()) EXPECT_EQ(Narrow(c.object), "Border");
}

}  // namespace
