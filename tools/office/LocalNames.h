// Elements of the package's own parts (workbook, sheets, slides, themes) by local name: their
// prefixes are fixed by their schemas in practice, and a reader of cells or colour maps needs no
// more than that.
#pragma once

#include <pugixml.hpp>

#include <cstring>

namespace office::local {

inline const char* Local(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

inline bool Is(const pugi::xml_node& n, const char* localName) { return std::strcmp(Local(n.name()), localName) == 0; }

inline pugi::xml_node Child(const pugi::xml_node& n, const char* localName) {
    for (pugi::xml_node c : n.children())
        if (Is(c, localName)) return c;
    return {};
}

}  // namespace office::local
