#include "tools/report/Inventory.h"

#include "tools/deck/Text.h"

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

std::vector<TrackedChart> ChartsOf(const sim::WorkbookModel& wb) {
    std::vector<TrackedChart> charts;
    const std::string book = Utf8(wb.name);
    for (size_t i = 0; i < wb.sheets.size(); ++i) {
        const sim::SheetModel& sheet = *wb.sheets[i];
        const bool shown = static_cast<int>(i) == wb.activeSheet;
        if (sheet.kind == sim::SheetModel::Kind::ChartSheet) {
            TrackedChart t{{book + " \xE2\x80\xBA " + Utf8(sheet.name) + " (chart sheet)", shown, sheet.chart, {}, {}},
                           &sheet.chart};
            charts.push_back(std::move(t));
            continue;
        }
        for (const sim::ChartObjectModel& object : sheet.chartObjects) {
            TrackedChart t{{book + " \xE2\x80\xBA " + Utf8(sheet.name) + " \xE2\x80\xBA " + Utf8(object.name), shown,
                            object.chart, {}, {}},
                           &object.chart};
            charts.push_back(std::move(t));
        }
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


void DescribeWithoutPass(const Deck& deck, PassResult& result) {
    result.deckTitle = deck.title;
    result.activation = "not loaded (--no-plugin): the deck as it is, before and after alike";
    result.logNote = "No pass was run.";
    for (const DeckObject& o : deck.objects) {
        ObjectResult r = Describe(o);
        if (o.excel)
            for (TrackedChart& t : ChartsOf(*o.excel->application.workbooks[o.excel->embeddedWorkbook])) {
                t.result.after = t.result.before;
                r.charts.push_back(std::move(t.result));
            }
        result.objects.push_back(std::move(r));
    }
}

}  // namespace bwpass
