#include "tools/bench/CrossProcess.h"

#include "chart/ChartHandler.h"
#include "com/Automation.h"
#include "excel/ExcelObjectModel.h"
#include "sim/ModelBuilders.h"
#include "tools/bench/Replay.h"
#include "tools/simexcel/RemoteExcel.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {
namespace {

namespace M = qv::excel::Member;

// One chart on the only sheet of Book1, a chart sheet.
sim::ApplicationModel OneChartSheet(const sim::ChartModel& chart) {
    sim::ApplicationModel app;
    sim::WorkbookModel& wb = sim::AddWorkbook(app, L"Book1");
    wb.sheets.push_back(sim::MakeChartSheet(L"Chart1", chart));
    wb.activeSheet = 0;
    return app;
}

// Seconds per round trip: an Invoke of Application.Version, a get that returns a BSTR, the
// median of five runs.
double RoundTripTime(simexcel::RemoteExcel& server, long id) {
    qv::Dispatch wb = qv::Dispatch::Attach(server.NewWorkbookRef(id));
    qv::Dispatch app = qv::GetObject(wb.get(), M::Application);
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        constexpr long n = 400;
        const double start = Now();
        for (long i = 0; i < n; ++i) qv::GetValue(app.get(), M::Version);
        runs.push_back((Now() - start) / n);
        server.ClearCalls(id);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

struct Trips {
    std::string name;
    double seconds = 0;
    long excelCalls = 0;
    simexcel::RoundTripCounts counts;
};

// One conversion of the chart in the server, through ChartHandler as the frame calls it.
Trips ConvertRemote(simexcel::RemoteExcel& server, const std::string& name, const sim::ChartModel& chart) {
    Trips t;
    t.name = name;
    const long id = server.Load(OneChartSheet(chart), 0);
    {
        qv::Dispatch wb = qv::Dispatch::Attach(server.NewWorkbookRef(id));
        qv::Dispatch active = qv::GetObject(wb.get(), M::ActiveChart);
        server.ClearCalls(id);
        server.ResetRoundTrips();
        qv::chart::ChartHandler handler;
        const double start = Now();
        handler.OLEObjectHandler_BWPrintNoConfig(active.get());
        t.seconds = Now() - start;
    }
    t.counts = server.RoundTrips();
    t.excelCalls = server.CallCount(id);
    server.Drop(id);
    return t;
}

void PrintTrips(const Trips& t) {
    const long trips = t.counts.invoke + t.counts.names + t.counts.query + t.counts.addRef + t.counts.release +
                       t.counts.other;
    std::printf("  %-22s %10.1f %8ld %8ld %8ld %8ld %8ld %8.0f\n", t.name.c_str(), t.seconds * 1e3, t.excelCalls,
                t.counts.invoke, t.counts.names, t.counts.query, t.counts.release,
                trips ? t.seconds / trips * 1e6 : 0.0);
}

}  // namespace

void MeasureCrossProcess() {
    simexcel::ServerRegistration registration;
    std::string error;
    if (!registration.Ensure(simexcel::ServerPathBesideThisProgram(), error)) {
        std::printf("  %s\n", error.c_str());
        return;
    }
    simexcel::RemoteExcel server;
    if (FAILED(server.Start())) {
        std::printf("  the Excel stand-in's server does not start\n");
        return;
    }
    const long probe = server.Load(OneChartSheet(sim::MakeChart(51, 1, 4)), 0);
    std::printf("  one round trip (an Invoke returning a string, to process %lu): %.0f us (median of 5 x 400)\n",
                static_cast<unsigned long>(server.ProcessId()), RoundTripTime(server, probe) * 1e6);
    server.Drop(probe);

    std::printf("  %-22s %10s %8s %8s %8s %8s %8s %8s\n", "chart", "ms/chart", "calls", "Invoke", "GetIDs",
                "QI", "Release", "us/trip");
    for (int series : {1, 10, 100, 255})
        PrintTrips(ConvertRemote(server, "column, " + std::to_string(series) + " series", sim::MakeChart(51, series, 4)));
    double thousand = 0;
    for (int slices : {10, 1000}) {
        const Trips t = ConvertRemote(server, "pie, " + std::to_string(slices) + " slices", sim::MakeChart(5, 1, slices));
        PrintTrips(t);
        thousand = t.seconds;
    }
    // The largest pie only when it takes less than a minute at the rate of the 1,000-slice one.
    const double estimate = thousand * 32.767;
    if (estimate < 60)
        PrintTrips(ConvertRemote(server, "pie, 32767 slices", sim::MakeChart(5, 1, 32767)));
    else
        std::printf("  %-22s skipped: about %.0f s at the rate of the 1,000-slice pie\n", "pie, 32767 slices", estimate);
    std::printf("  (calls: the stand-in's count, a call by name once; Invoke, GetIDs(OfNames), QI (RemQueryInterface)\n"
                "   and Release (RemRelease): round trips the server's message filter saw)\n");
    const long left = server.OutstandingRefs();
    if (left != 0) std::printf("  references left in the server: %ld\n", left);
}

}  // namespace bench
