#include "tools/bwbatch/Results.h"

#include "tools/bwoffice/ConsoleSummary.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/deck/ExitStatus.h"

namespace bwbatch {
namespace {

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string WithoutName(const FileResult& r, const std::string& text) {
    const std::string prefix = r.file.input + ": ";
    return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

std::string Reason(const FileResult& r) { return WithoutName(r, r.message); }

size_t Vanishing(const bwoffice::ConversionSummary& s) { return s.chartsWithVanishingText; }

std::string WarningOf(const FileResult& r) {
    const bwoffice::ConversionSummary& s = r.summary;
    const bool written = r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate;
    if (!written || !r.countsKnown || s.chartsConverted != 0) return {};
    std::string left;
    if (s.previewsLeftInColour) left = Count(s.previewsLeftInColour, "preview", "previews");
    if (!s.unmodelled.empty())
        left += (left.empty() ? "" : " and ") + Count(s.unmodelled.size(), "chart of a kind not modelled",
                                                      "charts of kinds not modelled");
    return left.empty() ? std::string() : "nothing converted: " + left + " left in colour";
}

std::string FlagsOf(const bwoffice::ConversionSummary& s) {
    std::string flags;
    auto add = [&](size_t n, const std::string& text) {
        if (n) flags += (flags.empty() ? "" : ", ") + text;
    };
    add(s.chartsWithLookAlikes, "look-alike series: " + Count(s.chartsWithLookAlikes, "chart", "charts"));
    add(Vanishing(s), "vanishing: " + Count(Vanishing(s), "chart", "charts"));
    add(s.previewsLeftInColour, "previews left in colour: " + std::to_string(s.previewsLeftInColour));
    add(s.unmodelled.size(), "not modelled: " + Count(s.unmodelled.size(), "chart", "charts"));
    add(s.hostCallFailed, "a host call failed");
    return flags;
}

std::string WrittenAs(const BatchFile& f) {
    return f.output.empty() ? std::string() : bwoffice::WrittenAsText(f.input, f.output, f.kind);
}

Totals TotalsOf(const std::vector<FileResult>& results) {
    Totals t;
    for (const FileResult& r : results) {
        ++t.files;
        switch (r.outcome) {
        case Outcome::kConverted: ++t.converted; break;
        case Outcome::kUpToDate: ++t.upToDate; break;
        case Outcome::kNotConverted: ++t.notConverted; break;
        case Outcome::kReportMissing: ++t.reportMissing; ++t.interrupted; break;
        case Outcome::kNotReached: ++t.interrupted; break;
        case Outcome::kPlanned: break;
        }
        const bool counted = r.countsKnown && (r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate ||
                                               r.outcome == Outcome::kReportMissing);
        if (!counted) continue;
        const bwoffice::ConversionSummary& s = r.summary;
        t.charts += s.charts;
        t.chartsConverted += s.chartsConverted;
        t.propertiesChanged += s.propertiesChanged;
        t.lookAlikes += s.chartsWithLookAlikes;
        t.vanishing += Vanishing(s);
        t.previewsLeftInColour += s.previewsLeftInColour;
        t.notModelled += s.unmodelled.size();
        t.warnings += !WarningOf(r).empty();
    }
    return t;
}

int BatchStatus(const std::vector<FileResult>& results) {
    for (const FileResult& r : results)
        if (r.status != 0) return bwpass::kExitBatchIncomplete;
    return bwpass::kExitOk;
}

Ledger::Ledger(const BatchPlan& plan) {
    for (const BatchFile& f : plan.files) {
        FileResult r;
        r.file = f;
        r.outcome = Outcome::kNotReached;
        r.countsKnown = false;
        results_.push_back(std::move(r));
    }
}

bool Ledger::Record(size_t index, const FileResult& result, const std::function<void()>& taken) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || index >= results_.size() || (result.status != 0 && cleanup::Ending())) return false;
    results_[index] = result;
    if (taken) taken();
    return true;
}

std::vector<FileResult> Ledger::Results() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return results_;
}

std::vector<FileResult> Ledger::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    return results_;
}

}  // namespace bwbatch
