// Every zip package the tools write: converted packages rewritten from an open one
// (Package::Write, Package::WriteBytes) and new packages made from parts held in memory (the
// sample presentation and its embedded workbooks, the one-slide presentations that LibreOffice
// renders). Parts written anew are deflated. A file is written through a temporary file beside
// the target and renamed into place, so that a failed write leaves nothing under the target's
// name; a package embedded in another is written to memory.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct zip;
struct zip_source;

namespace office {

// A new package that cannot be written (the output's problem, not the input's).
class PackageWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The entries of a zip being written, in the order they are added. A failed addition throws
// PackageWriteError naming the zip and the problem.
class ZipWriter {
public:
    // Entries written anew are dated the zip format's first day unless told otherwise, never
    // the clock's, so that the same contents give the same bytes each time.
    static constexpr time_t kFixedTime = 315532800;  // 1980-01-01

    // The bytes of data must live until the zip is closed.
    void AddData(const std::string& name, const std::string& data, time_t mtime = kFixedTime);
    // The file is read when the zip is closed.
    void AddFile(const std::string& name, const std::string& file, time_t mtime = kFixedTime);
    // Entry index of an open zip as its compressed bytes, untouched.
    void CopyEntry(zip* from, uint64_t index, const std::string& name);

private:
    friend void WriteZipFile(const std::string&, const std::function<void(ZipWriter&)>&);
    friend std::string WriteZipBytes(const std::string&, const std::function<void(ZipWriter&)>&);
    ZipWriter(zip* out, const std::string& label) : out_(out), label_(label) {}
    // Adds source (null: libzip could not make it), taking it over.
    void Add(const std::string& name, zip_source* source, bool deflate, time_t mtime);
    [[noreturn]] void Fail() const;

    zip* out_;
    const std::string& label_;
};

// The zip that fill adds to, written to path. Throws PackageWriteError "PATH: cannot be
// created: ..." or "PATH: cannot be written: ...", and then nothing is left at path.
void WriteZipFile(const std::string& path, const std::function<void(ZipWriter&)>& fill);
// The same zip as bytes; label names it in messages ("LABEL: cannot be written: ...").
std::string WriteZipBytes(const std::string& label, const std::function<void(ZipWriter&)>& fill);

// A part of a new package: its name without the leading slash, e.g. "ppt/slides/slide1.xml".
struct ZipEntry {
    std::string name;
    std::string data;
};

// A new package of these parts, in their order.
void WriteZipFile(const std::string& path, const std::vector<ZipEntry>& entries);
std::string ZipToBytes(const std::vector<ZipEntry>& entries);

}  // namespace office
