// Cutting and framing pictures that the renderer made: a printed range cut out of its page and
// set into the proportions of the frame that shows it, and writing the result as PNG.
#pragma once

#include "tools/render/Png.h"

#include <string>

namespace render {

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

// The smallest box holding every pixel that is not near white; empty (width 0) for a blank picture.
Box InkBox(const Picture& picture);

// The printed range left of the magenta column and above the magenta row that mark its edges,
// from the top left corner; empty (width 0) when the marks are not found.
Box MarkedRange(const Picture& picture);

// The renderer's smoothing blends the marks into the range's last pixels: those go white.
void WhitenMarkEdge(Picture& picture);

// The part of the picture inside box, clipped to the picture.
Picture Cut(const Picture& picture, const Box& box);

// The picture centred on white to the proportions width:height = aspect (> 0), never scaled, so
// that the frame showing it does not stretch what it shows.
Picture PadToAspect(const Picture& picture, double aspect);

// An 8-bit RGB PNG. False when the file cannot be written.
bool WritePng(const Picture& picture, const std::string& path);

}  // namespace render
