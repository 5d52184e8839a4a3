// The server's three classes, declared once: the class factories and the self-registration
// are both derived from this table.
#pragma once

#include <windows.h>

namespace qv::server {

using CreateFunction = HRESULT (*)(REFIID riid, void** ppv) noexcept;

struct ServerClass {
    const CLSID& clsid;
    const wchar_t* progId;
    CreateFunction create;
};

// ExcelChartHandler, ChartHandler, GraphChartHandler, in the type library's order.
extern const ServerClass kServerClasses[3];

// The class whose CLSID is clsid, or null.
const ServerClass* FindServerClass(REFCLSID clsid) noexcept;

// Creators of the two classes that live here (ExcelChartHandler comes from plugin/).
HRESULT CreateChartHandlerObject(REFIID riid, void** ppv) noexcept;
HRESULT CreateGraphChartHandlerObject(REFIID riid, void** ppv) noexcept;

}  // namespace qv::server
