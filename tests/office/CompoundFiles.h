// Compound files made in tests: a directory of named storages and streams (no stream data), in
// 512-byte sectors, enough for a reader of the directory to tell what the file is.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace officetest {

struct CompoundEntry {
    CompoundEntry(std::string n, bool isStorage = false, std::vector<CompoundEntry> c = {})
        : name(std::move(n)), storage(isStorage), children(std::move(c)) {}
    std::string name;
    bool storage = false;
    std::vector<CompoundEntry> children;
};

namespace detail {

inline void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// Entries in a flat directory: each storage's children chained through their right siblings.
inline uint32_t AddEntries(std::vector<std::string>& directory, const std::vector<CompoundEntry>& entries) {
    uint32_t first = 0xFFFFFFFF, previous = 0xFFFFFFFF;
    for (const CompoundEntry& e : entries) {
        const uint32_t index = static_cast<uint32_t>(directory.size());
        std::string entry(128, '\0');
        for (size_t i = 0; i < e.name.size() && i < 31; ++i) entry[2 * i] = e.name[i];
        entry[0x40] = static_cast<char>(2 * (std::min<size_t>(e.name.size(), 31) + 1));
        entry[0x42] = e.storage ? 1 : 2;
        Put32(entry, 0x44, 0xFFFFFFFF);
        Put32(entry, 0x48, 0xFFFFFFFF);
        Put32(entry, 0x4C, 0xFFFFFFFF);
        directory.push_back(entry);
        const uint32_t child = AddEntries(directory, e.children);
        Put32(directory[index], 0x4C, child);
        if (previous != 0xFFFFFFFF) Put32(directory[previous], 0x48, index);
        else first = index;
        previous = index;
    }
    return first;
}

}  // namespace detail

inline std::string CompoundFile(const std::vector<CompoundEntry>& rootChildren) {
    std::vector<std::string> directory(1);
    directory[0] = std::string(128, '\0');
    const std::string root = "Root Entry";
    for (size_t i = 0; i < root.size(); ++i) directory[0][2 * i] = root[i];
    directory[0][0x40] = static_cast<char>(2 * (root.size() + 1));
    directory[0][0x42] = 5;
    detail::Put32(directory[0], 0x44, 0xFFFFFFFF);
    detail::Put32(directory[0], 0x48, 0xFFFFFFFF);
    detail::Put32(directory[0], 0x4C, detail::AddEntries(directory, rootChildren));
    while (directory.size() % 4) directory.push_back(std::string(128, '\0'));
    const uint32_t directorySectors = static_cast<uint32_t>(directory.size() / 4);

    std::string header(512, '\0');
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    header.replace(0, 8, reinterpret_cast<const char*>(signature), 8);
    header[0x18] = 0x3E;
    header[0x1A] = 3;
    header[0x1C] = static_cast<char>(0xFE);
    header[0x1D] = static_cast<char>(0xFF);
    header[0x1E] = 9;
    header[0x20] = 6;
    detail::Put32(header, 0x2C, 1);            // one allocation table sector: sector 0
    detail::Put32(header, 0x30, 1);            // the directory from sector 1
    detail::Put32(header, 0x38, 4096);
    detail::Put32(header, 0x3C, 0xFFFFFFFE);
    detail::Put32(header, 0x44, 0xFFFFFFFE);
    for (size_t i = 0; i < 109; ++i) detail::Put32(header, 0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);

    std::string fat(512, '\xFF');
    detail::Put32(fat, 0, 0xFFFFFFFD);
    for (uint32_t s = 1; s <= directorySectors; ++s) detail::Put32(fat, 4 * s, s == directorySectors ? 0xFFFFFFFE : s + 1);
    std::string file = header + fat;
    for (const std::string& e : directory) file += e;
    return file;
}

}  // namespace officetest
