// Files read and written a piece at a time, for decks and reports of any length: opened by wide
// name on Windows and by UTF-8 name elsewhere.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace bwpass {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading; null with errorText set (as ReadWholeFile words it) when it cannot.
FilePtr OpenForReading(const std::wstring& path, std::string& errorText);

// A file written through a temporary file beside the target ("TARGET.partial") and renamed into
// place by Commit, so that a failed or abandoned write never leaves a half-written file under
// the target's name: the destructor removes the temporary file when Commit did not succeed.
class OutputFile {
public:
    explicit OutputFile(std::wstring path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False with error() set when the temporary file cannot be created.
    bool Open();
    void Write(const std::string& text);
    // Appends the whole contents of another file (a finished part of this one).
    void Append(const std::wstring& partPath);
    // Makes what was written so far readable at partialPath().
    void Flush();
    // Flushes, closes and renames; false with error() set when any write failed.
    bool Commit();

    // Closes and removes the temporary file: for a part that has been copied where it belongs.
    void Discard();

    const std::wstring& path() const { return path_; }
    const std::wstring& partialPath() const { return temp_; }
    const std::string& error() const { return error_; }

private:
    std::wstring path_, temp_;
    FilePtr file_;
    bool failed_ = false, committed_ = false;
    std::string error_;
};

// Removes a file if it exists.
void RemoveFile(const std::wstring& path);

}  // namespace bwpass
