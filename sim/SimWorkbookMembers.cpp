// Members of the application, workbook and sheet level: Application, Workbooks, Workbook,
// Sheets, Worksheet, ChartObjects and ChartObject.
#include "sim/SimInternal.h"

#include "excel/ExcelObjectModel.h"

namespace sim::detail {

namespace {

using qv::excel::IID_Application;
using qv::excel::IID_ChartObject;
using qv::excel::IID_ChartObjects;
using qv::excel::IID_Sheets;
using qv::excel::IID_Workbook;
using qv::excel::IID_Workbooks;
using qv::excel::IID_Worksheet;

std::vector<std::wstring> WorkbookNames(const std::vector<WorkbookModel*>& books) {
    std::vector<std::wstring> names;
    for (WorkbookModel* wb : books) names.push_back(wb->name);
    return names;
}

std::vector<std::wstring> SheetNames(const WorkbookModel& wb) {
    std::vector<std::wstring> names;
    for (auto& sheet : wb.sheets) names.push_back(sheet->name);
    return names;
}

std::vector<std::wstring> ChartObjectNames(const SheetModel& sheet) {
    std::vector<std::wstring> names;
    for (auto& co : sheet.chartObjects) names.push_back(co.name);
    return names;
}

// Workbooks(index) and Sheets(index) out of range are "Invalid index", not error 1004.
size_t IndexOrBadIndex(Call& c, size_t count, const std::vector<std::wstring>& names) {
    try {
        return c.Index(0, count, names);
    } catch (const Raise& r) {
        if (r.hr == DISP_E_EXCEPTION) throw Raise::BadIndex();
        throw;
    }
}

void WorkbookItem(Call& c) {
    std::vector<WorkbookModel*> open = c.excel().OpenWorkbooks();
    c.Return(c.excel().Workbook(*open[IndexOrBadIndex(c, open.size(), WorkbookNames(open)) - 1]));
}

// Workbooks.Add: a new open workbook "BookN" with one worksheet; the template is not read.
void AddWorkbook(Call& c) {
    ApplicationModel& app = c.excel().model;
    std::wstring name;
    for (size_t n = app.workbooks.size() + 1;; ++n) {
        name = L"Book" + std::to_wstring(n);
        bool taken = false;
        for (auto& wb : app.workbooks) taken = taken || _wcsicmp(wb->name.c_str(), name.c_str()) == 0;
        if (!taken) break;
    }
    auto wb = std::make_unique<WorkbookModel>();
    wb->name = name;
    auto sheet = std::make_unique<SheetModel>();
    sheet->name = L"Sheet1";
    wb->sheets.push_back(std::move(sheet));
    WorkbookModel& added = *wb;
    app.workbooks.push_back(std::move(wb));
    c.Return(c.excel().Workbook(added));
}

void ActiveSheet(Call& c) {
    WorkbookModel& wb = c.node<WorkbookModel>();
    if (wb.activeSheet < 0 || static_cast<size_t>(wb.activeSheet) >= wb.sheets.size()) return c.ReturnNothing();
    c.Return(c.excel().Sheet(wb, *wb.sheets[wb.activeSheet]));
}

// The chart of a chart sheet, or the active embedded chart of a worksheet; Nothing otherwise.
void ActiveChart(Call& c) {
    WorkbookModel& wb = c.node<WorkbookModel>();
    if (wb.activeSheet < 0 || static_cast<size_t>(wb.activeSheet) >= wb.sheets.size()) return c.ReturnNothing();
    SheetModel& sheet = *wb.sheets[wb.activeSheet];
    if (sheet.kind == SheetModel::Kind::ChartSheet) return c.Return(c.excel().Sheet(wb, sheet));
    const int j = wb.activeChartObject;
    if (j < 0 || static_cast<size_t>(j) >= sheet.chartObjects.size()) return c.ReturnNothing();
    c.Return(c.excel().Chart(sheet.chartObjects[j].chart));
}

// Close(SaveChanges, Filename, RouteWorkbook): the workbook leaves Workbooks; its objects stay
// but answer every later call with an error.
void CloseWorkbook(Call& c) {
    WorkbookModel& wb = c.node<WorkbookModel>();
    const bool save = c.given(0) && c.Bool(0);
    wb.open = false;
    if (save) {
        wb.closedWithSaveChanges = true;
        wb.saved = true;
    }
}

void SheetItem(Call& c) {
    WorkbookModel& wb = c.node<WorkbookModel>();
    const size_t i = IndexOrBadIndex(c, wb.sheets.size(), SheetNames(wb));
    c.Return(c.excel().Sheet(wb, *wb.sheets[i - 1]));
}

// The sheet a Before/After argument names: a sheet object of the same workbook.
SheetModel& MoveTarget(Call& c, size_t i) {
    const VARIANT& v = c.args[i].get();
    Object* target = (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) ? c.excel().Find(v.punkVal) : nullptr;
    if (!target || !target->where().sheet || target->where().chartObject ||
        target->where().workbook != c.where().workbook)
        throw Raise::Excel();
    return *target->where().sheet;
}

void ChartObjectsOf(Call& c) {
    WorkbookModel& wb = *c.where().workbook;
    SheetModel& sheet = c.node<SheetModel>();
    if (!c.given(0)) return c.Return(c.excel().ChartObjects(wb, sheet));
    c.Return(c.excel().ChartObject(wb, sheet, c.Index(0, sheet.chartObjects.size(), ChartObjectNames(sheet))));
}

}  // namespace

// Sheet.Move(Before, After) within the workbook; exactly one of the two is given. The active
// sheet stays the same sheet.
void MoveSheet(Call& c) {
    WorkbookModel& wb = *c.where().workbook;
    if (c.given(0) == c.given(1)) throw Raise::Excel();
    SheetModel& moving = *c.where().sheet;
    SheetModel& target = MoveTarget(c, c.given(0) ? 0 : 1);
    if (&moving == &target) return;
    auto& sheets = wb.sheets;
    SheetModel* active = (wb.activeSheet >= 0 && static_cast<size_t>(wb.activeSheet) < sheets.size())
                             ? sheets[wb.activeSheet].get() : nullptr;
    auto position = [&](const SheetModel& s) {
        for (size_t k = 0; k < sheets.size(); ++k)
            if (sheets[k].get() == &s) return k;
        throw Raise::Excel();
    };
    const size_t from = position(moving);
    std::unique_ptr<SheetModel> taken = std::move(sheets[from]);
    sheets.erase(sheets.begin() + static_cast<std::ptrdiff_t>(from));
    const size_t to = position(target) + (c.given(0) ? 0 : 1);
    sheets.insert(sheets.begin() + static_cast<std::ptrdiff_t>(to), std::move(taken));
    if (active) wb.activeSheet = static_cast<int>(position(*active));
}

void AddWorkbookTypes(std::map<Type, TypeDef>& t) {
    t[Type::Application] = {L"Application", &IID_Application, {
        {L"Version", 392, Access::Get, 0, 0, [](Call& c) { c.ReturnString(c.excel().model.version); }},
        {L"Workbooks", 572, Access::Get, 0, 0, [](Call& c) { c.Return(c.excel().Workbooks()); }},
    }};
    t[Type::Workbooks] = {L"Workbooks", &IID_Workbooks, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(c.excel().OpenWorkbooks().size())); }},
        {L"Item", 170, Access::ItemGet, 1, 1, WorkbookItem},
        {L"_Default", DISPID_VALUE, Access::ItemGet, 1, 1, WorkbookItem},
        {L"Add", 181, Access::ObjectMethod, 0, 1, AddWorkbook},
    }};
    t[Type::Workbook] = {L"Workbook", &IID_Workbook, {
        {L"Application", 148, Access::Get, 0, 0, [](Call& c) { c.Return(c.excel().Application()); }},
        {L"Name", 110, Access::Get, 0, 0, [](Call& c) { c.ReturnString(c.node<WorkbookModel>().name); }},
        {L"ActiveChart", 183, Access::Get, 0, 0, ActiveChart},
        {L"ActiveSheet", 307, Access::Get, 0, 0, ActiveSheet},
        {L"Sheets", 485, Access::Get, 0, 0,
         [](Call& c) { c.Return(c.excel().Sheets(c.node<WorkbookModel>())); }},
        {L"ExclusiveAccess", 1168, Access::Method, 0, 0, [](Call& c) { c.ReturnBool(true); }},
        {L"Close", 277, Access::Method, 0, 3, CloseWorkbook},
    }};
    t[Type::Sheets] = {L"Sheets", &IID_Sheets, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(c.node<WorkbookModel>().sheets.size())); }},
        {L"Item", 170, Access::ItemGet, 1, 1, SheetItem},
        {L"_Default", DISPID_VALUE, Access::ItemGet, 1, 1, SheetItem},
    }};
    t[Type::Worksheet] = {L"Worksheet", &IID_Worksheet, {
        {L"Name", 110, Access::Get, 0, 0, [](Call& c) { c.ReturnString(c.node<SheetModel>().name); }},
        {L"Move", 637, Access::Method, 0, 2, MoveSheet},
        {L"ChartObjects", 1060, Access::ObjectMethod, 0, 1, ChartObjectsOf},
    }};
    auto chartObjectItem = [](Call& c) {
        SheetModel& sheet = c.node<SheetModel>();
        c.Return(c.excel().ChartObject(*c.where().workbook, sheet,
                                       c.Index(0, sheet.chartObjects.size(), ChartObjectNames(sheet))));
    };
    t[Type::ChartObjects] = {L"ChartObjects", &IID_ChartObjects, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(c.node<SheetModel>().chartObjects.size())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 1, chartObjectItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 1, chartObjectItem},
    }};
    t[Type::ChartObject] = {L"ChartObject", &IID_ChartObject, {
        {L"Chart", 7, Access::Get, 0, 0,
         [](Call& c) { c.Return(c.excel().Chart(c.node<ChartObjectModel>().chart)); }},
        {L"Name", 110, Access::Get, 0, 0, [](Call& c) { c.ReturnString(c.node<ChartObjectModel>().name); }},
    }};
}

}  // namespace sim::detail
