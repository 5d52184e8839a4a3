// Self-registration: the classes' keys under HKEY_CLASSES_ROOT and the embedded type library.
#pragma once

#include <windows.h>

namespace qv::server {

// Writes, for each class, its ProgID key (with CLSID) and its CLSID key (InprocServer32 with
// the module's full path and ThreadingModel Apartment, ProgID, TypeLib), then registers the
// type library embedded in module. Writing it twice leaves the same entries. When a step fails
// what was written is removed again and the step's HRESULT is returned.
HRESULT RegisterServer(HMODULE module) noexcept;

// Removes the class and ProgID keys and the type library's registration. Entries that are not
// there count as removed.
HRESULT UnregisterServer() noexcept;

}  // namespace qv::server
