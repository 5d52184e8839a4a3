// The runs of the command line over Office files: one file, or a batch of them.
#pragma once

#include "tools/bwbatch/Results.h"
#include "tools/bwoffice/Pass.h"
#include "tools/cli/Arguments.h"
#include "tools/render/Session.h"

#include <memory>

namespace cli {

// One presentation or workbook: its summary, or with --json its record, on stdout.
int ConvertSingle(const Args& args);

// Several files, or folders: a line per file, the index page and the batch's summary.
int ConvertBatch(const Args& args);

// LibreOffice started now, beside the pass's start of Wine, when pictures will be drawn: one
// instance for each file drawn at once, as far as there are cores for them.
std::unique_ptr<render::Session> RenderSession(const Args& args, const bwoffice::TempFolder& work, size_t atOnce);

// --json: the file's record as a line of stdout, paths as the command line gave them.
void PrintRecord(const bwbatch::FileResult& r);

// --dry-run: what becomes of the file, as a line of stdout: "IN -> OUT, REPORT", "IN: up to date
// ...", "IN: not converted: why".
void PrintPlanned(const bwbatch::FileResult& r);

}  // namespace cli
