#include "tools/package/Package.h"
#include "tools/package/CaseFold.h"
#include "tools/package/FileKind.h"

#include <zip.h>

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace office {

namespace {

constexpr unsigned char kCompoundFileSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::string ZipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string ZipErrorText(zip_error_t* error) { return zip_error_strerror(error); }

// Why an entry's name does not name a part inside the package, or "" when it does.
std::string NameProblem(const std::string& name) {
    if (name.empty()) return "an empty name";
    if (name[0] == '/') return "an absolute name";
    if (name.find('\\') != std::string::npos) return "a backslash in its name";
    if (name.find(':') != std::string::npos) return "a drive or scheme in its name";
    for (unsigned char c : name)
        if (c < 0x20) return "a control character in its name";
    std::istringstream segments(name);
    std::string segment;
    while (std::getline(segments, segment, '/'))
        if (segment == "..") return "a \"..\" segment that leads out of the package";
    return {};
}

std::string PercentDecoded(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            r += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            r += s[i];
        }
    }
    return r;
}

std::string RelationshipsPartOf(const std::string& part) {
    if (part.empty()) return "_rels/.rels";
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    const std::string leaf = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + leaf + ".rels";
}

std::pair<size_t, size_t> LineAndColumn(const std::string& text, ptrdiff_t offset) {
    size_t line = 1, column = 1;
    const size_t end = std::min(text.size(), static_cast<size_t>(std::max<ptrdiff_t>(offset, 0)));
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') { ++line; column = 1; } else { ++column; }
    }
    return {line, column};
}

// Sizes in messages: "300 MB" (in MiB, as the limits are set).
std::string Megabytes(uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

uint64_t MegabytesFromEnvironment(const char* variable, uint64_t fallback) {
    const char* text = std::getenv(variable);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const unsigned long long mb = std::strtoull(text, &end, 10);
    if (*end || mb == 0 || mb > (1ull << 24)) return fallback;  // up to 16 TB; anything else is a typo
    return mb << 20;
}

struct ZipFileCloser {
    void operator()(zip_file_t* f) const { if (f) zip_fclose(f); }
};

}  // namespace

PackageLimits DefaultLimits() {
    PackageLimits limits;
    limits.maxPartSize = MegabytesFromEnvironment("BWPASS_MAX_PART_MB", limits.maxPartSize);
    limits.maxTotalSize = MegabytesFromEnvironment("BWPASS_MAX_PACKAGE_MB", limits.maxTotalSize);
    return limits;
}

bool IsRelationshipType(const Relationship& r, const char* lastSegment) {
    const size_t slash = r.type.rfind('/');
    return r.type.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, lastSegment) == 0;
}

std::string ResolvePartReference(const std::string& sourcePart, const std::string& target) {
    std::string path;
    if (!target.empty() && target[0] == '/') {
        path = target.substr(1);
    } else {
        const size_t slash = sourcePart.rfind('/');
        path = (slash == std::string::npos ? "" : sourcePart.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> kept;
    std::istringstream segments(PercentDecoded(path));
    std::string segment;
    while (std::getline(segments, segment, '/')) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (kept.empty()) return {};
            kept.pop_back();
        } else {
            kept.push_back(segment);
        }
    }
    std::string resolved;
    for (const std::string& s : kept) resolved += (resolved.empty() ? "" : "/") + s;
    return resolved;
}

size_t XmlDepth(const pugi::xml_document& document) {
    size_t depth = 0, deepest = 0;
    for (pugi::xml_node n = document.first_child(); n;) {
        if (n.type() == pugi::node_element) deepest = std::max(deepest, depth + 1);
        if (pugi::xml_node child = n.first_child()) {
            n = child;
            ++depth;
            continue;
        }
        while (n && !n.next_sibling()) {
            n = n.parent();
            if (n == document) return deepest;
            --depth;
        }
        if (n) n = n.next_sibling();
    }
    return deepest;
}

std::string XmlText(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    std::string text = out.str();
    // The parser drops the line break between the declaration and the root; Office writes CRLF.
    if (document.first_child().type() == pugi::node_declaration) {
        const size_t end = text.find("?>");
        if (end != std::string::npos) text.insert(end + 2, "\r\n");
        // The text is UTF-8 whatever the part was stored in (UTF-16, Latin-1): a declaration
        // naming another encoding would make every strict reader refuse the part.
        const char* declared = document.first_child().attribute("encoding").value();
        if (*declared && strcasecmp(declared, "UTF-8") != 0) {
            const std::string was = std::string("encoding=\"") + declared + '"';  // pugixml quotes so
            const size_t at = text.find(was);
            if (at != std::string::npos && at < end) text.replace(at, was.size(), "encoding=\"UTF-8\"");
        }
    }
    return text;
}

Package::Package(Package&& other) noexcept { *this = std::move(other); }

Package& Package::operator=(Package&& other) noexcept {
    if (this != &other) {
        if (archive_) zip_discard(archive_);
        displayName_ = std::move(other.displayName_);
        bytes_ = std::move(other.bytes_);
        archive_ = std::exchange(other.archive_, nullptr);
        names_ = std::move(other.names_);
        index_ = std::move(other.index_);
        defaults_ = std::move(other.defaults_);
        overrides_ = std::move(other.overrides_);
        maxPartSize_ = other.maxPartSize_;
        relationships_ = std::move(other.relationships_);
        work_ = other.work_;
    }
    return *this;
}

Package::~Package() {
    if (archive_) zip_discard(archive_);
}

void Package::Fail(const std::string& what) const { throw OfficeFileError(displayName_ + ": " + what); }

Package Package::OpenFile(const std::string& path, const PackageLimits& limits) {
    Package p;
    p.displayName_ = path;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) p.Fail(std::string("cannot be read: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) p.Fail("it is a folder, not a file");
    if (st.st_size == 0) p.Fail("the file is empty, not an Office file");
    char head[8] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) p.Fail(std::string("cannot be opened for reading: ") + std::strerror(errno));
        in.read(head, sizeof head);
    }
    // A compound file is refused for what it holds: an encrypted package, a legacy binary file
    // (which only LibreOffice's import turns into a package), or another program's document.
    if (std::memcmp(head, kCompoundFileSignature, sizeof head) == 0)
        throw OfficeFileError(DescribeRefusal(path, IdentifyFile(path)));

    int code = 0;
    zip* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        if (code == ZIP_ER_NOZIP && std::memcmp(head, "PK\x03\x04", 4) == 0)
            p.Fail("the zip file is damaged: it is truncated or its central directory is missing");
        if (code == ZIP_ER_NOZIP) p.Fail("not a zip file, so not an Office Open XML file");
        if (code == ZIP_ER_INCONS) p.Fail("the zip file is damaged (truncated or inconsistent)");
        p.Fail("cannot be opened as a zip file: " + ZipErrorText(code));
    }
    p.Load(archive, limits);
    return p;
}

Package Package::OpenBytes(std::string bytes, const std::string& displayName, const PackageLimits& limits) {
    Package p;
    p.displayName_ = displayName;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kCompoundFileSignature, 8) == 0)
        p.Fail("a legacy binary Office object (compound file), not an Office Open XML package");
    p.bytes_ = std::make_shared<std::string>(std::move(bytes));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(p.bytes_->data(), p.bytes_->size(), 0, &error);
    zip* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!archive) {
        const int code = zip_error_code_zip(&error);
        const std::string text = ZipErrorText(&error);
        zip_error_fini(&error);
        if (source) zip_source_free(source);
        if (code == ZIP_ER_NOZIP) p.Fail("not a zip package");
        if (code == ZIP_ER_INCONS) p.Fail("the zip package is damaged (truncated or inconsistent)");
        p.Fail("cannot be opened as a zip package: " + text);
    }
    zip_error_fini(&error);
    p.Load(archive, limits);
    return p;
}

void Package::Load(zip* archive, const PackageLimits& limits) {
    archive_ = archive;
    maxPartSize_ = limits.maxPartSize;
    CheckEntries(limits);
    ReadContentTypes();
}

void Package::CheckEntries(const PackageLimits& limits) {
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0 || static_cast<uint64_t>(count) > limits.maxEntries)
        Fail("the zip holds " + std::to_string(count) + " entries, more than the " +
             std::to_string(limits.maxEntries) + " an Office file may have; refusing the file");
    uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            Fail("zip entry " + std::to_string(i) + " cannot be read: " + zip_strerror(archive_));
        const std::string name = st.name;
        const std::string problem = NameProblem(name);
        if (!problem.empty()) Fail("zip entry \"" + name + "\" has " + problem + "; refusing the file");
        if (name.back() == '/') continue;  // a folder entry holds nothing
        if (st.size > limits.maxPartSize)
            Fail("zip entry \"" + name + "\" would inflate to " + Megabytes(st.size) + ", beyond the limit of " +
                 Megabytes(limits.maxPartSize) + " for one entry (set BWPASS_MAX_PART_MB to raise it)");
        total += st.size;
        if (total > limits.maxTotalSize)
            Fail("the zip would inflate to more than " + Megabytes(limits.maxTotalSize) +
                 " in all, the limit for a whole file (set BWPASS_MAX_PACKAGE_MB to raise it)");
        if (!index_.emplace(Lower(name), i).second)
            Fail("two zip entries are named \"" + name + "\" (part names ignore case)");
        names_.push_back(name);
    }
}

void Package::ReadContentTypes() {
    if (!HasPart("[Content_Types].xml"))
        Fail("not an Office file: the zip has no [Content_Types].xml");
    const pugi::xml_document types = ParseXml("[Content_Types].xml");
    for (pugi::xml_node n : types.document_element().children()) {
        if (std::strcmp(n.name(), "Default") == 0)
            defaults_[Lower(n.attribute("Extension").value())] = n.attribute("ContentType").value();
        else if (std::strcmp(n.name(), "Override") == 0)
            overrides_[Lower(ResolvePartReference("", n.attribute("PartName").value()))] =
                n.attribute("ContentType").value();
    }
}

int64_t Package::IndexOf(const std::string& part) const {
    auto it = index_.find(Lower(part));
    return it == index_.end() ? -1 : it->second;
}

bool Package::HasPart(const std::string& part) const { return IndexOf(part) >= 0; }

std::string Package::ReadPart(const std::string& part) const {
    const int64_t index = IndexOf(part);
    if (index < 0) Fail(part + " is not in the package");
    zip_stat_t st;
    zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st);
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
    if (!file) Fail(part + " cannot be read: " + zip_strerror(archive_));
    ++work_.partsRead;
    work_.bytesRead += st.size;
    std::string contents;
    contents.reserve(static_cast<size_t>(st.size));
    char buffer[65536];
    // Never more than one byte past the declared size (itself within the limit), so that a
    // stream inflating beyond what its entry claims stops the moment it does.
    for (;;) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, st.size + 1 - contents.size()));
        const zip_int64_t n = zip_fread(file.get(), buffer, wanted);
        if (n < 0) {
            zip_error_t* error = zip_file_get_error(file.get());
            if (zip_error_code_zip(error) == ZIP_ER_CRC) Fail(part + " is damaged (CRC error)");
            Fail(part + " is damaged: " + ZipErrorText(error));
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<size_t>(n));
        if (contents.size() > st.size || contents.size() > maxPartSize_)
            Fail(part + " holds more than the size its zip entry declares");
    }
    if (contents.size() != st.size) Fail(part + " is damaged: shorter than its zip entry declares");
    return contents;
}

pugi::xml_document Package::ParseXml(const std::string& part) const { return ParseXml(part, ReadPart(part)); }

pugi::xml_document Package::ParseXml(const std::string& part, const std::string& text) const {
    pugi::xml_document document;
    // Whitespace-only text is kept: in a:t it is the text, and written back it must be the same.
    const pugi::xml_parse_result result = document.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata,
        pugi::encoding_auto);
    if (!result || !document.document_element()) {
        const auto [line, column] = LineAndColumn(text, result.offset);
        Fail(part + " is not well-formed XML: " +
             (result ? std::string("no root element") : std::string(result.description())) + " at line " +
             std::to_string(line) + ", column " + std::to_string(column) + " (offset " +
             std::to_string(result.offset) + ")");
    }
    if (XmlDepth(document) > kMaxXmlDepth)
        Fail(part + " nests its XML elements more than " + std::to_string(kMaxXmlDepth) +
             " deep, far beyond what Office writes; refusing the file");
    return document;
}

const Package::RelationshipSet& Package::RelationshipsOf(const std::string& part) const {
    const std::string key = Lower(part);
    auto cached = relationships_.find(key);
    if (cached != relationships_.end()) return cached->second;
    RelationshipSet set;
    const std::string relsPart = RelationshipsPartOf(part);
    if (HasPart(relsPart)) {
        const pugi::xml_document rels = ParseXml(relsPart);
        ++work_.relationshipsParsed;
        for (pugi::xml_node n : rels.document_element().children("Relationship")) {
            Relationship r;
            r.id = n.attribute("Id").value();
            r.type = n.attribute("Type").value();
            r.external = std::strcmp(n.attribute("TargetMode").value(), "External") == 0;
            r.target = n.attribute("Target").value();
            if (!r.external) {
                const std::string resolved = ResolvePartReference(part, r.target);
                if (resolved.empty())
                    Fail(relsPart + ": relationship " + r.id + " leads outside the package (\"" + r.target + "\")");
                r.target = resolved;
            }
            set.byId.emplace(r.id, set.list.size());
            set.list.push_back(std::move(r));
        }
    }
    return relationships_.emplace(key, std::move(set)).first->second;
}

const std::vector<Relationship>& Package::Relationships(const std::string& part) const {
    return RelationshipsOf(part).list;
}

const Relationship* Package::RelationshipById(const std::string& part, const std::string& relationshipId) const {
    const RelationshipSet& set = RelationshipsOf(part);
    auto it = set.byId.find(relationshipId);
    return it == set.byId.end() ? nullptr : &set.list[it->second];
}

std::string Package::Target(const std::string& part, const std::string& relationshipId) const {
    const Relationship* r = RelationshipById(part, relationshipId);
    if (!r) Fail(part + ": relationship " + relationshipId + " is missing from " + RelationshipsPartOf(part));
    if (r->external) Fail(part + ": relationship " + relationshipId + " leads to an external file, " + r->target);
    if (!HasPart(r->target))
        Fail(part + ": relationship " + relationshipId + " names " + r->target + ", which is not in the package");
    return r->target;
}

std::string Package::ContentType(const std::string& part) const {
    auto o = overrides_.find(Lower(part));
    if (o != overrides_.end()) return o->second;
    const size_t dot = part.rfind('.');
    if (dot == std::string::npos) return {};
    auto d = defaults_.find(Lower(part.substr(dot + 1)));
    return d == defaults_.end() ? std::string() : d->second;
}

std::string Package::MainPart() const {
    for (const Relationship& r : Relationships("")) {
        if (!IsRelationshipType(r, "officeDocument") || r.external) continue;
        if (!HasPart(r.target)) Fail("not an Office file: its main part " + r.target + " is missing");
        return r.target;
    }
    Fail("not an Office file: the package names no main document part");
}

}  // namespace office
