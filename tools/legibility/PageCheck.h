// Legibility read from the printed page itself: the picture of a chart as it prints, and in it
// the keys of its legend. Two keys that look alike on the page are named whatever the model
// says, so that a renderer that draws two different formats the same way is never reported as
// legible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace legibility {

// A page or part of one in grey levels (0 black .. 255 white), top row first.
struct GreyPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;
    uint8_t at(int x, int y) const { return grey[static_cast<size_t>(y) * width + x]; }
};

// From 8-bit RGB, with the conversion's weights (30 red, 59 green, 11 blue).
GreyPicture GreyOf(int width, int height, const std::vector<uint8_t>& rgb);

struct PixelBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// The keys of a legend found in region of the picture (the legend and a margin of page around
// it): each row of the legend's ink, without the legend's frame, and in it the first run of ink
// from the left, up to a gap as wide as half the row is high (where its text begins).
std::vector<PixelBox> FindLegendKeys(const GreyPicture& picture, const PixelBox& region);

// Whether two keys look alike: laid over each other middle on middle, at the best of small
// shifts (a hatch's tiles may start at another place in each key), hardly a pixel differs
// plainly.
bool KeysLookAlike(const GreyPicture& picture, const PixelBox& a, const PixelBox& b);

// Each key that looks like an earlier one, paired with the first such: (later, earlier), from 0.
std::vector<std::pair<size_t, size_t>> AlikeKeys(const GreyPicture& picture, const std::vector<PixelBox>& keys);

}  // namespace legibility
