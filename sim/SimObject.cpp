// The automation object of the Excel stand-in: IUnknown and IDispatch by hand, and the one path
// every Invoke takes (log the call, maybe inject a fault, check the calling convention as Excel
// does, run the member's handler, turn a raised Excel error into DISP_E_EXCEPTION).
#include "sim/SimInternal.h"

#include "excel/ExcelObjectModel.h"
#include "sim/StandInServer.h"

#include <cwchar>

namespace sim::detail {

Object::Object(Excel::Impl& excel, Type type, void* node, Where where, std::wstring path)
    : excel_(excel), type_(type), node_(node), where_(where), path_(std::move(path)) {}

IDispatch* Object::Interface(Type view) {
    if (view == Type::FillFormat) return &fillFormat_;
    return this;
}

HRESULT Object::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const IID* own = Definition(type_).iid;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || (own && IsEqualIID(iid, *own)))
        *ppv = static_cast<IDispatch*>(this);
    else if (type_ == Type::ChartFillFormat && IsEqualIID(iid, qv::excel::IID_FillFormat))
        *ppv = &fillFormat_;
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG Object::AddRef() { return static_cast<ULONG>(++refs_); }

// The model owns the object: a count reaching zero deletes nothing, and a release too many is
// remembered (and the count kept at zero) so that a test can name the object.
ULONG Object::Release() {
    if (refs_ == 0) {
        overReleased_ = true;
        return 0;
    }
    return static_cast<ULONG>(--refs_);
}

HRESULT Object::GetTypeInfoCount(UINT* count) { return NoTypeInfoCount(count); }

HRESULT Object::GetTypeInfo(UINT, LCID, ITypeInfo** info) { return NoTypeInfo(info); }

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return ResolveNames(type_, memo_, names, count, ids);
}

HRESULT Object::ResolveNames(Type view, NameMemo& memo, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const MemberDef* member = FindMember(view, names[0]);
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    // Named arguments are not used by the plug-in and not offered here.
    if (count > 1) return DISP_E_UNKNOWNNAME;
    memo.set = true;
    memo.id = member->id;
    return S_OK;
}

HRESULT Object::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* info, UINT* argErr) {
    return Dispatch(type_, memo_, id, riid, lcid, flags, params, result, info, argErr);
}

namespace {

CallKind KindOf(WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return CallKind::Put;
    if (flags == DISPATCH_PROPERTYGET) return CallKind::Get;
    return CallKind::Call;
}

bool Allowed(Access access, WORD flags) {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    switch (access) {
    case Access::Get: return !put && (flags & DISPATCH_PROPERTYGET);
    case Access::GetPut: return put || (flags & DISPATCH_PROPERTYGET);
    case Access::Method: return !put && (flags & DISPATCH_METHOD);
    case Access::ObjectMethod:
    case Access::ItemGet: return !put && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    }
    return false;
}

// Excel's wording of error 1004 for a member of a class.
std::wstring ExcelText(const MemberDef& member, const wchar_t* className, bool put) {
    if (put) return std::wstring(L"Unable to set the ") + member.name + L" property of the " + className + L" class";
    if (member.access == Access::Method) return std::wstring(member.name) + L" method of " + className + L" class failed";
    return std::wstring(L"Unable to get the ") + member.name + L" property of the " + className + L" class";
}

void FillExcepInfo(EXCEPINFO* info, HRESULT scode, const std::wstring& text) {
    if (!info) return;
    *info = EXCEPINFO{};
    info->scode = scode;
    info->bstrSource = SysAllocString(L"Microsoft Excel");
    info->bstrDescription = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// Whether the node behind a view still exists in the chart (no legend, no walls on a 2-D chart,
// an axis or gridlines the chart does not have).
bool NodePresent(const Object& o) {
    switch (o.type()) {
    case Type::ChartArea: case Type::PlotArea: case Type::Legend: case Type::Walls:
    case Type::Floor: case Type::DataLabel: case Type::LegendKey: case Type::Point:
        return o.node<ElementModel>().present;
    case Type::Gridlines: case Type::LeaderLines: case Type::Trendline:
        return o.node<LineElementModel>().present;
    case Type::Axis:
        return o.node<AxisModel>().present;
    default:
        return true;
    }
}

HRESULT Inject(const Fault& fault, VARIANT* result, EXCEPINFO* info) {
    switch (fault.kind) {
    case FaultKind::Error:
        FillExcepInfo(info, fault.scode, fault.description);
        return DISP_E_EXCEPTION;
    case FaultKind::Nothing:
        if (result) { result->vt = VT_DISPATCH; result->pdispVal = nullptr; }
        return S_OK;
    case FaultKind::WrongType:
        if (!result) return S_OK;
        if (fault.wrongValue.vt == VT_EMPTY) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"x");
            return S_OK;
        }
        return VariantCopy(result, const_cast<VARIANT*>(&fault.wrongValue));
    }
    return E_UNEXPECTED;
}

}  // namespace

HRESULT Object::Dispatch(Type view, NameMemo& memo, DISPID id, REFIID riid, LCID lcid, WORD flags,
                         DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT* argErr) {
    CallRecord record{};
    record.index = static_cast<long>(excel_.calls.size()) + 1;
    record.path = path_;
    record.object = Definition(view).name;
    record.dispid = id;
    record.kind = KindOf(flags);
    record.flags = flags;
    record.byName = memo.take(id);
    record.lcid = lcid;
    const MemberDef* member = FindMember(view, id);
    record.member = member ? member->name : L"";
    if (params && (params->cArgs == 0 || params->rgvarg)) {
        // Positional arguments are stored last to first, after the named ones.
        for (UINT i = params->cArgs; i > params->cNamedArgs; --i)
            record.args.push_back({params->rgvarg[i - 1].vt, excel_.Describe(params->rgvarg[i - 1])});
        for (UINT i = 0; i < params->cNamedArgs && i < params->cArgs; ++i)
            record.args.push_back({params->rgvarg[i].vt, excel_.Describe(params->rgvarg[i])});
    }
    if (result) VariantInit(result);
    if (info) *info = EXCEPINFO{};

    HRESULT hr;
    if (!IsEqualIID(riid, IID_NULL)) {
        hr = DISP_E_UNKNOWNINTERFACE;
    } else if (!params || (params->cArgs && !params->rgvarg)) {
        hr = E_INVALIDARG;
    } else if (const Fault* fault = excel_.TakeFault(record)) {
        hr = Inject(*fault, result, info);
        if (hr == DISP_E_EXCEPTION) record.errorText = fault->description;
    } else {
        Raise error{S_OK, 0, {}, -1};
        hr = Execute(view, member, flags, params, result, error);
        if (hr == DISP_E_EXCEPTION) {
            FillExcepInfo(info, error.scode, error.description);
            record.errorText = error.description;
        }
        if (FAILED(hr) && argErr && error.arg >= 0)
            *argErr = params->cArgs - 1 - static_cast<UINT>(error.arg);
    }
    record.result = hr;
    if (SUCCEEDED(hr) && result) record.resultText = excel_.Describe(*result);
    excel_.calls.push_back(std::move(record));
    return hr;
}

HRESULT Object::Execute(Type view, const MemberDef* member, WORD flags, DISPPARAMS* params,
                        VARIANT* result, Raise& error) {
    if (!member || !Allowed(member->access, flags)) return DISP_E_MEMBERNOTFOUND;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    } else {
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (params->cArgs < member->minArgs || params->cArgs > member->maxArgs) return DISP_E_BADPARAMCOUNT;
    }

    Call call(*this, view, *member, put, put ? nullptr : result);
    for (UINT i = params->cArgs; i > 0; --i) {
        qv::Variant arg;
        if (FAILED(VariantCopyInd(arg.Receive(), &params->rgvarg[i - 1]))) {
            error = {DISP_E_TYPEMISMATCH, 0, {}, static_cast<int>(params->cArgs - i)};
            return DISP_E_TYPEMISMATCH;
        }
        call.args.push_back(std::move(arg));
    }
    // Required arguments cannot be left out.
    for (size_t i = 0; i < member->minArgs && i < call.args.size(); ++i) {
        if (!put && IsMissing(call.args[i].get())) {
            error = {DISP_E_PARAMNOTOPTIONAL, 0, {}, static_cast<int>(i)};
            return DISP_E_PARAMNOTOPTIONAL;
        }
    }

    try {
        // A closed workbook and an element the chart does not have answer every call with 1004.
        if ((where_.workbook && !where_.workbook->open) || !NodePresent(*this)) throw Raise::Excel();
        (put ? member->put : member->get)(call);
        return S_OK;
    } catch (const Raise& raised) {
        if (result) VariantClear(result);
        error = raised;
        error.description = raised.description.empty()
                                       ? ExcelText(*member, Definition(view).name, put)
                                       : raised.description;
        return raised.hr;
    }
}

// ---- Call ----------------------------------------------------------------------------------

const Options& Call::options() const { return self.excel().options; }

bool Call::given(size_t i) const { return i < args.size() && !IsMissing(args[i].get()); }

long Call::Int(size_t i) const {
    if (!given(i)) throw Raise::Arg(DISP_E_PARAMNOTOPTIONAL, static_cast<int>(i));
    qv::Variant out;
    HRESULT hr = VariantChangeTypeEx(out.Receive(), const_cast<VARIANT*>(&args[i].get()),
                                     qv::kLocaleUS, VARIANT_NOVALUEPROP, VT_I4);
    if (FAILED(hr)) throw Raise::Arg(hr, static_cast<int>(i));
    return out.get().lVal;
}

bool Call::Bool(size_t i) const {
    if (!given(i)) throw Raise::Arg(DISP_E_PARAMNOTOPTIONAL, static_cast<int>(i));
    qv::Variant out;
    HRESULT hr = VariantChangeTypeEx(out.Receive(), const_cast<VARIANT*>(&args[i].get()),
                                     qv::kLocaleUS, VARIANT_NOVALUEPROP, VT_BOOL);
    if (FAILED(hr)) throw Raise::Arg(hr, static_cast<int>(i));
    return out.get().boolVal != VARIANT_FALSE;
}

size_t Call::Index(size_t i, size_t count, const std::vector<std::wstring>& names) const {
    if (given(i) && args[i].vt() == VT_BSTR) {
        const BSTR name = args[i].get().bstrVal;
        for (size_t k = 0; k < names.size(); ++k)
            if (name && _wcsicmp(names[k].c_str(), name) == 0) return k + 1;
        throw Raise::Excel();
    }
    const long n = Int(i);
    if (n < 1 || static_cast<size_t>(n) > count) throw Raise::Excel();
    return static_cast<size_t>(n);
}

void Call::Return(Object& object) const {
    if (!result_) return;
    IDispatch* d = object.Interface(object.type());
    d->AddRef();
    result_->vt = VT_DISPATCH;
    result_->pdispVal = d;
}

void Call::ReturnNothing() const {
    if (!result_) return;
    result_->vt = VT_DISPATCH;
    result_->pdispVal = nullptr;
}

void Call::ReturnI4(long n) const {
    if (!result_) return;
    result_->vt = VT_I4;
    result_->lVal = n;
}

void Call::ReturnBool(bool b) const {
    if (!result_) return;
    result_->vt = VT_BOOL;
    result_->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::ReturnString(const std::wstring& s) const {
    if (!result_) return;
    result_->vt = VT_BSTR;
    result_->bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

void Call::ReturnColor(int32_t colour) const {
    if (!result_) return;
    if (options().colorsAsDouble) {
        result_->vt = VT_R8;
        result_->dblVal = colour;
    } else {
        result_->vt = VT_I4;
        result_->lVal = colour;
    }
}

}  // namespace sim::detail
