#include "chart/modChartHelper.h"

#include "com/Automation.h"

#include <cstdint>

namespace qv::modChartHelper {

namespace {

// Patterns for positions 1..50; 0 where the position has no pattern. Positions 6 and 18 share
// pattern 16; patterns 27 and 38 are not used.
constexpr int32_t kPatterns[50] = {
    21, 34, 20, 41, 19, 16, 0, 0, 1, 7,     // 1..10
    28, 46, 23, 2, 8, 0, 22, 16, 48, 45,    // 11..20
    3, 9, 15, 29, 32, 40, 24, 17, 4, 10,    // 21..30
    30, 31, 35, 47, 36, 5, 11, 25, 14, 37,  // 31..40
    44, 18, 6, 12, 26, 13, 33, 42, 43, 39,  // 41..50
};

}  // namespace

int32_t GetFillPattern(int16_t position) {
    // The position is looked up as position - 1 in 16-bit arithmetic; only -32768 overflows.
    if (position == INT16_MIN) throw AutomationError::Runtime(errnum::Overflow);
    const int zeroBased = position - 1;
    if (zeroBased < 0 || zeroBased >= 50) return 0;
    return kPatterns[zeroBased];
}

}  // namespace qv::modChartHelper
