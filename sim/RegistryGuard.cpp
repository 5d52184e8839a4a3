#include "sim/RegistryGuard.h"

#include <stdexcept>

namespace sim {

namespace {

bool ReadValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& type,
               std::vector<BYTE>& data) {
    HKEY h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data.assign(size, 0);
        rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(),
                              &size);
        data.resize(size);
    }
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

}  // namespace

RegistryGuard::~RegistryGuard() { Restore(); }

void RegistryGuard::Save(HKEY root, const std::wstring& key, const std::wstring& name) {
    for (const Saved& s : saved_)
        if (s.root == root && _wcsicmp(s.key.c_str(), key.c_str()) == 0 &&
            _wcsicmp(s.name.c_str(), name.c_str()) == 0)
            return;
    Saved s{root, key, name, false, 0, {}};
    s.existed = ReadValue(root, key, name, s.type, s.data);
    saved_.push_back(std::move(s));
}

// Creates the missing levels one by one, so that exactly those are removed again.
HKEY RegistryGuard::OpenForWrite(HKEY root, const std::wstring& key) {
    size_t pos = 0;
    for (;;) {
        size_t next = key.find(L'\\', pos);
        std::wstring level = key.substr(0, next);
        HKEY h;
        DWORD disposition = 0;
        LONG rc = RegCreateKeyExW(root, level.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  &disposition);
        if (rc != ERROR_SUCCESS) throw std::runtime_error("RegCreateKeyExW failed");
        if (disposition == REG_CREATED_NEW_KEY) created_.push_back({root, level});
        if (next == std::wstring::npos) return h;
        RegCloseKey(h);
        pos = next + 1;
    }
}

void RegistryGuard::SetRaw(HKEY root, const std::wstring& key, const std::wstring& name,
                           DWORD type, const void* data, DWORD size) {
    Save(root, key, name);
    HKEY h = OpenForWrite(root, key);
    LONG rc = RegSetValueExW(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("RegSetValueExW failed");
}

void RegistryGuard::SetDword(HKEY root, const std::wstring& key, const std::wstring& name,
                             DWORD value) {
    SetRaw(root, key, name, REG_DWORD, &value, sizeof value);
}

void RegistryGuard::SetString(HKEY root, const std::wstring& key, const std::wstring& name,
                              const std::wstring& value) {
    SetRaw(root, key, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistryGuard::Delete(HKEY root, const std::wstring& key, const std::wstring& name) {
    Save(root, key, name);
    HKEY h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return;
    RegDeleteValueW(h, name.c_str());
    RegCloseKey(h);
}

void RegistryGuard::Restore() {
    for (auto s = saved_.rbegin(); s != saved_.rend(); ++s) {
        HKEY h;
        if (RegOpenKeyExW(s->root, s->key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) continue;
        if (s->existed)
            RegSetValueExW(h, s->name.c_str(), 0, s->type, s->data.empty() ? nullptr : s->data.data(),
                           static_cast<DWORD>(s->data.size()));
        else
            RegDeleteValueW(h, s->name.c_str());
        RegCloseKey(h);
    }
    saved_.clear();
    // Deepest first; a key that still holds something (another test's value) stays.
    for (auto k = created_.rbegin(); k != created_.rend(); ++k) {
        HKEY h;
        if (RegOpenKeyExW(k->root, k->key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) continue;
        DWORD subkeys = 0, values = 0;
        LONG rc = RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(h);
        if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(k->root, k->key.c_str());
    }
    created_.clear();
}

}  // namespace sim
