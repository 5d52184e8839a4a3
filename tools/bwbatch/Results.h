// What became of each file of a batch, and the counts over them: one set of numbers for the
// console's lines, the index page and the JSON records, so that none of them disagrees.
#pragma once

#include "tools/bwbatch/Inputs.h"
#include "tools/bwoffice/Conversion.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace bwbatch {

enum class Outcome {
    kConverted,      // written, with its report when one was asked for
    kNotConverted,   // refused or failed: status says how, message why; nothing written for it
    kUpToDate,       // -u: its outputs are not older than it, and were left as they are
    kReportMissing,  // the run was interrupted after its converted file was written, before its report
    kNotReached,     // the run was interrupted before it was converted
    kPlanned,        // --dry-run: would be converted
};

struct FileResult {
    BatchFile file;
    Outcome outcome = Outcome::kConverted;
    int status = 0;             // as the exit status of a run over this file alone
    std::string message;        // why it was not converted
    bwoffice::ConversionSummary summary;
    bool countsKnown = true;    // false for a file left up to date whose earlier counts are not known
    double seconds = 0;
};

// Why the file was not converted, without its own name before it (the line, the row or the
// record names the file already): "not an Office file ...", "ppt/embeddings/Book1.xlsx: ...".
std::string Reason(const FileResult& r);
// Any such text of the file's (a note) without its name before it.
std::string WithoutName(const FileResult& r, const std::string& text);

// A converted file's one count of charts with vanishing text or elements.
size_t Vanishing(const bwoffice::ConversionSummary& s);

// Empty, or the warning of a file that was written but had nothing converted while something
// of it was left in colour (previews, charts of kinds not modelled): it prints as it was.
std::string WarningOf(const FileResult& r);

// What a file's summary would flag: "look-alike series: 2 charts, vanishing: 1 chart, ...";
// empty when nothing.
std::string FlagsOf(const bwoffice::ConversionSummary& s);

// Why the converted file's extension is not the input's ("the package is a slide show: written
// as .bw.ppsx"); empty when it is the same.
std::string WrittenAs(const BatchFile& f);

// The counts of a batch, over the files whose counts are known (those converted now, and those
// left up to date with the counts of the run that converted them).
struct Totals {
    size_t files = 0, converted = 0, upToDate = 0, notConverted = 0, interrupted = 0, reportMissing = 0;
    size_t charts = 0, chartsConverted = 0, propertiesChanged = 0;
    size_t lookAlikes = 0, vanishing = 0, previewsLeftInColour = 0, notModelled = 0;
    size_t warnings = 0;  // files with a warning (WarningOf)
};
Totals TotalsOf(const std::vector<FileResult>& results);

// 0 when every file converted (or was up to date), else the status of an incomplete batch.
int BatchStatus(const std::vector<FileResult>& results);

// What has become of each file so far, recorded by the threads of a batch as they go, so that a
// batch that a signal ends can still say what it wrote (a signal's clean-up reads it).
class Ledger {
public:
    explicit Ledger(const BatchPlan& plan);
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;
    // A file's result, final or kReportMissing; true when taken, and then `taken` has run, under
    // the ledger's lock (so that what it prints is printed before Close returns). Once a signal's
    // clean-up has begun a failure is not taken (the processes it killed caused it: the file
    // counts as not reached), and after Close nothing is.
    bool Record(size_t index, const FileResult& result, const std::function<void()>& taken = {});
    // In the plan's order; a file nothing was recorded for is kNotReached.
    std::vector<FileResult> Results() const;
    // The results, with nothing recorded from now on: what an interrupted batch reports.
    std::vector<FileResult> Close();

private:
    mutable std::mutex mutex_;
    std::vector<FileResult> results_;
    bool closed_ = false;
};

}  // namespace bwbatch
