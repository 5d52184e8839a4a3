// Files for the deck and report tests: read whole, written whole, there or not.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace decktest {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

inline bool Exists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace decktest
