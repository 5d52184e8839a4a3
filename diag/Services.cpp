#include "diag/Services.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace qv::diag {

namespace {

// ---- registry ------------------------------------------------------------------------------

// The predefined roots are sign-extended 32-bit values, as the Windows headers define them.
HKEY RootKey(long root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root)); }

class OpenKey {
public:
    OpenKey(long root, const std::wstring& path)
        : status_(RegOpenKeyExA(RootKey(root), ToAnsi(path).c_str(), 0, KEY_QUERY_VALUE, &key_)) {}
    ~OpenKey() { if (status_ == ERROR_SUCCESS) RegCloseKey(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    LONG status() const { return status_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
    LONG status_;
};

// The value's data as the second query returned it, or def when a query fails or the data
// holds no NUL. Only the bytes that query reported are read: a value that shrank between the
// queries must not find its NUL in the zeroed rest of the buffer.
std::wstring ReadStringValue(HKEY key, const std::string& name, const std::wstring& def) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return def;
    std::string buffer(size, '\0');
    DWORD read = size;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]),
                         &read) != ERROR_SUCCESS)
        return def;
    if (read < size) buffer.resize(read);
    size_t nul = buffer.find('\0');
    if (nul == std::string::npos) return def;
    return FromAnsi(buffer.data(), nul);
}

// ---- folders -------------------------------------------------------------------------------

// Calls a Windows function that fills a buffer and returns a length: 80 characters first,
// doubled while the length returned is not less than size - 1 (too small, or exactly full).
template <class Fill>
std::string ReadGrowing(Fill fill) {
    long long size = 80;
    for (;;) {
        std::string buffer(static_cast<size_t>(size), ' ');
        DWORD n = fill(&buffer[0], static_cast<DWORD>(size));
        if (n < size - 1) {
            buffer.resize(n);
            return buffer;
        }
        size *= 2;
        if (size > INT_MAX) throw std::overflow_error("buffer size");
    }
}

DWORD Attributes(const std::wstring& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesA(ToAnsi(path).c_str());
}

// ---- module identity -----------------------------------------------------------------------

std::atomic<HINSTANCE> g_instance{nullptr};

HMODULE OwnModule() {
    if (HINSTANCE instance = g_instance.load()) return instance;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&g_instance), &module);
    return module;
}

std::wstring ModulePath() {
    HMODULE module = OwnModule();
    if (!module) return std::wstring();
    // GetModuleFileNameA fills the whole buffer when the path is cut; grow until it is not.
    for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
        std::string buffer(size, '\0');
        DWORD n = GetModuleFileNameA(module, &buffer[0], size);
        if (n == 0) return std::wstring();
        if (n < size) return FromAnsi(buffer.data(), n);
    }
    return std::wstring();
}

}  // namespace

// ---- ANSI code page ------------------------------------------------------------------------

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::wstring FromAnsi(const char* text, size_t length) {
    if (length == 0) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &out[0], n);
    return out;
}

// ---- registry ------------------------------------------------------------------------------

std::wstring RegGetString(long root, const std::wstring& key, const std::wstring& name,
                          const std::wstring& def) noexcept {
    try {
        OpenKey open(root, key);
        if (open.status() != ERROR_SUCCESS) return def;
        return ReadStringValue(open.get(), ToAnsi(name), def);
    } catch (...) {
        return def;
    }
}

long RegGetDword(long root, const std::wstring& key, const std::wstring& name, long def,
                 long* status) noexcept {
    long result = def;
    LONG rc = ERROR_OUTOFMEMORY;
    try {
        OpenKey open(root, key);
        rc = open.status();
        if (rc == ERROR_SUCCESS) {
            // Zeroed, so that data shorter than 4 bytes reads as its own little-endian value.
            BYTE data[4] = {};
            DWORD size = sizeof data, type = REG_DWORD;
            rc = RegQueryValueExA(open.get(), ToAnsi(name).c_str(), nullptr, &type, data, &size);
            if (rc == ERROR_SUCCESS) {
                int32_t value;
                std::memcpy(&value, data, sizeof value);
                result = value;
            }
        }
    } catch (...) {
    }
    if (status) *status = rc;
    return result;
}

// ---- paths ---------------------------------------------------------------------------------

namespace {

void JoinPart(std::wstring& result, const std::wstring& part) {
    if (part.empty()) return;
    result.erase(result.find_last_not_of(L'\\') + 1);  // npos + 1 == 0: all backslashes go
    size_t start = part.find_first_not_of(L'\\');
    std::wstring rest = start == std::wstring::npos ? std::wstring() : part.substr(start);
    if (result.empty())
        result = std::move(rest);
    else
        result.append(1, L'\\').append(rest);
}

void JoinParts(std::wstring& result, const PathList& parts) {
    for (const PathPart& part : parts) {
        if (part.isList())
            JoinParts(result, part.list());
        else
            JoinPart(result, part.text());
    }
}

}  // namespace

std::wstring PathCombineList(const std::wstring& base, const PathList& parts) noexcept {
    std::wstring result;
    try {
        result = base;
        JoinParts(result, parts);
    } catch (...) {
    }
    return result;
}

// ---- folders -------------------------------------------------------------------------------

std::wstring WindowsFolder() noexcept {
    try {
        std::string folder = ReadGrowing(
            [](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
        return FromAnsi(folder.data(), folder.size());
    } catch (...) {
        return std::wstring();
    }
}

std::wstring TempFolder() noexcept {
    try {
        std::string reported = ReadGrowing(
            [](char* buffer, DWORD size) { return GetTempPathA(size, buffer); });
        std::wstring candidate = FromAnsi(reported.data(), reported.size());
        if (!FolderExists(candidate)) candidate = WindowsFolder();
        if (!candidate.empty() && candidate.back() == L'\\') candidate.pop_back();
        return candidate;
    } catch (...) {
        // Only the buffer size can overflow; the caller gets the empty folder name that the log
        // would have made of the error.
        return std::wstring();
    }
}

bool FileExists(const std::wstring& path) noexcept {
    try {
        DWORD attributes = Attributes(path);
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return false;
    }
}

bool FolderExists(const std::wstring& path) noexcept {
    try {
        DWORD attributes = Attributes(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return false;
    }
}

// ---- module identity -----------------------------------------------------------------------

void SetModuleInstance(HINSTANCE instance) noexcept { g_instance.store(instance); }

std::wstring ModuleName() noexcept {
    try {
        std::wstring path = ModulePath();
        std::wstring file = path.substr(path.find_last_of(L'\\') + 1);
        size_t dot = file.find_last_of(L'.');
        return dot == std::wstring::npos ? file : file.substr(0, dot);
    } catch (...) {
        return std::wstring();
    }
}

std::wstring ModuleFolder() noexcept {
    try {
        std::wstring path = ModulePath();
        size_t slash = path.find_last_of(L'\\');
        return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace qv::diag
