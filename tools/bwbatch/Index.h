// The index page of a batch: one row per file with what became of it, linking each output and
// report, so that a folder of results can be looked through in a browser.
#pragma once

#include "tools/bwbatch/Batch.h"

#include <string>
#include <vector>

namespace bwbatch {

// The page for an index file at indexPath (links are relative to its folder). Holds nothing
// that changes from run to run over the same files.
std::string IndexHtml(const std::vector<FileResult>& results, const std::string& indexPath);

// Writes the page through a temporary file renamed into place; false with error set on failure.
bool WriteIndex(const std::vector<FileResult>& results, const std::string& indexPath, std::string& error);

// A relative link from the folder of fromFile to path, %-encoded for an href.
std::string Link(const std::string& fromFile, const std::string& path);

}  // namespace bwbatch
