#include "tools/report/PatternPng.h"

#include <algorithm>
#include <array>

namespace bwpass {
namespace {

uint32_t Crc32(const std::string& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc32(body));
}

// A zlib stream of stored (uncompressed) blocks: the pictures are small, and no zlib is needed
// in either build.
std::string Stored(const std::string& raw) {
    std::string z = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + n >= raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, b << 16 | a);
    return z;
}

std::string Rgb(int32_t bgr) {
    return {static_cast<char>(bgr & 0xFF), static_cast<char>((bgr >> 8) & 0xFF), static_cast<char>((bgr >> 16) & 0xFF)};
}

}  // namespace

std::string PatternPng(const PatternBits& bits, int32_t fg, int32_t bg, int tiles) {
    const uint32_t side = 8u * static_cast<uint32_t>(std::max(1, tiles));
    std::string header;
    Put32(header, side);
    Put32(header, side);
    header += std::string("\x01\x03\x00\x00\x00", 5);  // 1 bit per pixel, palette
    // Palette entry 1 is the foreground: a set bit is a set pixel.
    std::string raw;
    for (uint32_t y = 0; y < side; ++y) {
        raw += '\0';
        for (uint32_t x = 0; x < side / 8; ++x) raw += static_cast<char>(bits[y % 8]);
    }
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "PLTE", Rgb(bg) + Rgb(fg));
    Chunk(png, "IDAT", Stored(raw));
    Chunk(png, "IEND", "");
    return png;
}

std::string Base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    s.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k) s += k <= n ? digits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return s;
}

}  // namespace bwpass
