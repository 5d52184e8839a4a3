// The fill pattern of the n-th chart element (series, slice, surface band).
#pragma once

#include <cstdint>

namespace qv::modChartHelper {

// The Office pattern number (MsoPatternType, 1..48) for the 1-based position, or 0 where the
// table has none (7 and 8, which callers fill solid; 16; below 1; above 50).
// Throws the runtime's overflow error for -32768, the one position whose predecessor does not
// fit a 16-bit integer.
int32_t GetFillPattern(int16_t position);

}  // namespace qv::modChartHelper
