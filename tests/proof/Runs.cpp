#include "tests/proof/Runs.h"

#include "chart/ChartHandler.h"
#include "com/ComSupport.h"
#include "plugin/ExcelChartHandler.h"
#include "plugin/ThreadState.h"

#include <cstdio>

namespace proof {

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

std::string HexOf(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

HRESULT ConvertChart(LiveChart& live) {
    qv::ComPtr<IDispatch> chart = qv::ComPtr<IDispatch>::Attach(live.NewChartRef());
    qv::chart::ChartHandler handler;
    return handler.OLEObjectHandler_BWPrintNoConfig(chart.get());
}

namespace {

// The thread's slots hold the host's objects until the thread ends, by design; a run that
// proves the balance of every reference gives them up first.
void EmptyApartmentSlots() {
    qv::ReleasePublishedHostObjects();
}

}  // namespace

PassRun RunHostPass(LiveDeck& deck, sim::Host& host) {
    PassRun run;
    {
        qv::ComPtr<IUnknown> plugin;
        if (SUCCEEDED(qv::CreateExcelChartHandler(IID_IUnknown, plugin.ReceiveVoid()))) {
            run.start = sim::StartPlugIn(plugin.get(), host);
            run.pass = sim::RunPass(plugin.get(), deck.Offers());
        }
    }
    deck.ReleaseOffers();
    EmptyApartmentSlots();
    return run;
}

void CheckBalanced(const sim::Excel& excel, const std::string& where, Problems& problems) {
    for (const std::wstring& held : excel.objectsWithRefs())
        problems.push_back(where + ": reference left on " + Narrow(held));
    for (const std::wstring& over : excel.overReleased())
        problems.push_back(where + ": released once too often: " + Narrow(over));
    if (excel.outstandingRefs() != 0)
        problems.push_back(where + ": outstanding references " + std::to_string(excel.outstandingRefs()));
    // const: the model is only read here.
    for (auto& book : const_cast<sim::Excel&>(excel).model().workbooks)
        if (book->saved || book->closedWithSaveChanges)
            problems.push_back(where + ": workbook saved: " + Narrow(book->name));
}

void CheckBalanced(const sim::Host& host, Problems& problems) {
    for (const std::wstring& held : host.objectsWithRefs())
        problems.push_back("host: reference left on " + Narrow(held));
    for (const std::wstring& over : host.overReleased())
        problems.push_back("host: released once too often: " + Narrow(over));
    for (const std::wstring& call : host.unexpectedCalls())
        problems.push_back("host: unexpected call " + Narrow(call));
}

void CheckBalanced(const LiveDeck& deck, const sim::Host& host, Problems& problems) {
    for (size_t i = 0; i < deck.size(); ++i)
        if (const sim::Excel* excel = deck.excel(i))
            CheckBalanced(*excel, "object " + std::to_string(i + 1), problems);
    CheckBalanced(host, problems);
}

const sim::FaultKind kFaultKinds[3] = {sim::FaultKind::Error, sim::FaultKind::Nothing,
                                       sim::FaultKind::WrongType};

sim::Fault MakeFault(sim::FaultKind kind) {
    sim::Fault fault;
    fault.kind = kind;
    return fault;
}

const char* KindName(sim::FaultKind kind) {
    switch (kind) {
    case sim::FaultKind::Error: return "error";
    case sim::FaultKind::Nothing: return "Nothing";
    case sim::FaultKind::WrongType: return "wrong type";
    }
    return "?";
}

bool SameCall(const sim::CallRecord& a, const sim::CallRecord& b) {
    if (a.kind != b.kind || a.member != b.member || a.path != b.path || a.args.size() != b.args.size())
        return false;
    for (size_t i = 0; i < a.args.size(); ++i)
        if (a.args[i].vt != b.args[i].vt || a.args[i].value != b.args[i].value) return false;
    return true;
}

std::string Describe(const sim::CallRecord& call) {
    static const char* kinds[] = {"get", "put", "call"};
    std::string text = "#" + std::to_string(call.index) + " " + Narrow(call.path) + " " +
                       kinds[static_cast<int>(call.kind)] + " " + Narrow(call.member);
    std::string args;
    for (const sim::ArgRecord& a : call.args) args += (args.empty() ? "" : ", ") + Narrow(a.value);
    if (!args.empty()) text += "(" + args + ")";
    if (!call.resultText.empty()) text += " -> " + Narrow(call.resultText);
    return text;
}

namespace {

bool IsWrite(const sim::CallRecord& call) {
    if (call.kind == sim::CallKind::Put) return true;
    if (call.kind != sim::CallKind::Call) return false;
    for (const wchar_t* m : {L"Solid", L"Patterned", L"Move", L"Close", L"Add", L"ExclusiveAccess"})
        if (call.member == m) return true;
    return false;
}

// path is the object p or lies below it (a member object, or an item of collection p).
bool Under(const std::wstring& path, const std::wstring& p) {
    if (p.empty() || path.compare(0, p.size(), p) != 0) return false;
    return path.size() == p.size() || path[p.size()] == L'/' || path[p.size()] == L'(';
}

std::wstring ReturnedObject(const sim::CallRecord& call) {
    const std::wstring prefix = L"<dispatch:";
    if (call.resultText.compare(0, prefix.size(), prefix) != 0 || call.resultText.back() != L'>') return L"";
    return call.resultText.substr(prefix.size(), call.resultText.size() - prefix.size() - 1);
}

// The scope of one fault in the unfaulted run: what may be skipped because of it.
struct Scope {
    std::wstring self;                 // writes to the faulted call's own object
    std::vector<std::wstring> below;   // writes to these objects or anything below them
    long stepsUntil = 0;               // every write before this call (a trapping procedure's rest)
    bool closes = false;               // every Close after a failed Close
    long spareAdd = 0;                 // the Add of a spare workbook that the fault may prevent
};

Scope ScopeOf(const std::vector<sim::CallRecord>& baseline, long k) {
    const sim::CallRecord& f = baseline[k - 1];
    Scope scope;
    // A value read and written back (a colour turned grey) goes to the same object.
    scope.self = f.path;
    // What the call returned, and everything reached through it.
    const std::wstring returned = ReturnedObject(f);
    if (!returned.empty()) scope.below.push_back(returned);
    // A count decides a walk over the collection's items; a chart type the route over the
    // chart's data, a series type or parent the series' converter.
    if (f.member == L"Count" || f.member == L"ChartType" || f.member == L"Parent") scope.below.push_back(f.path);
    // The element tests count a fill or border they cannot read as not there, so the steps they
    // guard on that element are skipped: a failed fetch of the fill or border, or of its Visible,
    // Weight or LineStyle.
    if (f.kind == sim::CallKind::Get && (f.member == L"Fill" || f.member == L"Border")) scope.below.push_back(f.path);
    if (f.member == L"Visible" || f.member == L"Weight" || f.member == L"LineStyle")
        scope.below.push_back(f.path.substr(0, f.path.rfind(L'/')));

    // The sheet rotation traps its first error and abandons the rest: it starts with the last
    // ActiveSheet read of the conversion and ends before the transaction's first Close.
    long firstClose = static_cast<long>(baseline.size()) + 1;
    for (const sim::CallRecord& c : baseline)
        if (c.member == L"Close") { firstClose = c.index; break; }
    long rotation = 0;
    for (const sim::CallRecord& c : baseline)
        if (c.index < firstClose && c.member == L"ActiveSheet") rotation = c.index;
    if (rotation && k >= rotation && k < firstClose) scope.stepsUntil = firstClose;

    // A Close that fails ends the transaction: the object's Close is not reached.
    if (f.member == L"Close") scope.closes = true;

    // The spare workbook: every call up to its Add decides whether it is added, and so closed.
    for (const sim::CallRecord& c : baseline) {
        if (c.member == L"Add") {
            if (k <= c.index) {
                scope.spareAdd = c.index;
                scope.below.push_back(ReturnedObject(c));
            }
            break;
        }
    }
    return scope;
}

bool Excused(const Scope& scope, const sim::CallRecord& write) {
    if (write.index < scope.stepsUntil || write.index == scope.spareAdd) return true;
    if (scope.closes && write.member == L"Close") return true;
    if (write.path == scope.self) return true;
    for (const std::wstring& o : scope.below)
        if (Under(write.path, o)) return true;
    return false;
}

}  // namespace

std::vector<std::string> MissingLaterWrites(const std::vector<sim::CallRecord>& baseline,
                                            const std::vector<sim::CallRecord>& faulted, long k) {
    std::vector<std::string> missing;
    if (k < 1 || k > static_cast<long>(baseline.size())) return missing;
    const Scope scope = ScopeOf(baseline, k);
    size_t next = static_cast<size_t>(k);  // faulted[k] is the call after the faulted one
    for (size_t i = static_cast<size_t>(k); i < baseline.size(); ++i) {
        const sim::CallRecord& write = baseline[i];
        if (!IsWrite(write) || Excused(scope, write)) continue;
        size_t j = next;
        while (j < faulted.size() && !SameCall(faulted[j], write)) ++j;
        if (j == faulted.size()) {
            missing.push_back(Describe(write));
        } else {
            next = j + 1;
        }
    }
    return missing;
}

}  // namespace proof
