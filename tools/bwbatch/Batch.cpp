#include "tools/bwbatch/Batch.h"

#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Progress.h"
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

FileResult ConvertOne(const BatchFile& file, const BatchOptions& options, bwoffice::PassServer& server,
                      bwoffice::PendingReport* pending) {
    FileResult r;
    r.file = file;
    if (!file.refused.empty()) {
        r.status = bwpass::kExitBadInput;
        r.message = file.refused;
        return r;
    }
    const auto start = Clock::now();
    bwoffice::ConversionOptions o;
    o.input = file.input;
    o.output = file.output;
    o.report = file.report;
    if (options.pdf) o.pdf = PdfBeside(o.output);
    o.pass = options.pass;
    o.server = &server;
    o.registered = options.registered;
    o.render = options.render;
    o.progress = false;
    MadeFolders folders({file.output, file.report, o.pdf});
    if (!folders.Problem().empty()) {
        r.status = bwpass::kExitCannotWrite;
        r.message = folders.Problem();
        folders.RemoveEmpty();
        return r;
    }
    try {
        if (pending) {
            *pending = bwoffice::ConvertWithoutReport(o);
            r.summary = pending->summary;
        } else {
            r.summary = bwoffice::ConvertFile(o);
        }
    } catch (const office::OfficeFileError& e) {
        r.status = bwpass::kExitBadInput;
        r.message = e.what();
    } catch (const bwoffice::PassError& e) {
        r.status = bwpass::kExitNoPass;
        r.message = file.input + ": " + e.what() + "; nothing written";
    } catch (const std::exception& e) {
        r.status = bwpass::kExitCannotWrite;
        r.message = e.what();
    }
    if (r.status != 0) folders.RemoveEmpty();
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

// Files are converted in groups: the files of a group N at a time up to their reports, then the
// pictures of the whole group drawn together and the reports written. A group bounds what waits
// in work folders.
constexpr size_t kFilesPerGroup = 40;

std::vector<FileResult> RunBatch(const BatchPlan& plan, const BatchOptions& options, bwoffice::PassServer& server) {
    for (const std::string& l : plan.leftOut) std::fprintf(stderr, "bwpass: left out: %s\n", l.c_str());
    std::vector<FileResult> results(plan.files.size());
    std::vector<std::unique_ptr<cleanup::RemovedOnSignal>> partials;
    for (const BatchFile& f : plan.files)
        for (const std::string& out : {f.output, f.report, options.pdf ? PdfBeside(f.output) : std::string()})
            if (!out.empty()) partials.push_back(std::make_unique<cleanup::RemovedOnSignal>(out, cleanup::RemovedOnSignal::What::kPartials));
    Progress progress(plan.files.size(), options.quiet, options.render);
    for (size_t first = 0; first < plan.files.size(); first += kFilesPerGroup) {
        const size_t end = std::min(plan.files.size(), first + kFilesPerGroup);
        std::vector<bwoffice::PendingReport> pending(end - first);
        std::atomic<size_t> next{first};
        auto work = [&] {
            for (size_t i; (i = next++) < end;) {
                bwoffice::PendingReport& p = pending[i - first];
                results[i] = ConvertOne(plan.files[i], options, server, &p);
                progress.Converted(results[i], results[i].status == 0 && p.options.render && !p.options.report.empty()
                                                   ? p.charts.size() : 0);
            }
        };
        std::vector<std::thread> workers;
        for (size_t w = 1; w < std::min(std::max<size_t>(1, options.jobs), end - first); ++w) workers.emplace_back(work);
        work();
        for (std::thread& t : workers) t.join();

        std::vector<bwoffice::PendingReport> reports;
        std::vector<size_t> of;
        for (size_t i = first; i < end; ++i)
            if (results[i].status == 0 && pending[i - first].work) {
                reports.push_back(std::move(pending[i - first]));
                of.push_back(i);
            }
        size_t charts = 0;
        for (const bwoffice::PendingReport& p : reports) charts += p.options.render ? p.charts.size() : 0;
        progress.Drawing(charts, reports.size());
        bwoffice::ReportProgress steps;
        steps.drew = [&](size_t n) { progress.Drew(n); };
        steps.drawn = [&] { progress.Drawn(); };
        steps.written = [&] { progress.ReportWritten(); };
        const std::vector<std::string> errors = bwoffice::FinishReports(reports, options.renderers, steps);
        for (size_t k = 0; k < reports.size(); ++k) {
            FileResult& r = results[of[k]];
            r.summary.timings = reports[k].summary.timings;
            if (errors[k].empty()) continue;
            r.status = bwpass::kExitCannotWrite;
            r.message = errors[k];
            progress.Say(r.file.shown + ": " + r.message);
        }
    }
    progress.Finish();
    return results;
}

int BatchStatus(const std::vector<FileResult>& results) {
    for (const FileResult& r : results)
        if (r.status != 0) return bwpass::kExitBatchIncomplete;
    return bwpass::kExitOk;
}

}  // namespace bwbatch
