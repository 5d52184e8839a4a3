// The server's own type library, embedded in the DLL as resource TYPELIB 1.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace qv {

// The type information of an interface by IID: one of the library's own interfaces, or one that
// a class of the library implements from an imported library (the host's interfaces; those
// resolve only where that library is registered). For a dual interface it is the vtable part,
// the one that ITypeInfo::Invoke and DispInvoke call through.
//
// The library is loaded once per thread from the file of the module that holds this code. Fails
// with the loader's HRESULT when the library is not there (for example in a test program that
// links the code statically), and with TYPE_E_ELEMENTNOTFOUND for an unknown IID.
HRESULT LoadOwnTypeInfo(REFGUID guid, ITypeInfo** info) noexcept;
// Releases the calling thread's copy of the library; the next LoadOwnTypeInfo loads it again.
void ReleaseOwnTypeLib() noexcept;

// Whether member is one of the interface's own automation members. The type information of a
// dual interface also names the methods it inherits from IUnknown and IDispatch
// (QueryInterface, Invoke, ...); those are no automation members, so the server's objects
// neither name nor invoke them.
bool IsOwnMember(ITypeInfo* info, DISPID member) noexcept;

}  // namespace qv
