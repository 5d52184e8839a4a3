// Many Office files through the pass: N at a time, one bad file reported and the others going on.
#pragma once

#include "tools/bwbatch/Inputs.h"
#include "tools/bwbatch/Record.h"
#include "tools/bwbatch/Results.h"
#include "tools/bwoffice/Conversion.h"

#include <functional>
#include <string>
#include <vector>

namespace bwbatch {

struct BatchOptions {
    size_t jobs = 1;            // files converted at once
    bool render = true;         // LibreOffice's pictures in the reports
    bool quiet = false;         // no progress, only the failures
    size_t renderers = 1;       // LibreOffice runs at a time
    bool registered = false;
    bwoffice::PassOptions pass;
    // Told of each file once it is done (converted with its report, refused, failed or up to
    // date), one call at a time, in the order they finish.
    std::function<void(const FileResult&)> finished;
    // -u: the records of an earlier index at the plan's index path, for the files left up to date.
    std::vector<EarlierRecord> earlier;
};

// Converts every file of the plan (a file marked up to date is left as it is); returns one
// result per file, in the plan's order, and keeps the ledger up to date as it goes. Progress
// and a line per file go to stderr: the line above a bar on a terminal, plain lines otherwise.
std::vector<FileResult> RunBatch(const BatchPlan& plan, const BatchOptions& options, bwoffice::PassServer& server,
                                 Ledger& ledger);

// Runs convert, turning what it throws into r's status and message (r.file names the input) as a
// run over the file alone ends: bad input 1, the pass 3, an output 4; r is then kNotConverted.
void Converting(FileResult& r, const std::function<void()>& convert);

// Converts one file, with what it may throw turned into its result; nothing is left behind for a
// file that is not converted (not even the folders made for its outputs). With `pending`, the
// report is left to be written (FinishReports) and put there; `written` is told the moment the
// converted file is in place (ConversionOptions::written).
FileResult ConvertOne(const BatchFile& file, const BatchOptions& options, bwoffice::PassServer& server,
                      bwoffice::PendingReport* pending = nullptr,
                      std::function<void(const bwoffice::ConversionSummary&)> written = {});

}  // namespace bwbatch
