// The server's own type library, embedded in the DLL as resource TYPELIB 1.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace qv {

// The type information of one of the library's interfaces (by IID), loaded once per thread
// from the module that holds this code. Fails with the loader's HRESULT when the library is not
// there (for example in a test program that links the code statically).
HRESULT LoadOwnTypeInfo(REFGUID guid, ITypeInfo** info) noexcept;

}  // namespace qv
