// What a chart element looks like on paper from a monochrome printer, and when two elements
// print alike: a reader of the printout cannot tell them apart.
//
// - A colour prints as its grey level, (59 green + 30 red + 11 blue) / 100, the weights the
//   conversion itself uses. Two greys print alike when their levels differ by at most
//   kGreyTolerance.
// - Fills. A fill that is not visible prints as the page: flat white. A solid fill prints flat
//   in its grey, and so does a hatch pattern or a gradient whose two colours print alike (in the
//   grey halfway between them). Two flat fills print alike when their greys do; two hatches when
//   they are the same pattern with alike foreground and alike background greys; two gradients
//   when both ends print alike. Flat, hatched and graded fills never print alike one another;
//   pictures and textures print alike nothing, since the model does not say what they show.
//   Outlines are not compared: the conversion makes every drawn one black.
// - Lines (line, scatter, radar and stock series). Two print alike when each draws its line
//   with the same dash style and weight in alike greys, or neither draws one, and each shows
//   the same marker shape, sizes within kMarkerSizeTolerance points, alike outline greys and,
//   for shapes with an inside, alike fill greys, or neither shows markers. An automatic marker
//   has the shape Excel gives the series' position.
// - A fill and a line never print alike.
// A line series that draws neither a line nor markers prints nothing (the high and low series of
// a stock chart, shown by its high-low lines): it is not compared with anything.
#pragma once

#include "sim/ExcelModel.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace legibility {

constexpr int kGreyTolerance = 32;
constexpr int kMarkerSizeTolerance = 2;

// 0 (black) .. 255 (white).
int GreyLevel(int32_t colour);

struct FillLook {
    enum class Kind { Flat, Hatch, Gradient, Picture };
    Kind kind = Kind::Flat;
    bool unfilled = false;      // not visible: the page shows
    int32_t pattern = 0;        // Hatch: the MsoPatternType
    int fore = 255, back = 255; // grey levels; Flat: both the same
};

struct LineLook {
    bool line = false;          // the line is drawn
    int32_t lineStyle = 1;
    int32_t weight = 2;
    int grey = 0;
    bool marker = false;        // markers are shown
    int32_t markerStyle = 0;    // never automatic
    int32_t markerSize = 0;
    int markerEdge = 0, markerInside = 0;
};

struct PrintedLook {
    bool isLine = false;
    FillLook fill;
    LineLook line;
};

PrintedLook LookOfElement(const sim::ElementModel& element);
// A series drawn as filled shapes: its own format.
PrintedLook LookOfFilledSeries(const sim::SeriesModel& series);
// position: the series' place in the chart, from 0 (picks automatic markers).
PrintedLook LookOfLineSeries(const sim::SeriesModel& series, size_t position);
// Whether the series is drawn as a line with markers rather than as filled shapes.
bool IsDrawnAsLine(const sim::SeriesModel& series);

bool PrintAlike(const PrintedLook& a, const PrintedLook& b);
bool PrintsNothing(const PrintedLook& look);

// "solid black", "pattern 16 (msoPatternDarkUpwardDiagonal), black on white", "xlDot line,
// weight 3, black; marker xlMarkerStyleCircle size 8, black on white".
std::string Describe(const PrintedLook& look);
// "black", "white" or "grey 120".
std::string GreyName(int grey);

}  // namespace legibility
