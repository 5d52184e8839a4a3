// XML plumbing shared by the chart reader and writer: element names by namespace rather than by
// prefix, children seen through mc:AlternateContent, and insertion in the schema's order.
#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>
#include <vector>

namespace office::xml {

enum class Ns { Chart, Main, Compat, Chart2010, ChartEx, Other };

const char* Uri(Ns ns);

// Producers bind the namespaces to prefixes of their choosing, so names are compared by
// namespace: the prefixes are collected from every xmlns declaration of the document. A prefix
// bound to different namespaces in different places is resolved through the element's ancestors.
class Names {
public:
    explicit Names(const pugi::xml_document& doc);

    bool Is(const pugi::xml_node& n, Ns ns, const char* local) const;
    Ns NamespaceOf(const pugi::xml_node& n) const;
    static const char* Local(const pugi::xml_node& n);

    // The qualified name for a new element: the document's prefix for ns.
    std::string Qualified(Ns ns, const char* local) const;
    // Declares a prefix on the root for a namespace the document does not declare there yet.
    void EnsureDeclared(pugi::xml_node root, Ns ns);

private:
    std::string UriOfPrefix(const pugi::xml_node& n, const std::string& prefix) const;
    std::map<std::string, std::string> prefixUri_;  // "" is the default namespace
    std::map<std::string, bool> ambiguous_;
    std::map<Ns, std::string> prefixOf_;
};

// CT_Boolean: present with val absent, "1" or "true" means true.
bool BoolVal(const pugi::xml_node& n, bool absent = false);
int IntVal(const pugi::xml_node& n, int absent);
std::string StrVal(const pugi::xml_node& n);

// The children named ns:local as a reader sees them: direct children, and inside each
// mc:AlternateContent the children of the one branch Office would take (the Choice when it
// requires only the chart extensions we read, else the Fallback).
std::vector<pugi::xml_node> Children(const Names& names, const pugi::xml_node& parent, Ns ns,
                                     const char* local);
// Every element child as a reader sees it (wrapped ones through the taken branch).
std::vector<pugi::xml_node> ElementChildren(const Names& names, const pugi::xml_node& parent);
pugi::xml_node Child(const Names& names, const pugi::xml_node& parent, Ns ns, const char* local);

// A node inside one branch of an mc:AlternateContent has a counterpart in each other branch (the
// same path of names and positions); a change must reach all of them for the part to stay the
// same whichever branch a consumer takes. Returns the node itself first.
std::vector<pugi::xml_node> WithTwins(const Names& names, const pugi::xml_node& node);

// The order of the children of a parent element, by local name, as the schema gives it.
using Order = std::vector<const char*>;
const Order* OrderFor(const pugi::xml_node& parent, const Names& names);

// Inserts a new element ns:local into parent where the schema order puts it: before the first
// existing child that the order places after it (an mc:AlternateContent counts as the element it
// wraps), else at the end.
pugi::xml_node InsertOrdered(const Names& names, pugi::xml_node parent, Ns ns, const char* local);
// The child ns:local as a reader finds it (direct or wrapped), or a new one inserted in order.
pugi::xml_node ChildOrNew(const Names& names, pugi::xml_node parent, Ns ns, const char* local);
// Every copy of the child ns:local of owner that a write must change: the child as a reader
// finds it (created where there is none) and its counterparts in the other branches of an
// mc:AlternateContent, for owner and each of owner's own counterparts.
std::vector<pugi::xml_node> ChildrenToWrite(const Names& names, const pugi::xml_node& owner, Ns ns, const char* local);
void SetVal(pugi::xml_node n, const std::string& value);

}  // namespace office::xml
