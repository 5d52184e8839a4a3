// What bwoffice prints of one converted file: the counts of the report's summary, in its words,
// so that the console and the report never disagree.
#pragma once

#include "tools/bwoffice/Conversion.h"

#include <string>

namespace bwoffice {

// The summary's lines, ending in a newline; with timings, the seconds of each stage too.
std::string SummaryText(const ConversionOptions& options, const ConversionSummary& summary, bool timings);

// "  timings:          read 0.120 s, pass ..." with its newline.
std::string TimingsText(const Timings& timings);

}  // namespace bwoffice
