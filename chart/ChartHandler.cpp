// The conversion driver: the chart's frame, then its data by chart type.
#include "chart/ChartHandler.h"

#include "chart/ChartAccess.h"
#include "chart/ChartTypes.h"
#include "chart/ElementTests.h"
#include "chart/modColorFunctions.h"
#include "diag/modDebug.h"

#include <string>

namespace qv::chart {

namespace M = excel::Member;
namespace xl = excel::xl;
using namespace access;

namespace {

// An element's chart fill seen as Office's FillFormat, the interface the walls' and floor's
// visibility is read through. An absent fill stays absent.
Dispatch OfficeFillOf(IDispatch* chart, DispMember element) {
    return QueryAs(ElementOrNothing(chart, {element, M::Fill}).get(), excel::IID_FillFormat);
}

// A visible fill becomes solid white: the chart area's and the legend's.
void WhitenVisibleFill(IDispatch* chart, DispMember element) noexcept {
    if (!TestOrTrue([&] { return GetInt32(Element(chart, {element, M::Fill}).get(), M::Visible) != 0; }))
        return;
    TryPut(chart, {element, M::Interior}, M::Color, White());
    TryPut(chart, {element, M::Interior}, M::PatternColor, White());
    TryCall(chart, {element, M::Fill}, M::Solid);
}

// The chart a series belongs to, two parents up. The first Parent is the series' own member;
// the intermediate object is of no known type, so its Parent is asked for by name.
Dispatch ChartOfSeries(IDispatch* series) {
    Dispatch parent = GetObject(series, M::Parent);
    Dispatch grandParent = GetObjectOrNothing(parent.get(), ByName(M::Parent));
    return QueryAs(grandParent.get(), excel::IID_Chart);
}

void LogSeriesError(const AutomationError& error) noexcept {
    // Only errors with a positive number carry a description worth a line; a failing HRESULT
    // that maps to no runtime error number (0 or negative) is dropped.
    if (error.number() <= 0) return;
    try {
        modDebug::LogError(L"Handle series raised a " + error.description());
    } catch (...) {
        // Out of memory while building the line: the line is lost, the conversion goes on.
    }
}

}  // namespace

HRESULT ChartHandler::OLEObjectHandler_BWPrintNoConfig(IDispatch* Object) noexcept {
    TraceEnter(L"OLEObjectHandler_BWPrintNoConfig", L"");
    Dispatch chart;
    Attempt([&] { chart = QueryAs(Object, excel::IID_Chart); });
    // Without a chart every later step would fail on its first call; nothing is touched.
    if (chart) {
        ConvertChartArea(chart.get());
        ConvertPlotArea(chart.get());
        ConvertLegend(chart.get());
        ConvertAxes(chart.get());
        ConvertWalls(chart.get());
        ConvertFloor(chart.get());
        ConvertByChartType(chart.get());
    }
    chart.reset();
    TraceExit(L"");
    return S_OK;
}

void ChartHandler::ConvertChartArea(IDispatch* chart) noexcept {
    // A border drawn in the fill's own colour is not seen; blackening it would add a frame.
    const bool borderShows = TestOrTrue([&] {
        Dispatch border = ElementOrNothing(chart, {M::ChartArea, M::Border});
        const long fillColour = GetInt32(Element(chart, {M::ChartArea, M::Interior}).get(), M::Color);
        return IsBorderDistinctFromFill(border.get(), chart, fillColour);
    });
    if (borderShows) TryPut(chart, {M::ChartArea, M::Border}, M::Color, Black16());
    WhitenVisibleFill(chart, M::ChartArea);
}

void ChartHandler::ConvertPlotArea(IDispatch* chart) noexcept {
    TryPut(chart, {M::PlotArea, M::Interior}, M::Color, White());
}

void ChartHandler::ConvertLegend(IDispatch* chart) noexcept {
    if (TestOrTrue([&] { return IsBorderDrawn(ElementOrNothing(chart, {M::Legend, M::Border}).get()); }))
        TryPut(chart, {M::Legend, M::Border}, M::Color, Black16());
    WhitenVisibleFill(chart, M::Legend);
}

void ChartHandler::ConvertAxes(IDispatch* chart) noexcept {
    // Category, series, value: a chart without a series axis (any 2-D chart) skips it.
    for (long type : {xl::Category, xl::SeriesAxis, xl::Value}) {
        Dispatch axis;
        Attempt([&] {
            axis = CallObjectOrNothing(chart, M::Axes, {Variant::I4(type), Variant::I4(xl::Primary)});
        });
        if (!axis) continue;
        TryPut(axis.get(), {M::Border}, M::Color, Black16());
        TryPut(axis.get(), {M::MajorGridlines, M::Border}, M::Color, Black16());
        TryPut(axis.get(), {M::MinorGridlines, M::Border}, M::Color, Black16());
    }
}

void ChartHandler::ConvertWalls(IDispatch* chart) noexcept {
    // Only the walls' interior: their border stays, and their fill is not made solid.
    if (TestOrTrue([&] { return IsFillVisible(OfficeFillOf(chart, M::Walls).get()); }))
        TryPut(chart, {M::Walls, M::Interior}, M::Color, White());
}

void ChartHandler::ConvertFloor(IDispatch* chart) noexcept {
    // The floor's border keeps its lightness: it becomes the grey of its own colour.
    if (TestOrTrue([&] { return IsBorderDrawn(ElementOrNothing(chart, {M::Floor, M::Border}).get()); }))
        Attempt([&] {
            const long colour = GetInt32(Element(chart, {M::Floor, M::Border}).get(), M::Color);
            PutOn(chart, {M::Floor, M::Border}, M::Color,
                  Variant::I4(modColorFunctions::GetGreyColor(colour)));
        });
    if (TestOrTrue([&] { return IsFillVisible(OfficeFillOf(chart, M::Floor).get()); })) {
        TryPut(chart, {M::Floor, M::Interior}, M::ColorIndex, Variant::I2(15));
        TryCall(chart, {M::Floor, M::Fill}, M::Solid);
    }
}

void ChartHandler::ConvertByChartType(IDispatch* chart) noexcept {
    long chartType = 0;
    if (!Attempt([&] { chartType = GetInt32(chart, M::ChartType); })) return;
    switch (RouteOfChartType(chartType)) {
    case ChartRoute::Surface: ConvertSurfaceLegend(chart); break;
    // A pie shows one series; only the first is converted.
    case ChartRoute::Pie: ConvertPieSeries(chart, 1); break;
    case ChartRoute::Series: ConvertEverySeries(chart); break;
    }
}

void ChartHandler::ConvertEverySeries(IDispatch* chart) noexcept {
    const int count = WalkLength([&] {
        Dispatch all = CallObject(chart, M::SeriesCollection, {Variant::Missing()});
        return GetValue(all.get(), ByName(M::Count));
    });
    for (int i = 1; i <= count; ++i) {
        const short seriesIndex = static_cast<short>(i);
        Dispatch series;
        // A series that cannot be fetched is skipped; the walk goes on with the next number.
        if (!Attempt([&] {
                Dispatch item = CallObject(chart, M::SeriesCollection, {Variant::I2(seriesIndex)});
                series = QueryAs(item.get(), excel::IID_Series);
            }))
            continue;
        ConvertSeries(series.get(), seriesIndex);
    }
}

void ChartHandler::ConvertSeries(IDispatch* series, short seriesIndex) noexcept {
    try {
        const long seriesType = GetInt32(series, M::ChartType);
        switch (ConverterOfSeriesType(seriesType)) {
        case SeriesConverter::Filled: ConvertFilledSeries(series, seriesIndex); break;
        case SeriesConverter::Line: ConvertLineSeries(series, seriesIndex); break;
        case SeriesConverter::Pie: ConvertPieSeries(ChartOfSeries(series).get(), seriesIndex); break;
        case SeriesConverter::SurfaceLegend: ConvertSurfaceLegend(ChartOfSeries(series).get()); break;
        case SeriesConverter::None: break;
        }
    } catch (const AutomationError& error) {
        LogSeriesError(error);
    } catch (...) {
        // No error number to tell it by (out of memory): nothing is logged, the walk goes on.
    }
}

void ChartHandler::TraceEnter(const wchar_t* /*procedure*/, const wchar_t* /*detail*/) noexcept {}
void ChartHandler::TraceExit(const wchar_t* /*detail*/) noexcept {}

}  // namespace qv::chart
