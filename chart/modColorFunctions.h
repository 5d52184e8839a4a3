// Office colours (&H00BBGGRR) to their bytes, grey level and neutral grey.
#pragma once

#include <cstdint>

namespace qv::modColorFunctions {

int32_t GetRed(int32_t colour);
int32_t GetGreen(int32_t colour);
int32_t GetBlue(int32_t colour);
// (green * 59 + red * 30 + blue * 11) \ 100, truncated: 0..255.
int32_t GetGreyLevel(int32_t colour);
// The colour whose three bytes all equal the grey level.
int32_t GetGreyColor(int32_t colour);

}  // namespace qv::modColorFunctions
