#include "tools/render/ZipWriter.h"

#include <zip.h>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace render {
namespace {

struct ZipDiscard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipDiscard>;

struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

std::string Message(zip_error_t* e) { return zip_error_strerror(e); }

// Adds every entry and closes the archive, which compresses and writes them. The buffers point
// into entries, which outlive the close. Every entry is dated the zip format's first day rather
// than now, so that the same contents give the same bytes.
void AddAndClose(ZipPtr zip, const std::vector<ZipEntry>& entries, const std::string& label) {
    constexpr time_t kFixedTime = 315532800;  // 1980-01-01
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(zip.get(), entry.data.data(), entry.data.size(), 0);
        if (!source) throw ZipWriteError(label + ": " + entry.name + ": " + Message(zip_get_error(zip.get())));
        const zip_int64_t index = zip_file_add(zip.get(), entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            throw ZipWriteError(label + ": " + entry.name + ": " + Message(zip_get_error(zip.get())));
        }
        if (zip_file_set_mtime(zip.get(), static_cast<zip_uint64_t>(index), kFixedTime, 0) != 0)
            throw ZipWriteError(label + ": " + entry.name + ": " + Message(zip_get_error(zip.get())));
    }
    if (zip_close(zip.get()) != 0)
        throw ZipWriteError(label + ": cannot write: " + Message(zip_get_error(zip.get())));
    zip.release();  // closed: nothing left to discard
}

// Messages name the target (label), not the temporary file the user never sees.
void WriteTo(const std::string& path, const std::vector<ZipEntry>& entries, const std::string& label) {
    int code = 0;
    ZipPtr zip(zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        const std::string what = Message(&e);
        zip_error_fini(&e);
        throw ZipWriteError(label + ": cannot create: " + what);
    }
    AddAndClose(std::move(zip), entries, label);
}

std::string ReadAll(zip_source_t* source) {
    if (zip_source_open(source) < 0) throw ZipWriteError("embedded package: cannot read it back");
    std::string bytes;
    char buffer[65536];
    for (zip_int64_t n; (n = zip_source_read(source, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    zip_source_close(source);
    return bytes;
}

}  // namespace

void WriteZipFile(const std::string& path, const std::vector<ZipEntry>& entries) {
    const std::string temporary = path + ".part" + std::to_string(getpid());
    try {
        WriteTo(temporary, entries, path);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw ZipWriteError(path + ": cannot rename the written file into place");
    }
}

std::string ZipToBytes(const std::vector<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) throw ZipWriteError("embedded package: " + Message(&error));
    zip_source_keep(buffer.get());  // the archive's close must leave the written bytes to us
    ZipPtr zip(zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error));
    if (!zip) {
        zip_source_free(buffer.get());  // drop the reference taken for the archive
        throw ZipWriteError("embedded package: " + Message(&error));
    }
    AddAndClose(std::move(zip), entries, "embedded package");
    return ReadAll(buffer.get());
}

}  // namespace render
