// The file as LibreOffice prints it, before and after the pass: the print-ready PDF of the
// converted file (--pdf: every slide; every sheet that holds a chart) and, for the report, a
// picture of each slide or sheet that holds a chart.
#pragma once

#include "tools/chartmodel/Documents.h"
#include "tools/report/Report.h"

#include <string>
#include <vector>

namespace bwoffice {

struct PagesRequest {
    std::string input, output;  // the file given and the converted file, both written
    std::string pdf;            // the print-ready PDF to write; "" when not asked for
    std::string folder;         // for the pictures and LibreOffice's work
    size_t limit = 50;          // pages drawn for the report; the rest are listed in a note
};

struct PagesResult {
    std::vector<bwpass::PagePictures> pages;
    std::vector<std::string> notes;  // what could not be printed or drawn
    bool pdfWritten = false;
};

// records: the objects of the file, as the walk gave them (their slides and sheets).
PagesResult PrintPages(const office::Package& input, const PagesRequest& request,
                       const std::vector<office::OfficeObject>& records);

// Slide numbers (from 1) to page numbers in LibreOffice's PDF, which leaves hidden slides out;
// 0 for a hidden slide.
std::vector<int> PageOfSlide(const office::Package& presentation);

}  // namespace bwoffice
