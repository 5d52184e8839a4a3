#include "plugin/ExcelChartHandler.h"

namespace qv {

HRESULT CreateExcelChartHandler(REFIID, void** ppv) noexcept {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

}  // namespace qv
