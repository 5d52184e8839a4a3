// The report of a pass written from files, one object at a time: for a program that made the
// deck itself (from Office files), ran bwpass with --pass-result and --no-report, and has more
// to show than bwpass knows: pictures of the charts drawn by LibreOffice and notes on charts it
// could not model.
#pragma once

#include "tools/report/Report.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bwpass {

struct ChartExtras {
    std::string renderBefore, renderAfter;  // PNG files; empty when not drawn
    std::string note;                       // e.g. "not modelled: cx:chart; left unchanged"
    // Look-alikes beyond the model's series: bars and lines, and keys alike on the printed picture.
    std::vector<legibility::Finding> moreLookAlikes{};
};

struct ReportExtras {
    // Keyed by (object index, chart index in ChartsOf order of the embedded workbook), from 0.
    std::map<std::pair<size_t, size_t>, ChartExtras> charts;
    std::map<size_t, std::string> objectNotes;  // by object index
    // What could not be drawn, e.g. "LibreOffice not found: no rendered pictures".
    std::vector<std::string> renderNotes;
    std::vector<PagePictures> pages;            // the file's pages that hold charts, before and after
    std::string chartPlaces;  // "3 on slides, 1 on slide layouts": where the charts stand; "" not to say
    // As in PassResult: the file's counts beyond the pass.
    std::optional<size_t> previewsLeftInColour, chartsNotModelled;
    // The files the user named, shown instead of the intermediate decks when not empty.
    std::string source, output;
};

// Reads the pass result, the deck before the pass and the converted deck in step and writes the
// report to reportPath (through a temporary file). False with error set ("FILE: what is wrong")
// when a file cannot be read, the files do not belong together, or the report cannot be written;
// nothing is written then.
bool WriteReportFromFiles(const std::wstring& passResultPath, const std::wstring& beforeDeckPath,
                          const std::wstring& convertedDeckPath, const ReportExtras& extras,
                          const std::wstring& reportPath, std::string& error);

}  // namespace bwpass
