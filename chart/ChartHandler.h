// ChartHandler: converts one Excel chart to black and white, in place.
//
// One instance serves any number of calls and keeps nothing between them. Its COM face (the
// class ChartHandler with its default interface _ChartHandler) lives in plugin/server; the
// Excel chart handler uses this class directly.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace qv::chart {

class ChartHandler {
public:
    // Converts the chart given as Object. Always succeeds towards its caller (S_OK): whatever
    // fails inside is skipped, step by step.
    HRESULT OLEObjectHandler_BWPrintNoConfig(IDispatch* Object) noexcept;
};

}  // namespace qv::chart
