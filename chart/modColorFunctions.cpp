#include "chart/modColorFunctions.h"

namespace qv::modColorFunctions {

// The bytes are taken with a truncating signed division, not a shift: for a negative value the
// two differ (-1 \ 256 is 0, while -1 >> 8 is -1), and the division is the rule.
int32_t GetRed(int32_t colour) { return colour & 0xFF; }
int32_t GetGreen(int32_t colour) { return (colour / 256) & 0xFF; }
int32_t GetBlue(int32_t colour) { return (colour / 65536) & 0xFF; }

int32_t GetGreyLevel(int32_t colour) {
    // Each byte is at most 255, so the sum stays below 25,500: no overflow is possible.
    return (GetGreen(colour) * 59 + GetRed(colour) * 30 + GetBlue(colour) * 11) / 100;
}

int32_t GetGreyColor(int32_t colour) {
    const int32_t g = GetGreyLevel(colour);
    return g * 256 + g + g * 65536;
}

}  // namespace qv::modColorFunctions
