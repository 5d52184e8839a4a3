// The Office fill patterns (MsoPatternType 1..54) as 8 x 8 bitmaps, for drawing them.
//
// Office draws a pattern as an 8 x 8 pixel tile: set bits in the foreground colour, clear bits in
// the background colour. Where LibreOffice's list of Office's patterns (share/palette/
// standard.sop, fourteen of them) has one, the tile is that one, up to where it starts
// (test_printed compares them); the others follow the patterns' names (densities, hatch
// directions, line widths) so that a reader can tell the patterns apart and check which one an
// element got.
#pragma once

#include <array>
#include <cstdint>

namespace bwpass {

// Row 0 first; in each row the most significant bit is the leftmost pixel.
using PatternBits = std::array<uint8_t, 8>;

// The tile of pattern 1..54; all clear for any other number.
PatternBits PatternTile(int32_t pattern);

// Set pixels of a tile, 0..64.
int PatternCoverage(const PatternBits& bits);

}  // namespace bwpass
