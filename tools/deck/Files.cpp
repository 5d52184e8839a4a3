#include "tools/deck/Files.h"

#include "tools/deckmodel/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#endif

namespace bwpass {
namespace {

std::FILE* OpenFile(const std::wstring& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(path.c_str(), mode[0] == 'r' ? L"rb" : L"wb");
#else
    return std::fopen(Utf8(path).c_str(), mode[0] == 'r' ? "rb" : "wb");
#endif
}

bool Rename(const std::wstring& from, const std::wstring& to, std::string& errorText) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errorText = SystemErrorText(GetLastError());
#else
    if (std::rename(Utf8(from).c_str(), Utf8(to).c_str()) == 0) return true;
    errorText = std::strerror(errno);
#endif
    return false;
}

}  // namespace

FilePtr OpenForReading(const std::wstring& path, std::string& errorText) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errorText = SystemErrorText(GetLastError());
        return nullptr;
    }
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    struct stat info {};
    if (stat(Utf8(path).c_str(), &info) != 0) {
        errorText = std::strerror(errno);
        return nullptr;
    }
    const bool folder = S_ISDIR(info.st_mode);
#endif
    if (folder) {
        errorText = "it is a folder, not a file";
        return nullptr;
    }
    FilePtr f(OpenFile(path, "r"));
    if (!f) errorText = "cannot be opened for reading";
    return f;
}

void RemoveFile(const std::wstring& path) {
#ifdef _WIN32
    DeleteFileW(path.c_str());
#else
    std::remove(Utf8(path).c_str());
#endif
}

OutputFile::OutputFile(std::wstring path) : path_(std::move(path)), temp_(path_ + L".partial") {}

OutputFile::~OutputFile() {
    if (!committed_) Discard();
}

void OutputFile::Discard() {
    file_.reset();
    RemoveFile(temp_);
}

bool OutputFile::Open() {
    file_.reset(OpenFile(temp_, "w"));
    if (!file_) error_ = "cannot be created";
    return file_ != nullptr;
}

void OutputFile::Write(const std::string& text) {
    if (!file_ || failed_) return;
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) failed_ = true;
}

void OutputFile::Append(const std::wstring& partPath) {
    std::string ignored;
    FilePtr part = OpenForReading(partPath, ignored);
    if (!part) {
        failed_ = true;
        return;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, part.get())) > 0) Write(std::string(buffer, n));
    if (std::ferror(part.get())) failed_ = true;
}

void OutputFile::Flush() {
    if (file_ && std::fflush(file_.get()) != 0) failed_ = true;
}

bool OutputFile::Commit() {
    if (!file_) {
        if (error_.empty()) error_ = "cannot be created";
        return false;
    }
    const bool flushed = std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
    file_.reset();
    if (failed_ || !flushed) {
        error_ = "write error (disk full?)";
        Discard();
        return false;
    }
    if (!Rename(temp_, path_, error_)) {
        Discard();
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace bwpass
