#include "sim/LogCapture.h"

#include <objbase.h>

#include <atomic>
#include <cwctype>
#include <exception>
#include <stdexcept>
#include <thread>

namespace sim {

namespace {

const wchar_t kLogKey[] = L"Software\\Veltrane\\Orvane\\Log";

std::wstring FreshFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring folder = std::wstring(temp) + L"qvlog_" +
                              std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(counter++) + L"_" + std::to_wstring(GetTickCount());
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    }
    throw std::runtime_error("cannot create a log folder");
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

bool Digits(const std::wstring& t, size_t at, int low, int high) {
    if (!iswdigit(t[at]) || !iswdigit(t[at + 1])) return false;
    int value = (t[at] - L'0') * 10 + (t[at + 1] - L'0');
    return value >= low && value <= high;
}

}  // namespace

std::wstring ProgramName() {
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring file(path, n);
    file = file.substr(file.find_last_of(L'\\') + 1);
    return file.substr(0, file.find_last_of(L'.'));
}

bool HasLogTimestamp(const std::wstring& t) {
    // "dd.mm.yy hh:mm:ss   "
    if (t.size() < kLogTimestampLength) return false;
    wchar_t separator = t[11];
    return Digits(t, 0, 1, 31) && t[2] == L'.' && Digits(t, 3, 1, 12) && t[5] == L'.' &&
           Digits(t, 6, 0, 99) && t[8] == L' ' && Digits(t, 9, 0, 23) && !iswdigit(separator) &&
           Digits(t, 12, 0, 59) && t[14] == separator && Digits(t, 15, 0, 59) &&
           t.compare(17, 3, L"   ") == 0;
}

LogCapture::LogCapture(bool keepLogFiles, std::wstring moduleName) {
    if (moduleName.empty()) moduleName = ProgramName();
    folder_ = FreshFolder();
    file_ = folder_ + L"\\QV_" + moduleName + L".log";
    try {
        registry_.SetDword(HKEY_CURRENT_USER, kLogKey, L"*", 1);
        registry_.SetString(HKEY_CURRENT_USER, kLogKey, L"$LOGPATH", folder_);
        registry_.SetDword(HKEY_CURRENT_USER, kLogKey, L"$KEEPLOGFILES", keepLogFiles ? 1 : 0);
    } catch (...) {
        registry_.Restore();
        RemoveFolder(folder_);
        throw;
    }
}

LogCapture::~LogCapture() {
    registry_.Restore();
    RemoveFolder(folder_);
}

bool LogCapture::FileExists() const {
    DWORD attributes = GetFileAttributesW(file_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LogCapture::RawBytes() const {
    HANDLE f = CreateFileW(file_.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(f);
    return bytes;
}

std::vector<std::wstring> LogCapture::Lines() const {
    std::string bytes = RawBytes();
    std::wstring text;
    if (!bytes.empty()) {
        int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.assign(n, L'\0');
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    }
    std::vector<std::wstring> messages;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) throw std::runtime_error("log: last line not ended by CR LF");
        std::wstring line = text.substr(pos, end - pos);
        pos = end + 2;
        if (HasLogTimestamp(line))
            messages.push_back(line.substr(kLogTimestampLength));
        else if (!messages.empty())
            messages.back() += L"\r\n" + line;
        else
            throw std::runtime_error("log: first line without a timestamp");
    }
    return messages;
}

void LogCapture::Clear() const { DeleteFileW(file_.c_str()); }

void RunOnFreshThread(const std::function<void()>& scenario) {
    std::exception_ptr failure;
    std::thread thread([&] {
        HRESULT init = CoInitialize(nullptr);
        try {
            scenario();
        } catch (...) {
            failure = std::current_exception();
        }
        if (SUCCEEDED(init)) CoUninitialize();
    });
    thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace sim
