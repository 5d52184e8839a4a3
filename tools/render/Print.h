// Office files as LibreOffice prints them: whole files to PDF (the print-ready output and the
// report's page pictures), a page of a PDF as a picture, and a printed cell range cut out of its
// page at the proportions of the frame that shows it (the preview of an embedded workbook).
#pragma once

#include <string>
#include <vector>

namespace render {

struct PrintJob {
    std::string input;          // an Office file (.pptx, .xlsx ...)
    std::string outputPdf;      // where its PDF goes
};

// All in one LibreOffice run. Returns one line per job that could not be printed, naming its
// input and why (empty when all were); without LibreOffice one line saying so. Never throws.
// workFolder as for RenderCharts (its LibreOffice profile is shared with it).
std::vector<std::string> PrintToPdf(const std::vector<PrintJob>& jobs, const std::string& workFolder);

// Page `page` (from 1) of a PDF as a PNG at dpi. Returns why not, or "" when drawn.
std::string PagePicture(const std::string& pdf, int page, int dpi, const std::string& outputPng);

struct PrintedRange {
    std::string xlsx;           // a workbook whose print area, at its top left corner, is the range
    double widthPoints = 0, heightPoints = 0;  // the range's size on the printed page
    bool marked = false;        // its edges are marked (MarkedRange): found there, not from the size
    double aspect = 0;          // width:height of the frame that shows it; 0 keeps the range's own
    std::string outputPng;
    int dpi = 96;
};

// Cuts the range out of the first page of a PDF that LibreOffice printed from range.xlsx, as
// RenderPrintedRange does after printing. Returns why not, or "" when written.
std::string CutPrintedRange(const std::string& pdf, const PrintedRange& range, const std::string& workFolder);

// Prints the workbook, cuts the range out of its first page (with anything drawn beyond its
// computed size, since LibreOffice's column widths may differ a little from ours) and pads it
// with white to the aspect. Returns what could not be done, as PrintToPdf does.
std::vector<std::string> RenderPrintedRange(const PrintedRange& range, const std::string& workFolder);

}  // namespace render
