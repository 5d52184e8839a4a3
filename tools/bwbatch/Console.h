// What a batch prints: a line for each file as it is done, in the words of the single file's
// summary; the summary of the batch, with the index's counts; and the one line of a batch that
// a signal ended.
#pragma once

#include "tools/bwbatch/Results.h"

#include <string>
#include <vector>

namespace bwbatch {

// A finished file's line, without "bwpass: " before it, naming the file once: "talk.pptx: 12 of 12
// charts converted; look-alike series: 2 charts (the package is a slide show: written as
// .bw.ppsx)", "old.ppt: warning: nothing converted: ...", "bad.xlsx: not converted: ...". A file
// that was not converted gets an error line, cut (at a clause, else a word, with "…") so that
// with "bwpass: " before it it fits `width` columns; the index and --json keep the whole message.
std::string FileLine(const FileResult& r, size_t width);

// --dry-run's line for a file, naming it as found: "IN -> OUT, REPORT, PDF" (and why OUT's
// extension is not IN's), "IN: up to date, left as it is", "IN: not converted: why".
std::string PlannedLine(const FileResult& r);

// Whether the file's line is an error, printed even with -q.
bool IsError(const FileResult& r);

// The batch's summary lines, each ending in a newline; the index line when index is not empty.
std::string BatchSummaryText(const Totals& t, const std::string& index);

// The one line of an interrupted batch, without "bwpass: ": what was written, what was not, and
// where the index is (empty index: none was written).
std::string InterruptedLine(const Totals& t, const std::string& index);

// The number of columns text takes: its UTF-8 characters.
size_t Columns(const std::string& text);

}  // namespace bwbatch
