#include "tests/proof/Fuzz.h"

#include "tests/proof/Values.h"

#include <memory>

namespace proof {

namespace {

void CollectReads(const std::vector<sim::CallRecord>& calls, std::vector<long>& reads,
                  std::vector<std::wstring>& members) {
    for (const sim::CallRecord& c : calls) {
        if (c.kind == sim::CallKind::Put || c.resultText.empty()) continue;
        reads.push_back(c.index);
        members.push_back(c.member);
    }
}

// One to four reads answer a random value once; sometimes every call of one member does.
std::string AddFaults(sim::Excel& excel, ValuePool& pool, const std::vector<long>& reads,
                      const std::vector<std::wstring>& members, std::mt19937& random) {
    std::string text;
    const int count = std::uniform_int_distribution<int>(1, 4)(random);
    for (int i = 0; i < count; ++i) {
        const size_t r = std::uniform_int_distribution<size_t>(0, reads.size() - 1)(random);
        sim::FaultRule rule;
        rule.fault.kind = sim::FaultKind::WrongType;
        rule.fault.wrongValue = pool.Next();
        const bool everyCall = std::uniform_int_distribution<int>(0, 9)(random) < 2;
        if (everyCall) {
            rule.member = members[r];
        } else {
            rule.callIndex = reads[r];
            rule.times = 1;
        }
        text += "; " + (everyCall ? "every " + Narrow(members[r]) : "call " + std::to_string(reads[r])) + " -> " +
                pool.Describe(rule.fault.wrongValue);
        excel.addFault(rule);
    }
    return text;
}

}  // namespace

Fuzzer::Fuzzer(uint32_t seed) : seed_(seed), charts_(SampleCharts()) {
    for (size_t i = 0; i < charts_.size(); ++i) {
        LiveChart live(charts_[i].chart);
        ConvertChart(live);
        Target t{"chart " + charts_[i].label, false, i, {}, {}};
        CollectReads(live.excel().calls(), t.reads, t.members);
        if (!t.reads.empty()) targets_.push_back(std::move(t));
    }
    LiveDeck deck;
    sim::Host host;
    RunHostPass(deck, host);
    for (size_t i = 0; i < deck.size(); ++i) {
        if (!deck.excel(i)) continue;
        Target t{"host pass, faults in object " + std::to_string(i + 1) + " (" + Narrow(deck.entry(i).name) + ")",
                 true, i, {}, {}};
        CollectReads(deck.excel(i)->calls(), t.reads, t.members);
        if (!t.reads.empty()) targets_.push_back(std::move(t));
    }
}

FuzzResult Fuzzer::Run(long caseNumber) {
    std::mt19937 random(seed_ * 2654435761u + static_cast<uint32_t>(caseNumber) * 40503u + 1);
    // Whole passes cost ten chart conversions; run them for a third of the cases.
    const bool pass = std::uniform_int_distribution<int>(0, 2)(random) == 0;
    std::vector<const Target*> pool;
    for (const Target& t : targets_)
        if (t.wholePass == pass) pool.push_back(&t);
    const Target& target = *pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(random)];
    const uint32_t valueSeed = random();
    FuzzResult result = pass ? RunPass(target, random, valueSeed) : RunChart(target, random, valueSeed);
    result.description = "case " + std::to_string(caseNumber) + ": " + target.label + result.description;
    return result;
}

FuzzResult Fuzzer::RunChart(const Target& target, std::mt19937& random, uint32_t poolSeed) {
    FuzzResult result;
    LiveChart live(charts_[target.chartOrObject].chart);
    auto values = std::make_unique<ValuePool>(poolSeed, &live.excel());
    result.description = AddFaults(live.excel(), *values, target.reads, target.members, random);
    const HRESULT hr = ConvertChart(live);
    if (hr != S_OK) result.problems.push_back("OLEObjectHandler_BWPrintNoConfig returned " + HexOf(hr));
    for (const std::string& p : values->Unbalanced()) result.problems.push_back(p);
    values.reset();
    CheckBalanced(live.excel(), "chart", result.problems);
    return result;
}

FuzzResult Fuzzer::RunPass(const Target& target, std::mt19937& random, uint32_t poolSeed) {
    FuzzResult result;
    LiveDeck deck;
    sim::Excel& excel = *deck.excel(target.chartOrObject);
    auto values = std::make_unique<ValuePool>(poolSeed, &excel);
    result.description = AddFaults(excel, *values, target.reads, target.members, random);
    sim::Host host;
    const PassRun run = RunHostPass(deck, host);
    Problems& p = result.problems;
    if (run.start.initializeHr != S_OK || run.pass.queryHr != S_OK) p.push_back("the pass did not run");
    for (size_t i = 0; i < run.pass.objects.size(); ++i) {
        const sim::ObjectAnswer& a = run.pass.objects[i];
        const std::string object = "object " + std::to_string(i + 1) + ": ";
        if (a.handleHr != S_OK) p.push_back(object + "HandleObject returned " + HexOf(a.handleHr));
        if (a.convertHr != S_OK) p.push_back(object + "ChangeToBWNoConfig returned " + HexOf(a.convertHr));
        if (a.byRefWritten) p.push_back(object + "a by-reference argument was written");
        if (FAILED(a.transactionHr) && a.transactionResult != VARIANT_FALSE)
            p.push_back(object + "a failed transaction answered True");
    }
    if (run.pass.allCompleteHr != S_OK || run.pass.terminateHr != S_OK) p.push_back("the pass did not end");
    for (const std::string& u : values->Unbalanced()) p.push_back(u);
    values.reset();
    CheckBalanced(deck, host, p);
    return result;
}

}  // namespace proof
