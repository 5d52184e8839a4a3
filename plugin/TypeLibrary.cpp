#include "plugin/TypeLibrary.h"

#include "plugin/ModulePath.h"

#include "com/ComSupport.h"
#include "com/ThreadLocal.h"

#include <string>

namespace qv {
namespace {

// Loaded once per thread, like the rest of the component's module-wide state, and given up when
// the thread ends (com/ThreadLocal.h), or released by ReleaseOwnTypeLib before.
thread_local ThreadRef<ITypeLib> t_cached;

HRESULT OwnTypeLib(ITypeLib** lib) {
    ThreadRef<ITypeLib>& cached = t_cached;
    if (!cached) {
        const std::wstring path = ModuleFilePath(ModuleOfThisCode());
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        ITypeLib* loaded = nullptr;
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &loaded);
        if (FAILED(hr)) return hr;
        cached.Adopt(loaded);
    }
    *lib = cached.get();
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

void ReleaseOwnTypeLib() noexcept { t_cached.reset(); }

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
