// What the plug-in costs, as a table. No figure here is checked; they are for reading (and for
// docs/performance.md). Run with scripts/bench, which builds it and runs it under Wine.
//
//   1. The floor: a bare IDispatch::Invoke on an object that does nothing, and the same call made
//      through the plug-in's calling layer (com/Automation.h), refused calls among them.
//   2. Chart conversions against the Excel stand-in, for charts of 1, 10, 100 and 255 series and
//      pies of 10, 1,000 and 32,767 slices: round trips per chart (Invoke, GetIDsOfNames,
//      QueryInterface), conversions per second, time per call in all, and the plug-in's own time
//      per call (the conversion replayed against the stand-in's recorded answers, less the time of
//      the answers alone: tools/bench/Replay.h), with the ratio of the largest chart's time per
//      call to the smallest one's. That ratio for both families is the last line printed.
//   3. A whole host pass over the host tool's sample deck.
//   4. Loading the DLL, registering it, and creating the plug-in object through COM.
//   5. Excel out of process: one round trip, and round trips per chart (tools/bench/CrossProcess.h).
#include "chart/ChartHandler.h"
#include "com/Automation.h"
#include "com/ComSupport.h"
#include "sim/LogCapture.h"
#include "sim/ModelBuilders.h"
#include "tests/proof/Runs.h"
#include "tools/bench/CrossProcess.h"
#include "tools/bench/Replay.h"
#include "tools/bench/Trivial.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Now;

// ---- 1. the floor ----------------------------------------------------------------------------

// Seconds per call of a loop of n raw Invokes on object.
double RawInvokeTime(IDispatch* object, long n) {
    DISPPARAMS none{};
    const double start = Now();
    for (long i = 0; i < n; ++i) {
        VARIANT result;
        VariantInit(&result);
        object->Invoke(1, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        VariantClear(&result);
    }
    return (Now() - start) / static_cast<double>(n);
}

struct Floor {
    double bare = 0;         // a raw Invoke answering a number
    double layer = 0;        // the same through qv::GetValue
    double layerPut = 0;     // a put of a 32-bit integer through qv::Put
    double layerCall4 = 0;   // a method call with four arguments
    double failingStep = 0;  // a put that fails, in a resume-next step (no exception)
    double failingBare = 0;  // the same, the error coming without texts to free
    double failingThrown = 0;  // the same through the throwing call, caught
};

template <class F>
double TimePerCall(long n, F&& call) {
    const double start = Now();
    for (long i = 0; i < n; ++i) call();
    return (Now() - start) / static_cast<double>(n);
}

Floor MeasureFloor() {
    constexpr long n = 2000000;
    Floor f;
    IDispatch* value = bench::NewTrivialObject(bench::Answer::Number);
    IDispatch* refusing = bench::NewTrivialObject(bench::Answer::Fails);
    IDispatch* refusingBare = bench::NewTrivialObject(bench::Answer::FailsBare);
    f.bare = RawInvokeTime(value, n);
    const qv::DispMember member = qv::ById(1, L"Value");
    const qv::Variant written = qv::Variant::I4(16777215);
    f.layer = TimePerCall(n, [&] { qv::GetValue(value, member); });
    f.layerPut = TimePerCall(n, [&] { qv::Put(value, member, written); });
    f.layerCall4 = TimePerCall(n, [&] {
        qv::Call(value, member, {written, qv::Variant::I2(1), qv::Variant::Missing(), qv::Variant::Bool(true)});
    });
    f.failingStep = TimePerCall(n / 4, [&] { qv::Attempt([&](qv::Step& s) { s.Put(refusing, member, written); }); });
    f.failingBare = TimePerCall(n, [&] { qv::Attempt([&](qv::Step& s) { s.Put(refusingBare, member, written); }); });
    f.failingThrown = TimePerCall(n / 20, [&] { qv::Attempt([&] { qv::Put(refusing, member, written); }); });
    refusingBare->Release();
    refusing->Release();
    value->Release();
    return f;
}

void PrintFloor(const Floor& f) {
    std::printf("  bare IDispatch::Invoke: %.1f ns; through the calling layer: get %.1f ns, put %.1f ns, "
                "a call with 4 arguments %.1f ns\n",
                f.bare * 1e9, f.layer * 1e9, f.layerPut * 1e9, f.layerCall4 * 1e9);
    std::printf("  a put that fails as Excel fails, skipped under resume next: %.1f ns in a step (%.1f ns when the\n"
                "  error comes without the source and description texts to free); %.2f us through the throwing call (an exception)\n",
                f.failingStep * 1e9, f.failingBare * 1e9, f.failingThrown * 1e6);
}

// ---- 2. chart conversions ------------------------------------------------------------------

// Round trips to Excel in one conversion, by kind.
struct RoundTrips {
    long invokes = 0;
    long names = 0;    // GetIDsOfNames
    long queries = 0;  // QueryInterface
    long all() const { return invokes + names + queries; }
};

struct Own {
    double seconds = 0;  // the plug-in's own time in one conversion
    double perCall = 0;
    RoundTrips trips;
    long failures = 0;   // calls the stand-in refused
    long mismatches = 0; // replayed calls that differed from the recording (0: the figure holds)
};

struct ChartFigures {
    std::string name;
    long calls = 0;
    double perConversion = 0;  // seconds, against the stand-in directly
    Own own;                   // as Excel answers: a pattern number 0 (positions above 50) refused
    Own ownAccepting;          // with the stand-in accepting pattern 0, so that no call fails by size
};

// Seconds of one conversion of a fresh copy of chart, the copy made outside the clock.
double TimeConversion(const sim::ChartModel& chart, long& calls) {
    proof::LiveChart live(chart);
    qv::ComPtr<IDispatch> ref = qv::ComPtr<IDispatch>::Attach(live.NewChartRef());
    qv::chart::ChartHandler handler;
    const double start = Now();
    handler.OLEObjectHandler_BWPrintNoConfig(ref.get());
    const double took = Now() - start;
    calls = live.excel().callCount();
    return took;
}

// The plug-in's own time in a conversion: the conversion replayed against the recorded answers,
// less the answers alone; the fastest of several runs of each.
Own OwnTime(const sim::ChartModel& chart, bool refuseZeroPattern) {
    sim::Options options;
    options.refuseInvalidPattern = refuseZeroPattern;
    proof::LiveChart live(chart, options);
    bench::Recording recording;
    qv::chart::ChartHandler handler;
    {
        qv::ComPtr<IDispatch> ref = qv::ComPtr<IDispatch>::Attach(live.NewChartRef());
        qv::ComPtr<IDispatch> recorder = qv::ComPtr<IDispatch>::Attach(bench::NewRecorder(ref.get(), recording));
        handler.OLEObjectHandler_BWPrintNoConfig(recorder.get());
    }
    Own own;
    for (const bench::RecordedAnswer& a : recording.answers) {
        switch (a.call) {
        case bench::RecordedAnswer::Call::Invoke: ++own.trips.invokes; own.failures += FAILED(a.hr); break;
        case bench::RecordedAnswer::Call::Names: ++own.trips.names; break;
        case bench::RecordedAnswer::Call::Query: ++own.trips.queries; break;
        }
    }
    bench::Replay replay(recording);
    // The fastest time of each segment of the run (Replay.h), over runs for at least 1.2 s and at
    // least 5 runs of each chart.
    // A chart of fewer answers than a segment is converted several times in a row per timing,
    // so that the clock's tick (0.1 us under Wine) is small against what it measures.
    const int batch = static_cast<int>(std::max<size_t>(1, bench::Replay::kSegment / recording.answers.size()));
    bench::Replay::Segments conversion, alone;
    double spent = 0;
    for (int run = 0; run < 2000 && (run < 5 || spent < 1.2); ++run) {
        replay.Rewind();
        for (int time = 0; time < batch; ++time) {
            if (time) replay.Restart();
            handler.OLEObjectHandler_BWPrintNoConfig(&replay);
            own.mismatches += replay.mismatches() + (replay.finished() ? 0 : 1);
        }
        const bench::Replay::Segments converted = replay.Finish();
        const bench::Replay::Segments answered = replay.TimeAnswersAlone(batch);
        bench::KeepFastest(conversion, converted);
        bench::KeepFastest(alone, answered);
        spent += bench::Total(converted) + bench::Total(answered);
    }
    own.seconds = (bench::Total(conversion) - bench::Total(alone)) / batch;
    own.perCall = own.seconds / static_cast<double>(own.trips.invokes);
    return own;
}

ChartFigures MeasureChart(const std::string& name, const sim::ChartModel& chart) {
    ChartFigures f;
    f.name = name;
    // Repeat for at least half a second (at least twice); the fastest run stands for the chart.
    double best = 1e9, spent = 0;
    for (int run = 0; run < 500 && (run < 2 || spent < 0.5); ++run) {
        const double t = TimeConversion(chart, f.calls);
        best = std::min(best, t);
        spent += t;
    }
    f.perConversion = best;
    f.own = OwnTime(chart, true);
    f.ownAccepting = OwnTime(chart, false);
    if (f.own.mismatches || f.ownAccepting.mismatches) std::printf("  (%s: the replay went astray)\n", name.c_str());
    return f;
}

void PrintRoundTrips(const std::vector<ChartFigures>& figures) {
    for (const ChartFigures& f : figures) {
        const RoundTrips& t = f.own.trips;
        std::printf("  %-22s %9ld %9ld %9ld %9ld %8ld\n", f.name.c_str(), t.all(), t.invokes, t.names, t.queries,
                    f.own.failures);
    }
}

// Largest to smallest chart's time per call: a cost per call that grows with the chart shows
// above 1.
double Flatness(const std::vector<ChartFigures>& figures, Own ChartFigures::*which) {
    return (figures.back().*which).perCall / (figures.front().*which).perCall;
}

void PrintCharts(const char* family, const std::vector<ChartFigures>& figures) {
    for (const ChartFigures& f : figures) {
        std::printf("  %-22s %8ld %10.1f %10.2f %8.2f %8.3f %8.3f\n", f.name.c_str(), f.calls, 1.0 / f.perConversion,
                    f.perConversion * 1e3, f.perConversion / f.calls * 1e6, f.own.perCall * 1e6,
                    f.ownAccepting.perCall * 1e6);
    }
    const ChartFigures& small = figures.front();
    const ChartFigures& large = figures.back();
    std::printf("  %s, largest / smallest time per call: %.2f in all; the plug-in's own %.2f, %.2f with pattern 0 accepted\n",
                family, (large.perConversion / large.calls) / (small.perConversion / small.calls),
                Flatness(figures, &ChartFigures::own), Flatness(figures, &ChartFigures::ownAccepting));
    // What a refused call adds, from the largest chart's two runs: the same calls, some failing.
    const long extra = large.own.failures - large.ownAccepting.failures;
    if (extra > 0)
        std::printf("  %s, a call Excel refuses costs the plug-in %.0f ns more (in a resume-next step)\n", family,
                    (large.own.seconds - large.ownAccepting.seconds) / static_cast<double>(extra) * 1e9);
}

// ---- 3. a host pass ----------------------------------------------------------------------------

void MeasurePass() {
    long calls = 0, objects = 0, runs = 0;
    double best = 1e9, spent = 0;
    while (runs < 3 || spent < 1.0) {
        proof::LiveDeck deck;
        sim::Host host;
        const double start = Now();
        proof::RunHostPass(deck, host);
        const double t = Now() - start;
        best = std::min(best, t);
        spent += t;
        ++runs;
        calls = 0;
        objects = static_cast<long>(deck.size());
        for (size_t i = 0; i < deck.size(); ++i)
            if (deck.excel(i)) calls += deck.excel(i)->callCount();
    }
    std::printf("  %ld objects, %ld automation calls, %.2f ms a pass (%.0f passes/s), %.2f us a call\n", objects,
                calls, best * 1e3, 1.0 / best, best / calls * 1e6);
}

// ---- 4. the DLL ------------------------------------------------------------------------------

std::wstring DllPath() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"QVCHBW01.dll";
}

void MeasureDll() {
    const std::wstring path = DllPath();
    using Entry = HRESULT(STDAPICALLTYPE*)();
    std::vector<double> load, reg, free;
    HRESULT registered = E_FAIL;
    for (int run = 0; run < 20; ++run) {
        double start = Now();
        HMODULE dll = LoadLibraryW(path.c_str());
        load.push_back(Now() - start);
        if (!dll) {
            std::printf("  cannot load %ls (error %lu): build it first\n", path.c_str(), GetLastError());
            return;
        }
        auto doRegister = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
        start = Now();
        registered = doRegister ? doRegister() : E_NOTIMPL;
        reg.push_back(Now() - start);
        start = Now();
        FreeLibrary(dll);
        free.push_back(Now() - start);
    }
    std::printf("  LoadLibrary: first %.2f ms, then %.3f ms (median of %zu)\n", load[0] * 1e3,
                [&] { std::vector<double> v(load.begin() + 1, load.end()); std::sort(v.begin(), v.end()); return v[v.size() / 2]; }() * 1e3,
                load.size() - 1);
    std::sort(reg.begin(), reg.end());
    std::sort(free.begin(), free.end());
    std::printf("  DllRegisterServer: %.2f ms (median of %zu; result 0x%08lX)\n", reg[reg.size() / 2] * 1e3, reg.size(),
                static_cast<unsigned long>(registered));
    std::printf("  FreeLibrary: %.3f ms (median)\n", free[free.size() / 2] * 1e3);

    // The host's activation: by ProgID, through the registration just made.
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"QVCHBW01.ExcelChartHandler", &clsid))) {
        std::printf("  QVCHBW01.ExcelChartHandler is not registered\n");
        return;
    }
    std::vector<double> create;
    for (int run = 0; run < 20; ++run) {
        IUnknown* object = nullptr;
        const double start = Now();
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                            reinterpret_cast<void**>(&object));
        create.push_back(Now() - start);
        if (FAILED(hr)) {
            std::printf("  CoCreateInstance failed: 0x%08lX\n", static_cast<unsigned long>(hr));
            return;
        }
        object->Release();
    }
    std::printf("  CoCreateInstance(QVCHBW01.ExcelChartHandler): first %.2f ms (loads the DLL), then %.3f ms\n",
                create[0] * 1e3, create[create.size() / 2] * 1e3);
    CoFreeUnusedLibraries();
}

}  // namespace

int main() {
    std::vector<ChartFigures> columns, pies;
    sim::RunOnFreshThread([&] {
        std::printf("Floor: one automation call on an object that does nothing\n");
        PrintFloor(MeasureFloor());
        std::printf("\n");

        for (int series : {1, 10, 100, 255})
            columns.push_back(MeasureChart("column, " + std::to_string(series) + " series",
                                           sim::MakeChart(51, series, 4)));
        for (int slices : {10, 1000, 32767})
            pies.push_back(MeasureChart("pie, " + std::to_string(slices) + " slices", sim::MakeChart(5, 1, slices)));

        std::printf("Round trips to Excel per chart (in process; each one crosses to Excel's process in PowerPoint)\n");
        std::printf("  %-22s %9s %9s %9s %9s %8s\n", "chart", "all", "Invoke", "IDsOfNms", "QueryInt", "refused");
        PrintRoundTrips(columns);
        PrintRoundTrips(pies);

        std::printf("\nChart conversion against the Excel stand-in (in-process; every call is logged by the stand-in)\n");
        std::printf("  %-22s %8s %10s %10s %8s %8s %8s\n", "", "", "", "", "us/call", "own", "own, 0");
        std::printf("  %-22s %8s %10s %10s %8s %8s %8s\n", "chart", "calls", "charts/s", "ms/chart", "in all",
                    "us/call", "accepted");
        PrintCharts("columns", columns);
        PrintCharts("pies", pies);

        std::printf("\nWhole host pass over the sample deck (tools/bwpass), plug-in linked in\n");
        MeasurePass();

        std::printf("\nExcel out of process (the stand-in's local server, tools/simexcel)\n");
        bench::MeasureCrossProcess();

        std::printf("\nThe DLL (%s)\n",
                    sizeof(void*) == 8 ? "build/x64/QVCHBW01.dll, 64-bit" : "build/QVCHBW01.dll, 32-bit");
        MeasureDll();
    });
    // Last, for scripts/bench to show at the end: the plug-in's own time per call, largest chart
    // to smallest, with Excel's refusals as Excel makes them.
    std::printf("\nflatness: columns %.2f, pies %.2f\n", Flatness(columns, &ChartFigures::own),
                Flatness(pies, &ChartFigures::own));
    return 0;
}
