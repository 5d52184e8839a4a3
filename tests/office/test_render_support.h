// What the rendering and sample tests share: the source tree, reading zip packages, temporary
// folders, and the rule that a missing renderer fails the test unless skipping is allowed.
#pragma once

#include "tools/render/Process.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace rendertest {

inline std::string SourceDir() {
    const char* dir = std::getenv("QV_SOURCE_DIR");
    return dir ? dir : ".";
}

inline std::string Corpus(const std::string& file) { return SourceDir() + "/tests/office/corpus/" + file; }
inline std::string Schema(const std::string& file) { return SourceDir() + "/tests/office/schemas/" + file; }

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

// Every entry of a zip package held in memory, by name.
inline std::map<std::string, std::string> UnzipBytes(const std::string& bytes) {
    std::map<std::string, std::string> parts;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!zip) {
        if (source) zip_source_free(source);
        ADD_FAILURE() << "not a zip: " << zip_error_strerror(&error);
        return parts;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(static_cast<size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        if (f && zip_fread(f, data.data(), st.size) == static_cast<zip_int64_t>(st.size)) parts[st.name] = data;
        if (f) zip_fclose(f);
    }
    zip_close(zip);
    return parts;
}

inline std::map<std::string, std::string> Unzip(const std::string& path) { return UnzipBytes(ReadFile(path)); }

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvrender-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// An environment variable set (or, with null, removed) for one test, put back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_) setenv(name_.c_str(), old_.c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, old_;
    bool had_ = false;
};

// PATH for one test, put back afterwards.
class ScopedPath : public ScopedEnv {
public:
    explicit ScopedPath(const std::string& value) : ScopedEnv("PATH", value.c_str()) {}
};

inline bool SkipAllowed() {
    const char* allow = std::getenv("QV_ALLOW_SKIP");
    return allow && std::string(allow) == "1";
}

// CI installs LibreOffice and poppler-utils and must run these checks: a missing renderer fails
// the test there, and skips it only where QV_ALLOW_SKIP=1 says that is wanted.
#define QV_REQUIRE_RENDERER()                                                                             \
    do {                                                                                                  \
        if (render::FindOnPath("soffice").empty() || render::FindOnPath("pdftoppm").empty()) {            \
            if (rendertest::SkipAllowed()) GTEST_SKIP() << "LibreOffice or pdftoppm missing (QV_ALLOW_SKIP=1)"; \
            FAIL() << "LibreOffice (soffice) or pdftoppm missing: run scripts/setup, or set QV_ALLOW_SKIP=1"; \
        }                                                                                                 \
    } while (0)

}  // namespace rendertest
