// One Office file through the black-and-white pass: read, pass, write back, report.
#pragma once

#include "tools/bwoffice/Pass.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/chartmodel/Documents.h"
#include "tools/package/FileKind.h"
#include "tools/report/Report.h"

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace bwoffice {

struct ConversionSummary;

struct ConversionOptions {
    std::string input;
    std::string output;        // the converted file
    std::string report;        // the HTML report; empty for none
    std::string pdf;           // the converted file as LibreOffice prints it; "" for none
    PassOptions pass;
    PassServer* server = nullptr;  // the pass under this server's start of Wine; bwpass.exe of its own without
    bool render = true;        // LibreOffice's pictures of every chart in the report
    bool registered = false;   // for the report: how the plug-in was created
    bool progress = true;      // progress lines on stderr for long files
    // Told as each stage starts ("reading", "the pass", "writing", "drawing 22 charts", "printing",
    // "writing the report"), for a progress line; may be empty.
    std::function<void(const std::string& stage)> stage;
    // Told the moment the converted file is in place (before any PDF or report), with the summary
    // so far, while an interrupt's clean-up waits for it; may be empty.
    std::function<void(const ConversionSummary& summary)> written;
};

struct Timings {
    double read = 0, pass = 0, write = 0, render = 0;  // seconds
};

struct ConversionSummary {
    size_t objects = 0;        // offered to the plug-in
    size_t excelObjects = 0;   // of those, with a workbook
    size_t charts = 0;         // read into the deck
    std::array<size_t, office::kPlaces> chartsByPlace{};  // the same by office::Place
    size_t chartsRewritten = 0;        // chart parts written anew
    // Counted as the report counts them (bwpass::ChartCounts): charts whose model changed in the
    // pass, and their properties that read differently after it.
    size_t chartsConverted = 0;
    size_t propertiesChanged = 0;
    size_t previewsLeftInColour = 0;   // OLE objects whose picture was not drawn anew (named in the notes)
    // Converted charts where series, slices or bands print alike, or where text vanishes
    // (tools/report/LegibilitySection.h).
    size_t chartsWithLookAlikes = 0;
    size_t chartsWithVanishingText = 0;
    bool hostCallFailed = false;       // the pass ran, but a host call failed (the report has it)
    std::vector<office::UnmodelledChart> unmodelled;
    // A legacy binary file was imported by LibreOffice first, and the output is Office Open XML:
    // what the input was ("a legacy PowerPoint file"); empty for a package.
    std::string importedFrom;
    office::FileKind kind = office::FileKind::NotOffice;  // the input's, told by its content
    bool pdfWritten = false;   // options.pdf was written
    std::vector<std::string> notes;
    Timings timings;
};

// The pass could not run or failed: nothing was written.
class PassError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "3 on slides, 1 on slide layouts, 1 on notes pages": where the charts read stand, the places
// that hold some; "" when they all stand on slides or all on sheets.
std::string ChartPlacesText(const ConversionSummary& summary);

// The input is told by its content (office::IdentifyFile): a presentation or workbook of any
// package type, or a legacy binary one imported by LibreOffice first; any other kind is refused.
// Throws office::OfficeFileError for bad input and PassError when the pass fails (or LibreOffice,
// needed for a legacy file, is missing), in both cases before anything is written; std::runtime_error when an output cannot be written.
ConversionSummary ConvertFile(const ConversionOptions& options);

// A converted file whose report is still to be written: what the report is made from, in a work
// folder that lives as long as this does.
struct PendingReport {
    ConversionOptions options;
    ConversionSummary summary;
    std::unique_ptr<TempFolder> work;
    std::vector<ChartToDraw> charts;
    std::map<std::pair<size_t, size_t>, MoreLegibility> legibility;  // WriteBackResult's
    std::vector<bwpass::PagePictures> pages;  // with --pdf: each slide or sheet with a chart, before and after
    std::vector<std::string> pageNotes;       // what could not be printed
};

// ConvertFile up to the report: the converted file is written, and the report waits in the
// result (options.report set) so that the pictures of many files can be drawn together.
PendingReport ConvertWithoutReport(const ConversionOptions& options);

// What FinishReports has done, told as it goes (from the threads that draw, one at a time).
struct ReportProgress {
    std::function<void(size_t charts)> drew;  // a run of charts drawn
    std::function<void()> drawn;              // every picture drawn; the reports come next
    // A report written (error empty) or failed, by its place in `pending`; its summary is final.
    std::function<void(size_t file, const std::string& error)> written;
};

// Draws the charts of every pending report together, in `atOnce` LibreOffice runs at a time,
// then writes each report. Returns an error per report, empty when it was written; adds the
// time spent drawing to each summary, shared out by charts.
std::vector<std::string> FinishReports(std::vector<PendingReport>& pending, size_t atOnce,
                                       const ReportProgress& progress = {});

}  // namespace bwoffice
