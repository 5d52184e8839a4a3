// Text that vanishes on paper: a chart text whose grey prints too close to the grey behind it.
// The plug-in never changes fonts, so light text that sat on a dark chart area (the automatic
// white text of chart styles 41 to 48) stays light on the white area the conversion makes.
//
// What lies behind a text: the chart area for the title, axis titles and tick labels; the
// legend's own fill for its text where the legend is filled, else the chart area; a data label's
// own fill where it has one, else the plot area where that is filled, else the chart area. An
// area without a visible fill shows the page, white. A text vanishes when its grey level and the
// background's differ by less than kTextContrast.
#pragma once

#include "tools/legibility/Legibility.h"

namespace legibility {

constexpr int kTextContrast = 64;

// "title text prints white on white", "value axis labels print white on white", "data labels of
// series 2 print grey 230 on white".
std::vector<Finding> VanishingText(const sim::ChartModel& chart);

}  // namespace legibility
