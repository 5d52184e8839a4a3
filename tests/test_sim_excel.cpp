// The Excel stand-in's own contract, where a fault in it would mislead every other test:
// identity, reference accounting, the call log, fault injection, the effects of writes and of
// Move/Add/Close, absent elements and Excel's calling conventions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "excel/ExcelObjectModel.h"
#include "com/Automation.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "sim/StandInServer.h"
#include "tests/sim_support.h"

using namespace qv;
using namespace qv::excel;
using namespace simtest;
using sim::CallKind;

namespace {

constexpr HRESULT kExcel1004 = static_cast<HRESULT>(0x800A03EC);

struct SimExcelTest : ::testing::Test {
    sim::Excel excel{sim::AppWithChartObjects(2, 51)};

    sim::WorkbookModel& book() { return *excel.model().workbooks[0]; }
    sim::ChartModel& chartModel(int j = 0) { return book().sheets[0]->chartObjects[j].chart; }
    Dispatch Workbook() { return Dispatch::Attach(excel.NewWorkbookRef(book())); }
    Dispatch Chart(int j = 0) { return Dispatch::Attach(excel.NewChartRef(chartModel(j))); }
    Dispatch App() { return Dispatch::Attach(excel.NewApplicationRef()); }
    std::string Log() const { return Narrow(excel.describeCalls()); }

    void TearDown() override {
        EXPECT_EQ(excel.outstandingRefs(), 0) << ::testing::PrintToString(excel.objectsWithRefs());
        EXPECT_TRUE(excel.overReleased().empty());
    }
};

// ---- identity and interfaces ---------------------------------------------------------------

TEST_F(SimExcelTest, EveryWayToANodeGivesTheSameObject) {
    Dispatch app = App();
    Dispatch wb = Workbook();
    Dispatch byIndex = CallObject(GetObject(app.get(), Member::Workbooks).get(), Member::Item, {Variant::I4(1)});
    Dispatch byDefault = CallObject(GetObject(app.get(), Member::Workbooks).get(), Member::Default, {Variant::I2(1)});
    Dispatch byName = CallObject(GetObject(app.get(), Member::Workbooks).get(), Member::Item, {Variant::Str(L"book1")});
    EXPECT_EQ(byIndex.get(), wb.get());
    EXPECT_EQ(byDefault.get(), wb.get());
    EXPECT_EQ(byName.get(), wb.get());

    Dispatch active = GetObject(wb.get(), Member::ActiveSheet);
    Dispatch first = CallObject(GetObject(wb.get(), Member::Sheets).get(), Member::Default, {Variant::I2(1)});
    EXPECT_EQ(active.get(), first.get());

    Dispatch embedded = CallObject(Walk(active.get(), {Member::ChartObjects}).get(), Member::Item, {Variant::I4(2)});
    EXPECT_EQ(GetObject(embedded.get(), Member::Chart).get(), Chart(1).get());

    Dispatch chart = Chart();
    Dispatch series2 = CallObject(chart.get(), Member::SeriesCollection, {Variant::I4(2)});
    Dispatch viaCollection = CallObject(Walk(chart.get(), {Member::SeriesCollection}).get(), Member::Item, {Variant::I4(2)});
    EXPECT_EQ(series2.get(), viaCollection.get());
    // Series.Parent is a chart group whose Parent is the chart.
    Dispatch group = GetObject(series2.get(), Member::Parent);
    EXPECT_NE(group.get(), chart.get());
    EXPECT_EQ(GetObject(group.get(), ByName(L"Parent")).get(), chart.get());
}

TEST(SimExcelSheets, ActiveChartOfAChartSheetIsThatSheet) {
    sim::Excel excel{sim::AppWithChartSheet(-4100)};
    {
        Dispatch wb = Dispatch::Attach(excel.NewWorkbookRef(*excel.model().workbooks[0]));
        Dispatch activeChart = GetObject(wb.get(), Member::ActiveChart);
        EXPECT_EQ(activeChart.get(), GetObject(wb.get(), Member::ActiveSheet).get());
        EXPECT_EQ(ToString(GetValue(activeChart.get(), Member::Name)), L"Chart1");
        EXPECT_EQ(GetObject(activeChart.get(), Member::Parent).get(), wb.get());
        // The worksheet beside it has no active chart object: Nothing, not an error.
        excel.model().workbooks[0]->activeSheet = 1;
        EXPECT_FALSE(GetObjectOrNothing(wb.get(), Member::ActiveChart));
    }
    EXPECT_EQ(excel.outstandingRefs(), 0);
}

TEST_F(SimExcelTest, QueryInterfaceAnswersExcelsIidsOnly) {
    Dispatch chart = Chart();
    Dispatch area = GetObject(chart.get(), Member::ChartArea);
    Dispatch border = GetObject(area.get(), Member::Border);
    Dispatch fill = GetObject(area.get(), Member::Fill);
    struct Case { IDispatch* object; const IID* iid; bool answers; } cases[] = {
        {chart.get(), &IID_Chart, true},        {area.get(), &IID_ChartArea, true},
        {border.get(), &IID_Border, true},      {fill.get(), &IID_ChartFillFormat, true},
        {fill.get(), &IID_FillFormat, true},    {border.get(), &IID_FillFormat, false},
        {area.get(), &IID_Chart, false},        {chart.get(), &IID_Workbook, false},
    };
    for (const Case& c : cases) {
        void* p = reinterpret_cast<void*>(1);
        HRESULT hr = c.object->QueryInterface(*c.iid, &p);
        EXPECT_EQ(SUCCEEDED(hr), c.answers);
        if (SUCCEEDED(hr)) static_cast<IUnknown*>(p)->Release();
        else { EXPECT_EQ(hr, E_NOINTERFACE); EXPECT_EQ(p, nullptr); }
    }
}

TEST_F(SimExcelTest, FillFormatViewIsTheSameFillWithOfficeDispids) {
    chartModel().walls.present = true;
    Dispatch fill = Walk(Chart().get(), {Member::Walls, Member::Fill});
    Dispatch office = QueryAs(fill.get(), IID_FillFormat);
    EXPECT_NE(office.get(), fill.get());
    EXPECT_TRUE(SameObject(office.get(), fill.get()));

    chartModel().walls.fill.visible = -2;
    EXPECT_EQ(GetInt32(office.get(), Member::FillFormatVisible), -2);
    EXPECT_EQ(Narrow(excel.calls().back().object), "FillFormat");
    // 558 is ChartFillFormat's Visible, not FillFormat's.
    EXPECT_THROW(GetValue(office.get(), Member::Visible), AutomationError);
    Call(office.get(), ById(12, L"Patterned"), {Variant::I4(5)});
    EXPECT_EQ(chartModel().walls.fill.pattern, 5);
    Call(office.get(), ByName(L"Solid"));
    EXPECT_EQ(chartModel().walls.fill.type, sim::FillModel::Type::Solid);
}

// ---- reference accounting ------------------------------------------------------------------

TEST(SimExcelRefs, LeaksAndOverReleasesAreNamed) {
    sim::Excel excel{sim::AppWithChartObjects(1)};
    sim::ChartModel& model = excel.model().workbooks[0]->sheets[0]->chartObjects[0].chart;
    IDispatch* chart = excel.NewChartRef(model);
    EXPECT_EQ(excel.outstandingRefs(), 1);
    IDispatch* area = nullptr;
    {
        Dispatch a = GetObject(chart, Member::ChartArea);
        area = a.Detach();  // leaked on purpose
    }
    EXPECT_EQ(excel.outstandingRefs(), 2);
    auto held = excel.objectsWithRefs();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_NE(std::find_if(held.begin(), held.end(),
                           [](const std::wstring& p) { return p.find(L"/Chart/ChartArea") != std::wstring::npos; }),
              held.end());
    // QueryInterface hands out a reference too.
    IUnknown* unknown = nullptr;
    ASSERT_EQ(area->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(excel.outstandingRefs(), 3);
    unknown->Release();
    area->Release();
    chart->Release();
    EXPECT_EQ(excel.outstandingRefs(), 0);
    EXPECT_TRUE(excel.overReleased().empty());
    area->Release();  // one too many: the object is still alive (the model owns it)
    ASSERT_EQ(excel.overReleased().size(), 1u);
    EXPECT_EQ(Narrow(excel.overReleased()[0]), "Book1/Sheet1/ChartObjects(1)/Chart/ChartArea");
    EXPECT_EQ(excel.outstandingRefs(), 0);
}

// ---- call log ------------------------------------------------------------------------------

TEST_F(SimExcelTest, LogRecordsHowEachCallWasMade) {
    Dispatch chart = Chart();
    Dispatch series = CallObject(chart.get(), Member::SeriesCollection, {Variant::I2(1)});
    short index = 2;
    Dispatch points = CallObject(series.get(), Member::Points);
    Dispatch point = CallObject(points.get(), Member::Default, {Variant::RefI2(&index)});
    excel.clearCalls();

    Put(GetObject(point.get(), ByName(L"Interior")).get(), ByName(L"Color"), Variant::I2(0));
    GetValue(chart.get(), Member::ChartType);
    RawInvoke(chart.get(), 1400, DISPATCH_PROPERTYGET, {}, true, 1031);

    const auto& calls = excel.calls();
    ASSERT_EQ(calls.size(), 4u) << Log();
    const sim::CallRecord& get = calls[0];
    EXPECT_EQ(get.index, 1);
    EXPECT_EQ(Narrow(get.path), "Book1/Sheet1/ChartObjects(1)/Chart/SeriesCollection(1)/Points(2)");
    EXPECT_EQ(Narrow(get.object), "Point");
    EXPECT_EQ(Narrow(get.member), "Interior");
    EXPECT_EQ(get.dispid, 129);
    EXPECT_EQ(get.kind, CallKind::Get);
    EXPECT_TRUE(get.byName);
    EXPECT_EQ(get.lcid, 1033u);
    EXPECT_EQ(Narrow(get.resultText), "<dispatch:Book1/Sheet1/ChartObjects(1)/Chart/SeriesCollection(1)/Points(2)/Interior>");

    const sim::CallRecord& put = calls[1];
    EXPECT_EQ(put.kind, CallKind::Put);
    EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
    EXPECT_TRUE(put.byName);
    ASSERT_EQ(put.args.size(), 1u);
    EXPECT_EQ(put.args[0].vt, VT_I2);
    EXPECT_EQ(Narrow(put.args[0].value), "0");
    EXPECT_EQ(put.result, S_OK);

    EXPECT_FALSE(calls[2].byName);  // a GetIDsOfNames counts for the one call after it only
    EXPECT_EQ(calls[3].lcid, 1031u);

    // The by-reference index of the point fetch was logged as passed, and read through.
    excel.clearCalls();
    CallObject(points.get(), Member::Item, {Variant::RefI2(&index), });
    ASSERT_EQ(excel.calls().size(), 1u);
    EXPECT_EQ(excel.calls()[0].args[0].vt, VT_BYREF | VT_I2);
    EXPECT_EQ(Narrow(excel.calls()[0].args[0].value), "2");
}

TEST_F(SimExcelTest, LogDescribesArgumentValues) {
    Dispatch wb = Workbook();
    Dispatch sheet = GetObject(wb.get(), Member::ActiveSheet);
    excel.clearCalls();
    RawInvoke(sheet.get(), 1060, DISPATCH_METHOD,
              {Variant::Missing()});
    RawInvoke(sheet.get(), 637, DISPATCH_METHOD, {Variant::Missing(), Variant::Dispatch(sheet.get())});
    RawInvoke(wb.get(), 277, DISPATCH_METHOD, {Variant::Bool(false), Variant::Str(L"x.xls"), Variant::R8(1.5)});
    const auto& calls = excel.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].args[0].vt, VT_ERROR);
    EXPECT_EQ(Narrow(calls[0].args[0].value), "Missing");
    EXPECT_EQ(Narrow(calls[1].args[1].value), "<dispatch:Book1/Sheet1>");
    EXPECT_EQ(Narrow(calls[2].args[0].value), "False");
    EXPECT_EQ(Narrow(calls[2].args[1].value), "\"x.xls\"");
    EXPECT_EQ(Narrow(calls[2].args[2].value), "1.5");
    EXPECT_FALSE(excel.describeCalls().empty());
}

// ---- faults --------------------------------------------------------------------------------

TEST_F(SimExcelTest, EachFaultKindFiresAndIsLogged) {
    Dispatch chart = Chart();
    Dispatch border = Walk(chart.get(), {Member::ChartArea, Member::Border});
    excel.clearCalls();

    sim::FaultRule error;
    error.member = L"Weight";
    error.fault.description = L"Boom";
    error.times = 1;
    excel.addFault(error);
    try {
        GetValue(border.get(), Member::Weight);
        ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1004);
        EXPECT_EQ(Narrow(e.description()), "Boom");
    }
    EXPECT_EQ(excel.calls().back().result, DISP_E_EXCEPTION);
    EXPECT_EQ(GetInt32(border.get(), Member::Weight), 2);  // times = 1: fired once

    sim::FaultRule nothing;
    nothing.object = L"Chart";
    nothing.member = L"Legend";
    nothing.fault.kind = sim::FaultKind::Nothing;
    excel.addFault(nothing);
    EXPECT_FALSE(GetObjectOrNothing(chart.get(), Member::Legend));

    sim::FaultRule wrong;
    wrong.pathContains = L"ChartArea/Border";
    wrong.kind = static_cast<int>(CallKind::Get);
    wrong.fault.kind = sim::FaultKind::WrongType;
    excel.addFault(wrong);
    EXPECT_THROW(GetInt32(border.get(), Member::Color), AutomationError);
    EXPECT_EQ(excel.calls().back().result, S_OK);
    EXPECT_EQ(Narrow(excel.calls().back().resultText), "\"x\"");
    Put(border.get(), Member::Color, Variant::I4(5));  // a put is not a get: not faulted
    EXPECT_EQ(chartModel().chartArea.border.color, 5);

    excel.clearFaults();
    excel.clearCalls();
    sim::FaultRule byIndex;
    byIndex.callIndex = 2;
    excel.addFault(byIndex);
    EXPECT_NO_THROW(GetValue(border.get(), Member::LineStyle));
    EXPECT_THROW(GetValue(border.get(), Member::LineStyle), AutomationError);
    EXPECT_NO_THROW(GetValue(border.get(), Member::LineStyle));
    EXPECT_EQ(excel.calls()[1].result, DISP_E_EXCEPTION);
}

// ---- effects of writes and calls -----------------------------------------------------------

TEST_F(SimExcelTest, WritesChangeTheModelAtOnce) {
    Dispatch chart = Chart();
    Dispatch fill = Walk(chart.get(), {Member::PlotArea, Member::Fill});
    Call(fill.get(), Member::Patterned, {Variant::I4(17)});
    EXPECT_EQ(chartModel().plotArea.fill.type, sim::FillModel::Type::Patterned);
    EXPECT_EQ(chartModel().plotArea.fill.pattern, 17);
    Call(fill.get(), Member::Solid);
    EXPECT_EQ(chartModel().plotArea.fill.type, sim::FillModel::Type::Solid);
    EXPECT_EQ(chartModel().plotArea.fill.pattern, 0);

    // Patterned outside 1..48 is refused unless the option says otherwise.
    EXPECT_THROW(Call(fill.get(), Member::Patterned, {Variant::I4(0)}), AutomationError);
    EXPECT_EQ(Narrow(excel.calls().back().errorText), "Patterned method of ChartFillFormat class failed");
    excel.options().refuseInvalidPattern = false;
    Call(fill.get(), Member::Patterned, {Variant::I4(0)});
    EXPECT_EQ(chartModel().plotArea.fill.pattern, 0);
    EXPECT_EQ(chartModel().plotArea.fill.type, sim::FillModel::Type::Patterned);

    Put(chart.get(), Member::ChartType, Variant::I4(4));
    EXPECT_EQ(chartModel().chartType, 4);
    EXPECT_EQ(chartModel().series[2].chartType, 4);

    Dispatch area = Walk(chart.get(), {Member::ChartArea, Member::Interior});
    Put(area.get(), Member::ColorIndex, Variant::I2(15));
    EXPECT_EQ(chartModel().chartArea.interior.color, 0xC0C0C0);
    Put(area.get(), Member::ColorIndex, Variant::I4(-4142));
    EXPECT_EQ(chartModel().chartArea.interior.colorIndex, -4142);
}

TEST(SimExcelSheets, MoveReordersAndKeepsTheActiveSheet) {
    sim::Excel excel{sim::AppWithSheets({L"A", L"B", L"C", L"D"}, 2)};
    sim::WorkbookModel& wb = *excel.model().workbooks[0];
    auto order = [&] {
        std::string s;
        for (auto& sheet : wb.sheets) s += Narrow(sheet->name);
        return s;
    };
    {
        Dispatch book = Dispatch::Attach(excel.NewWorkbookRef(wb));
        Dispatch sheets = GetObject(book.get(), Member::Sheets);
        Dispatch a = CallObject(sheets.get(), Member::Item, {Variant::I2(1)});
        Dispatch d = CallObject(sheets.get(), Member::Item, {Variant::Str(L"D")});
        Call(a.get(), ByName(L"Move"), {Variant::Missing(), Variant::Dispatch(d.get())});
        EXPECT_EQ(order(), "BCDA");
        EXPECT_EQ(Narrow(wb.sheets[wb.activeSheet]->name), "C");
        Call(a.get(), Member::Move, {Variant::Dispatch(CallObject(sheets.get(), Member::Item, {Variant::I4(1)}).get())});
        EXPECT_EQ(order(), "ABCD");
        EXPECT_EQ(wb.activeSheet, 2);
        // Neither or both of Before and After, or a foreign object: error 1004.
        EXPECT_THROW(Call(a.get(), Member::Move), AutomationError);
        EXPECT_THROW(Call(a.get(), Member::Move, {Variant::Dispatch(d.get()), Variant::Dispatch(d.get())}),
                     AutomationError);
        EXPECT_THROW(Call(a.get(), Member::Move, {Variant::Str(L"D")}), AutomationError);
        EXPECT_EQ(order(), "ABCD");
    }
    EXPECT_EQ(excel.outstandingRefs(), 0);
}

TEST(SimExcelWorkbooks, AddAndClose) {
    sim::Excel excel{sim::AppWithChartObjects(1)};
    {
        Dispatch app = Dispatch::Attach(excel.NewApplicationRef());
        Dispatch books = GetObject(app.get(), Member::Workbooks);
        Dispatch added = CallObject(books.get(), Member::Add, {Variant::Missing()});
        EXPECT_EQ(GetInt32(books.get(), Member::Count), 2);
        ASSERT_EQ(excel.model().workbooks.size(), 2u);
        sim::WorkbookModel& spare = *excel.model().workbooks[1];
        EXPECT_EQ(Narrow(spare.name), "Book2");
        EXPECT_EQ(spare.sheets.size(), 1u);
        EXPECT_EQ(CallObject(books.get(), Member::Item, {Variant::I4(2)}).get(), added.get());

        Call(added.get(), Member::Close, {Variant::Bool(false), Variant::Missing(), Variant::Missing()});
        EXPECT_FALSE(spare.open);
        EXPECT_FALSE(spare.closedWithSaveChanges);
        EXPECT_EQ(GetInt32(books.get(), Member::Count), 1);
        // A closed workbook answers nothing any more.
        try {
            GetObject(added.get(), Member::Sheets);
            ADD_FAILURE() << "closed workbook answered";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), 1004);
        }
        EXPECT_THROW(Call(added.get(), Member::Close), AutomationError);

        Dispatch first = CallObject(books.get(), Member::Item, {Variant::I4(1)});
        Call(first.get(), Member::Close, {Variant::Bool(true)});
        EXPECT_TRUE(excel.model().workbooks[0]->closedWithSaveChanges);
        EXPECT_EQ(GetInt32(books.get(), Member::Count), 0);
    }
    EXPECT_EQ(excel.outstandingRefs(), 0);
}

// ---- absent elements and bad indices -------------------------------------------------------

// A point answers its own marker; a write to the series' marker reaches every point's, one to a
// point's marker that point alone (as in Excel).
TEST_F(SimExcelTest, PointMarkersFollowTheirSeries) {
    sim::SeriesModel& model = chartModel().series[0];
    model.points[1].markerStyle = 2;
    model.points[1].markerBackgroundColor = 0x0000FF;
    Dispatch series = CallObject(Chart().get(), Member::SeriesCollection, {Variant::I4(1)});
    Dispatch point = CallObject(series.get(), Member::Points, {Variant::I4(2)});
    EXPECT_EQ(GetInt32(point.get(), Member::MarkerStyle), 2);
    EXPECT_EQ(GetInt32(point.get(), Member::MarkerBackgroundColor), 0x0000FF);
    struct Case { DispMember member; int32_t sim::PointModel::*field; long value; };
    const Case cases[] = {
        {Member::MarkerStyle, &sim::PointModel::markerStyle, 8},
        {Member::MarkerSize, &sim::PointModel::markerSize, 11},
        {Member::MarkerForegroundColor, &sim::PointModel::markerForegroundColor, 0},
        {Member::MarkerBackgroundColor, &sim::PointModel::markerBackgroundColor, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        Put(series.get(), c.member, Variant::I4(c.value));
        for (const sim::PointModel& p : model.points) EXPECT_EQ(p.*c.field, c.value) << Narrow(c.member.name);
        Put(point.get(), c.member, Variant::I4(5));
        EXPECT_EQ(model.points[1].*c.field, 5) << Narrow(c.member.name);
        EXPECT_EQ(model.points[0].*c.field, c.value) << Narrow(c.member.name);
    }
}

TEST_F(SimExcelTest, AbsentElementsFailAsInExcel) {
    chartModel().legend.present = false;
    chartModel().series[0].trendlines.push_back({true, {}});
    Dispatch chart = Chart();
    Dispatch series = CallObject(chart.get(), Member::SeriesCollection, {Variant::I4(1)});
    struct Case { const char* what; std::function<void()> call; const char* description; } cases[] = {
        {"no legend", [&] { GetObject(chart.get(), Member::Legend); },
         "Unable to get the Legend property of the Chart class"},
        {"2-D walls", [&] { GetObject(chart.get(), Member::Walls); }, "Unable to get the Walls property of the Chart class"},
        {"2-D floor", [&] { GetObject(chart.get(), Member::Floor); }, nullptr},
        {"series axis", [&] { CallObject(chart.get(), Member::Axes, {Variant::I4(3), Variant::I4(1)}); },
         "Unable to get the Axes property of the Chart class"},
        {"secondary axis", [&] { CallObject(chart.get(), Member::Axes, {Variant::I4(2), Variant::I4(2)}); }, nullptr},
        {"minor gridlines", [&] { GetObject(CallObject(chart.get(), Member::Axes, {Variant::I4(2)}).get(), Member::MinorGridlines); }, nullptr},
        {"category gridlines", [&] { GetObject(CallObject(chart.get(), Member::Axes, {Variant::I4(1)}).get(), Member::MajorGridlines); }, nullptr},
        {"leader lines", [&] { GetObject(series.get(), Member::LeaderLines); }, nullptr},
        {"data labels", [&] { CallObject(series.get(), Member::DataLabels); }, nullptr},
        {"point 99", [&] { CallObject(series.get(), Member::Points, {Variant::I4(99)}); }, nullptr},
        {"trendline 2", [&] { CallObject(Walk(series.get(), {Member::Trendlines}).get(), Member::Item, {Variant::I4(2)}); },
         "Unable to get the Item property of the Trendlines class"},
        {"series by unknown name", [&] { CallObject(chart.get(), Member::SeriesCollection, {Variant::Str(L"Nope")}); }, nullptr},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), 1004) << c.what;
            if (c.description) {
                EXPECT_EQ(Narrow(e.description()), c.description) << c.what;
            }
        }
    }
    // What is there is reachable.
    EXPECT_TRUE(CallObject(Walk(series.get(), {Member::Trendlines}).get(), Member::Item));
    EXPECT_EQ(GetInt32(Walk(chart.get(), {Member::Axes}).get(), Member::Count), 2);
}

TEST_F(SimExcelTest, SheetAndWorkbookIndicesOutOfRangeAreInvalidIndex) {
    Dispatch sheets = GetObject(Workbook().get(), Member::Sheets);
    RawResult r = RawInvoke(sheets.get(), 170, DISPATCH_PROPERTYGET, {Variant::I4(9)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.scode, DISP_E_BADINDEX);
    Dispatch books = GetObject(App().get(), Member::Workbooks);
    r = RawInvoke(books.get(), 0, DISPATCH_PROPERTYGET, {Variant::Str(L"Nope")});
    EXPECT_EQ(r.scode, DISP_E_BADINDEX);
}

// ---- calling conventions -------------------------------------------------------------------

TEST_F(SimExcelTest, InvokeKindsAndArgumentsAsExcelChecksThem) {
    Dispatch wb = Workbook();
    Dispatch sheet = GetObject(wb.get(), Member::ActiveSheet);
    Dispatch sheets = GetObject(wb.get(), Member::Sheets);
    Dispatch chartObjects = CallObject(sheet.get(), Member::ChartObjects);
    Dispatch chart = Chart();
    Dispatch border = Walk(chart.get(), {Member::ChartArea, Member::Border});
    Dispatch fill = Walk(chart.get(), {Member::ChartArea, Member::Fill});
    const WORD M = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT;
    struct Case { const char* what; IDispatch* object; DISPID id; WORD flags; std::vector<Variant> args; HRESULT hr; };
    std::vector<Case> cases = {
        {"chart collection item as method", chartObjects.get(), 170, M, {Variant::I4(1)}, S_OK},
        {"chart collection item as get", chartObjects.get(), 170, G, {Variant::I4(1)}, S_OK},
        {"chart collection item as both", chartObjects.get(), 0, M | G, {Variant::I4(1)}, S_OK},
        {"sheets item as method", sheets.get(), 170, M, {Variant::I4(1)}, S_OK},
        {"sheets default as both", sheets.get(), 0, M | G, {Variant::I4(1)}, S_OK},
        {"object method as get", sheet.get(), 1060, G, {}, S_OK},
        {"index as double", chartObjects.get(), 170, M, {Variant::R8(2.0)}, S_OK},
        {"index as string number", chartObjects.get(), 170, M, {Variant::Str(L"Chart 2")}, S_OK},
        {"property as method", border.get(), 120, M, {}, DISP_E_MEMBERNOTFOUND},
        {"method as get", fill.get(), 1627, G, {}, DISP_E_MEMBERNOTFOUND},
        {"put of a read-only property", chart.get(), 80, P, {Variant::I4(1)}, DISP_E_MEMBERNOTFOUND},
        {"unknown dispid", border.get(), 4242, G, {}, DISP_E_MEMBERNOTFOUND},
        {"ChartFillFormat's id on a Border", border.get(), 558, G, {}, DISP_E_MEMBERNOTFOUND},
        {"too many arguments", border.get(), 99, G, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT},
        {"missing required index", chartObjects.get(), 170, M, {}, DISP_E_BADPARAMCOUNT},
        {"omitted required index", chartObjects.get(), 170, M, {Variant::Missing()}, DISP_E_PARAMNOTOPTIONAL},
        {"index of the wrong type", chartObjects.get(), 170, M, {Variant::Dispatch(nullptr)}, DISP_E_TYPEMISMATCH},
        {"put value of the wrong type", border.get(), 99, P, {Variant::Str(L"red")}, DISP_E_TYPEMISMATCH},
    };
    for (Case& c : cases) {
        RawResult r = RawInvoke(c.object, c.id, c.flags, c.args);
        EXPECT_EQ(r.hr, c.hr) << c.what;
    }
    // A put needs the named argument DISPID_PROPERTYPUT.
    EXPECT_EQ(RawInvoke(border.get(), 99, P, {Variant::I4(1)}, false).hr, DISP_E_PARAMNOTFOUND);
}

TEST_F(SimExcelTest, NamesResolveCaseInsensitivelyPerType) {
    Dispatch chart = Chart();
    Dispatch fill = Walk(chart.get(), {Member::ChartArea, Member::Fill});
    Dispatch office = QueryAs(fill.get(), IID_FillFormat);
    struct Case { IDispatch* object; const wchar_t* name; HRESULT hr; DISPID id; } cases[] = {
        {chart.get(), L"seriescollection", S_OK, 68},
        {chart.get(), L"CHARTTYPE", S_OK, 1400},
        {chart.get(), L"Border", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {fill.get(), L"Visible", S_OK, 558},
        {office.get(), L"Visible", S_OK, 113},
        {office.get(), L"Patterned", S_OK, 12},
    };
    for (const Case& c : cases) {
        LPOLESTR name = const_cast<LPOLESTR>(c.name);
        DISPID id = 1234;
        EXPECT_EQ(c.object->GetIDsOfNames(IID_NULL, &name, 1, 1033, &id), c.hr) << Narrow(c.name);
        EXPECT_EQ(id, c.id) << Narrow(c.name);
    }
}

TEST_F(SimExcelTest, ValueTypesOfReads) {
    Dispatch chart = Chart();
    Dispatch border = Walk(chart.get(), {Member::ChartArea, Member::Border});
    Dispatch interior = Walk(chart.get(), {Member::ChartArea, Member::Interior});
    Dispatch series = CallObject(chart.get(), Member::SeriesCollection, {Variant::I4(1)});
    EXPECT_EQ(GetValue(border.get(), Member::Color).vt(), VT_R8);
    EXPECT_EQ(GetValue(interior.get(), Member::PatternColor).vt(), VT_R8);
    EXPECT_EQ(GetValue(border.get(), Member::Weight).vt(), VT_I4);
    EXPECT_EQ(GetValue(series.get(), Member::MarkerForegroundColor).vt(), VT_I4);
    EXPECT_EQ(GetValue(series.get(), Member::HasDataLabels).vt(), VT_BOOL);
    EXPECT_EQ(GetValue(App().get(), Member::Version).vt(), VT_BSTR);
    // Count is a property and ExclusiveAccess a method: each only as what it is.
    EXPECT_THROW(Call(GetObject(App().get(), Member::Workbooks).get(), Member::Count), AutomationError);
    EXPECT_THROW(GetValue(Workbook().get(), Member::ExclusiveAccess), AutomationError);
    EXPECT_EQ(Call(Workbook().get(), Member::ExclusiveAccess).vt(), VT_BOOL);
    excel.options().colorsAsDouble = false;
    EXPECT_EQ(GetValue(border.get(), Member::Color).vt(), VT_I4);
}

TEST(SimExcelBuilders, ChartsLookLikeExcelsDefaults) {
    sim::ChartModel column3d = sim::MakeChart(-4100, 3, 4);
    EXPECT_TRUE(column3d.walls.present && column3d.floor.present && column3d.axes[2].present);
    sim::ChartModel clustered3d = sim::MakeChart(54, 2, 2);
    EXPECT_TRUE(clustered3d.walls.present);
    EXPECT_FALSE(clustered3d.axes[2].present);
    sim::ChartModel pie = sim::MakeChart(5, 1, 6);
    EXPECT_EQ(pie.legend.entries.size(), 6u);
    EXPECT_FALSE(pie.axes[0].present || pie.axes[1].present || pie.walls.present);
    EXPECT_NE(pie.series[0].points[0].element.interior.color, pie.series[0].points[1].element.interior.color);
    sim::ChartModel line = sim::MakeChart(4, 3, 2);
    EXPECT_EQ(line.legend.entries.size(), 3u);
    EXPECT_TRUE(line.axes[1].majorGridlines.present);
    EXPECT_NE(line.series[0].border.color, line.series[1].border.color);
}

// ---- the plumbing the stand-in's COM servers share -------------------------------------------

const sim::MemberName kProbeMembers[] = {{L"Chart", 1}, {L"CallCount", 2}};

struct Probe final : sim::LateBoundObject {
    explicit Probe(int& alive) : LateBoundObject(kProbeMembers), alive_(alive) { ++alive_; }
    ~Probe() override { --alive_; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return S_OK;
    }
    int& alive_;
};

struct ProbeFactory final : sim::StaticClassFactory {
    HRESULT NewObject(IUnknown** object) override {
        if (FAILED(refusal)) return refusal;
        *object = new Probe(alive);
        return S_OK;
    }
    HRESULT refusal = S_OK;
    int alive = 0;
};

TEST(StandInServer, MembersResolveFromTheTableCaseInsensitivelyWithoutNamedArguments) {
    int alive = 0;
    IDispatch* probe = new Probe(alive);
    const struct {
        std::vector<const wchar_t*> names;
        HRESULT hr;
        DISPID first;
    } cases[] = {
        {{L"chart"}, S_OK, 1},
        {{L"CALLCOUNT"}, S_OK, 2},
        {{L"Charts"}, DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {{L"Chart", L"Index"}, DISP_E_UNKNOWNNAME, 1},
    };
    for (const auto& c : cases) {
        std::vector<DISPID> ids(c.names.size(), 99);
        auto** names = const_cast<LPOLESTR*>(c.names.data());
        EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, names, static_cast<UINT>(ids.size()), 0, ids.data()), c.hr);
        EXPECT_EQ(ids[0], c.first) << Narrow(c.names[0]);
        for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], DISPID_UNKNOWN);
    }
    UINT count = 9;
    EXPECT_EQ(probe->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST(StandInServer, FactoryRefusesAggregationAndLetsGoOfWhatItCannotHandOut) {
    ProbeFactory factory;
    void* object = &factory;
    EXPECT_EQ(factory.CreateInstance(&factory, IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(factory.alive, 0);
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
    EXPECT_EQ(factory.alive, 1);
    static_cast<IDispatch*>(object)->Release();
    EXPECT_EQ(factory.alive, 0);
    factory.refusal = CO_E_SERVER_STOPPING;
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IDispatch, &object), CO_E_SERVER_STOPPING);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
