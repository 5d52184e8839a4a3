// What one black-and-white pass did, and the HTML report that shows it: first the summary,
// whose counts lead to the charts they count, and each chart before and after with how it reads
// on paper; then, folded, the host's calls per object, the plug-in's log lines and a key to the
// fill patterns.
#pragma once

#include "sim/ExcelModel.h"
#include "tools/legibility/Legibility.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bwpass {

struct HostCall {
    std::string member;         // "HandleObject", "IPlugIn::Initialize", ...
    std::string result;         // "True", "S_OK", "0x80020005 (type mismatch)"
    bool failed = false;        // the call returned a failure HRESULT
};

struct ChartResult {
    std::string place;          // "Dashboard.xlsx › Dashboard › Chart 2"
    bool onShownSheet = false;  // on the sheet the workbook shows: the plug-in converts it
    sim::ChartModel before;
    sim::ChartModel after;
    std::vector<std::string> changes;  // ChartChanges(before, after)
    // Pictures of the chart drawn by LibreOffice (PNG files, embedded into the report), empty
    // when there are none.
    std::string renderBefore, renderAfter;
    // Legend keys that look alike on the printed picture (renderAfter), whatever the model says.
    std::vector<legibility::Finding> moreLookAlikes;
    std::string note;           // e.g. "not modelled: cx:chart; left unchanged"
};

struct ObjectResult {
    std::wstring name;
    std::wstring progId;
    int32_t bwFlagSet = 0;
    bool hasWorkbook = false;
    std::wstring excelVersion;
    std::optional<bool> accepted;   // HandleObject's answer; empty when it failed or was not asked
    std::vector<HostCall> calls;
    long writes = 0;                // property writes and fill calls into this object's Excel
    long excelCalls = 0;            // every automation call into it
    std::wstring sheetsBefore, sheetsAfter;
    std::wstring workbookState;     // "closed without saving", "still open", ...
    std::wstring spareWorkbook;     // what happened to a spare workbook, empty when none
    std::vector<ChartResult> charts;
    std::string note;               // what the report should say about the object, if anything
};

// A page of the file as LibreOffice prints it (a slide, or a sheet), before and after the pass.
struct PagePictures {
    std::string label;          // "slide 3", "sheet Sales"
    std::string before, after;  // PNG files; empty when not drawn
};

struct PassResult {
    std::wstring deckTitle;
    std::string deckSource;     // the deck file, or "the built-in sample deck"
    std::string outputDeck;     // where the converted deck was written
    std::string dll;            // the DLL's path
    std::string activation;     // how the plug-in was created
    std::vector<HostCall> hostCalls;  // the calls outside the per-object ones
    std::vector<ObjectResult> objects;
    std::vector<std::string> logLines;
    std::string logNote;        // where the log came from, or why there is none
    size_t drawLimit = 300;     // charts drawn; the rest are listed only
    // What could not be drawn, e.g. "LibreOffice not found: no rendered pictures".
    std::vector<std::string> renderNotes;
    std::vector<PagePictures> pages;  // the pages that hold charts
    std::string chartPlaces;          // where the charts stand, when not all on slides; "" otherwise
    // Counts of an Office file's conversion beyond the pass, which its console summary prints
    // too; unset for a deck file, which has neither.
    std::optional<size_t> previewsLeftInColour, chartsNotModelled;
};

// Converted charts that print with series, slices or bands alike, or with text that vanishes
// (tools/report/LegibilitySection.h).
struct LegibilityCounts {
    size_t chartsWithLookAlikes = 0;
    size_t chartsWithVanishingText = 0;
};

// The charts as every summary counts them, on the console and in the report alike. A chart is
// converted when a property of its model reads differently after the pass, and each such
// property counts once: the count is the length of the list under each chart (ChartChanges),
// and summed over the charts it is the pass's count of changed properties. Excel reports a
// colour's ColorIndex beside its RGB value, so a recoloured border counts twice; the plug-in's
// calls (one call may change several properties, or none) are counted apart, as writes.
struct ChartCounts {
    size_t converted = 0;
    size_t propertiesChanged = 0;
    LegibilityCounts legibility;
};

// A converted chart, with the length of its list of changes, into the counts; moreLookAlikes:
// look-alikes found beside the model's check (bars and lines, the printed picture).
void CountConverted(const sim::ChartModel& after, size_t changes, ChartCounts& counts, bool moreLookAlikes = false);

// The charts each count of the summary is made of, by their number in the report (from 1), so
// that the summary can lead to them.
struct ChartNumbers {
    std::vector<size_t> onShownSheets, converted, lookAlikes, vanishingText;
    std::vector<size_t> propertiesChanged;  // per converted chart, in the order of `converted`
};

struct PassTotals {
    size_t offered = 0, accepted = 0, declined = 0;
    size_t charts = 0;               // every chart of the deck, numbered as the report numbers them
    size_t chartsOnShownSheets = 0;  // in accepted objects
    size_t chartsChanged = 0;
    size_t propertiesChanged = 0;
    long writes = 0;                 // the plug-in's writing calls into Excel
    size_t failedCalls = 0;
    LegibilityCounts legibility;
    ChartNumbers numbers;
};

PassTotals Totals(const PassResult& result);
// One object's share of the totals (all but the failed calls outside the objects).
void AddToTotals(PassTotals& totals, const ObjectResult& object);

std::string ReportHtml(const PassResult& result);

// The same report written object by object, so that a pass over any number of objects needs
// memory for one of them: each object's row and chart sections go to temporary files beside
// the report as they come, and Finish writes the head and the summary, which need the totals,
// and then the parts, through a temporary file renamed into place. Without a successful Finish
// nothing is left behind.
class ReportWriter {
public:
    ReportWriter(const std::wstring& path, size_t drawLimit);
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // False with error() set when the temporary files cannot be created.
    bool Open();
    void Add(const ObjectResult& object);
    // pass: everything but the objects, which are ignored here. False with error() set when the
    // report could not be written.
    bool Finish(const PassResult& pass);
    const std::string& error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bwpass
