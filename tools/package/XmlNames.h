// Office XML read by local names, whatever prefix its writer chose (c:, x:, default namespace).
#pragma once

#include <pugixml.hpp>

#include <cstring>
#include <string>

namespace office::xml {

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

// The value of a relationship attribute (r:id, r:embed) whatever its prefix.
inline std::string RelationshipAttribute(const pugi::xml_node& n, const char* localName) {
    for (pugi::xml_attribute a : n.attributes())
        if (std::strchr(a.name(), ':') && std::strcmp(Local(a.name()), localName) == 0) return a.value();
    return {};
}

}  // namespace office::xml
