#include "tools/deck/Text.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <memory>

namespace bwpass {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "error 0x%08lX", code);
        return hex;
    }
    return Utf8(text);
}

namespace {
struct FileCloser {
    void operator()(FILE* f) const { if (f) fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;
}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string& contents, std::string& errorText) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errorText = SystemErrorText(GetLastError());
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        errorText = "it is a folder, not a file";
        return false;
    }
    File f(_wfopen(path.c_str(), L"rb"));
    if (!f) {
        errorText = "cannot be opened for reading";
        return false;
    }
    contents.clear();
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f.get())) > 0) contents.append(buffer, n);
    if (ferror(f.get())) {
        errorText = "read error";
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& contents, std::string& errorText) {
    const std::wstring temp = path + L".partial";
    {
        File f(_wfopen(temp.c_str(), L"wb"));
        if (!f) {
            errorText = "cannot be created";
            return false;
        }
        if (fwrite(contents.data(), 1, contents.size(), f.get()) != contents.size() ||
            fflush(f.get()) != 0) {
            f.reset();
            DeleteFileW(temp.c_str());
            errorText = "write error (disk full?)";
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        errorText = SystemErrorText(GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

namespace {
std::wstring FullPath(const std::wstring& p) {
    DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
    if (n == 0) return p;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(p.c_str(), n, full.data(), nullptr);
    full.resize(n);
    for (wchar_t& c : full) {
        c = static_cast<wchar_t>(std::towlower(c));
        if (c == L'/') c = L'\\';
    }
    return full;
}

bool FileIdentity(const std::wstring& p, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}
}  // namespace

bool SameFile(const std::wstring& a, const std::wstring& b) {
    if (FullPath(a) == FullPath(b)) return true;
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdentity(a, ia) || !FileIdentity(b, ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::string HtmlEscape(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        case '\'': r += "&#39;"; break;
        default: r += c;
        }
    }
    return r;
}

}  // namespace bwpass
