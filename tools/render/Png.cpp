#include "tools/render/Png.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace render {
namespace {

uint32_t BigEndian(const std::string& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

struct Header {
    uint32_t width = 0, height = 0;
    int colourType = -1, channels = 0, depth = 8;
};

bool Inflate(const std::string& compressed, std::vector<uint8_t>& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return rc == Z_STREAM_END && z.avail_out == 0;
}

uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes the per-row filters in place; rows are stride bytes after their filter byte.
bool Unfilter(std::vector<uint8_t>& raw, size_t stride, size_t rows, size_t bpp) {
    for (size_t y = 0; y < rows; ++y) {
        uint8_t* line = &raw[y * (stride + 1) + 1];
        const uint8_t* prev = y ? &raw[(y - 1) * (stride + 1) + 1] : nullptr;
        const uint8_t filter = line[-1];
        for (size_t x = 0; x < stride; ++x) {
            const int a = x >= bpp ? line[x - bpp] : 0, b = prev ? prev[x] : 0, c = prev && x >= bpp ? prev[x - bpp] : 0;
            switch (filter) {
            case 0: break;
            case 1: line[x] = static_cast<uint8_t>(line[x] + a); break;
            case 2: line[x] = static_cast<uint8_t>(line[x] + b); break;
            case 3: line[x] = static_cast<uint8_t>(line[x] + (a + b) / 2); break;
            case 4: line[x] = static_cast<uint8_t>(line[x] + Paeth(a, b, c)); break;
            default: return false;
            }
        }
    }
    return true;
}

}  // namespace

std::optional<Picture> ReadPng(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 8 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::nullopt;
    Header h;
    std::string idat, palette;
    for (size_t pos = 8; pos + 12 <= data.size();) {
        const uint32_t n = BigEndian(data, pos);
        if (n > data.size() - pos - 12) return std::nullopt;
        const std::string kind = data.substr(pos + 4, 4), body = data.substr(pos + 8, n);
        if (kind == "IHDR" && n >= 13) {
            h.width = BigEndian(body, 0);
            h.height = BigEndian(body, 4);
            if (body[12] != 0) return std::nullopt;  // not interlaced
            h.depth = uint8_t(body[8]);
            h.colourType = uint8_t(body[9]);
        } else if (kind == "PLTE") {
            palette = body;
        } else if (kind == "IDAT") {
            idat += body;
        }
        pos += 12 + n;
    }
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    if (h.colourType < 0 || h.colourType > 6 || !channels[h.colourType] || h.width == 0 || h.height == 0 ||
        h.width > 20000 || h.height > 20000)
        return std::nullopt;
    // 8 bits a sample; grey and palette pictures also 1, 2 or 4, several pixels to a byte.
    const bool packed = h.depth == 1 || h.depth == 2 || h.depth == 4;
    if (h.depth != 8 && !(packed && (h.colourType == 0 || h.colourType == 3))) return std::nullopt;
    const size_t bpp = static_cast<size_t>(channels[h.colourType]);
    const size_t stride = packed ? (h.width * h.depth + 7) / 8 : h.width * bpp;
    std::vector<uint8_t> raw((stride + 1) * h.height);
    if (!Inflate(idat, raw) || !Unfilter(raw, stride, h.height, bpp)) return std::nullopt;

    Picture p;
    p.width = static_cast<int>(h.width);
    p.height = static_cast<int>(h.height);
    p.rgb.reserve(size_t(h.width) * h.height * 3);
    for (size_t y = 0; y < h.height; ++y) {
        const uint8_t* line = &raw[y * (stride + 1) + 1];
        for (size_t x = 0; x < h.width; ++x) {
            const uint8_t* px = line + x * bpp;
            if (packed) {
                const unsigned mask = (1u << h.depth) - 1, bit = static_cast<unsigned>(x * h.depth);
                const unsigned v = (line[bit / 8] >> (8 - h.depth - bit % 8)) & mask;
                if (h.colourType == 0) {
                    p.rgb.insert(p.rgb.end(), 3, static_cast<uint8_t>(v * 255 / mask));
                    continue;
                }
                for (int k = 0; k < 3; ++k) p.rgb.push_back(3 * v + 2 < palette.size() ? uint8_t(palette[3 * v + k]) : 0);
            } else if (h.colourType == 3) {
                const size_t at = size_t(px[0]) * 3;
                for (int k = 0; k < 3; ++k) p.rgb.push_back(at + 2 < palette.size() ? uint8_t(palette[at + k]) : 0);
            } else if (h.colourType == 0 || h.colourType == 4) {
                p.rgb.insert(p.rgb.end(), 3, px[0]);
            } else {
                p.rgb.insert(p.rgb.end(), px, px + 3);
            }
        }
    }
    return p;
}

double InkShare(const Picture& picture) {
    size_t ink = 0;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        if (std::min({picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2]}) < 230) ++ink;
    return picture.rgb.empty() ? 0 : static_cast<double>(ink) / static_cast<double>(picture.rgb.size() / 3);
}

double ColourShare(const Picture& picture) {
    size_t colour = 0;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        const auto [lo, hi] = std::minmax({picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2]});
        if (hi - lo > 48) ++colour;
    }
    return picture.rgb.empty() ? 0 : static_cast<double>(colour) / static_cast<double>(picture.rgb.size() / 3);
}

double ShareNear(const Picture& picture, uint32_t rgb, int tolerance) {
    const int want[3] = {static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF), static_cast<int>(rgb & 0xFF)};
    size_t near = 0;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        bool close = true;
        for (int c = 0; c < 3; ++c) close = close && std::abs(picture.rgb[i + c] - want[c]) <= tolerance;
        if (close) ++near;
    }
    return picture.rgb.empty() ? 0 : static_cast<double>(near) / static_cast<double>(picture.rgb.size() / 3);
}

double DifferingShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1;
    size_t differing = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
        int d = 0;
        for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(int(a.rgb[i + k]) - int(b.rgb[i + k])));
        if (d > 32) ++differing;
    }
    return static_cast<double>(differing) / static_cast<double>(a.rgb.size() / 3);
}

}  // namespace render
