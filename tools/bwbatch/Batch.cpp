#include "tools/bwbatch/Batch.h"

#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Progress.h"
#include "tools/bwbatch/Record.h"
#include "tools/cleanup/Cleanup.h"

#include "tools/deck/ExitStatus.h"
#include "tools/package/Package.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace bwbatch {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

void Converting(FileResult& r, const std::function<void()>& convert) {
    try {
        convert();
        return;
    } catch (const office::OfficeFileError& e) {
        r.status = bwpass::kExitBadInput;
        r.message = e.what();
    } catch (const bwoffice::PassError& e) {
        r.status = bwpass::kExitNoPass;
        r.message = r.file.input + ": " + e.what() + "; nothing written";
    } catch (const std::exception& e) {
        r.status = bwpass::kExitCannotWrite;
        r.message = e.what();
    }
    r.outcome = Outcome::kNotConverted;
}

FileResult ConvertOne(const BatchFile& file, const BatchOptions& options, bwoffice::PassServer& server,
                      bwoffice::PendingReport* pending, std::function<void(const bwoffice::ConversionSummary&)> written) {
    FileResult r;
    r.file = file;
    if (!file.refused.empty()) {
        r.outcome = Outcome::kNotConverted;
        r.status = bwpass::kExitBadInput;
        r.message = file.refused;
        return r;
    }
    if (file.upToDate) {
        r.outcome = Outcome::kUpToDate;
        r.countsKnown = false;  // unless an earlier index has them
        r.summary.pdfWritten = !file.pdf.empty();
        return r;
    }
    const auto start = Clock::now();
    bwoffice::ConversionOptions o;
    o.input = file.input;
    o.output = file.output;
    o.report = file.report;
    o.pdf = file.pdf;
    o.pass = options.pass;
    o.server = &server;
    o.registered = options.registered;
    o.render = options.render;
    o.progress = false;
    o.written = std::move(written);
    MadeFolders folders({file.output, file.report, o.pdf});
    if (!folders.Problem().empty()) {
        r.outcome = Outcome::kNotConverted;
        r.status = bwpass::kExitCannotWrite;
        r.message = folders.Problem();
        folders.RemoveEmpty();
        return r;
    }
    Converting(r, [&] {
        if (pending) {
            *pending = bwoffice::ConvertWithoutReport(o);
            r.summary = pending->summary;
        } else {
            r.summary = bwoffice::ConvertFile(o);
        }
    });
    if (r.status != 0) folders.RemoveEmpty();
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

namespace {

// Files are converted in groups: the files of a group N at a time up to their reports, then the
// pictures of the whole group drawn together and the reports written. A group bounds what waits
// in work folders.
constexpr size_t kFilesPerGroup = 40;

// Where each file stands, told to the ledger, the progress and the caller as it changes.
class Tally {
public:
    Tally(Ledger& ledger, Progress& progress, const BatchOptions& options)
        : ledger_(ledger), progress_(progress), options_(options) {}

    // The converted file is in place; what else it gets (PDF, report) is still to come.
    void Written(size_t i, const BatchFile& file, const bwoffice::ConversionSummary& summary) {
        FileResult r;
        r.file = file;
        r.outcome = Outcome::kReportMissing;
        r.summary = summary;
        ledger_.Record(i, r);
    }
    void Done(size_t i, const FileResult& r) {
        if (ledger_.Record(i, r, [&] { if (options_.finished) options_.finished(r); })) progress_.Finished(r);
    }

private:
    Ledger& ledger_;
    Progress& progress_;
    const BatchOptions& options_;
};

}  // namespace

std::vector<FileResult> RunBatch(const BatchPlan& plan, const BatchOptions& options, bwoffice::PassServer& server,
                                 Ledger& ledger) {
    std::vector<FileResult> results(plan.files.size());
    std::vector<std::unique_ptr<cleanup::RemovedOnSignal>> partials;
    for (const BatchFile& f : plan.files)
        for (const std::string& out : {f.output, f.report, f.pdf})
            if (!out.empty() && !f.upToDate)
                partials.push_back(std::make_unique<cleanup::RemovedOnSignal>(out, cleanup::RemovedOnSignal::What::kPartials));
    Progress progress(plan.files.size(), options.quiet, options.render);
    if (!options.quiet)
        for (const std::string& l : plan.leftOut) progress.Say("left out: " + l);
    Tally tally(ledger, progress, options);
    // What is known before anything is converted (refused, or up to date) is told at once.
    std::vector<bool> known(plan.files.size());
    for (size_t i = 0; i < plan.files.size(); ++i) {
        if (plan.files[i].refused.empty() && !plan.files[i].upToDate) continue;
        known[i] = true;
        results[i] = ConvertOne(plan.files[i], options, server);
        if (results[i].outcome == Outcome::kUpToDate) TakeEarlierCounts(results[i], options.earlier, plan.index);
        progress.Converted(results[i], 0);
        tally.Done(i, results[i]);
    }
    for (size_t first = 0; first < plan.files.size(); first += kFilesPerGroup) {
        const size_t end = std::min(plan.files.size(), first + kFilesPerGroup);
        std::vector<bwoffice::PendingReport> pending(end - first);
        std::atomic<size_t> next{first};
        auto work = [&] {
            for (size_t i; (i = next++) < end;) {
                if (known[i]) continue;
                bwoffice::PendingReport& p = pending[i - first];
                results[i] = ConvertOne(plan.files[i], options, server, &p, [&, i](const bwoffice::ConversionSummary& s) {
                    tally.Written(i, plan.files[i], s);
                });
                const bool reportToCome = results[i].outcome == Outcome::kConverted && p.work && !p.options.report.empty();
                progress.Converted(results[i], reportToCome && p.options.render ? p.charts.size() : 0);
                if (!reportToCome) tally.Done(i, results[i]);
            }
        };
        std::vector<std::thread> workers;
        for (size_t w = 1; w < std::min(std::max<size_t>(1, options.jobs), end - first); ++w) workers.emplace_back(work);
        work();
        for (std::thread& t : workers) t.join();

        std::vector<bwoffice::PendingReport> reports;
        std::vector<size_t> of;
        for (size_t i = first; i < end; ++i)
            if (results[i].outcome == Outcome::kConverted && pending[i - first].work && !pending[i - first].options.report.empty()) {
                reports.push_back(std::move(pending[i - first]));
                of.push_back(i);
            }
        size_t charts = 0;
        for (const bwoffice::PendingReport& p : reports) charts += p.options.render ? p.charts.size() : 0;
        progress.Drawing(charts, reports.size());
        bwoffice::ReportProgress steps;
        steps.drew = [&](size_t n) { progress.Drew(n); };
        steps.drawn = [&] { progress.Drawn(); };
        // The summary is final once the report is written: the printed pictures' check may have
        // found more look-alikes.
        steps.written = [&](size_t k, const std::string& error) {
            FileResult& r = results[of[k]];
            r.summary = reports[k].summary;
            if (!error.empty()) {
                r.status = bwpass::kExitCannotWrite;
                r.message = error;
            }
            progress.ReportWritten();
            tally.Done(of[k], r);
        };
        bwoffice::FinishReports(reports, options.renderers, steps);
    }
    progress.Finish();
    return results;
}

}  // namespace bwbatch
