#include "tools/report/Inventory.h"

#include "tools/deckmodel/Text.h"

namespace bwpass {

std::wstring SheetOrder(const sim::WorkbookModel& wb) {
    std::wstring s;
    for (size_t i = 0; i < wb.sheets.size(); ++i) {
        if (i) s += L", ";
        const bool active = static_cast<int>(i) == wb.activeSheet;
        s += active ? L"[" + wb.sheets[i]->name + L"]" : wb.sheets[i]->name;
    }
    return s.empty() ? L"(no sheets)" : s;
}

std::wstring WorkbookState(const sim::WorkbookModel& wb) {
    if (wb.saved) return L"SAVED: the plug-in must never save";
    if (wb.closedWithSaveChanges) return L"closed with SaveChanges True";
    return wb.open ? L"still open" : L"closed without saving";
}

namespace {
TrackedChart Tracked(std::string place, bool shown, const sim::ChartModel& chart) {
    TrackedChart t;
    t.result.place = std::move(place);
    t.result.onShownSheet = shown;
    t.result.before = chart;
    t.live = &chart;
    return t;
}
}  // namespace

std::vector<TrackedChart> ChartsOf(const sim::WorkbookModel& wb) {
    std::vector<TrackedChart> charts;
    const std::string book = Utf8(wb.name);
    for (size_t i = 0; i < wb.sheets.size(); ++i) {
        const sim::SheetModel& sheet = *wb.sheets[i];
        const bool shown = static_cast<int>(i) == wb.activeSheet;
        if (sheet.kind == sim::SheetModel::Kind::ChartSheet) {
            charts.push_back(Tracked(book + " \xE2\x80\xBA " + Utf8(sheet.name) + " (chart sheet)", shown, sheet.chart));
            continue;
        }
        for (const sim::ChartObjectModel& object : sheet.chartObjects)
            charts.push_back(Tracked(book + " \xE2\x80\xBA " + Utf8(sheet.name) + " \xE2\x80\xBA " + Utf8(object.name),
                                     shown, object.chart));
    }
    return charts;
}

ObjectResult Describe(const DeckObject& o) {
    ObjectResult r;
    r.name = o.name;
    r.progId = o.progId;
    r.bwFlagSet = o.bwFlagSet;
    r.hasWorkbook = o.excel.has_value();
    if (r.hasWorkbook) {
        r.excelVersion = o.excel->application.version;
        const sim::WorkbookModel& wb = *o.excel->application.workbooks[o.excel->embeddedWorkbook];
        r.sheetsBefore = r.sheetsAfter = SheetOrder(wb);
        r.workbookState = WorkbookState(wb);
    }
    return r;
}


ObjectResult DescribeUnconverted(const DeckObject& o) {
    ObjectResult r = Describe(o);
    if (o.excel)
        for (TrackedChart& t : ChartsOf(*o.excel->application.workbooks[o.excel->embeddedWorkbook])) {
            t.result.after = t.result.before;
            r.charts.push_back(std::move(t.result));
        }
    return r;
}

void DescribeNoPlugIn(PassResult& result) {
    result.activation = "not loaded (--no-plugin): the deck as it is, before and after alike";
    result.logNote = "No pass was run.";
}

void DescribeWithoutPass(const Deck& deck, PassResult& result) {
    result.deckTitle = deck.title;
    DescribeNoPlugIn(result);
    for (const DeckObject& o : deck.objects) result.objects.push_back(DescribeUnconverted(o));
}

std::vector<const sim::ChartModel*> MatchingCharts(const sim::WorkbookModel& before, const sim::WorkbookModel& after) {
    std::vector<const sim::ChartModel*> charts;
    for (const auto& sheet : before.sheets) {
        const sim::SheetModel* same = nullptr;
        for (const auto& s : after.sheets)
            if (s->name == sheet->name && s->kind == sheet->kind) same = s.get();
        if (sheet->kind == sim::SheetModel::Kind::ChartSheet) {
            charts.push_back(same ? &same->chart : nullptr);
            continue;
        }
        for (size_t i = 0; i < sheet->chartObjects.size(); ++i)
            charts.push_back(same && i < same->chartObjects.size() ? &same->chartObjects[i].chart : nullptr);
    }
    return charts;
}

void CountConverted(const DeckObject& before, const DeckObject& after, ChartCounts& counts) {
    if (!before.excel || !after.excel) return;
    const int b = before.excel->embeddedWorkbook, a = after.excel->embeddedWorkbook;
    if (b < 0 || a < 0 || static_cast<size_t>(b) >= before.excel->application.workbooks.size() ||
        static_cast<size_t>(a) >= after.excel->application.workbooks.size())
        return;
    const sim::WorkbookModel& was = *before.excel->application.workbooks[static_cast<size_t>(b)];
    const sim::WorkbookModel& is = *after.excel->application.workbooks[static_cast<size_t>(a)];
    const std::vector<TrackedChart> charts = ChartsOf(was);
    const std::vector<const sim::ChartModel*> now = MatchingCharts(was, is);
    for (size_t i = 0; i < charts.size() && i < now.size(); ++i)
        if (now[i]) CountConverted(*now[i], ChartChanges(charts[i].result.before, *now[i]).size(), counts);
}

}  // namespace bwpass
