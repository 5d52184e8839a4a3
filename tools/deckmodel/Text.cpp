#include "tools/deckmodel/Text.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <windows.h>

#include <cwctype>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#endif

namespace bwpass {

namespace {
struct FileCloser {
    void operator()(FILE* f) const { if (f) fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Flushed here, so that a full disk shows as a failed write rather than at the close nobody checks.
bool WriteAll(FILE* f, const std::string& contents) {
    return fwrite(contents.data(), 1, contents.size(), f) == contents.size() && fflush(f) == 0;
}

// The whole of a file just opened (null when it could not be), whichever way its name was given.
bool ReadOpenedFile(File f, std::string& contents, std::string& errorText) {
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
}  // namespace

#ifdef _WIN32

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
    return ReadOpenedFile(File(_wfopen(path.c_str(), L"rb")), contents, errorText);
}

bool WriteWholeFile(const std::wstring& path, const std::string& contents, std::string& errorText) {
    const std::wstring temp = path + L".partial";
    {
        File f(_wfopen(temp.c_str(), L"wb"));
        if (!f) {
            errorText = "cannot be created";
            return false;
        }
        if (!WriteAll(f.get(), contents)) {
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

#else
// On Linux wchar_t holds a whole code point; ill-formed input becomes U+FFFD, as the Windows
// conversions do without MB_ERR_INVALID_CHARS.
namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& s, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the sequence starting at s[i] and advances i past it (one byte when it is ill-formed).
char32_t NextCodePoint(const std::string& s, size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80) return lead;
    size_t extra;
    char32_t c, least;
    if (lead >= 0xC2 && lead <= 0xDF) { extra = 1; c = lead & 0x1F; least = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { extra = 2; c = lead & 0x0F; least = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { extra = 3; c = lead & 0x07; least = 0x10000; }
    else return kReplacement;
    size_t j = i;
    for (size_t k = 0; k < extra; ++k, ++j) {
        if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    i = j;
    return c;
}
}  // namespace

std::string Utf8(const std::wstring& w) {
    std::string s;
    s.reserve(w.size());
    for (wchar_t c : w) AppendUtf8(s, static_cast<char32_t>(c));
    return s;
}

std::wstring Wide(const std::string& utf8) {
    std::wstring w;
    w.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) w += static_cast<wchar_t>(NextCodePoint(utf8, i));
    return w;
}

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

bool ReadWholeFile(const std::wstring& path, std::string& contents, std::string& errorText) {
    const std::string name = Utf8(path);
    struct stat st;
    if (stat(name.c_str(), &st) != 0) {
        errorText = SystemErrorText(static_cast<unsigned long>(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        errorText = "it is a folder, not a file";
        return false;
    }
    return ReadOpenedFile(File(fopen(name.c_str(), "rb")), contents, errorText);
}

bool WriteWholeFile(const std::wstring& path, const std::string& contents, std::string& errorText) {
    const std::string name = Utf8(path);
    const std::string temp = name + ".partial";
    {
        File f(fopen(temp.c_str(), "wb"));
        if (!f) {
            errorText = "cannot be created";
            return false;
        }
        if (!WriteAll(f.get(), contents)) {
            f.reset();
            unlink(temp.c_str());
            errorText = "write error (disk full?)";
            return false;
        }
    }
    if (rename(temp.c_str(), name.c_str()) != 0) {
        errorText = SystemErrorText(static_cast<unsigned long>(errno));
        unlink(temp.c_str());
        return false;
    }
    return true;
}

namespace {
// The absolute name with "." and ".." resolved as far as the folders exist, so that a target
// that does not exist yet still compares equal to the same name written another way.
std::string FullPath(const std::string& p) {
    char resolved[PATH_MAX];
    if (realpath(p.c_str(), resolved)) return resolved;
    const size_t slash = p.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
    const std::string leaf = slash == std::string::npos ? p : p.substr(slash + 1);
    if (realpath(folder.c_str(), resolved)) {
        std::string full = resolved;
        if (full.back() != '/') full += '/';
        return full + leaf;
    }
    return p;
}
}  // namespace

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const std::string na = Utf8(a), nb = Utf8(b);
    if (FullPath(na) == FullPath(nb)) return true;
    struct stat sa, sb;
    if (stat(na.c_str(), &sa) != 0 || stat(nb.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
#endif  // _WIN32

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
