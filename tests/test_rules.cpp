// Colour and pattern rules: exact values, including the ones a shift, a rounding or a wrong
// table entry would change.
#include <gtest/gtest.h>

#include <cstdint>

#include "chart/modChartHelper.h"
#include "chart/modColorFunctions.h"
#include "com/Automation.h"

using namespace qv::modColorFunctions;
using qv::modChartHelper::GetFillPattern;

TEST(ColorFunctions, BytesUseTruncatingDivision) {
    EXPECT_EQ(GetRed(0x123456), 0x56);
    EXPECT_EQ(GetGreen(0x123456), 0x34);
    EXPECT_EQ(GetBlue(0x123456), 0x12);
    // -1 \ 256 is 0 and -1 \ 65536 is 0: a shift would give 255 for both.
    EXPECT_EQ(GetRed(-1), 255);
    EXPECT_EQ(GetGreen(-1), 0);
    EXPECT_EQ(GetBlue(-1), 0);
    // -256 \ 256 = -1 -> &HFF; -65536 \ 65536 = -1 -> &HFF.
    EXPECT_EQ(GetGreen(-256), 255);
    EXPECT_EQ(GetBlue(-65536), 255);
    EXPECT_EQ(GetGreen(-257), 255);  // -257 \ 256 = -1 (a shift gives -2 -> 254)
}

TEST(ColorFunctions, GreyLevelAndColour) {
    struct Case { int32_t colour, level, grey; } cases[] = {
        {0xFFFFFF, 255, 0xFFFFFF}, {0, 0, 0},           {0x808080, 128, 0x808080},
        {0xFF, 76, 0x4C4C4C},      {0xFF00, 150, 0x969696}, {0xFF0000, 28, 0x1C1C1C},
        {0xFFFF, 226, 0xE2E2E2},   {0x101, 0, 0},       {-1, 76, 0x4C4C4C},
        {0x010101, 1, 0x010101},   {0x7F7F7F, 127, 0x7F7F7F},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetGreyLevel(c.colour), c.level) << std::hex << c.colour;
        EXPECT_EQ(GetGreyColor(c.colour), c.grey) << std::hex << c.colour;
    }
    // Truncation, not rounding: red 2, green 1 gives (59 + 60) \ 100 = 1, rounded would be 1;
    // red 3, green 1, blue 0 gives 149 \ 100 = 1 where rounding gives 1 as well, but
    // red 0, green 0, blue 9 gives 99 \ 100 = 0 where rounding gives 1.
    EXPECT_EQ(GetGreyLevel(0x090000), 0);
}

TEST(ChartHelper, FillPatternTable) {
    const int32_t expected[51] = {
        0,                                              // position 0
        21, 34, 20, 41, 19, 16, 0, 0, 1, 7,             // 1..10
        28, 46, 23, 2, 8, 0, 22, 16, 48, 45,            // 11..20
        3, 9, 15, 29, 32, 40, 24, 17, 4, 10,            // 21..30
        30, 31, 35, 47, 36, 5, 11, 25, 14, 37,          // 31..40
        44, 18, 6, 12, 26, 13, 33, 42, 43, 39,          // 41..50
    };
    for (int16_t p = 0; p <= 50; ++p) EXPECT_EQ(GetFillPattern(p), expected[p]) << "position " << p;
    for (int16_t p : {int16_t(51), int16_t(100), int16_t(32767), int16_t(-1), int16_t(-32767)})
        EXPECT_EQ(GetFillPattern(p), 0) << "position " << p;
    // Every pattern 1..48 but 27 and 38 occurs; 16 occurs twice.
    int seen[49] = {};
    for (int16_t p = 1; p <= 50; ++p) ++seen[GetFillPattern(p)];
    for (int n = 1; n <= 48; ++n) EXPECT_EQ(seen[n], n == 16 ? 2 : (n == 27 || n == 38) ? 0 : 1) << n;
}

TEST(ChartHelper, MostNegativePositionOverflows) {
    try {
        GetFillPattern(INT16_MIN);
        FAIL() << "no error";
    } catch (const qv::AutomationError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.hr(), static_cast<HRESULT>(0x800A0006));
    }
}
