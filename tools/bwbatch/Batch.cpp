#include "tools/bwbatch/Batch.h"

#include "tools/bwbatch/Outputs.h"
#include "tools/cleanup/Cleanup.h"

#include "tools/deck/ExitStatus.h"
#include "tools/office/Package.h"

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

// A bar that rewrites its line on a terminal; a line per file otherwise.
class Progress {
public:
    Progress(size_t total, bool quiet) : total_(total), quiet_(quiet), terminal_(isatty(2) == 1), start_(Clock::now()) {}

    void Done(const FileResult& r) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
        charts_ += r.summary.chartsRewritten;
        if (terminal_ && shown_) std::fputs("\r\033[K", stderr);
        if (r.status != 0 || (!quiet_ && !terminal_)) Line(r);
        if (terminal_ && !quiet_ && done_ < total_) Bar();
        std::fflush(stderr);
    }

    // The pictures of a group are drawn after its files: say so, the bar would stand still.
    void Drawing(size_t charts, size_t files) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (quiet_ || charts == 0) return;
        if (terminal_) {
            if (shown_) std::fputs("\r\033[K", stderr);
            Bar(" (drawing " + std::to_string(charts) + " charts with LibreOffice)");
        } else {
            std::fprintf(stderr, "bwpass: drawing %zu charts of %zu files with LibreOffice\n", charts, files);
        }
        std::fflush(stderr);
    }

    void Drawn() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (terminal_ && shown_) std::fputs("\r\033[K", stderr), shown_ = false;
        if (terminal_ && !quiet_ && done_ < total_) Bar();
        std::fflush(stderr);
    }

private:
    void Line(const FileResult& r) {
        if (r.status != 0) std::fprintf(stderr, "bwpass: %s: not converted: %s\n", r.file.shown.c_str(), r.message.c_str());
        else std::fprintf(stderr, "bwpass: %zu/%zu %s: %zu of %zu charts converted\n", done_, total_,
                          r.file.shown.c_str(), r.summary.chartsRewritten, r.summary.charts);
        shown_ = false;
    }
    void Bar(const std::string& doing = {}) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const double left = elapsed / static_cast<double>(done_) * static_cast<double>(total_ - done_);
        constexpr size_t kWidth = 30;
        const size_t filled = kWidth * done_ / total_;
        std::fprintf(stderr, "[%s%s] %zu/%zu files, %zu charts converted", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), done_, total_, charts_);
        if (doing.empty()) std::fprintf(stderr, ", about %.0f s left", left);
        else std::fputs(doing.c_str(), stderr);
        shown_ = true;
    }

    std::mutex mutex_;
    const size_t total_;
    const bool quiet_, terminal_;
    const Clock::time_point start_;
    size_t done_ = 0, charts_ = 0;
    bool shown_ = false;
};

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
    std::vector<FileResult> results(plan.files.size());
    std::vector<std::unique_ptr<cleanup::PartialsRemovedOnSignal>> partials;
    for (const BatchFile& f : plan.files)
        for (const std::string& out : {f.output, f.report, options.pdf ? PdfBeside(f.output) : std::string()})
            if (!out.empty()) partials.push_back(std::make_unique<cleanup::PartialsRemovedOnSignal>(out));
    Progress progress(plan.files.size(), options.quiet);
    for (size_t first = 0; first < plan.files.size(); first += kFilesPerGroup) {
        const size_t end = std::min(plan.files.size(), first + kFilesPerGroup);
        std::vector<bwoffice::PendingReport> pending(end - first);
        std::atomic<size_t> next{first};
        auto work = [&] {
            for (size_t i; (i = next++) < end;) {
                results[i] = ConvertOne(plan.files[i], options, server, &pending[i - first]);
                progress.Done(results[i]);
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
        const std::vector<std::string> errors = bwoffice::FinishReports(reports, options.renderers);
        progress.Drawn();
        for (size_t k = 0; k < reports.size(); ++k) {
            FileResult& r = results[of[k]];
            r.summary.timings = reports[k].summary.timings;
            if (errors[k].empty()) continue;
            r.status = bwpass::kExitCannotWrite;
            r.message = errors[k];
            std::fprintf(stderr, "bwpass: %s: %s\n", r.file.shown.c_str(), r.message.c_str());
        }
    }
    return results;
}

int BatchStatus(const std::vector<FileResult>& results) {
    for (const FileResult& r : results)
        if (r.status != 0) return bwpass::kExitBatchIncomplete;
    return bwpass::kExitOk;
}

}  // namespace bwbatch
