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
Dispatch OfficeFillOf(Step& s, IDispatch* chart, DispMember element) {
    return s.QueryAs(ElementOrNothing(s, chart, {element, M::Fill}).get(), excel::IID_FillFormat);
}

// A visible fill becomes solid white: the chart area's and the legend's.
void WhitenVisibleFill(IDispatch* chart, DispMember element) noexcept {
    if (!TestOrTrue([&](Step& s) {
            return s.GetInt32(Element(s, chart, {element, M::Fill}).get(), M::Visible) != 0;
        }))
        return;
    TryPut(chart, {element, M::Interior}, M::Color, White());
    TryPut(chart, {element, M::Interior}, M::PatternColor, White());
    TryCall(chart, {element, M::Fill}, M::Solid);
}

// The chart a series belongs to, two parents up. The first Parent is the series' own member;
// the intermediate object is of no known type, so its Parent is asked for by name.
Dispatch ChartOfSeries(Step& s, IDispatch* series) {
    Dispatch parent = s.GetObject(series, M::Parent);
    Dispatch grandParent = s.GetObjectOrNothing(parent.get(), ByName(M::Parent));
    return s.QueryAs(grandParent.get(), excel::IID_Chart);
}

void LogSeriesError(const CallError& error) noexcept {
    // Only errors with a positive number carry a description worth a line; a failing HRESULT
    // that maps to no runtime error number (0 or negative) is dropped. The text is made only when
    // the log takes it.
    if (error.number() <= 0) return;
    modDebug::LogError([&] { return L"Handle series raised a " + error.description(); });
}

}  // namespace

HRESULT ChartHandler::OLEObjectHandler_BWPrintNoConfig(IDispatch* Object) noexcept {
    TraceEnter(L"OLEObjectHandler_BWPrintNoConfig", L"");
    Dispatch chart;
    Attempt([&](Step& s) { chart = s.QueryAs(Object, excel::IID_Chart); });
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
    const bool borderShows = TestOrTrue([&](Step& s) {
        Dispatch border = ElementOrNothing(s, chart, {M::ChartArea, M::Border});
        const long fillColour =
            s.GetInt32(Element(s, chart, {M::ChartArea, M::Interior}).get(), M::Color);
        return !s.failed() && IsBorderDistinctFromFill(border.get(), chart, fillColour);
    });
    if (borderShows) TryPut(chart, {M::ChartArea, M::Border}, M::Color, Black16());
    WhitenVisibleFill(chart, M::ChartArea);
}

void ChartHandler::ConvertPlotArea(IDispatch* chart) noexcept {
    TryPut(chart, {M::PlotArea, M::Interior}, M::Color, White());
}

void ChartHandler::ConvertLegend(IDispatch* chart) noexcept {
    if (TestOrTrue(
            [&](Step& s) { return BorderDrawn(s, ElementOrNothing(s, chart, {M::Legend, M::Border})); }))
        TryPut(chart, {M::Legend, M::Border}, M::Color, Black16());
    WhitenVisibleFill(chart, M::Legend);
}

void ChartHandler::ConvertAxes(IDispatch* chart) noexcept {
    // Category, series, value: a chart without a series axis (any 2-D chart) skips it.
    for (long type : {xl::Category, xl::SeriesAxis, xl::Value}) {
        Dispatch axis;
        Attempt([&](Step& s) {
            axis = s.CallObjectOrNothing(chart, M::Axes, {Variant::I4(type), Variant::I4(xl::Primary)});
        });
        if (!axis) continue;
        TryPut(axis.get(), {M::Border}, M::Color, Black16());
        TryPut(axis.get(), {M::MajorGridlines, M::Border}, M::Color, Black16());
        TryPut(axis.get(), {M::MinorGridlines, M::Border}, M::Color, Black16());
    }
}

void ChartHandler::ConvertWalls(IDispatch* chart) noexcept {
    // Only the walls' interior: their border stays, and their fill is not made solid.
    if (TestOrTrue([&](Step& s) { return FillVisible(s, OfficeFillOf(s, chart, M::Walls)); }))
        TryPut(chart, {M::Walls, M::Interior}, M::Color, White());
}

void ChartHandler::ConvertFloor(IDispatch* chart) noexcept {
    // The floor's border keeps its lightness: it becomes the grey of its own colour.
    if (TestOrTrue(
            [&](Step& s) { return BorderDrawn(s, ElementOrNothing(s, chart, {M::Floor, M::Border})); }))
        Attempt([&](Step& s) {
            const long colour = s.GetInt32(Element(s, chart, {M::Floor, M::Border}).get(), M::Color);
            PutOn(s, chart, {M::Floor, M::Border}, M::Color,
                  Variant::I4(modColorFunctions::GetGreyColor(colour)));
        });
    if (TestOrTrue([&](Step& s) { return FillVisible(s, OfficeFillOf(s, chart, M::Floor)); })) {
        TryPut(chart, {M::Floor, M::Interior}, M::ColorIndex, Variant::I2(15));
        TryCall(chart, {M::Floor, M::Fill}, M::Solid);
    }
}

void ChartHandler::ConvertByChartType(IDispatch* chart) noexcept {
    long chartType = 0;
    if (!Attempt([&](Step& s) { chartType = s.GetInt32(chart, M::ChartType); })) return;
    switch (RouteOfChartType(chartType)) {
    case ChartRoute::Surface: ConvertSurfaceLegend(chart); break;
    // A pie shows one series; only the first is converted.
    case ChartRoute::Pie: ConvertPieSeries(chart, 1); break;
    case ChartRoute::Series: ConvertEverySeries(chart); break;
    }
}

void ChartHandler::ConvertEverySeries(IDispatch* chart) noexcept {
    const int count = WalkLength([&](Step& s) {
        Dispatch all = s.CallObject(chart, M::SeriesCollection, {Variant::Missing()});
        return s.GetValue(all.get(), ByName(M::Count));
    });
    for (int i = 1; i <= count; ++i) {
        const short seriesIndex = static_cast<short>(i);
        Dispatch series;
        // A series that cannot be fetched is skipped; the walk goes on with the next number.
        if (!Attempt([&](Step& s) {
                Dispatch item = s.CallObject(chart, M::SeriesCollection, {Variant::I2(seriesIndex)});
                series = s.QueryAs(item.get(), excel::IID_Series);
            }))
            continue;
        ConvertSeries(series.get(), seriesIndex);
    }
}

// Trapped: the first failure of the series' own calls ends its conversion with an error line.
void ChartHandler::ConvertSeries(IDispatch* series, short seriesIndex) noexcept {
    Step s;
    try {
        const long seriesType = s.GetInt32(series, M::ChartType);
        if (s.failed()) return LogSeriesError(s.error());
        switch (ConverterOfSeriesType(seriesType)) {
        case SeriesConverter::Filled: ConvertFilledSeries(series, seriesIndex); break;
        case SeriesConverter::Line: ConvertLineSeries(series, seriesIndex); break;
        case SeriesConverter::Pie: {
            Dispatch chart = ChartOfSeries(s, series);
            if (!s.failed()) ConvertPieSeries(chart.get(), seriesIndex);
            break;
        }
        case SeriesConverter::SurfaceLegend: {
            Dispatch chart = ChartOfSeries(s, series);
            if (!s.failed()) ConvertSurfaceLegend(chart.get());
            break;
        }
        case SeriesConverter::None: break;
        }
    } catch (...) {
        // No error number to tell it by (out of memory): nothing is logged, the walk goes on.
        return;
    }
    if (s.failed()) LogSeriesError(s.error());
}

void ChartHandler::TraceEnter(const wchar_t* /*procedure*/, const wchar_t* /*detail*/) noexcept {}
void ChartHandler::TraceExit(const wchar_t* /*detail*/) noexcept {}

}  // namespace qv::chart
