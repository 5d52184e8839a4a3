#include "ServerTestSupport.h"

#include <objbase.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace servertest {

namespace {

std::wstring BuildDirWindows() {
    const char* dir = std::getenv("QV_BUILD_DIR");
    if (!dir) throw std::runtime_error("QV_BUILD_DIR is not set");
    std::wstring path = L"Z:";
    for (const char* p = dir; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

template <class F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::wstring DllPath() { return BuildDirWindows() + L"\\QVCHBW01.dll"; }
std::wstring GenPath(const std::wstring& name) { return BuildDirWindows() + L"\\gen\\" + name; }

ServerDll::ServerDll(const std::wstring& path) : module(LoadLibraryW(path.c_str())) {
    if (!module) return;
    canUnloadNow = Export<decltype(canUnloadNow)>(module, "DllCanUnloadNow");
    getClassObject = Export<decltype(getClassObject)>(module, "DllGetClassObject");
    registerServer = Export<decltype(registerServer)>(module, "DllRegisterServer");
    unregisterServer = Export<decltype(unregisterServer)>(module, "DllUnregisterServer");
}

ServerDll::~ServerDll() {
    if (module) FreeLibrary(module);
}

std::wstring GuidString(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, &type, &value[0], &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcslen(value.c_str()));
    return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

namespace {

void SnapshotInto(HKEY handle, const std::wstring& prefix, std::map<std::wstring, std::wstring>& out) {
    wchar_t name[512];
    std::vector<BYTE> data(4096);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 512, dataLen = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(handle, i, name, &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) break;
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), dataLen / sizeof(wchar_t));
        out[prefix + L"|" + name] = std::to_wstring(type) + L":" + text;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 512;
        if (RegEnumKeyExW(handle, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(handle, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        out[prefix + L"\\" + name] = L"<key>";
        SnapshotInto(sub, prefix + L"\\" + name, out);
        RegCloseKey(sub);
    }
}

}  // namespace

std::map<std::wstring, std::wstring> Snapshot(HKEY root, const std::wstring& key) {
    std::map<std::wstring, std::wstring> out;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return out;
    SnapshotInto(handle, key, out);
    RegCloseKey(handle);
    return out;
}

}  // namespace servertest
