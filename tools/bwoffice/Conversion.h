// One Office file through the black-and-white pass: read, pass, write back, report.
#pragma once

#include "tools/bwoffice/Pass.h"
#include "tools/office/Documents.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace bwoffice {

struct ConversionOptions {
    std::string input;
    std::string output;        // the converted file
    std::string report;        // the HTML report
    std::string pdf;           // the converted file as LibreOffice prints it; "" for none
    PassOptions pass;
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
    size_t previewsLeftInColour = 0;  // OLE objects whose picture was not drawn anew (named in the notes)
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

}  // namespace bwoffice
