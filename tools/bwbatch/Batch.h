// Many Office files through the pass: N at a time, one bad file reported and the others going on.
#pragma once

#include "tools/bwbatch/Inputs.h"
#include "tools/bwoffice/Conversion.h"

#include <string>
#include <vector>

namespace bwbatch {

struct BatchOptions {
    size_t jobs = 1;            // files converted at once
    bool render = true;         // LibreOffice's pictures in the reports
    bool quiet = false;         // no progress, only the failures
    size_t renderers = 1;       // LibreOffice runs at a time
    bool registered = false;
    bool pdf = false;           // each file's STEM.bw.pdf too
    bwoffice::PassOptions pass;
};

struct FileResult {
    BatchFile file;
    int status = 0;             // as the exit status of a run over this file alone
    std::string message;        // why it was not converted, or notes
    bwoffice::ConversionSummary summary;
    double seconds = 0;
};

// Converts every file of the plan; returns one result per file, in the plan's order. Progress
// goes to stderr: a bar on a terminal, a line per file otherwise.
std::vector<FileResult> RunBatch(const BatchPlan& plan, const BatchOptions& options, bwoffice::PassServer& server);

// Converts one file, with what it may throw turned into its result; nothing is left behind for a
// file that is not converted (not even the folders made for its outputs). With `pending`, the
// report is left to be written (FinishReports) and put there.
FileResult ConvertOne(const BatchFile& file, const BatchOptions& options, bwoffice::PassServer& server,
                      bwoffice::PendingReport* pending = nullptr);

// 0 when every file converted, else the status of an incomplete batch.
int BatchStatus(const std::vector<FileResult>& results);

}  // namespace bwbatch
