// Class factories of the server's classes.
#pragma once

#include <windows.h>

namespace qv::server {

// DllGetClassObject: the factory of the class clsid, queried for riid; any other class id yields
// CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** ppv) noexcept;

}  // namespace qv::server
