#include "tools/package/FileKind.h"
#include "tools/package/CaseFold.h"
#include "tools/package/CompoundFile.h"
#include "tools/package/Package.h"

#include <pugixml.hpp>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

namespace office {

namespace {

namespace fs = std::filesystem;

// [Content_Types].xml and the package's relationships are a few kilobytes; a bound keeps a
// hostile file from costing more to identify than to refuse.
constexpr zip_uint64_t kIdentifyPartLimit = 4u << 20;

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

// An entry's bytes, or nothing when it is missing, damaged or beyond the bound.
std::optional<std::string> ReadBounded(zip_t* z, const char* name) {
    const zip_int64_t index = zip_name_locate(z, name, ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(z, static_cast<zip_uint64_t>(index), 0));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[16384];
    for (zip_int64_t n; (n = zip_fread(file.get(), buffer, sizeof buffer)) != 0;) {
        if (n < 0) return std::nullopt;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kIdentifyPartLimit) return std::nullopt;
    }
    return bytes;
}

bool Parse(pugi::xml_document& document, const std::string& text) {
    return document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto) &&
           document.document_element();
}

const char* LocalName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? colon + 1 : qualified;
}

// The main part's name (no leading slash) from the package relationships; "" when none.
std::string MainPartName(zip_t* z) {
    const std::optional<std::string> rels = ReadBounded(z, "_rels/.rels");
    pugi::xml_document document;
    if (!rels || !Parse(document, *rels)) return {};
    for (pugi::xml_node n : document.document_element().children()) {
        if (std::strcmp(LocalName(n.name()), "Relationship") != 0) continue;
        const std::string type = n.attribute("Type").value();
        const size_t slash = type.rfind('/');
        if (type.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "officeDocument") != 0) continue;
        if (std::strcmp(n.attribute("TargetMode").value(), "External") == 0) continue;
        return ResolvePartReference("", n.attribute("Target").value());
    }
    return {};
}

// The content type [Content_Types].xml gives a part: its override, else its extension's default.
std::string ContentTypeOf(const pugi::xml_document& types, const std::string& part) {
    const std::string wanted = Lower(part);
    const size_t dot = wanted.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : wanted.substr(dot + 1);
    std::string byDefault;
    for (pugi::xml_node n : types.document_element().children()) {
        const char* name = LocalName(n.name());
        if (std::strcmp(name, "Override") == 0 &&
            Lower(ResolvePartReference("", n.attribute("PartName").value())) == wanted)
            return n.attribute("ContentType").value();
        if (std::strcmp(name, "Default") == 0 && Lower(n.attribute("Extension").value()) == extension)
            byDefault = n.attribute("ContentType").value();
    }
    return byDefault;
}

// The main part's content type, "" when the package has none; nullopt when the zip holds no
// [Content_Types].xml, so it is no Office package at all.
std::optional<std::string> MainContentType(zip_t* z) {
    const std::optional<std::string> typesText = ReadBounded(z, "[Content_Types].xml");
    if (!typesText) return std::nullopt;
    pugi::xml_document types;
    if (!Parse(types, *typesText)) return std::string();
    const std::string main = MainPartName(z);
    return main.empty() ? std::string() : Lower(ContentTypeOf(types, main));
}

struct MainType {
    const char* contentType;  // lower case: MIME types ignore case, and Office spells "macroEnabled"
    FileKind kind;
};

constexpr MainType kMainTypes[] = {
    {"application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml", FileKind::Presentation},
    {"application/vnd.ms-powerpoint.presentation.macroenabled.main+xml", FileKind::MacroPresentation},
    {"application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml", FileKind::SlideShow},
    {"application/vnd.ms-powerpoint.slideshow.macroenabled.main+xml", FileKind::MacroSlideShow},
    {"application/vnd.openxmlformats-officedocument.presentationml.template.main+xml", FileKind::PresentationTemplate},
    {"application/vnd.ms-powerpoint.template.macroenabled.main+xml", FileKind::MacroPresentationTemplate},
    {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml", FileKind::Workbook},
    {"application/vnd.ms-excel.sheet.macroenabled.main+xml", FileKind::MacroWorkbook},
    {"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml", FileKind::WorkbookTemplate},
    {"application/vnd.ms-excel.template.macroenabled.main+xml", FileKind::MacroWorkbookTemplate},
};

FileKind KindOfContentType(const std::string& type) {
    for (const MainType& t : kMainTypes)
        if (type == t.contentType) return t.kind;
    if (type.find("wordprocessingml") != std::string::npos || type.find("ms-word") != std::string::npos)
        return FileKind::WordDocument;
    return FileKind::OtherPackage;
}

FileKind IdentifyZip(const fs::path& file) {
    int code = 0;
    ZipPtr z(zip_open(file.c_str(), ZIP_RDONLY, &code));
    if (!z) return FileKind::DamagedZip;
    if (const std::optional<std::string> type = MainContentType(z.get())) return KindOfContentType(*type);
    const std::optional<std::string> mimetype = ReadBounded(z.get(), "mimetype");
    if (mimetype && mimetype->rfind("application/vnd.oasis.opendocument.", 0) == 0) return FileKind::OpenDocument;
    return FileKind::NotOffice;
}

FileKind IdentifyCompoundFile(const fs::path& file) {
    const std::vector<std::string> streams = CompoundFileRootNames(file);
    auto has = [&](const char* name) {
        for (const std::string& s : streams)
            if (Lower(s) == Lower(name)) return true;
        return false;
    };
    if (has("EncryptedPackage")) return FileKind::Encrypted;
    if (has("PowerPoint Document")) return FileKind::LegacyPresentation;
    if (has("WordDocument")) return FileKind::WordDocument;
    if (has("Workbook") || has("Book")) return FileKind::LegacyWorkbook;  // Book: Excel 5 and 95
    return FileKind::OtherCompoundFile;
}

// A deck file is JSON: after a byte-order mark, white space and comments, an object.
bool LooksLikeJson(const std::string& head) {
    size_t i = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (i < head.size()) {
        const char c = head[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (head.compare(i, 2, "//") == 0) {
            i = head.find('\n', i);
        } else if (head.compare(i, 2, "/*") == 0) {
            i = head.find("*/", i + 2);
            if (i != std::string::npos) i += 2;
        } else {
            return c == '{';
        }
    }
    return false;
}

std::string Head(const fs::path& file, size_t bytes) {
    std::ifstream in(file, std::ios::binary);
    std::string head(bytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

bool Readable(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return false;
    std::ifstream in(file, std::ios::binary);
    return static_cast<bool>(in);
}

std::string UnreadableReason(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) return "no such file";
    if (status.type() == fs::file_type::directory) return "a folder, not a file";
    if (error) return error.message();
    if (status.type() != fs::file_type::regular) return "not a regular file";
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    return std::string("cannot be opened for reading: ") + std::strerror(errno ? errno : EACCES);
}

// What a package of another kind is, from its main part's content type.
std::string OtherPackageReason(const fs::path& file) {
    int code = 0;
    ZipPtr z(zip_open(file.c_str(), ZIP_RDONLY, &code));
    const std::string type = z ? MainContentType(z.get()).value_or("") : "";
    if (type.find(".binary.") != std::string::npos)
        return "an Excel binary workbook (.xlsb); save it as .xlsx in Excel and convert that copy";
    if (type.empty()) return "not an Office file: the package names no main document part, or none of a known type";
    return "an Office Open XML package of another kind (" + type + "); only presentations and workbooks are converted";
}

}  // namespace

FileKind IdentifyFile(const fs::path& file) {
    if (!Readable(file)) return FileKind::Unreadable;
    const std::string head = Head(file, 4096);
    if (head.empty()) return FileKind::Empty;
    if (head.rfind("PK\x03\x04", 0) == 0 || head.rfind("PK\x05\x06", 0) == 0) return IdentifyZip(file);
    if (IsCompoundFileSignature(head)) return IdentifyCompoundFile(file);
    if (LooksLikeJson(head)) return FileKind::Deck;
    return FileKind::NotOffice;
}

FileFamily FamilyOf(FileKind kind) {
    switch (kind) {
    case FileKind::Presentation: case FileKind::MacroPresentation: case FileKind::SlideShow:
    case FileKind::MacroSlideShow: case FileKind::PresentationTemplate: case FileKind::MacroPresentationTemplate:
    case FileKind::LegacyPresentation:
        return FileFamily::Presentation;
    case FileKind::Workbook: case FileKind::MacroWorkbook: case FileKind::WorkbookTemplate:
    case FileKind::MacroWorkbookTemplate: case FileKind::LegacyWorkbook:
        return FileFamily::Workbook;
    case FileKind::Deck:
        return FileFamily::Deck;
    default:
        return FileFamily::None;
    }
}

bool NeedsImport(FileKind kind) { return kind == FileKind::LegacyPresentation || kind == FileKind::LegacyWorkbook; }

const char* ExtensionOf(FileKind kind) {
    switch (kind) {
    case FileKind::Presentation: case FileKind::LegacyPresentation: return ".pptx";
    case FileKind::MacroPresentation: return ".pptm";
    case FileKind::SlideShow: return ".ppsx";
    case FileKind::MacroSlideShow: return ".ppsm";
    case FileKind::PresentationTemplate: return ".potx";
    case FileKind::MacroPresentationTemplate: return ".potm";
    case FileKind::Workbook: case FileKind::LegacyWorkbook: return ".xlsx";
    case FileKind::MacroWorkbook: return ".xlsm";
    case FileKind::WorkbookTemplate: return ".xltx";
    case FileKind::MacroWorkbookTemplate: return ".xltm";
    case FileKind::Deck: return ".json";
    default: return "";
    }
}

const char* NameOf(FileKind kind) {
    switch (kind) {
    case FileKind::Presentation: return "a presentation";
    case FileKind::MacroPresentation: return "a macro-enabled presentation";
    case FileKind::SlideShow: return "a slide show";
    case FileKind::MacroSlideShow: return "a macro-enabled slide show";
    case FileKind::PresentationTemplate: return "a presentation template";
    case FileKind::MacroPresentationTemplate: return "a macro-enabled presentation template";
    case FileKind::Workbook: return "a workbook";
    case FileKind::MacroWorkbook: return "a macro-enabled workbook";
    case FileKind::WorkbookTemplate: return "a workbook template";
    case FileKind::MacroWorkbookTemplate: return "a macro-enabled workbook template";
    case FileKind::Deck: return "a deck file";
    case FileKind::LegacyPresentation: return "a legacy PowerPoint file";
    case FileKind::LegacyWorkbook: return "a legacy Excel workbook";
    case FileKind::Encrypted: return "an encrypted file";
    case FileKind::WordDocument: return "a Word document";
    case FileKind::OtherPackage: return "an Office package of another kind";
    case FileKind::OpenDocument: return "an OpenDocument file";
    case FileKind::OtherCompoundFile: return "a compound file of another kind";
    case FileKind::DamagedZip: return "a damaged zip file";
    case FileKind::Empty: return "an empty file";
    case FileKind::NotOffice: return "not an Office file";
    case FileKind::Unreadable: return "an unreadable file";
    }
    return "";
}

std::string DescribeRefusal(const fs::path& file, FileKind kind) {
    std::string reason;
    switch (kind) {
    case FileKind::Encrypted:
        reason = "the file is encrypted (saved with a password); save it without a password and convert that copy";
        break;
    case FileKind::LegacyPresentation:
    case FileKind::LegacyWorkbook:
        reason = std::string(NameOf(kind)) + " in the binary format of Office 97-2003, not an Office Open XML file; "
                 "it is converted through LibreOffice's import, or save it as " + ExtensionOf(kind) + " first";
        break;
    case FileKind::Deck:
        reason = "a deck file (JSON), not an Office file; deck files are converted by bwpass.exe";
        break;
    case FileKind::WordDocument:
        reason = "a Word document; only presentations and workbooks hold charts this tool converts";
        break;
    case FileKind::OtherPackage:
        reason = OtherPackageReason(file);
        break;
    case FileKind::OpenDocument:
        reason = "an OpenDocument file; save it as .pptx or .xlsx and convert that copy";
        break;
    case FileKind::OtherCompoundFile:
        reason = "a compound file, but not a PowerPoint or Excel file (another program's document, or a damaged one)";
        break;
    case FileKind::DamagedZip:
        reason = "the zip file is damaged: it is truncated or its central directory is missing";
        break;
    case FileKind::Empty:
        reason = "the file is empty, not an Office file";
        break;
    case FileKind::NotOffice:
        reason = Head(file, 4).rfind("PK", 0) == 0
                     ? "a zip file, but not an Office file: it has no [Content_Types].xml"
                     : "not an Office file: neither a presentation, a workbook nor a deck file (JSON)";
        break;
    case FileKind::Unreadable:
        reason = UnreadableReason(file);
        break;
    default:
        reason = std::string(NameOf(kind)) + ", which is converted, not refused";
        break;
    }
    return file.string() + ": " + reason;
}

}  // namespace office
