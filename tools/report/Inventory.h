// What a deck's objects hold, as the report lists them: each embedded workbook's charts in
// sheet order, its sheet order and its state. Shared by the pass and by --no-plugin.
#pragma once

#include "tools/deck/Deck.h"
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

// The charts and sheet order of every object, without the plug-in: a report of the deck as it is.
void DescribeWithoutPass(const Deck& deck, PassResult& result);

}  // namespace bwpass
