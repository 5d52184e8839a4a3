// The Excel stand-in's public face and its object table: canonical objects (one per model node,
// with a path that names where the node sits), fault rules, the call log and reference counts.
#include "sim/SimExcel.h"

#include "sim/SimInternal.h"

#include <algorithm>
#include <cwchar>

namespace sim {

using detail::Object;
using detail::Type;
using detail::Where;

// ---- type tables ---------------------------------------------------------------------------

namespace detail {

namespace {
const std::map<Type, TypeDef>& Types() {
    static const std::map<Type, TypeDef> types = [] {
        std::map<Type, TypeDef> t;
        AddWorkbookTypes(t);
        AddChartTypes(t);
        AddFormatTypes(t);
        return t;
    }();
    return types;
}
}  // namespace

const TypeDef& Definition(Type type) { return Types().at(type); }

const MemberDef* FindMember(Type type, DISPID id) {
    for (const MemberDef& m : Definition(type).members)
        if (m.id == id) return &m;
    return nullptr;
}

const MemberDef* FindMember(Type type, const wchar_t* name) {
    if (!name) return nullptr;
    for (const MemberDef& m : Definition(type).members)
        if (_wcsicmp(m.name, name) == 0) return &m;
    return nullptr;
}

}  // namespace detail

// ---- objects -------------------------------------------------------------------------------

Object& Excel::Impl::Get(Type type, void* node, const Where& where, const std::wstring& path) {
    auto& slot = objects[{type, node}];
    if (!slot) {
        slot = std::make_unique<Object>(*this, type, node, where, path);
        byInterface[slot->Interface(type)] = slot.get();
        byInterface[slot->Interface(Type::FillFormat)] = slot.get();
    }
    return *slot;
}

Object& Excel::Impl::Child(const Object& parent, Type type, void* node, const std::wstring& segment) {
    return Child(parent, type, node, segment, parent.where());
}

Object& Excel::Impl::Child(const Object& parent, Type type, void* node, const std::wstring& segment,
                           const Where& where) {
    return Get(type, node, where, parent.path() + L"/" + segment);
}

Object& Excel::Impl::Application() { return Get(Type::Application, &model, {}, L"Application"); }

Object& Excel::Impl::Workbooks() { return Get(Type::Workbooks, &model.workbooks, {}, L"Workbooks"); }

Object& Excel::Impl::Workbook(WorkbookModel& wb) {
    return Get(Type::Workbook, &wb, {&wb}, wb.name);
}

Object& Excel::Impl::Sheets(WorkbookModel& wb) {
    return Get(Type::Sheets, &wb, {&wb}, wb.name + L"/Sheets");
}

Object& Excel::Impl::Sheet(WorkbookModel& wb, SheetModel& sheet) {
    const std::wstring path = wb.name + L"/" + sheet.name;
    if (sheet.kind == SheetModel::Kind::ChartSheet)
        return Get(Type::Chart, &sheet.chart, {&wb, &sheet, nullptr, &sheet.chart}, path);
    return Get(Type::Worksheet, &sheet, {&wb, &sheet}, path);
}

Object& Excel::Impl::ChartObjects(WorkbookModel& wb, SheetModel& sheet) {
    return Get(Type::ChartObjects, &sheet, {&wb, &sheet}, wb.name + L"/" + sheet.name + L"/ChartObjects");
}

Object& Excel::Impl::ChartObject(WorkbookModel& wb, SheetModel& sheet, size_t index) {
    ChartObjectModel& co = sheet.chartObjects.at(index - 1);
    return Get(Type::ChartObject, &co, {&wb, &sheet, &co},
               ChartObjects(wb, sheet).path() + L"(" + std::to_wstring(index) + L")");
}

Object& Excel::Impl::Chart(ChartModel& chart) {
    auto found = objects.find({Type::Chart, &chart});
    if (found != objects.end()) return *found->second;
    for (auto& wb : model.workbooks) {
        for (auto& sheet : wb->sheets) {
            if (sheet->kind == SheetModel::Kind::ChartSheet && &sheet->chart == &chart)
                return Sheet(*wb, *sheet);
            for (size_t j = 0; j < sheet->chartObjects.size(); ++j) {
                ChartObjectModel& co = sheet->chartObjects[j];
                if (&co.chart == &chart)
                    return Get(Type::Chart, &chart, {wb.get(), sheet.get(), &co, &chart},
                               ChartObject(*wb, *sheet, j + 1).path() + L"/Chart");
            }
        }
    }
    return Get(Type::Chart, &chart, {nullptr, nullptr, nullptr, &chart},
               chart.name.empty() ? L"Chart" : chart.name);
}

std::vector<WorkbookModel*> Excel::Impl::OpenWorkbooks() {
    std::vector<WorkbookModel*> open;
    for (auto& wb : model.workbooks)
        if (wb->open) open.push_back(wb.get());
    return open;
}

Object* Excel::Impl::Find(IUnknown* p) {
    auto found = byInterface.find(p);
    return found == byInterface.end() ? nullptr : found->second;
}

// ---- faults and descriptions ---------------------------------------------------------------

const Fault* Excel::Impl::TakeFault(const CallRecord& call) {
    for (FaultRule& rule : faults) {
        if (rule.times == 0) continue;
        if (rule.callIndex && rule.callIndex != call.index) continue;
        if (!rule.member.empty() && rule.member != call.member) continue;
        if (!rule.object.empty() && rule.object != call.object) continue;
        if (!rule.pathContains.empty() && call.path.find(rule.pathContains) == std::wstring::npos) continue;
        if (rule.kind >= 0 && rule.kind != static_cast<int>(call.kind)) continue;
        if (rule.times > 0) --rule.times;
        return &rule.fault;
    }
    return nullptr;
}

std::wstring Excel::Impl::Describe(const VARIANT& v) {
    qv::Variant direct;
    if (FAILED(VariantCopyInd(direct.Receive(), const_cast<VARIANT*>(&v)))) return L"?";
    const VARIANT& d = direct.get();
    switch (d.vt) {
    case VT_EMPTY: return L"Empty";
    case VT_NULL: return L"Null";
    case VT_ERROR:
        if (d.scode == DISP_E_PARAMNOTFOUND) return L"Missing";
        {
            wchar_t text[32];
            swprintf(text, 32, L"Error(0x%08lX)", static_cast<unsigned long>(d.scode));
            return text;
        }
    case VT_BOOL: return d.boolVal ? L"True" : L"False";
    case VT_BSTR: return L"\"" + std::wstring(d.bstrVal ? d.bstrVal : L"") + L"\"";
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IUnknown* p = d.vt == VT_DISPATCH ? d.pdispVal : d.punkVal;
        if (!p) return L"Nothing";
        Object* o = Find(p);
        return L"<dispatch:" + (o ? o->path() : std::wstring(L"?")) + L">";
    }
    default: {
        qv::Variant text;
        if (FAILED(VariantChangeTypeEx(text.Receive(), const_cast<VARIANT*>(&d), qv::kLocaleUS, 0, VT_BSTR)))
            return L"?";
        return text.get().bstrVal ? text.get().bstrVal : L"";
    }
    }
}

// ---- Excel ---------------------------------------------------------------------------------

Excel::Excel(ApplicationModel model, Options options)
    : impl_(std::make_unique<Impl>(std::move(model), options)) {}

Excel::~Excel() = default;

ApplicationModel& Excel::model() { return impl_->model; }
Options& Excel::options() { return impl_->options; }

namespace {
IDispatch* Handed(Object& o) {
    IDispatch* d = o.Interface(o.type());
    d->AddRef();
    return d;
}
}  // namespace

IDispatch* Excel::NewApplicationRef() { return Handed(impl_->Application()); }
IDispatch* Excel::NewWorkbookRef(WorkbookModel& workbook) { return Handed(impl_->Workbook(workbook)); }
IDispatch* Excel::NewSheetRef(WorkbookModel& workbook, SheetModel& sheet) {
    return Handed(impl_->Sheet(workbook, sheet));
}
IDispatch* Excel::NewChartRef(ChartModel& chart) { return Handed(impl_->Chart(chart)); }

const std::vector<CallRecord>& Excel::calls() const { return impl_->calls; }
void Excel::clearCalls() { impl_->calls.clear(); }
long Excel::callCount() const { return static_cast<long>(impl_->calls.size()); }

namespace {
const wchar_t* KindText(CallKind kind) {
    switch (kind) {
    case CallKind::Get: return L"get";
    case CallKind::Put: return L"put";
    case CallKind::Call: return L"call";
    }
    return L"?";
}

std::wstring HResultText(HRESULT hr) {
    if (hr == S_OK) return L"S_OK";
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}
}  // namespace

std::wstring Excel::describeCalls() const {
    std::wstring out;
    for (const CallRecord& c : impl_->calls) {
        out += L"#" + std::to_wstring(c.index) + L" " + c.path + L" " + c.object + L"." +
               (c.member.empty() ? L"?" : c.member) + L" " + KindText(c.kind) + L"(" +
               std::to_wstring(c.dispid) + (c.byName ? L" by name" : L"") + L", flags " +
               std::to_wstring(c.flags) + L", lcid " + std::to_wstring(c.lcid) + L")";
        for (size_t i = 0; i < c.args.size(); ++i) {
            wchar_t vt[16];
            swprintf(vt, 16, L"vt %u", static_cast<unsigned>(c.args[i].vt));
            out += (i ? L", " : L" [") + std::wstring(vt) + L" " + c.args[i].value;
        }
        if (!c.args.empty()) out += L"]";
        out += L" -> " + HResultText(c.result);
        if (!c.resultText.empty()) out += L" " + c.resultText;
        if (!c.errorText.empty()) out += L" \"" + c.errorText + L"\"";
        out += L"\n";
    }
    return out;
}

long Excel::outstandingRefs() const {
    long total = 0;
    for (auto& entry : impl_->objects) total += entry.second->refs();
    return total;
}

std::vector<std::wstring> Excel::overReleased() const {
    std::vector<std::wstring> paths;
    for (auto& entry : impl_->objects)
        if (entry.second->overReleased()) paths.push_back(entry.second->path());
    return paths;
}

std::vector<std::wstring> Excel::objectsWithRefs() const {
    std::vector<std::wstring> paths;
    for (auto& entry : impl_->objects)
        if (entry.second->refs() > 0)
            paths.push_back(entry.second->path() + L" (" + std::to_wstring(entry.second->refs()) + L")");
    // The objects are kept by the address of their model, so their own order follows the heap.
    std::sort(paths.begin(), paths.end());
    return paths;
}

void Excel::addFault(FaultRule rule) { impl_->faults.push_back(std::move(rule)); }
void Excel::clearFaults() { impl_->faults.clear(); }

}  // namespace sim
