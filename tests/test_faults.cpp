// Every automation call of every chart conversion and of a whole host pass over the sample deck
// fails in turn, once for each way Excel can let a caller down (an error with a description,
// Nothing instead of an object, a value of an unexpected type), and then a fixed random sample of
// two faults at once. For each run: the member's result is what its error rule says, no
// reference is left behind or released twice in Excel or in the host, and the later steps that do
// not depend on the failed call are still made. Everything runs in this one process, so the
// thousands of runs take seconds.
#include <gtest/gtest.h>

#include "sim/LogCapture.h"
#include "tests/proof/Runs.h"

#include <cstdio>
#include <random>

using namespace proof;

namespace {

constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);  // the injected error's scode

// Problems of many runs, reported as their count and the first few.
class Findings {
public:
    void Add(const std::string& run, const Problems& problems) {
        if (problems.empty()) return;
        ++failedRuns_;
        for (const std::string& p : problems)
            if (shown_.size() < 40) shown_.push_back(run + ": " + p);
    }
    void Expect(long runs, const std::string& what) const {
        std::printf("[ figures  ] %s: %ld runs, %ld with a problem\n", what.c_str(), runs, failedRuns_);
        std::string text;
        for (const std::string& s : shown_) text += s + "\n";
        EXPECT_EQ(failedRuns_, 0) << text;
    }

private:
    long failedRuns_ = 0;
    std::vector<std::string> shown_;
};

using CallLog = std::vector<sim::CallRecord>;

bool SameLog(const CallLog& a, const CallLog& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameCall(a[i], b[i])) return false;
    return true;
}

// The calls before the faulted one are those of the unfaulted run, and the fault met the call
// it was aimed at.
void CheckAimed(const CallLog& baseline, const CallLog& faulted, long k, Problems& problems) {
    if (static_cast<long>(faulted.size()) < k) {
        problems.push_back("the run made only " + std::to_string(faulted.size()) + " calls");
        return;
    }
    for (long i = 0; i < k; ++i)
        if (!SameCall(baseline[i], faulted[i])) {
            problems.push_back("call " + std::to_string(i + 1) + " differs before the fault: " + Describe(faulted[i]));
            return;
        }
}

void CheckLaterSteps(const CallLog& baseline, const CallLog& faulted, long k, Problems& problems) {
    for (const std::string& w : MissingLaterWrites(baseline, faulted, k))
        problems.push_back("later write not made: " + w);
}

// ---- the host pass ---------------------------------------------------------------------------

struct PassBaseline {
    std::vector<CallLog> calls;             // per deck object; empty without a workbook
    std::vector<sim::ObjectAnswer> answers;
    // Every call of the pass as (object, call number on that object's Excel).
    std::vector<std::pair<size_t, long>> positions;
};

PassBaseline RecordPass() {
    PassBaseline b;
    LiveDeck deck;
    sim::Host host;
    PassRun run = RunHostPass(deck, host);
    b.answers = run.pass.objects;
    for (size_t i = 0; i < deck.size(); ++i) {
        b.calls.push_back(deck.excel(i) ? deck.excel(i)->calls() : CallLog{});
        for (long k = 1; k <= static_cast<long>(b.calls.back().size()); ++k) b.positions.push_back({i, k});
    }
    return b;
}

struct Injected {
    size_t object;
    long call;
    sim::FaultKind kind;
};

std::string Label(const PassBaseline& b, const std::vector<Injected>& faults) {
    std::string s;
    for (const Injected& f : faults)
        s += std::string(s.empty() ? "" : " + ") + KindName(f.kind) + " at object " + std::to_string(f.object + 1) +
             " " + Describe(b.calls[f.object][f.call - 1]);
    return s;
}

// The answers of the host's calls under the members' error rules: start-up and the conversion
// always succeed, HandleObject makes no Excel call, and the transaction fails with the error of a
// Close that failed (error faults only; a Close that answers oddly still closed).
void CheckAnswers(const PassBaseline& b, const PassRun& run, const std::vector<Injected>& faults,
                  bool exactTransaction, Problems& problems) {
    if (run.start.parentHr != S_OK || run.start.initializeHr != S_OK || run.start.initialized != VARIANT_TRUE)
        problems.push_back("start-up failed");
    if (run.pass.queryHr != S_OK || run.pass.objects.size() != b.answers.size()) {
        problems.push_back("the pass did not run");
        return;
    }
    for (size_t i = 0; i < b.answers.size(); ++i) {
        const sim::ObjectAnswer& got = run.pass.objects[i];
        const std::string object = "object " + std::to_string(i + 1) + ": ";
        if (got.handleHr != S_OK || got.handled != b.answers[i].handled) problems.push_back(object + "HandleObject changed");
        if (got.converted != b.answers[i].converted) problems.push_back(object + "conversion call changed");
        if (got.convertHr != S_OK) problems.push_back(object + "ChangeToBWNoConfig returned " + HexOf(got.convertHr));
        if (got.byRefWritten) problems.push_back(object + "a by-reference argument was written");
        HRESULT expected = S_OK;
        for (const Injected& f : faults)
            if (f.object == i && f.kind == sim::FaultKind::Error && b.calls[i][f.call - 1].member == L"Close")
                expected = kExcelError;
        const bool allowed = exactTransaction ? got.transactionHr == expected
                                              : got.transactionHr == S_OK || got.transactionHr == kExcelError;
        if (!allowed) problems.push_back(object + "TransactionOnObjectComplete returned " + HexOf(got.transactionHr));
        const VARIANT_BOOL closed = got.transactionHr == S_OK ? b.answers[i].transactionResult : VARIANT_FALSE;
        if (exactTransaction && got.transactionResult != closed)
            problems.push_back(object + "TransactionOnObjectComplete answered " + std::to_string(got.transactionResult));
    }
    if (run.pass.allCompleteHr != S_OK || run.pass.allComplete != VARIANT_TRUE)
        problems.push_back("ProcessingOfAllObjectsComplete failed");
    if (run.pass.terminateHr != S_OK) problems.push_back("Terminate failed");
}

Problems RunFaultedPass(const PassBaseline& b, const std::vector<Injected>& faults) {
    LiveDeck deck;
    sim::Host host;
    for (const Injected& f : faults) {
        sim::FaultRule rule;
        rule.callIndex = f.call;
        rule.fault = MakeFault(f.kind);
        rule.times = 1;
        deck.excel(f.object)->addFault(rule);
    }
    const PassRun run = RunHostPass(deck, host);
    Problems problems;
    const bool single = faults.size() == 1;
    CheckAnswers(b, run, faults, single, problems);
    CheckBalanced(deck, host, problems);
    for (size_t i = 0; i < deck.size(); ++i) {
        if (!deck.excel(i)) continue;
        const CallLog& got = deck.excel(i)->calls();
        bool faulted = false;
        for (const Injected& f : faults) faulted = faulted || f.object == i;
        if (!faulted) {
            // The other objects are converted and closed exactly as without the fault.
            if (!SameLog(got, b.calls[i])) problems.push_back("object " + std::to_string(i + 1) + " handled differently");
        } else if (single) {
            CheckAimed(b.calls[i], got, faults[0].call, problems);
            CheckLaterSteps(b.calls[i], got, faults[0].call, problems);
        }
    }
    return problems;
}

}  // namespace

TEST(SingleFault, EveryCallOfEveryChartConversion) {
    Findings findings;
    long runs = 0, charts = 0, calls = 0;
    sim::RunOnFreshThread([&] {
        for (const NamedChart& chart : SampleCharts()) {
            LiveChart clean(chart.chart);
            ASSERT_EQ(ConvertChart(clean), S_OK);
            const CallLog baseline = clean.excel().calls();
            ++charts;
            calls += static_cast<long>(baseline.size());
            for (sim::FaultKind kind : kFaultKinds) {
                for (long k = 1; k <= static_cast<long>(baseline.size()); ++k) {
                    LiveChart live(chart.chart);
                    sim::FaultRule rule;
                    rule.callIndex = k;
                    rule.fault = MakeFault(kind);
                    rule.times = 1;
                    live.excel().addFault(rule);
                    Problems problems;
                    const HRESULT hr = ConvertChart(live);
                    if (hr != S_OK) problems.push_back("OLEObjectHandler_BWPrintNoConfig returned " + HexOf(hr));
                    CheckBalanced(live.excel(), "chart", problems);
                    CheckAimed(baseline, live.excel().calls(), k, problems);
                    CheckLaterSteps(baseline, live.excel().calls(), k, problems);
                    ++runs;
                    findings.Add(chart.label + ", " + KindName(kind) + " at " + Describe(baseline[k - 1]), problems);
                }
            }
        }
    });
    findings.Expect(runs, std::to_string(charts) + " charts, " + std::to_string(calls) + " calls, 3 kinds");
}

TEST(SingleFault, EveryCallOfAHostPass) {
    Findings findings;
    long runs = 0, calls = 0;
    sim::RunOnFreshThread([&] {
        const PassBaseline b = RecordPass();
        ASSERT_GT(b.positions.size(), 1000u);
        calls = static_cast<long>(b.positions.size());
        for (sim::FaultKind kind : kFaultKinds) {
            for (auto [object, call] : b.positions) {
                const std::vector<Injected> faults{{object, call, kind}};
                findings.Add(Label(b, faults), RunFaultedPass(b, faults));
                ++runs;
            }
        }
    });
    findings.Expect(runs, "a host pass of " + std::to_string(calls) + " calls, 3 kinds");
}

// Two faults at once, at random calls of the pass and of random kinds. After the first fault the
// calls no longer line up with the unfaulted run, so only the answers' error rules, the balance of
// references and the untouched objects are checked.
TEST(DoubleFault, RandomSampleOfAHostPass) {
    Findings findings;
    long runs = 0;
    sim::RunOnFreshThread([&] {
        const PassBaseline b = RecordPass();
        std::mt19937 random(20240611);
        std::uniform_int_distribution<size_t> position(0, b.positions.size() - 1);
        std::uniform_int_distribution<int> kind(0, 2);
        for (int n = 0; n < 400; ++n) {
            size_t p1 = position(random), p2 = position(random);
            if (p1 == p2) continue;
            std::vector<Injected> faults{{b.positions[p1].first, b.positions[p1].second, kFaultKinds[kind(random)]},
                                         {b.positions[p2].first, b.positions[p2].second, kFaultKinds[kind(random)]}};
            findings.Add(Label(b, faults), RunFaultedPass(b, faults));
            ++runs;
        }
    });
    findings.Expect(runs, "two faults in a host pass");
}
