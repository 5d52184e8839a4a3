#include "chart/ChartHandler.h"

namespace qv::chart {

HRESULT ChartHandler::OLEObjectHandler_BWPrintNoConfig(IDispatch* /*Object*/) noexcept {
    return S_OK;
}

}  // namespace qv::chart
