// The legibility check (tools/legibility) in the report and the summaries: under each converted
// chart the series, slices or bands that print alike and the texts that vanish; in the summary
// how many charts have either. A chart the pass left alone prints as it did and is not checked.
#pragma once

#include "tools/report/Report.h"

#include <cstddef>
#include <string>

namespace bwpass {

// Counts a chart the pass converted; seenOnPage: the printed picture shows keys alike.
void CountLegibility(const sim::ChartModel& converted, LegibilityCounts& counts, bool seenOnPage = false);

// The chart's "Legibility" line and list; empty for a chart the pass did not change.
std::string LegibilityHtml(const ChartResult& chart);
// What the summary's two counts count.
std::string LookAlikeNote();
std::string VanishingTextNote();

}  // namespace bwpass
