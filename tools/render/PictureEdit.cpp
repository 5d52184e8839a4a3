#include "tools/render/PictureEdit.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <vector>

namespace render {
namespace {

void BigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* kind, const std::string& body) {
    BigEndian(png, static_cast<uint32_t>(body.size()));
    const std::string typed = std::string(kind, 4) + body;
    png += typed;
    BigEndian(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                static_cast<uInt>(typed.size()))));
}

bool Ink(const Picture& p, int x, int y) {
    const uint8_t* px = &p.rgb[(static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3];
    return std::min({px[0], px[1], px[2]}) < 230;
}

bool Magenta(const Picture& p, int x, int y) {
    const uint8_t* px = &p.rgb[(static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3];
    return px[0] > 180 && px[1] < 90 && px[2] > 180;
}

// The first index whose count reaches three quarters of the largest: the marked column is
// magenta all the way down, the marked row crosses every column only for its own height.
int FirstStrong(const std::vector<int>& counts) {
    const int most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    if (most == 0) return -1;
    for (size_t i = 0; i < counts.size(); ++i)
        if (counts[i] * 4 >= most * 3) return static_cast<int>(i);
    return -1;
}

}  // namespace

Box MarkedRange(const Picture& picture) {
    std::vector<int> columns(static_cast<size_t>(picture.width)), rows(static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (Magenta(picture, x, y)) {
                ++columns[static_cast<size_t>(x)];
                ++rows[static_cast<size_t>(y)];
            }
    const int right = FirstStrong(columns), bottom = FirstStrong(rows);
    if (right <= 0 || bottom <= 0) return {};
    return {0, 0, right, bottom};
}

void WhitenMarkEdge(Picture& picture) {
    auto whiten = [&picture](int x, int y) {
        uint8_t* px = &picture.rgb[(static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 3];
        if (px[0] > px[1] + 40 && px[2] > px[1] + 40) px[0] = px[1] = px[2] = 255;
    };
    for (int y = 0; y < picture.height; ++y)
        for (int x = std::max(0, picture.width - 2); x < picture.width; ++x) whiten(x, y);
    for (int y = std::max(0, picture.height - 2); y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) whiten(x, y);
}

Box InkBox(const Picture& picture) {
    int left = picture.width, top = picture.height, right = -1, bottom = -1;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (Ink(picture, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

Picture Cut(const Picture& picture, const Box& box) {
    const int x0 = std::clamp(box.x, 0, picture.width), y0 = std::clamp(box.y, 0, picture.height);
    const int x1 = std::clamp(box.x + box.width, x0, picture.width);
    const int y1 = std::clamp(box.y + box.height, y0, picture.height);
    Picture out;
    out.width = x1 - x0;
    out.height = y1 - y0;
    out.rgb.reserve(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
    for (int y = y0; y < y1; ++y) {
        const auto row = picture.rgb.begin() + (static_cast<ptrdiff_t>(y) * picture.width + x0) * 3;
        out.rgb.insert(out.rgb.end(), row, row + static_cast<ptrdiff_t>(out.width) * 3);
    }
    return out;
}

Picture PadToAspect(const Picture& picture, double aspect) {
    if (!(aspect > 0) || picture.width <= 0 || picture.height <= 0) return picture;
    int width = picture.width, height = picture.height;
    if (width < aspect * height) width = static_cast<int>(std::lround(aspect * height));
    else height = static_cast<int>(std::lround(width / aspect));
    width = std::max(width, picture.width);
    height = std::max(height, picture.height);
    Picture out;
    out.width = width;
    out.height = height;
    out.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 255);
    const int dx = (width - picture.width) / 2, dy = (height - picture.height) / 2;
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.rgb.begin() + static_cast<ptrdiff_t>(y) * picture.width * 3, picture.width * 3,
                    out.rgb.begin() + (static_cast<ptrdiff_t>(y + dy) * width + dx) * 3);
    return out;
}

bool WritePng(const Picture& picture, const std::string& path) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    const size_t stride = static_cast<size_t>(picture.width) * 3;
    std::string raw;
    raw.reserve((stride + 1) * static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        raw += '\0';  // no filter
        raw.append(reinterpret_cast<const char*>(&picture.rgb[static_cast<size_t>(y) * stride]), stride);
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9) != Z_OK)
        return false;
    packed.resize(size);
    std::string header;
    BigEndian(header, static_cast<uint32_t>(picture.width));
    BigEndian(header, static_cast<uint32_t>(picture.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter set, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", "");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out.write(png.data(), static_cast<std::streamsize>(png.size())).flush());
}

}  // namespace render
