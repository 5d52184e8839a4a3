// A batch: several files, or the Office files of folders, N at a time, with a line per file, the
// index page and the batch's summary. A batch that a signal ends still writes the index of what
// it finished and says in one line what was written and what was not.
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Console.h"
#include "tools/bwbatch/Index.h"
#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Progress.h"
#include "tools/bwoffice/ConsoleSummary.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/cli/Runs.h"
#include "tools/deck/ExitStatus.h"

#include <unistd.h>

#include <cstdio>

namespace cli {
namespace {

using bwbatch::FileResult;
using bwbatch::Outcome;

// What -o of a batch may be, checked before anything is read: the status to end with, or 0.
int OutputFolderProblem(const Args& args) {
    if (args.output.empty()) return 0;
    if (const std::string problem = bwbatch::BatchOutputProblem(args.output); !problem.empty()) {
        std::fprintf(stderr, "bwpass: %s; nothing written\n", problem.c_str());
        return bwpass::kExitUsage;
    }
    // Every output goes below it: one that cannot be written ends the run before any conversion.
    if (const std::string problem = bwbatch::WritableProblem(args.output + "/bwpass-index.html"); !problem.empty()) {
        std::fprintf(stderr, "bwpass: %s; nothing converted\n", problem.c_str());
        return bwpass::kExitCannotWrite;
    }
    return 0;
}

// --dry-run: the plan, file by file, and where the index would go; nothing is converted.
int DryRun(const Args& args, const bwbatch::BatchPlan& plan) {
    std::vector<FileResult> results;
    for (const bwbatch::BatchFile& f : plan.files) {
        FileResult r;
        r.file = f;
        r.countsKnown = false;
        r.outcome = !f.refused.empty() ? Outcome::kNotConverted : f.upToDate ? Outcome::kUpToDate : Outcome::kPlanned;
        if (!f.refused.empty()) r.status = bwpass::kExitBadInput, r.message = f.refused;
        results.push_back(std::move(r));
    }
    for (const FileResult& r : results) {
        if (args.json) PrintRecord(r);
        else if (!args.quiet) PrintPlanned(r);
        else if (bwbatch::IsError(r)) std::fprintf(stderr, "bwpass: %s\n", bwbatch::PlannedLine(r).c_str());
    }
    if (!args.quiet && !args.json) {
        for (const std::string& l : plan.leftOut) std::printf("left out: %s\n", l.c_str());
        std::printf("index: %s\n", plan.index.c_str());
    }
    return bwbatch::BatchStatus(results);
}

// Run by a signal's clean-up once the run's processes are ended (its other threads may still be
// finishing, but the ledger takes nothing more): the index of what was finished, marked
// interrupted, the records of the files not finished, and the one line.
void OnInterrupt(const Args& args, const bwbatch::BatchPlan& plan, bwbatch::Ledger& ledger) {
    const std::vector<FileResult> results = ledger.Close();
    const bwbatch::Totals t = bwbatch::TotalsOf(results);
    std::string index, error;
    // Nothing finished (not even a file refused): no page to look at.
    const size_t notReached = t.interrupted - t.reportMissing;
    if (notReached < t.files && bwbatch::WriteIndex({results, plan.leftOut, args.pdf, true}, plan.index, error))
        index = plan.index;
    if (args.json)
        for (const FileResult& r : results)
            if (r.outcome == Outcome::kNotReached || r.outcome == Outcome::kReportMissing) PrintRecord(r);
    if (bwbatch::TerminalTakesControls()) std::fputs("\r\033[K", stderr);  // the progress line
    if (!error.empty()) std::fprintf(stderr, "bwpass: %s\n", error.c_str());
    std::fprintf(stderr, "bwpass: %s\n", bwbatch::InterruptedLine(t, index).c_str());
}

bwbatch::BatchOptions BatchOptionsOf(const Args& args) {
    bwbatch::BatchOptions options;
    options.jobs = args.jobs ? args.jobs : Cores();
    options.render = !args.noRender;
    options.quiet = args.quiet;
    options.registered = args.registered;
    options.renderers = std::min(options.jobs, Cores());
    if (args.json) options.finished = [](const FileResult& r) { PrintRecord(r); };
    return options;
}

bwoffice::Timings TimingsOf(const std::vector<FileResult>& results) {
    bwoffice::Timings sum;
    for (const FileResult& r : results) {
        sum.read += r.summary.timings.read, sum.pass += r.summary.timings.pass;
        sum.write += r.summary.timings.write, sum.render += r.summary.timings.render;
    }
    return sum;
}

}  // namespace

int ConvertBatch(const Args& args) {
    if (const int status = OutputFolderProblem(args)) return status;
    bwbatch::BatchPlan plan = bwbatch::PlanBatch(args.inputs, args.output, !args.noReport, args.pdf);
    if (args.update) bwbatch::MarkUpToDate(plan);
    if (plan.files.empty()) {
        std::fprintf(stderr, "bwpass: no presentations or workbooks found\n");
        return bwpass::kExitBadInput;
    }
    if (args.dryRun) return DryRun(args, plan);
    bwbatch::BatchOptions options = BatchOptionsOf(args);
    if (args.update) options.earlier = bwbatch::EarlierRecords(plan.index);
    bwoffice::TempFolder work;
    const std::unique_ptr<render::Session> session = RenderSession(args, work, options.renderers);
    bwoffice::PassServer server(PassOptionsOf(args).extraArguments, args.passLimit);
    const cleanup::RemovedOnSignal indexPartials(plan.index, cleanup::RemovedOnSignal::What::kPartials);
    bwbatch::Ledger ledger(plan);
    const long hook = cleanup::AtSignal([&] { OnInterrupt(args, plan, ledger); });
    const std::vector<FileResult> results = bwbatch::RunBatch(plan, options, server, ledger);

    std::string error;
    bool indexed = false;
    {
        const cleanup::WritingOutput writing;
        // The clean-up has begun and the hook writes the index: the program ends by the signal
        // from there, so nothing it uses may go away meanwhile.
        if (!writing.Allowed()) for (;;) pause();
        indexed = bwbatch::WriteIndex({results, plan.leftOut, args.pdf, false}, plan.index, error);
    }
    cleanup::ForgetHook(hook);
    if (!indexed) std::fprintf(stderr, "bwpass: %s\n", error.c_str());
    if (!args.quiet || args.timings) {
        // With --json, stdout holds the records alone.
        std::FILE* out = args.json ? stderr : stdout;
        std::fputs(bwbatch::BatchSummaryText(bwbatch::TotalsOf(results), indexed ? plan.index : "").c_str(), out);
        if (args.timings) std::fputs(bwoffice::TimingsText(TimingsOf(results)).c_str(), out);
    }
    const int status = bwbatch::BatchStatus(results);
    return status == bwpass::kExitOk && !indexed ? bwpass::kExitCannotWrite : status;
}

}  // namespace cli
