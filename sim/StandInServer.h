// What the Excel stand-in's two COM servers share: the in-process QVSimExcel.dll
// (tools/simexcel/SimExcelServer.cpp) and the local server QVSimExcelServer.exe
// (tools/simexcel/ServerMain.cpp). Their objects are late-bound only, with members named by a
// table; their class factories are static objects that live as long as the module; both write
// their classes into HKEY_CLASSES_ROOT.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <string>

namespace sim {

struct MemberName {
    const wchar_t* name;
    DISPID id;
};

// IDispatch without type information: GetIDsOfNames finds a member in the table by its name
// (case-insensitive; no member has named parameters), Invoke is the object's own. Created with
// one reference; deleted when the last one goes.
class LateBoundObject : public IDispatch {
public:
    LateBoundObject(const LateBoundObject&) = delete;
    LateBoundObject& operator=(const LateBoundObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;

protected:
    template <size_t N>
    explicit LateBoundObject(const MemberName (&members)[N]) : members_(members), memberCount_(N) {}
    virtual ~LateBoundObject() = default;

private:
    const MemberName* members_;
    size_t memberCount_;
    volatile LONG refs_ = 1;
};

// A class factory that is a static object of its module: AddRef and Release count nothing.
class StaticClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // Refuses aggregation; the object comes from NewObject.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

protected:
    // A new object with a reference the caller owns, or the failure to return instead
    // (E_OUTOFMEMORY when it cannot be made). No exception leaves it.
    virtual HRESULT NewObject(IUnknown** object) = 0;
};

// IDispatch::GetTypeInfoCount and GetTypeInfo of an object that offers no type information.
HRESULT NoTypeInfoCount(UINT* count);
HRESULT NoTypeInfo(ITypeInfo** info);

// HKEY_CLASSES_ROOT\CLSID\{clsid}.
std::wstring ClassKey(REFCLSID clsid);
// Writes a string value under HKEY_CLASSES_ROOT\key, creating the key; name null for its default.
LSTATUS SetClassesRootValue(const std::wstring& key, const wchar_t* name, const std::wstring& value);

}  // namespace sim
