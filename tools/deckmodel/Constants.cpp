// Names of the Excel and Office constants that a deck file may spell out, and that the report
// prints beside the numbers.
#include "tools/deckmodel/Constants.h"

namespace bwpass {
namespace {

const NamedValue kChartTypes[] = {
    {"xlXYScatter", -4169},
    {"xlRadar", -4151},
    {"xlDoughnut", -4120},
    {"xl3DPie", -4102},
    {"xl3DLine", -4101},
    {"xl3DColumn", -4100},
    {"xl3DArea", -4098},
    {"xlArea", 1},
    {"xlLine", 4},
    {"xlPie", 5},
    {"xlBubble", 15},
    {"xlColumnClustered", 51},
    {"xlColumnStacked", 52},
    {"xlColumnStacked100", 53},
    {"xl3DColumnClustered", 54},
    {"xl3DColumnStacked", 55},
    {"xl3DColumnStacked100", 56},
    {"xlBarClustered", 57},
    {"xlBarStacked", 58},
    {"xlBarStacked100", 59},
    {"xl3DBarClustered", 60},
    {"xl3DBarStacked", 61},
    {"xl3DBarStacked100", 62},
    {"xlLineStacked", 63},
    {"xlLineStacked100", 64},
    {"xlLineMarkers", 65},
    {"xlLineMarkersStacked", 66},
    {"xlLineMarkersStacked100", 67},
    {"xlPieOfPie", 68},
    {"xlPieExploded", 69},
    {"xl3DPieExploded", 70},
    {"xlBarOfPie", 71},
    {"xlXYScatterSmooth", 72},
    {"xlXYScatterSmoothNoMarkers", 73},
    {"xlXYScatterLines", 74},
    {"xlXYScatterLinesNoMarkers", 75},
    {"xlAreaStacked", 76},
    {"xlAreaStacked100", 77},
    {"xl3DAreaStacked", 78},
    {"xl3DAreaStacked100", 79},
    {"xlDoughnutExploded", 80},
    {"xlRadarMarkers", 81},
    {"xlRadarFilled", 82},
    {"xlSurface", 83},
    {"xlSurfaceWireframe", 84},
    {"xlSurfaceTopView", 85},
    {"xlSurfaceTopViewWireframe", 86},
    {"xlBubble3DEffect", 87},
    {"xlStockHLC", 88},
    {"xlStockOHLC", 89},
    {"xlStockVHLC", 90},
    {"xlStockVOHLC", 91},
    {"xlCylinderColClustered", 92},
    {"xlCylinderColStacked", 93},
    {"xlCylinderColStacked100", 94},
    {"xlCylinderBarClustered", 95},
    {"xlCylinderBarStacked", 96},
    {"xlCylinderBarStacked100", 97},
    {"xlCylinderCol", 98},
    {"xlConeColClustered", 99},
    {"xlConeColStacked", 100},
    {"xlConeColStacked100", 101},
    {"xlConeBarClustered", 102},
    {"xlConeBarStacked", 103},
    {"xlConeBarStacked100", 104},
    {"xlConeCol", 105},
    {"xlPyramidColClustered", 106},
    {"xlPyramidColStacked", 107},
    {"xlPyramidColStacked100", 108},
    {"xlPyramidBarClustered", 109},
    {"xlPyramidBarStacked", 110},
    {"xlPyramidBarStacked100", 111},
    {"xlPyramidCol", 112},
    // Newer types: Excel 16 knows them, the conversion routes them like any unlisted type.
    {"xlTreemap", 117}, {"xlHistogram", 118}, {"xlWaterfall", 119}, {"xlSunburst", 120},
    {"xlBoxwhisker", 121}, {"xlPareto", 122}, {"xlFunnel", 123}, {"xlRegionMap", 140},
};

const NamedValue kPatternTypes[] = {
    {"msoPattern5Percent", 1},
    {"msoPattern10Percent", 2},
    {"msoPattern20Percent", 3},
    {"msoPattern25Percent", 4},
    {"msoPattern30Percent", 5},
    {"msoPattern40Percent", 6},
    {"msoPattern50Percent", 7},
    {"msoPattern60Percent", 8},
    {"msoPattern70Percent", 9},
    {"msoPattern75Percent", 10},
    {"msoPattern80Percent", 11},
    {"msoPattern90Percent", 12},
    {"msoPatternDarkHorizontal", 13},
    {"msoPatternDarkVertical", 14},
    {"msoPatternDarkDownwardDiagonal", 15},
    {"msoPatternDarkUpwardDiagonal", 16},
    {"msoPatternSmallCheckerBoard", 17},
    {"msoPatternTrellis", 18},
    {"msoPatternLightHorizontal", 19},
    {"msoPatternLightVertical", 20},
    {"msoPatternLightDownwardDiagonal", 21},
    {"msoPatternLightUpwardDiagonal", 22},
    {"msoPatternSmallGrid", 23},
    {"msoPatternDottedDiamond", 24},
    {"msoPatternWideDownwardDiagonal", 25},
    {"msoPatternWideUpwardDiagonal", 26},
    {"msoPatternDashedUpwardDiagonal", 27},
    {"msoPatternDashedDownwardDiagonal", 28},
    {"msoPatternNarrowVertical", 29},
    {"msoPatternNarrowHorizontal", 30},
    {"msoPatternDashedVertical", 31},
    {"msoPatternDashedHorizontal", 32},
    {"msoPatternLargeConfetti", 33},
    {"msoPatternLargeGrid", 34},
    {"msoPatternHorizontalBrick", 35},
    {"msoPatternLargeCheckerBoard", 36},
    {"msoPatternSmallConfetti", 37},
    {"msoPatternZigZag", 38},
    {"msoPatternSolidDiamond", 39},
    {"msoPatternDiagonalBrick", 40},
    {"msoPatternOutlinedDiamond", 41},
    {"msoPatternPlaid", 42},
    {"msoPatternSphere", 43},
    {"msoPatternWeave", 44},
    {"msoPatternDottedGrid", 45},
    {"msoPatternDivot", 46},
    {"msoPatternShingle", 47},
    {"msoPatternWave", 48},
    {"msoPatternHorizontal", 49}, {"msoPatternVertical", 50}, {"msoPatternCross", 51},
    {"msoPatternDownwardDiagonal", 52}, {"msoPatternUpwardDiagonal", 53},
    {"msoPatternDiagonalCross", 54},
};

const NamedValue kLineStyles[] = {
    {"xlLineStyleNone", -4142}, {"xlDouble", -4119}, {"xlDot", -4118}, {"xlDash", -4115},
    {"xlContinuous", 1}, {"xlDashDot", 4}, {"xlDashDotDot", 5}, {"xlSlantDashDot", 13},
};

const NamedValue kBorderWeights[] = {
    {"xlHairline", 1}, {"xlThin", 2}, {"xlMedium", -4138}, {"xlThick", 4},
};

const NamedValue kColorIndexes[] = {
    {"xlColorIndexNone", -4142}, {"xlColorIndexAutomatic", -4105},
};

const NamedValue kMarkerStyles[] = {
    {"xlMarkerStyleX", -4168}, {"xlMarkerStylePicture", -4147}, {"xlMarkerStyleNone", -4142},
    {"xlMarkerStyleDot", -4118}, {"xlMarkerStyleDash", -4115}, {"xlMarkerStyleAutomatic", -4105},
    {"xlMarkerStyleSquare", 1}, {"xlMarkerStyleDiamond", 2}, {"xlMarkerStyleTriangle", 3},
    {"xlMarkerStyleStar", 5}, {"xlMarkerStyleCircle", 8}, {"xlMarkerStylePlus", 9},
};

const NamedValue kInteriorPatterns[] = {
    {"xlPatternAutomatic", -4105}, {"xlPatternChecker", 9}, {"xlPatternCrissCross", 16},
    {"xlPatternDown", -4121}, {"xlPatternGray16", 17}, {"xlPatternGray25", -4124},
    {"xlPatternGray50", -4125}, {"xlPatternGray75", -4126}, {"xlPatternGray8", 18},
    {"xlPatternGrid", 15}, {"xlPatternHorizontal", -4128}, {"xlPatternLightDown", 13},
    {"xlPatternLightHorizontal", 11}, {"xlPatternLightUp", 14}, {"xlPatternLightVertical", 12},
    {"xlPatternNone", -4142}, {"xlPatternSemiGray75", 10}, {"xlPatternSolid", 1},
    {"xlPatternUp", -4162}, {"xlPatternVertical", -4166}, {"xlPatternLinearGradient", 4000},
    {"xlPatternRectangularGradient", 4001},
};

const NamedValue kTriStates[] = {
    {"msoTriStateToggle", -3}, {"msoTriStateMixed", -2}, {"msoTrue", -1}, {"msoFalse", 0},
    {"msoCTrue", 1},
};

template <size_t N>
constexpr size_t CountOf(const NamedValue (&)[N]) { return N; }

}  // namespace

bool IntDomain::allows(int32_t v) const {
    if (v >= min && v <= max) return true;
    return nameOf(v) != nullptr;
}

std::optional<int32_t> IntDomain::lookup(const std::string& name) const {
    for (size_t i = 0; i < nameCount; ++i)
        if (name == names[i].name) return names[i].value;
    return std::nullopt;
}

const char* IntDomain::nameOf(int32_t v) const {
    for (size_t i = 0; i < nameCount; ++i)
        if (names[i].value == v) return names[i].name;
    return nullptr;
}

namespace domain {

#define QV_DOMAIN(fn, what, table, min, max, writeNames)                                   \
    const IntDomain& fn() {                                                                \
        static const IntDomain d{what, table, CountOf(table), min, max, writeNames};        \
        return d;                                                                          \
    }

QV_DOMAIN(ChartType, "an XlChartType name or number", kChartTypes, 1, 0, true)
QV_DOMAIN(LineStyle, "an XlLineStyle name or number", kLineStyles, 1, 0, true)
// 3 has no name, but it is the weight the conversion gives to line series.
QV_DOMAIN(BorderWeight, "an XlBorderWeight name or number (1..4, -4138)", kBorderWeights, 1, 4, true)
QV_DOMAIN(ColorIndex, "a colour index 1..56, xlColorIndexNone or xlColorIndexAutomatic", kColorIndexes, 1, 56, true)
QV_DOMAIN(MarkerStyle, "an XlMarkerStyle name or number", kMarkerStyles, 1, 0, true)
QV_DOMAIN(InteriorPattern, "an XlPattern name or number", kInteriorPatterns, 1, 0, true)
QV_DOMAIN(FillVisible, "true, false or an MsoTriState name or number", kTriStates, 1, 0, true)
QV_DOMAIN(FillPattern, "an MsoPatternType name or a number 0..54 (0: none)", kPatternTypes, 0, 54, false)

#undef QV_DOMAIN

const IntDomain& MarkerSize() {
    static const IntDomain d{"a marker size 2..72", nullptr, 0, 2, 72, false};
    return d;
}

const IntDomain& Int32() {
    static const IntDomain d{"a 32-bit integer", nullptr, 0, INT32_MIN, INT32_MAX, false};
    return d;
}

}  // namespace domain

std::string ChartTypeName(int32_t chartType) {
    const char* n = domain::ChartType().nameOf(chartType);
    return n ? n : std::to_string(chartType);
}

std::string PatternName(int32_t pattern) {
    const char* n = domain::FillPattern().nameOf(pattern);
    return n ? n : std::to_string(pattern);
}

Family FamilyOf(int32_t t) {
    switch (t) {
    case 51: case 52: case 53: case 54: case 55: case 56: case -4100:
    case 92: case 93: case 94: case 98: case 99: case 100: case 101: case 105:
    case 106: case 107: case 108: case 112:
        return Family::Column;
    case 57: case 58: case 59: case 60: case 61: case 62: case 95: case 96: case 97:
    case 102: case 103: case 104: case 109: case 110: case 111:
        return Family::Bar;
    case 4: case -4101: case 63: case 64: case 65: case 66: case 67:
        return Family::Line;
    case 1: case -4098: case 76: case 77: case 78: case 79:
        return Family::Area;
    case 5: case -4102: case 68: case 69: case 70: case 71:
        return Family::Pie;
    case -4120: case 80:
        return Family::Doughnut;
    case -4151: case 81: case 82:
        return Family::Radar;
    case -4169: case 72: case 73: case 74: case 75:
        return Family::Scatter;
    case 15: case 87:
        return Family::Bubble;
    case 83: case 84: case 85: case 86: case -4103:
        return Family::Surface;
    case 88: case 89: case 90: case 91:
        return Family::Stock;
    default:
        return Family::Other;
    }
}

bool IsStacked(int32_t t) {
    switch (t) {
    case 52: case 53: case 55: case 56: case 58: case 59: case 61: case 62: case 63: case 64:
    case 66: case 67: case 76: case 77: case 78: case 79: case 93: case 94: case 96: case 97:
    case 100: case 101: case 103: case 104: case 107: case 108: case 110: case 111:
        return true;
    default:
        return false;
    }
}

bool IsStacked100(int32_t t) {
    switch (t) {
    case 53: case 56: case 59: case 62: case 64: case 67: case 77: case 79: case 94: case 97:
    case 101: case 104: case 108: case 111:
        return true;
    default:
        return false;
    }
}

bool Is3D(int32_t t) {
    switch (t) {
    case -4100: case -4101: case -4102: case -4098: case -4103: case 54: case 55: case 56:
    case 60: case 61: case 62: case 70: case 78: case 79: case 83: case 84:
        return true;
    default:
        return t >= 92 && t <= 112;
    }
}

bool IsWireframe(int32_t t) { return t == 84 || t == 86; }
bool IsTopView(int32_t t) { return t == 85 || t == 86; }
bool IsExploded(int32_t t) { return t == 69 || t == 70 || t == 80; }

bool ShowsAutomaticMarkers(int32_t t) {
    switch (t) {
    case 65: case 66: case 67: case -4169: case 72: case 74: case 81: case -4151:
        return true;
    default:
        return false;
    }
}

int32_t AutomaticMarkerStyle(size_t position) {
    // Diamond, square, triangle, x, star, circle, plus.
    static const int32_t kStyles[] = {2, 1, 3, -4168, 5, 8, 9};
    return kStyles[position % 7];
}

}  // namespace bwpass
