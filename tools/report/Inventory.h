// What a deck's objects hold, as the report lists them: each embedded workbook's charts in
// sheet order, its sheet order and its state. Shared by the pass and by --no-plugin.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/report/Report.h"

#include <string>
#include <vector>

namespace bwpass {

// A chart with its state before the pass and a pointer to its live model, read again after.
struct TrackedChart {
    ChartResult result;
    const sim::ChartModel* live;
};

// Every chart of the workbook, in sheet order: chart sheets and the chart objects of worksheets.
std::vector<TrackedChart> ChartsOf(const sim::WorkbookModel& wb);

// "Data, [Chart1], Notes": the sheets in order, the active one in brackets.
std::wstring SheetOrder(const sim::WorkbookModel& wb);

// "closed without saving", "still open", ...
std::wstring WorkbookState(const sim::WorkbookModel& wb);

// The object's entry of the report before the pass: name, ProgID, flags, Excel version, sheets.
ObjectResult Describe(const DeckObject& o);

// The object's entry with its charts as they are, before and after alike: without the plug-in.
ObjectResult DescribeUnconverted(const DeckObject& o);

// What the report says of a run without the plug-in.
void DescribeNoPlugIn(PassResult& result);

// The charts and sheet order of every object, without the plug-in: a report of the deck as it is.
void DescribeWithoutPass(const Deck& deck, PassResult& result);

// The charts of ChartsOf(before) in the workbook after the pass, which may have moved its
// sheets: found by sheet name and place on the sheet; null for a chart that is not there.
std::vector<const sim::ChartModel*> MatchingCharts(const sim::WorkbookModel& before, const sim::WorkbookModel& after);

// The charts of one deck object before and after the pass, matched as the report matches them,
// counted as the report counts them (ChartCounts).
void CountConverted(const DeckObject& before, const DeckObject& after, ChartCounts& counts);

}  // namespace bwpass
