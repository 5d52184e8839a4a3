#include "tools/package/CompoundFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

namespace office {

namespace {

constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kEntrySize = 128;
// Office writes a few hundred directory entries at most; far past that the file is hostile.
constexpr size_t kMaxDirectorySectors = 4096;
// Each DIFAT sector names 127 allocation table sectors (8 MB of a file): this many cover 500 TB.
constexpr size_t kMaxDifatSectors = 1 << 16;

uint32_t U32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint16_t U16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

class Reader {
public:
    explicit Reader(const std::filesystem::path& file) : in_(file, std::ios::binary) {}

    bool ReadHeader() {
        header_ = Read(0, 512);
        if (header_.size() != 512 || std::memcmp(header_.data(), kSignature, 8) != 0) return false;
        const uint16_t shift = U16(header_, 0x1E);
        if (shift != 9 && shift != 12) return false;
        sectorSize_ = size_t{1} << shift;
        return true;
    }

    // The directory's sectors, in chain order, each at most once.
    std::string Directory() {
        std::string directory;
        std::set<uint32_t> seen;
        for (uint32_t s = U32(header_, 0x30); s != kEndOfChain && seen.size() < kMaxDirectorySectors; s = Next(s)) {
            if (!seen.insert(s).second) break;
            const std::string sector = Sector(s);
            if (sector.size() != sectorSize_) break;
            directory += sector;
        }
        return directory;
    }

private:
    std::string Read(uint64_t at, size_t bytes) {
        std::string b(bytes, '\0');
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(at));
        in_.read(b.data(), static_cast<std::streamsize>(bytes));
        b.resize(static_cast<size_t>(std::max<std::streamsize>(in_.gcount(), 0)));
        return b;
    }

    std::string Sector(uint32_t s) { return Read((uint64_t{s} + 1) * sectorSize_, sectorSize_); }

    // The locations of the allocation table's sectors: the first 109 are in the header, the rest
    // in the chain of DIFAT sectors, each ending with the next one's number. Read once, each
    // DIFAT sector at most once, so that a chain that loops ends.
    void ReadFatSectors() {
        for (size_t i = 0; i < 109; ++i) fatSectors_.push_back(U32(header_, 0x4C + 4 * i));
        std::set<uint32_t> seen;
        for (uint32_t difat = U32(header_, 0x44);
             difat < kEndOfChain && seen.size() < kMaxDifatSectors && seen.insert(difat).second;) {
            const std::string sector = Sector(difat);
            if (sector.size() != sectorSize_) break;
            for (size_t i = 0; i + 4 < sectorSize_; i += 4) fatSectors_.push_back(U32(sector, i));
            difat = U32(sector, sectorSize_ - 4);
        }
    }

    uint32_t FatSector(uint32_t n) {
        if (fatSectors_.empty()) ReadFatSectors();
        return n < fatSectors_.size() ? fatSectors_[n] : kNoStream;
    }

    uint32_t Next(uint32_t s) {
        const uint32_t perSector = static_cast<uint32_t>(sectorSize_ / 4);
        const uint32_t fat = FatSector(s / perSector);
        if (fat >= kEndOfChain) return kEndOfChain;
        const std::string sector = Sector(fat);
        return sector.size() == sectorSize_ ? U32(sector, 4 * (s % perSector)) : kEndOfChain;
    }

    std::ifstream in_;
    std::string header_;
    size_t sectorSize_ = 512;
    std::vector<uint32_t> fatSectors_;
};

std::string EntryName(const std::string& directory, size_t entry) {
    const size_t at = entry * kEntrySize;
    const size_t length = std::min<size_t>(U16(directory, at + 0x40), 64);
    std::string name;
    for (size_t i = 0; i + 1 < length; i += 2) {
        const uint16_t c = U16(directory, at + i);
        if (c == 0) break;
        name += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return name;
}

}  // namespace

bool IsCompoundFileSignature(const std::string& head) {
    return head.size() >= 8 && std::memcmp(head.data(), kSignature, 8) == 0;
}

std::vector<std::string> CompoundFileRootNames(const std::filesystem::path& file) {
    Reader reader(file);
    if (!reader.ReadHeader()) return {};
    const std::string directory = reader.Directory();
    const size_t entries = directory.size() / kEntrySize;
    if (entries == 0) return {};
    // The root's children form a binary tree through the left and right sibling fields; walked
    // with a stack of its own and each entry visited once, so a cycle ends the walk.
    std::vector<std::string> names;
    std::vector<uint32_t> stack{U32(directory, 0x4C)};
    std::set<uint32_t> seen;
    while (!stack.empty()) {
        const uint32_t e = stack.back();
        stack.pop_back();
        if (e >= entries || !seen.insert(e).second) continue;
        const size_t at = e * kEntrySize;
        const unsigned char type = static_cast<unsigned char>(directory[at + 0x42]);
        if (type == 1 || type == 2) names.push_back(EntryName(directory, e));
        stack.push_back(U32(directory, at + 0x44));
        stack.push_back(U32(directory, at + 0x48));
    }
    return names;
}

}  // namespace office
