#include "tools/package/ZipWriter.h"

#include <zip.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace office {

namespace {

std::string OpenError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Lets fill add the entries, then closes out, which compresses and writes them. out is gone
// afterwards, whatever happened.
void FillAndClose(zip* out, const std::string& label, const std::function<void(ZipWriter&)>& fill,
                  ZipWriter& writer) {
    try {
        fill(writer);
    } catch (...) {
        zip_discard(out);
        throw;
    }
    if (zip_close(out) != 0) {
        const std::string text = zip_strerror(out);
        zip_discard(out);
        throw PackageWriteError(label + ": cannot be written: " + text);
    }
}

std::string ReadBack(zip_source_t* source) {
    std::string bytes;
    if (zip_source_open(source) < 0) return bytes;
    char buffer[65536];
    for (zip_int64_t n; (n = zip_source_read(source, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<size_t>(n));
    zip_source_close(source);
    return bytes;
}

}  // namespace

void ZipWriter::Fail() const { throw PackageWriteError(label_ + ": cannot be written: " + zip_strerror(out_)); }

// A copied entry (deflate false) keeps its own time; mtime is for entries written anew.
void ZipWriter::Add(const std::string& name, zip_source_t* source, bool deflate, time_t mtime) {
    if (!source) Fail();
    const zip_int64_t index = zip_file_add(out_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        Fail();
    }
    if (!deflate) return;
    if (zip_set_file_compression(out_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) != 0 ||
        zip_file_set_mtime(out_, static_cast<zip_uint64_t>(index), mtime, 0) != 0)
        Fail();
}

void ZipWriter::AddData(const std::string& name, const std::string& data, time_t mtime) {
    Add(name, zip_source_buffer(out_, data.data(), data.size(), 0), true, mtime);
}

void ZipWriter::AddFile(const std::string& name, const std::string& file, time_t mtime) {
    Add(name, zip_source_file(out_, file.c_str(), 0, -1), true, mtime);
}

void ZipWriter::CopyEntry(zip* from, uint64_t index, const std::string& name) {
    Add(name, zip_source_zip(out_, from, index, ZIP_FL_COMPRESSED, 0, -1), false, 0);
}

void WriteZipFile(const std::string& path, const std::function<void(ZipWriter&)>& fill) {
    // The process id keeps two writers of one target apart.
    const std::string temporary = path + ".part" + std::to_string(getpid());
    int code = 0;
    zip* out = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!out) throw PackageWriteError(path + ": cannot be created: " + OpenError(code));
    ZipWriter writer(out, path);
    try {
        FillAndClose(out, path, fill, writer);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string text = std::strerror(errno);
        std::remove(temporary.c_str());
        throw PackageWriteError(path + ": cannot be written: " + text);
    }
}

std::string WriteZipBytes(const std::string& label, const std::function<void(ZipWriter&)>& fill) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip* out = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    if (!out) {
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        if (target) zip_source_free(target);
        throw PackageWriteError(label + ": cannot be written: " + text);
    }
    zip_error_fini(&error);
    zip_source_keep(target);  // it holds the result after the close
    ZipWriter writer(out, label);
    try {
        FillAndClose(out, label, fill, writer);
    } catch (...) {
        zip_source_free(target);
        throw;
    }
    const std::string bytes = ReadBack(target);
    zip_source_free(target);
    // A zip has its directory's end record at least.
    if (bytes.empty()) throw PackageWriteError(label + ": cannot be written: the new package could not be read back");
    return bytes;
}

void WriteZipFile(const std::string& path, const std::vector<ZipEntry>& entries) {
    WriteZipFile(path, [&](ZipWriter& zip) {
        for (const ZipEntry& entry : entries) zip.AddData(entry.name, entry.data);
    });
}

std::string ZipToBytes(const std::vector<ZipEntry>& entries) {
    return WriteZipBytes("embedded package", [&](ZipWriter& zip) {
        for (const ZipEntry& entry : entries) zip.AddData(entry.name, entry.data);
    });
}

}  // namespace office
