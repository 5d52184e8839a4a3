// The index page of a batch: one row per file with what became of it, problems first, linking
// each output and report, and the files of the folders that were left out, so that a folder of
// results can be looked through in a browser (a phone's included).
#pragma once

#include "tools/bwbatch/Results.h"

#include <string>
#include <vector>

namespace bwbatch {

struct IndexContent {
    std::vector<FileResult> results;   // in the plan's order
    std::vector<std::string> leftOut;  // "FILE: what it is"
    bool pdf = false;                  // --pdf: a column for the PDFs
    bool interrupted = false;          // the run was stopped before it finished
};

// The page for an index file at indexPath (links are relative to its folder). Holds nothing
// that changes from run to run over the same files.
std::string IndexHtml(const IndexContent& content, const std::string& indexPath);

// Writes the page through a temporary file renamed into place; false with error set on failure.
bool WriteIndex(const IndexContent& content, const std::string& indexPath, std::string& error);

// A relative link from the folder of fromFile to path, %-encoded for an href.
std::string Link(const std::string& fromFile, const std::string& path);
// The same path, not encoded: how the index's records name the outputs.
std::string RelativePath(const std::string& fromFile, const std::string& path);

}  // namespace bwbatch
