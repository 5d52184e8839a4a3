// Shared by the COM server's tests: where the built DLL is, its exports loaded by hand, and
// small registry readers.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

namespace servertest {

// Full Windows path of build/QVCHBW01.dll (the build tree as seen on Wine's drive Z:), and of a
// file in the build tree's gen folder.
std::wstring DllPath();
std::wstring GenPath(const std::wstring& name);

// The DLL loaded by its path (the same module COM loads for the registered classes) with its
// exports.
struct ServerDll {
    HMODULE module = nullptr;
    HRESULT(WINAPI* canUnloadNow)() = nullptr;
    HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* registerServer)() = nullptr;
    HRESULT(WINAPI* unregisterServer)() = nullptr;

    explicit ServerDll(const std::wstring& path);
    ~ServerDll();
    ServerDll(const ServerDll&) = delete;
    ServerDll& operator=(const ServerDll&) = delete;
};

std::wstring GuidString(REFGUID guid);

// A string value under root\key (name null: the default value), or nothing when absent.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);
bool KeyExists(HKEY root, const std::wstring& key);

// Every value below root\key, recursively, as "subkey\name" -> data, for comparing two states.
std::map<std::wstring, std::wstring> Snapshot(HKEY root, const std::wstring& key);

}  // namespace servertest
