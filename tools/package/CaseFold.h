// Office compares part names, extensions, sheet names and ProgIDs without regard to ASCII case:
// one folding for all of them, so that a key made in one place finds the one made in another.
#pragma once

#include <cctype>
#include <string>

namespace office {

inline std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace office
