// Writing a package: the input's entries in their order, untouched ones as their compressed
// bytes (so that they stay byte for byte what Office wrote), replaced ones anew.
#include "tools/office/Package.h"

#include <zip.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace office {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A new entry takes the time of the entry it replaces, and an added one the time of the
// package's first entry: not the clock's, so that the same input gives the same bytes each time.
time_t EntryTime(zip* in, zip_int64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (index >= 0 && zip_stat_index(in, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
        return st.mtime;
    return index == 0 ? 315532800 : EntryTime(in, 0);  // the zip format's first day, 1980-01-01
}

bool Added(zip* out, zip_source_t* source, const std::string& name, time_t mtime) {
    const zip_int64_t index = zip_file_add(out, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(out, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) == 0 &&
           zip_file_set_mtime(out, static_cast<zip_uint64_t>(index), mtime, 0) == 0;
}

// Adds one entry to out; the bytes of data must live until out is closed.
bool AddData(zip* out, const std::string& name, const std::string& data, time_t mtime) {
    zip_source_t* source = zip_source_buffer(out, data.data(), data.size(), 0);
    return source && Added(out, source, name, mtime);
}

bool CopyEntry(zip* out, zip* in, zip_uint64_t index, const std::string& name) {
    zip_source_t* source = zip_source_zip(out, in, index, ZIP_FL_COMPRESSED, 0, -1);
    if (!source) return false;
    if (zip_file_add(out, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        return false;
    }
    return true;
}

bool AddFile(zip* out, const std::string& name, const std::string& file, time_t mtime) {
    zip_source_t* source = zip_source_file(out, file.c_str(), 0, -1);
    return source && Added(out, source, name, mtime);
}

// Fills out with this package's entries and the replacements; false with out's error set.
bool Fill(zip* out, zip* in, const std::map<std::string, std::string>& replaced,
          const std::map<std::string, std::string>& replacedFromFiles) {
    // Lower-case name -> (contents or file name, whether it is a file name).
    std::map<std::string, std::pair<const std::string*, bool>> pending;
    for (const auto& [name, data] : replaced) pending[Lower(name)] = {&data, false};
    for (const auto& [name, file] : replacedFromFiles) pending[Lower(name)] = {&file, true};
    auto add = [&](const std::string& name, const std::pair<const std::string*, bool>& what, zip_int64_t replaced) {
        const time_t mtime = EntryTime(in, replaced);
        return what.second ? AddFile(out, name, *what.first, mtime) : AddData(out, name, *what.first, mtime);
    };
    const zip_int64_t count = zip_get_num_entries(in, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const std::string name = zip_get_name(in, static_cast<zip_uint64_t>(i), 0);
        auto it = pending.find(Lower(name));
        const bool ok = it != pending.end() ? add(name, it->second, i)
                                            : CopyEntry(out, in, static_cast<zip_uint64_t>(i), name);
        if (!ok) return false;
        if (it != pending.end()) pending.erase(it);
    }
    for (const auto* names : {&replaced, &replacedFromFiles})
        for (const auto& entry : *names) {
            auto it = pending.find(Lower(entry.first));
            if (it != pending.end() && !add(entry.first, it->second, -1)) return false;
        }
    return true;
}

}  // namespace

void Package::Write(const std::string& path, const std::map<std::string, std::string>& replaced,
                    const std::map<std::string, std::string>& replacedFromFiles) const {
    const std::string temp = path + ".partial";
    int code = 0;
    zip* out = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!out) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw PackageWriteError(path + ": cannot be created: " + text);
    }
    if (!Fill(out, archive_, replaced, replacedFromFiles) || zip_close(out) != 0) {
        const std::string text = zip_strerror(out);
        zip_discard(out);
        std::remove(temp.c_str());
        throw PackageWriteError(path + ": cannot be written: " + text);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string text = std::strerror(errno);
        std::remove(temp.c_str());
        throw PackageWriteError(path + ": cannot be written: " + text);
    }
}

std::string Package::WriteBytes(const std::map<std::string, std::string>& replaced) const {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip* out = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    if (!out) {
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        if (target) zip_source_free(target);
        Fail("cannot be rewritten: " + text);
    }
    zip_error_fini(&error);
    zip_source_keep(target);  // it holds the result after zip_close
    if (!Fill(out, archive_, replaced, {}) || zip_close(out) != 0) {
        const std::string text = zip_strerror(out);
        zip_discard(out);
        zip_source_free(target);
        Fail("cannot be rewritten: " + text);
    }
    std::string bytes;
    zip_stat_t st;
    if (zip_source_stat(target, &st) == 0 && zip_source_open(target) == 0) {
        bytes.resize(static_cast<size_t>(st.size));
        const zip_int64_t n = zip_source_read(target, bytes.data(), bytes.size());
        zip_source_close(target);
        if (n < 0 || static_cast<uint64_t>(n) != st.size) bytes.clear();
    }
    zip_source_free(target);
    if (bytes.empty()) Fail("cannot be rewritten: the new package could not be read back");
    return bytes;
}

}  // namespace office
