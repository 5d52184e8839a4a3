// ChartHandler: converts one Excel chart to black and white, in place.
//
// One instance serves any number of calls and keeps nothing between them. Its COM face (the
// class ChartHandler with its default interface _ChartHandler) lives in plugin/server; the
// Excel chart handler uses this class directly.
//
// The whole conversion runs under a resume-next rule: every step is attempted by itself and a
// failing step is skipped, so a chart that Excel only partly lets us change is still converted
// as far as it goes. Only ConvertSeries reports anything, to the log.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace qv::chart {

class ChartHandler {
public:
    // Converts the chart given as Object. Always succeeds towards its caller (S_OK): whatever
    // fails inside is skipped, step by step.
    HRESULT OLEObjectHandler_BWPrintNoConfig(IDispatch* Object) noexcept;

private:
    // The frame: chart area, plot area, legend, axes with gridlines, walls, floor.
    static void ConvertChartArea(IDispatch* chart) noexcept;
    static void ConvertPlotArea(IDispatch* chart) noexcept;
    static void ConvertLegend(IDispatch* chart) noexcept;
    static void ConvertAxes(IDispatch* chart) noexcept;
    static void ConvertWalls(IDispatch* chart) noexcept;
    static void ConvertFloor(IDispatch* chart) noexcept;
    // The data: by the chart's type, then (series route) by each series' own type.
    static void ConvertByChartType(IDispatch* chart) noexcept;
    static void ConvertEverySeries(IDispatch* chart) noexcept;
    // Traps its own errors; one with a positive number is logged, and the caller goes on.
    static void ConvertSeries(IDispatch* series, short seriesIndex) noexcept;

    // Series and point converters (SeriesConverters.cpp). They skip whatever fails.
    static void ConvertFilledSeries(IDispatch* series, short seriesIndex) noexcept;
    static void ConvertLineSeries(IDispatch* series, short seriesIndex) noexcept;
    static void ConvertPieSeries(IDispatch* chart, short seriesIndex) noexcept;
    static void ConvertSurfaceLegend(IDispatch* chart) noexcept;

    // Tracing hooks: they accept their texts and do nothing.
    static void TraceEnter(const wchar_t* procedure, const wchar_t* detail) noexcept;
    static void TraceExit(const wchar_t* detail) noexcept;
};

}  // namespace qv::chart
