// Legibility of a converted chart on paper, from the model after the pass: which of its series,
// slices or bands print alike (tools/legibility/PrintedLook.h says when two do), and which of its
// texts vanish into what lies behind them (TextCheck.h).
//
// Look-alikes come from what the conversion gives by position (the pattern table's gaps and
// repeats, the marker and dash cycles of line series) and from what it leaves as it was (series
// without a fill, series types it does not convert, whose colours print as greys).
#pragma once

#include "sim/ExcelModel.h"

#include <string>
#include <utility>
#include <vector>

namespace legibility {

struct Finding {
    std::string text;    // "series 9 and 1 print alike", "title text prints white on white"
    std::string detail;  // what the printout shows: "solid black"
};

struct ChartLegibility {
    std::vector<Finding> lookAlikes;
    std::vector<Finding> vanishingText;
    size_t compared = 0;     // series, slices or bands compared
    std::string elements;    // what they are: "series", "slices", "bands"
};

// Each element is named against the first one before it that prints alike: "series 16 and 8
// print alike"; for slices and bands "slice 9 and 1 ...", "band 8 and 7 ...", for the rings of
// a doughnut with more than one "slice 3 and 1 of series 2 ...". Positions count from 1, as the
// conversion counts them.
ChartLegibility CheckLegibility(const sim::ChartModel& chart);

// The elements the conversion leaves in their colours: up and down bars print alike when their
// fills do ("up and down bars print alike"); a line (high-low, drop and series lines, error bars)
// vanishes when it prints white on white ("drop lines print white on white") and is mistaken for
// a series when it prints as that series' line does, without markers ("high-low lines print
// like series 2's line"). lines: (name, format); chart: the converted chart, for its series.
std::vector<Finding> CheckBarsAndLines(const sim::ChartModel& chart, const sim::ElementModel* upBars,
                                       const sim::ElementModel* downBars,
                                       const std::vector<std::pair<std::string, sim::LineElementModel>>& lines);

}  // namespace legibility
