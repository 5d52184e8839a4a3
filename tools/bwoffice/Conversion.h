// One Office file through the black-and-white pass: read, pass, write back, report.
#pragma once

#include "tools/bwoffice/Pass.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/office/Documents.h"
#include "tools/report/Report.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace bwoffice {

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
};

struct Timings {
    double read = 0, pass = 0, write = 0, render = 0;  // seconds
};

struct ConversionSummary {
    size_t objects = 0;        // offered to the plug-in
    size_t excelObjects = 0;   // of those, with a workbook
    size_t charts = 0;         // read into the deck
    size_t chartsRewritten = 0;
    size_t propertiesWritten = 0;
    size_t previewsLeftInColour = 0;   // OLE objects whose picture was not drawn anew (named in the notes)
    // Converted charts where series, slices or bands print alike, or where text vanishes
    // (tools/report/LegibilitySection.h).
    size_t chartsWithLookAlikes = 0;
    size_t chartsWithVanishingText = 0;
    bool hostCallFailed = false;       // the pass ran, but a host call failed (the report has it)
    std::vector<office::UnmodelledChart> unmodelled;
    bool pdfWritten = false;   // options.pdf was written
    std::vector<std::string> notes;
    Timings timings;
};

// The pass could not run or failed: nothing was written.
class PassError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws office::OfficeFileError for bad input and PassError when the pass fails, in both cases
// before anything is written; std::runtime_error when an output cannot be written.
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

// Draws the charts of every pending report together, in `atOnce` LibreOffice runs at a time,
// then writes each report. Returns an error per report, empty when it was written; adds the
// time spent drawing to each summary, shared out by charts.
std::vector<std::string> FinishReports(std::vector<PendingReport>& pending, size_t atOnce);

}  // namespace bwoffice
