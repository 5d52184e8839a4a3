#include "tests/chart_conversion/Bench.h"

#include "chart/ChartHandler.h"
#include "com/ComSupport.h"
#include "sim/ModelBuilders.h"
#include "tests/sim_support.h"

namespace chartconv {

namespace {

const std::string kChartPath = "Book1/Chart1";

sim::ApplicationModel AppWith(sim::ChartModel chart) {
    sim::ApplicationModel app;
    sim::WorkbookModel& book = sim::AddWorkbook(app, L"Book1");
    book.sheets.push_back(sim::MakeChartSheet(L"Chart1", std::move(chart)));
    return app;
}

bool IsWrite(const sim::CallRecord& c) {
    return c.kind == sim::CallKind::Put ||
           (c.kind == sim::CallKind::Call && (c.member == L"Solid" || c.member == L"Patterned"));
}

}  // namespace

std::string VtName(VARTYPE vt) {
    std::string prefix = (vt & VT_BYREF) ? "&" : "";
    switch (vt & ~VT_BYREF) {
    case VT_I2: return prefix + "I2";
    case VT_I4: return prefix + "I4";
    case VT_R8: return prefix + "R8";
    case VT_BOOL: return prefix + "BOOL";
    case VT_BSTR: return prefix + "BSTR";
    case VT_ERROR: return prefix + "ERROR";
    case VT_DISPATCH: return prefix + "DISPATCH";
    default: return prefix + "vt" + std::to_string(vt & ~VT_BYREF);
    }
}

Bench::Bench(sim::ChartModel chart, sim::Options options) : excel_(AppWith(std::move(chart)), options) {}

sim::ChartModel& Bench::chart() { return excel_.model().workbooks[0]->sheets[0]->chart; }

HRESULT Bench::Convert() {
    qv::Dispatch chartRef = qv::Dispatch::Attach(excel_.NewChartRef(chart()));
    return ConvertObject(chartRef.get());
}

HRESULT Bench::ConvertObject(IDispatch* object) {
    excel_.clearCalls();
    qv::chart::ChartHandler handler;
    return handler.OLEObjectHandler_BWPrintNoConfig(object);
}

std::string Bench::Relative(const std::wstring& path) const {
    const std::string p = simtest::Narrow(path);
    if (p == kChartPath) return "";
    if (p.compare(0, kChartPath.size() + 1, kChartPath + "/") == 0) return p.substr(kChartPath.size() + 1);
    return p;
}

Lines Bench::Writes() const {
    Lines writes;
    for (const sim::CallRecord& c : excel_.calls()) {
        if (!IsWrite(c)) continue;
        std::string line = Relative(c.path) + "." + simtest::Narrow(c.member);
        if (c.kind == sim::CallKind::Put) {
            line += " = " + simtest::Narrow(c.args.back().value) + " " + VtName(c.args.back().vt);
        } else {
            line += "(";
            for (size_t i = 0; i < c.args.size(); ++i)
                line += (i ? ", " : "") + simtest::Narrow(c.args[i].value) + " " + VtName(c.args[i].vt);
            line += ")";
        }
        writes.push_back(line);
    }
    return writes;
}

Lines Bench::WritesUnder(const std::string& prefix) const {
    Lines selected;
    for (const std::string& w : Writes())
        if (w.compare(0, prefix.size(), prefix) == 0) selected.push_back(w);
    return selected;
}

bool Bench::Reached(const std::string& path, const std::string& member) const {
    for (const sim::CallRecord& c : excel_.calls())
        if (Relative(c.path) == path && simtest::Narrow(c.member) == member) return true;
    return false;
}

std::string Bench::CallLog() const { return simtest::Narrow(excel_.describeCalls()); }

}  // namespace chartconv
