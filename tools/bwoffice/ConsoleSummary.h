// What bwoffice prints of one converted file: the counts of the report's summary, in its words,
// so that the console and the report never disagree.
#pragma once

#include "tools/bwoffice/Conversion.h"

#include <string>

namespace bwoffice {

// The summary's lines, ending in a newline; with timings, the seconds of each stage too.
std::string SummaryText(const ConversionOptions& options, const ConversionSummary& summary, bool timings);

// Why output's extension is not input's, as the file's line says it: "the package is a slide
// show: written as .bw.ppsx" (the kind told by the content, not the name), "a legacy PowerPoint
// file: written as .bw.pptx"; empty when the extensions agree (in any case).
std::string WrittenAsText(const std::string& input, const std::string& output, office::FileKind kind);

// "  timings:          read 0.120 s, pass ..." with its newline.
std::string TimingsText(const Timings& timings);

}  // namespace bwoffice
