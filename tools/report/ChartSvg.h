// One chart of the Excel stand-in's model drawn as a self-contained SVG image.
//
// The drawing shows what the model says, element by element: fills (solid colours, the Office
// hatch patterns in their foreground and background colours, no fill), border colours, weights
// and dash styles, markers, legend keys, axes and gridlines, walls and floor. Values place the
// data; nothing else of the chart's layout is modelled, so positions are the drawing's own.
#pragma once

#include "sim/ExcelModel.h"

#include <string>

namespace bwpass {

constexpr int kChartWidth = 480;
constexpr int kChartHeight = 320;

// idPrefix makes the ids of the image's patterns unique within one HTML page.
std::string ChartSvg(const sim::ChartModel& chart, const std::string& idPrefix);

// A square swatch of fill pattern n (1..54), each tile pixel `scale` image pixels wide, black
// on white.
std::string PatternSwatchSvg(int pattern, int size, int scale, const std::string& idPrefix);

}  // namespace bwpass
