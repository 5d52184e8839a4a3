// ExcelChartHandler: the plug-in object the host creates. It implements the host's IPlugIn,
// IChild and IOLEObjectHandler.
#pragma once

#include <windows.h>

namespace qv {

// Creates a new ExcelChartHandler and queries it for riid (class factories and tests use this).
HRESULT CreateExcelChartHandler(REFIID riid, void** ppv) noexcept;

}  // namespace qv
