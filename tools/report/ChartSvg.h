// One chart of the Excel stand-in's model drawn as a self-contained SVG image.
//
// The drawing shows what the model says, element by element: fills (solid colours, the Office
// hatch patterns in their foreground and background colours, no fill), border colours, weights
// and dash styles, markers, legend keys, axes and gridlines, walls and floor. Values place the
// data; nothing else of the chart's layout is modelled, so positions are the drawing's own.
#pragma once

#include "sim/ExcelModel.h"

#include <string>
#include <vector>

namespace bwpass {

constexpr int kChartWidth = 480;
constexpr int kChartHeight = 320;

// How a drawing is made for a purpose other than the report's page.
struct ChartLook {
    // Drawing units per pixel of a pattern's 8 x 8 tile: 2 on screen, where one-pixel dots would
    // blur away; on paper the tile's own size at the frame's scale (PrintPatternPixel).
    double patternPixel = 2;
    std::string title;  // the chart's title, above the plot; "" for none (the model has no text)
    std::string leftTitle, bottomTitle;  // the axes' titles beside and below the plot; "" for none
    bool bitmapPatterns = false;  // patterns as pictures of their tiles (Svg's bitmapPatterns)
    // The drawing's height, its width being kChartWidth: a frame's own proportions, so that the
    // picture is not stretched into it.
    int height = kChartHeight;
};

// Where a legend key was drawn, in fractions of the drawing's width and height, and its label.
struct DrawnKey {
    double x = 0, y = 0, width = 0, height = 0;
    std::string label;
};

// idPrefix makes the ids of the image's patterns unique within one HTML page. legendKeys, when
// given, receives where each key of the legend was drawn, in the legend's order.
std::string ChartSvg(const sim::ChartModel& chart, const std::string& idPrefix);
std::string ChartSvg(const sim::ChartModel& chart, const std::string& idPrefix, const ChartLook& look,
                     std::vector<DrawnKey>* legendKeys = nullptr);

// Office draws a pattern's tile pixel as one pixel at 96 dpi, on paper too: the drawing units of
// one such pixel when the drawing fills a frame frameWidthEmu wide.
double PrintPatternPixel(long long frameWidthEmu);
// The height of a drawing with a frame's proportions (kChartHeight when they are not known),
// within bounds that keep a plot and legend.
int DrawingHeight(long long frameWidthEmu, long long frameHeightEmu);

// A square swatch of fill pattern n (1..54), each tile pixel `scale` image pixels wide, black
// on white.
std::string PatternSwatchSvg(int pattern, int size, int scale, const std::string& idPrefix);

}  // namespace bwpass
