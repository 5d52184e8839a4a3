// The tables between Excel's object-model values and their DrawingML forms.
#include "tools/chartmodel/ChartInternal.h"

#include <cstring>

namespace office::detail {

namespace {

// MsoPatternType 1..54 -> a:pattFill prst. 1..48 are the patterns of the published enumeration
// (names matched to ST_PresetPatternVal by their descriptions); 49..54 the plain line patterns.
const char* const kPatternPresets[55] = {
    nullptr,      "pct5",      "pct10",     "pct20",      "pct25",     "pct30",     "pct40",
    "pct50",      "pct60",     "pct70",     "pct75",      "pct80",     "pct90",     "dkHorz",
    "dkVert",     "dkDnDiag",  "dkUpDiag",  "smCheck",    "trellis",   "ltHorz",    "ltVert",
    "ltDnDiag",   "ltUpDiag",  "smGrid",    "dotDmnd",    "wdDnDiag",  "wdUpDiag",  "dashUpDiag",
    "dashDnDiag", "narVert",   "narHorz",   "dashVert",   "dashHorz",  "lgConfetti", "lgGrid",
    "horzBrick",  "lgCheck",   "smConfetti", "zigZag",    "solidDmnd", "diagBrick", "openDmnd",
    "plaid",      "sphere",    "weave",     "dotGrid",    "divot",     "shingle",   "wave",
    "horz",       "vert",      "cross",     "dnDiag",     "upDiag",    "diagCross",
};

struct DashRow {
    int32_t lineStyle;
    const char* dash;
};

// Border.LineStyle -> a:prstDash. The first row of a line style is the one written; the others
// are read as it. xlDouble is a compound line (cmpd="dbl") and xlLineStyleNone a:noFill.
const DashRow kDashes[] = {
    {1, "solid"},           {-4118, "sysDot"},      {-4118, "dot"},      {-4115, "dash"},
    {-4115, "sysDash"},     {-4115, "lgDash"},      {4, "dashDot"},      {4, "sysDashDot"},
    {5, "sysDashDotDot"},   {5, "lgDashDotDot"},    {13, "lgDashDot"},
};

struct MarkerRow {
    int32_t style;
    const char* symbol;
};

const MarkerRow kMarkers[] = {
    {1, "square"}, {2, "diamond"},  {3, "triangle"}, {5, "star"},      {8, "circle"}, {9, "plus"},
    {-4168, "x"},  {-4118, "dot"},  {-4115, "dash"}, {-4142, "none"}, {-4147, "picture"},
};

constexpr int32_t Bgr(uint32_t rrggbb) {
    return static_cast<int32_t>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
}

// Excel's default 56-colour palette by ColorIndex (entry 15 is the grey the floor gets).
constexpr int32_t kPalette[56] = {
    Bgr(0x000000), Bgr(0xFFFFFF), Bgr(0xFF0000), Bgr(0x00FF00), Bgr(0x0000FF), Bgr(0xFFFF00), Bgr(0xFF00FF),
    Bgr(0x00FFFF), Bgr(0x800000), Bgr(0x008000), Bgr(0x000080), Bgr(0x808000), Bgr(0x800080), Bgr(0x008080),
    Bgr(0xC0C0C0), Bgr(0x808080), Bgr(0x9999FF), Bgr(0x993366), Bgr(0xFFFFCC), Bgr(0xCCFFFF), Bgr(0x660066),
    Bgr(0xFF8080), Bgr(0x0066CC), Bgr(0xCCCCFF), Bgr(0x000080), Bgr(0xFF00FF), Bgr(0xFFFF00), Bgr(0x00FFFF),
    Bgr(0x800080), Bgr(0x800000), Bgr(0x008080), Bgr(0x0000FF), Bgr(0x00CCFF), Bgr(0xCCFFFF), Bgr(0xCCFFCC),
    Bgr(0xFFFF99), Bgr(0x99CCFF), Bgr(0xFF99CC), Bgr(0xCC99FF), Bgr(0xFFCC99), Bgr(0x3366FF), Bgr(0x33CCCC),
    Bgr(0x99CC00), Bgr(0xFFCC00), Bgr(0xFF9900), Bgr(0xFF6600), Bgr(0x666699), Bgr(0x969696), Bgr(0x003366),
    Bgr(0x339966), Bgr(0x003300), Bgr(0x333300), Bgr(0x993300), Bgr(0x993366), Bgr(0x333399), Bgr(0x333333),
};

constexpr long kEmuPerPoint = 12700;

}  // namespace

const char* PatternPreset(int n) { return n >= 1 && n <= 54 ? kPatternPresets[n] : nullptr; }

int PatternOfPreset(const std::string& prst) {
    for (int n = 1; n <= 54; ++n)
        if (prst == kPatternPresets[n]) return n;
    return 0;
}

const char* DashOfLineStyle(int32_t lineStyle) {
    for (const DashRow& r : kDashes)
        if (r.lineStyle == lineStyle) return r.dash;
    return nullptr;
}

int32_t LineStyleOfDash(const std::string& dash) {
    for (const DashRow& r : kDashes)
        if (dash == r.dash) return r.lineStyle;
    return 1;
}

// Excel reports the named weight nearest to a line's width: the boundaries lie halfway between
// hairline (1/4 pt), thin (3/4 pt), medium (1 1/2 pt) and thick (3 pt). The weight 3 that the
// conversion gives line series is none of them; it is written as 2 pt, the one width read back
// as 3, so that a converted part reads as the model it was written from.
int32_t WeightOfEmu(long emu) {
    if (emu == 2 * kEmuPerPoint) return 3;
    if (emu < 6350) return 1;
    if (emu < 14288) return 2;
    if (emu < 28575) return -4138;
    return 4;
}

long EmuOfWeight(int32_t weight) {
    switch (weight) {
    case 1: return 3175;
    case 3: return 2 * kEmuPerPoint;
    case 4: return 38100;
    case -4138: return 19050;
    default: return 9525;
    }
}

const char* SymbolOfMarker(int32_t style) {
    for (const MarkerRow& r : kMarkers)
        if (r.style == style) return r.symbol;
    return nullptr;
}

int32_t MarkerOfSymbol(const std::string& symbol) {
    for (const MarkerRow& r : kMarkers)
        if (symbol == r.symbol) return r.style;
    return -4105;
}

int32_t PaletteColour(int colorIndex) { return colorIndex >= 1 && colorIndex <= 56 ? kPalette[colorIndex - 1] : -1; }

}  // namespace office::detail
