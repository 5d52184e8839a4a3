#include "plugin/TypeLibrary.h"

#include "plugin/ModulePath.h"

#include "com/ComSupport.h"

#include <string>

namespace qv {
namespace {

// Module-wide state lives per thread, like the rest of the component's. The cached reference is
// a plain pointer, given up when the thread ends: the toolchain's emulated thread-local storage
// frees a thread's block before the destructors registered for it run, so a destructor here would
// read freed memory at the host thread's end (see modPublic::ApartmentRef).
HRESULT OwnTypeLib(ITypeLib** lib) {
    thread_local ITypeLib* cached = nullptr;
    if (!cached) {
        const std::wstring path = ModuleFilePath(ModuleOfThisCode());
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &cached);
        if (FAILED(hr)) {
            cached = nullptr;
            return hr;
        }
    }
    *lib = cached;
    (*lib)->AddRef();
    return S_OK;
}

bool HasGuid(ITypeInfo* info, REFGUID guid) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    const bool same = IsEqualGUID(attr->guid, guid) != 0;
    info->ReleaseTypeAttr(attr);
    return same;
}

// An interface that one of the library's classes implements from another library.
HRESULT FindImplementedInterface(ITypeLib* lib, REFGUID guid, ITypeInfo** info) {
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind;
        ComPtr<ITypeInfo> coclass;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        if (FAILED(lib->GetTypeInfo(i, coclass.Receive()))) continue;
        for (UINT k = 0;; ++k) {
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> implemented;
            if (FAILED(coclass->GetRefTypeOfImplType(k, &ref))) break;
            if (FAILED(coclass->GetRefTypeInfo(ref, implemented.Receive()))) continue;
            if (HasGuid(implemented.get(), guid)) {
                *info = implemented.Detach();
                return S_OK;
            }
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

// A dual interface is stored as its dispatch part; Invoke needs the vtable part behind it.
HRESULT VtablePartOf(ComPtr<ITypeInfo> info, ITypeInfo** result) {
    TYPEATTR* attr = nullptr;
    HRESULT hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (dual) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtable;
        hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
        if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, vtable.Receive());
        if (FAILED(hr)) return hr;
        info = vtable;
    }
    *result = info.Detach();
    return S_OK;
}

}  // namespace

HRESULT LoadOwnTypeInfo(REFGUID guid, ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    try {
        ComPtr<ITypeLib> lib;
        HRESULT hr = OwnTypeLib(lib.Receive());
        if (FAILED(hr)) return hr;
        ComPtr<ITypeInfo> found;
        if (FAILED(lib->GetTypeInfoOfGuid(guid, found.Receive()))) {
            found.reset();
            hr = FindImplementedInterface(lib.get(), guid, found.Receive());
            if (FAILED(hr)) return hr;
        }
        return VtablePartOf(found, info);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

bool IsOwnMember(ITypeInfo* info, DISPID member) noexcept {
    TYPEATTR* attr = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attr))) return false;
    const UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        const bool own = desc->memid == member && !(desc->wFuncFlags & FUNCFLAG_FRESTRICTED);
        info->ReleaseFuncDesc(desc);
        if (own) return true;
    }
    return false;
}

}  // namespace qv
