// The legibility check (tools/legibility) in the report and the summaries: under each converted
// chart the series, slices or bands that print alike and the texts that vanish; in the summary
// how many charts have either. A chart the pass left alone prints as it did and is not checked.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/report/Report.h"

#include <cstddef>
#include <string>

namespace bwpass {

// Counts a chart the pass converted; seenOnPage: the printed picture shows keys alike.
void CountLegibility(const sim::ChartModel& converted, LegibilityCounts& counts, bool seenOnPage = false);
// The charts of one deck object before and after the pass, matched as the report matches them;
// those the pass changed are counted.
void CountLegibility(const DeckObject& before, const DeckObject& after, LegibilityCounts& counts);

// The chart's "Legibility" line and list; empty for a chart the pass did not change.
std::string LegibilityHtml(const ChartResult& chart);
// The summary table's rows for the counts.
std::string LegibilityRows(const PassTotals& totals);

}  // namespace bwpass
