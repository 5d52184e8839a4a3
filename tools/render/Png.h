// Reading back the pictures the renderer made: whether LibreOffice drew anything, whether two
// pictures differ, how much colour is left after a black-and-white conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace render {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;   // width * height * 3, top row first
};

// A PNG of 8 bits a sample (grey, RGB, palette, with or without alpha; alpha is dropped) or of
// 1, 2 or 4 (grey, palette), not interlaced; nothing when the file is missing or is not such a
// PNG.
std::optional<Picture> ReadPng(const std::string& path);

// The share (0..1) of pixels that are not near white: ink on the page.
double InkShare(const Picture& picture);
// The share of pixels that carry colour rather than grey (channels more than 48 apart).
double ColourShare(const Picture& picture);
// The share of pixels within `tolerance` of a colour (0xRRGGBB) in every channel: a chart area's
// or a series' colour found again in the picture.
double ShareNear(const Picture& picture, uint32_t rgb, int tolerance = 40);
// The share of pixels that differ by more than a little between two pictures of one size
// (1 when the sizes differ).
double DifferingShare(const Picture& a, const Picture& b);

}  // namespace render
