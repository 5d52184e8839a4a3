// One file's result as a JSON object: what --json prints, one line per file on stdout, and what
// the index page keeps of each of its rows, so that a rerun with -u can show the files it leaves
// alone with the counts of the run that converted them. The fields are listed in the README
// ("For pipelines").
#pragma once

#include "tools/bwbatch/Results.h"

#include <functional>
#include <string>
#include <vector>

namespace bwbatch {

// How a path is written into a record: as given (the console's), or as a link from the index.
using PathStyle = std::function<std::string(const std::string& path)>;

// The object on one line, without a newline.
std::string RecordJson(const FileResult& r, const PathStyle& path);

// The records of many results as a JSON array, safe inside an HTML <script> element.
std::string RecordsForHtml(const std::vector<FileResult>& results, const PathStyle& path);

// The records an earlier index page holds (RecordsForHtml's array), by their output's link; empty
// when there is no such page or it cannot be read.
struct EarlierRecord {
    std::string output;  // the converted file's path from the page's folder
    bwoffice::ConversionSummary summary;
};
std::vector<EarlierRecord> EarlierRecords(const std::string& indexPath);

// Gives a result left up to date the counts and notes that `earlier` holds for its output
// (matched by its path from indexPath); one without them keeps countsKnown false.
void TakeEarlierCounts(FileResult& r, const std::vector<EarlierRecord>& earlier, const std::string& indexPath);

}  // namespace bwbatch
