#include "plugin/server/Registration.h"

#include <oleauto.h>

#include <string>

#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "plugin/ModulePath.h"
#include "plugin/server/ServerClasses.h"

namespace qv::server {
namespace {

std::wstring GuidString(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// Creates (or opens) HKCR\key and sets one string value; name null is the default value.
HRESULT SetClassesValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return HRESULT_FROM_WIN32(status);
}

HRESULT DeleteClassesKey(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegisterServerClass(const ServerClass& cls, const std::wstring& modulePath) {
    const std::wstring progId = cls.progId;
    const std::wstring clsidKey = L"CLSID\\" + GuidString(cls.clsid);
    // The descriptive default values (the ProgID itself) are what clients show for the keys.
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } entries[] = {
        {progId, nullptr, progId},
        {progId + L"\\CLSID", nullptr, GuidString(cls.clsid)},
        {clsidKey, nullptr, progId},
        {clsidKey + L"\\InprocServer32", nullptr, modulePath},
        {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsidKey + L"\\ProgID", nullptr, progId},
        {clsidKey + L"\\TypeLib", nullptr, GuidString(ids::LIBID_QVCHBW01)},
    };
    for (const auto& e : entries) {
        const HRESULT hr = SetClassesValue(e.key, e.name, e.value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterServerClass(const ServerClass& cls) {
    const HRESULT hr = DeleteClassesKey(L"CLSID\\" + GuidString(cls.clsid));
    const HRESULT hr2 = DeleteClassesKey(cls.progId);
    return FAILED(hr) ? hr : hr2;
}

HRESULT RegisterOwnTypeLib(const std::wstring& modulePath) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.Receive());
    if (FAILED(hr)) return hr;
    return RegisterTypeLib(lib.get(), const_cast<OLECHAR*>(modulePath.c_str()), nullptr);
}

HRESULT UnregisterOwnTypeLib() {
    // Nothing registered under our identity: nothing to remove.
    Bstr registeredPath;
    if (FAILED(QueryPathOfRegTypeLib(ids::LIBID_QVCHBW01, 1, 0, 0, registeredPath.Receive()))) return S_OK;
    return UnRegisterTypeLib(ids::LIBID_QVCHBW01, 1, 0, 0, ids::kTypeLibPlatform);
}

HRESULT RegisterEverything(HMODULE module) {
    const std::wstring path = ModuleFilePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    for (const ServerClass& cls : kServerClasses) {
        const HRESULT hr = RegisterServerClass(cls, path);
        if (FAILED(hr)) return hr;
    }
    return RegisterOwnTypeLib(path);
}

}  // namespace

HRESULT RegisterServer(HMODULE module) noexcept {
    try {
        const HRESULT hr = RegisterEverything(module);
        if (FAILED(hr)) UnregisterServer();  // no half-written registration stays behind
        return hr;
    } catch (...) {
        UnregisterServer();
        return E_OUTOFMEMORY;  // the only thing that throws here is an allocation
    }
}

HRESULT UnregisterServer() noexcept {
    try {
        HRESULT result = UnregisterOwnTypeLib();
        for (const ServerClass& cls : kServerClasses) {
            const HRESULT hr = UnregisterServerClass(cls);
            if (SUCCEEDED(result)) result = hr;
        }
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace qv::server
