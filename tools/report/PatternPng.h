// Fill patterns as PNG pictures, for drawings that must show them pixel for pixel (the chart as
// it prints), and the base64 text that puts a picture into an HTML or SVG file.
#pragma once

#include "tools/report/Patterns.h"

#include <cstdint>
#include <string>

namespace bwpass {

// tiles x tiles repeats of a pattern's 8 x 8 tile, one picture pixel per tile pixel: set bits in
// fg, clear bits in bg (Office colours, &H00BBGGRR). A two-colour palette picture.
std::string PatternPng(const PatternBits& bits, int32_t fg, int32_t bg, int tiles);

std::string Base64(const std::string& bytes);

}  // namespace bwpass
