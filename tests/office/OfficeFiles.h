// Office files made in tests: a zip from named entries (libzip), a minimal presentation to
// spoil in one way or another, and temporary folders.
#pragma once

#include <zip.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace officetest {

using Entries = std::vector<std::pair<std::string, std::string>>;

// The entries zipped in order; stored rather than deflated when store is set, so that a test
// can find and spoil an entry's bytes in the file.
inline std::string Zip(const Entries& entries, bool store = false) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* z = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    zip_source_keep(target);
    for (const auto& [name, data] : entries) {
        zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
        const zip_int64_t i = zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    zip_close(z);
    zip_stat_t st;
    zip_source_stat(target, &st);
    std::string bytes(static_cast<size_t>(st.size), '\0');
    zip_source_open(target);
    zip_source_read(target, bytes.data(), bytes.size());
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return bytes;
}

inline const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
inline const char* kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A presentation with one empty slide: the parts by name, to be changed before zipping.
inline Entries MinimalPresentation() {
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.presentationml.presentation.main+xml\"/>"
        "<Override PartName=\"/ppt/slides/slide1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.presentationml.slide+xml\"/></Types>";
    const std::string rels = std::string("<Relationships xmlns=\"") + kRelsNs + "\"><Relationship Id=\"rId1\" Type=\"" +
                             kRelType + "officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>";
    const std::string presentation =
        "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst></p:presentation>";
    const std::string presentationRels = std::string("<Relationships xmlns=\"") + kRelsNs +
                                         "\"><Relationship Id=\"rId2\" Type=\"" + kRelType +
                                         "slide\" Target=\"slides/slide1.xml\"/></Relationships>";
    const std::string slide =
        "<p:sld xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\">"
        "<p:cSld><p:spTree><p:nvGrpSpPr/><p:grpSpPr/></p:spTree></p:cSld></p:sld>";
    return {{"[Content_Types].xml", types},
            {"_rels/.rels", rels},
            {"ppt/presentation.xml", presentation},
            {"ppt/_rels/presentation.xml.rels", presentationRels},
            {"ppt/slides/slide1.xml", slide}};
}

// The minimal presentation with its main part declared as another content type: a slide show,
// a workbook template ... as far as telling a file by its content goes.
inline std::string PackageOfType(const std::string& type) {
    Entries entries = MinimalPresentation();
    const std::string presentation =
        "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
    std::string& types = entries[0].second;
    types.replace(types.find(presentation), presentation.size(), type);
    return Zip(entries);
}

inline Entries Without(Entries entries, const std::string& name) {
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (it->first == name) {
            entries.erase(it);
            break;
        }
    return entries;
}

inline Entries With(Entries entries, const std::string& name, const std::string& data) {
    for (auto& e : entries)
        if (e.first == name) {
            e.second = data;
            return entries;
        }
    entries.emplace_back(name, data);
    return entries;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/officetest-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline std::string SourceDir() {
    const char* s = std::getenv("QV_SOURCE_DIR");
    return s ? s : ".";
}

}  // namespace officetest
