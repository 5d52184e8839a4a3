// Test support: registry changes that undo themselves.
//
// Every value a test sets or deletes through a RegistryGuard is saved first (type and bytes, or
// its absence) and put back when the guard goes; keys the guard had to create are removed again
// (when empty). Writes use the wide registry functions, so a test can store exactly the bytes it
// wants, NUL or no NUL.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

class RegistryGuard {
public:
    RegistryGuard() = default;
    ~RegistryGuard();
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;

    void SetDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
    // REG_SZ with its terminating NUL.
    void SetString(HKEY root, const std::wstring& key, const std::wstring& name,
                   const std::wstring& value);
    // Exactly size bytes of the given type.
    void SetRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                const void* data, DWORD size);
    void Delete(HKEY root, const std::wstring& key, const std::wstring& name);

    // Puts everything back now (the destructor then has nothing left to do).
    void Restore();

private:
    struct Saved {
        HKEY root;
        std::wstring key, name;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    struct CreatedKey {
        HKEY root;
        std::wstring key;
    };

    void Save(HKEY root, const std::wstring& key, const std::wstring& name);
    HKEY OpenForWrite(HKEY root, const std::wstring& key);

    std::vector<Saved> saved_;
    std::vector<CreatedKey> created_;
};

}  // namespace sim
