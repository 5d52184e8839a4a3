// An Office file as an Open Packaging Conventions package: a zip of parts (libzip), their XML
// (pugixml), their relationships and content types. Opening checks the whole central directory
// first, so that a file with a hostile or absurd entry is refused before anything is read or
// written. Writing makes a new package from an open one: untouched entries are copied as their
// compressed bytes, replaced and added parts are written anew, and the result goes to a temporary
// file beside the target that is renamed into place.
#pragma once

#include "tools/package/ZipWriter.h"

#include <pugixml.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct zip;

namespace office {

// A file that cannot be read as an Office file. what() is the whole message, "FILE: what is
// wrong"; for a package inside another one "OUTER.pptx: ppt/embeddings/x.xlsx: what is wrong".
class OfficeFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a package may hold before it is refused, from its directory: fixed sizes, not ratios, since
// pictures and blank sheets legitimately deflate a thousand to one. The sizes are the defaults of
// DefaultLimits, which the environment may raise (BWPASS_MAX_PART_MB, BWPASS_MAX_PACKAGE_MB).
struct PackageLimits {
    uint64_t maxPartSize = 256ull << 20;       // uncompressed bytes of one entry
    uint64_t maxTotalSize = 1ull << 30;        // uncompressed bytes of all entries
    uint64_t maxEntries = 20000;
};

// The limits with the environment's sizes in megabytes where it sets them.
PackageLimits DefaultLimits();

struct Relationship {
    std::string id;
    std::string type;      // the full relationship type URI
    std::string target;    // the part name it leads to ("ppt/charts/chart1.xml"), or the URI when external
    bool external = false;
};

// Relationship types by the last segment of their URI, since the transitional and strict
// namespaces differ only in front of it.
bool IsRelationshipType(const Relationship& r, const char* lastSegment);

class Package {
public:
    // displayName names the package in messages: the file name, or "OUTER: inner/part" for a
    // package embedded in another.
    static Package OpenFile(const std::string& path, const PackageLimits& limits = DefaultLimits());
    static Package OpenBytes(std::string bytes, const std::string& displayName,
                             const PackageLimits& limits = DefaultLimits());

    Package(Package&&) noexcept;
    Package& operator=(Package&&) noexcept;
    ~Package();

    const std::string& DisplayName() const { return displayName_; }

    // Part names without a leading slash, in the order of the zip's directory.
    const std::vector<std::string>& PartNames() const { return names_; }
    bool HasPart(const std::string& part) const;
    std::string ReadPart(const std::string& part) const;
    pugi::xml_document ParseXml(const std::string& part) const;
    pugi::xml_document ParseXml(const std::string& part, const std::string& text) const;

    // The relationships of a part (of the package itself for ""), targets resolved to part
    // names. A part without a relationships part has none. Each relationships part is read once
    // and kept: a drawing or a presentation with thousands of relationships is asked for one at
    // a time, and reading it again each time would make the walk quadratic.
    const std::vector<Relationship>& Relationships(const std::string& part) const;
    // The target of one relationship, which must exist in the package.
    std::string Target(const std::string& part, const std::string& relationshipId) const;
    // The relationship of a part with that id; nullptr when there is none (the first of two
    // with one id, as a reader taking them in order finds it).
    const Relationship* RelationshipById(const std::string& part, const std::string& relationshipId) const;

    // What reading has cost so far: parts taken out of the zip and their bytes, and relationships
    // parts parsed. Work per chart stays flat as a file grows only when nothing is read twice.
    struct ReadWork {
        uint64_t partsRead = 0;
        uint64_t bytesRead = 0;
        uint64_t relationshipsParsed = 0;
    };
    const ReadWork& Work() const { return work_; }

    // The content type of a part, from its override or its extension's default; "" when none.
    std::string ContentType(const std::string& part) const;
    // The main document part (the officeDocument relationship of the package).
    std::string MainPart() const;

    // Throws OfficeFileError "DISPLAYNAME: what".
    [[noreturn]] void Fail(const std::string& what) const;

    // A new package: every part of this one, those named in replaced with their new contents,
    // then the parts of replaced that this one lacks. Written through a temporary file beside
    // path; on failure (PackageWriteError) nothing is left at path. replacedFromFiles does the same with the new
    // contents in files, so that large parts (embedded workbooks) need not be held in memory.
    void Write(const std::string& path, const std::map<std::string, std::string>& replaced,
               const std::map<std::string, std::string>& replacedFromFiles = {}) const;
    // The same, as the bytes of the new package (for a package embedded in another).
    std::string WriteBytes(const std::map<std::string, std::string>& replaced) const;

private:
    Package() = default;
    void Load(zip* archive, const PackageLimits& limits);
    void CheckEntries(const PackageLimits& limits);
    void ReadContentTypes();
    int64_t IndexOf(const std::string& part) const;
    struct RelationshipSet {
        std::vector<Relationship> list;
        std::map<std::string, size_t> byId;   // the first of each id
    };
    const RelationshipSet& RelationshipsOf(const std::string& part) const;

    std::string displayName_;
    std::shared_ptr<std::string> bytes_;     // the zip's bytes when opened from memory
    zip* archive_ = nullptr;
    std::vector<std::string> names_;
    std::map<std::string, int64_t> index_;   // lower-case part name -> zip index
    std::map<std::string, std::string> defaults_;   // lower-case extension -> content type
    std::map<std::string, std::string> overrides_;  // lower-case part name -> content type
    uint64_t maxPartSize_ = 0;
    // Read on first use, by lower-case source part name. A Package is used by one thread at a
    // time (as its libzip archive must be), so the caches need no lock.
    mutable std::map<std::string, RelationshipSet> relationships_;
    mutable ReadWork work_;
};

// The folder of a part name ("ppt/slides/slide1.xml" -> "ppt/slides/"), and a relative
// reference resolved against it; "" when the reference leaves the package.
std::string ResolvePartReference(const std::string& sourcePart, const std::string& target);

// How deep elements nest in a document (the root element alone is 1), counted without recursion.
size_t XmlDepth(const pugi::xml_document& document);

// Visits the nodes below root in document order with a stack of its own, so that no depth of
// nesting can exhaust the call stack. visit(node) returns the node whose children are visited
// next, before the node's siblings: the node itself, another (a branch chosen below it), or none.
template <typename Visit>
void WalkBelow(const pugi::xml_node& root, Visit visit) {
    std::vector<pugi::xml_node> next{root.first_child()};  // the next sibling to visit, per level
    while (!next.empty()) {
        const pugi::xml_node n = next.back();
        if (!n) {
            next.pop_back();
            continue;
        }
        next.back() = n.next_sibling();
        if (const pugi::xml_node into = visit(n)) next.push_back(into.first_child());
    }
}

// Office nests parts a few dozen elements deep (groups in groups, text in tables); a part nested
// deeper than this is refused when it is parsed, so that no later walk of it meets such depth.
constexpr size_t kMaxXmlDepth = 1000;

// The XML of a document as it is stored: no indentation added, declaration kept.
std::string XmlText(const pugi::xml_document& document);

}  // namespace office
