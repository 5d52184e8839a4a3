// Base of the server's own automation objects: reference counting, QueryInterface for IUnknown,
// IDispatch and the one default interface, and IDispatch from the embedded type library.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>

#include "com/ComSupport.h"
#include "plugin/ModuleLock.h"
#include "plugin/TypeLibrary.h"

namespace qv::server {

// Interface is the default dual interface the object implements (a widl-generated
// declaration); the derived class implements its members.
template <class Interface>
class DispatchObject : public Interface {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, iid_)) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return LoadOwnTypeInfo(iid_, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids) return E_POINTER;
        ComPtr<ITypeInfo> info;
        HRESULT hr = LoadOwnTypeInfo(iid_, info.Receive());
        if (FAILED(hr)) return hr;
        hr = DispGetIDsOfNames(info.get(), names, count, ids);
        if (SUCCEEDED(hr) && count > 0 && !IsOwnMember(info.get(), ids[0])) {
            for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = LoadOwnTypeInfo(iid_, info.Receive());
        if (FAILED(hr)) return hr;
        if (!IsOwnMember(info.get(), member)) return DISP_E_MEMBERNOTFOUND;
        return DispInvoke(static_cast<Interface*>(this), info.get(), member, flags, params, result,
                          excepInfo, argErr);
    }

protected:
    explicit DispatchObject(REFIID iid) : iid_(iid) { ModuleObjectCreated(); }
    virtual ~DispatchObject() { ModuleObjectDestroyed(); }

private:
    const IID iid_;
    volatile LONG refs_ = 1;
};

// A new Object, queried for riid; the object is gone again when the query fails.
template <class Object>
HRESULT CreateObject(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* object = new (std::nothrow) Object();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

}  // namespace qv::server
