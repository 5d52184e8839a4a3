#include "com/Automation.h"

#include <cstdio>
#include <memory>
#include <new>

namespace qv {

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return a == b;
    ComPtr<IUnknown> ua, ub;
    if (FAILED(a->QueryInterface(IID_IUnknown, ua.ReceiveVoid()))) return false;
    if (FAILED(b->QueryInterface(IID_IUnknown, ub.ReceiveVoid()))) return false;
    return ua.get() == ub.get();
}

HRESULT Variant::ChangeType(VARTYPE vt, Variant& out) const {
    out.clear();
    // Dereference first: a by-reference value from a server is read like the value itself.
    Variant direct;
    HRESULT hr = VariantCopyInd(direct.Receive(), const_cast<VARIANT*>(&v_));
    if (FAILED(hr)) return hr;
    // No hidden call of an object's default member: an object where a number is expected is a
    // type mismatch.
    return VariantChangeTypeEx(out.Receive(), const_cast<VARIANT*>(&direct.get()), kLocaleUS,
                               VARIANT_NOVALUEPROP, vt);
}

// ---- errors --------------------------------------------------------------------------------

long ErrorNumberOf(HRESULT hr) {
    if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
    return static_cast<long>(hr);
}

HRESULT HResultOfErrorNumber(long number) {
    if (number > 0 && number <= 0xFFFF) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
    return static_cast<HRESULT>(number);
}

std::wstring RuntimeErrorText(long number) {
    switch (number) {
    case 5: return L"Invalid procedure call or argument";
    case 9: return L"Subscript out of range";
    case errnum::Overflow: return L"Overflow";
    case 7: return L"Out of memory";
    case errnum::TypeMismatch: return L"Type mismatch";
    case errnum::ObjectNotSet: return L"Object variable or With block variable not set";
    case 424: return L"Object required";
    case errnum::MemberNotSupported: return L"Object doesn't support this property or method";
    case 448: return L"Named argument not found";
    case 449: return L"Argument not optional";
    case 450: return L"Wrong number of arguments or invalid property assignment";
    default: break;
    }
    wchar_t text[48];
    swprintf(text, 48, L"Automation error 0x%08lX", static_cast<unsigned long>(number));
    return text;
}

static long RuntimeNumberOfDispError(HRESULT hr) {
    switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: return errnum::MemberNotSupported;
    case DISP_E_TYPEMISMATCH:
    case E_NOINTERFACE: return errnum::TypeMismatch;
    case DISP_E_OVERFLOW: return errnum::Overflow;
    case DISP_E_BADPARAMCOUNT: return 450;
    case DISP_E_PARAMNOTOPTIONAL: return 449;
    case DISP_E_PARAMNOTFOUND: return 448;
    case DISP_E_BADINDEX: return 9;
    case E_OUTOFMEMORY: return 7;
    default: return 0;
    }
}

long CallError::number() const { return ErrorNumberOf(hr_); }

std::wstring CallError::description() const {
    if (text_.get()) return text_.str();
    return RuntimeErrorText(number());
}

CallError CallError::Runtime(long number) { return CallError(HResultOfErrorNumber(number)); }

CallError CallError::FromInvoke(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        Bstr source = Bstr::Attach(info->bstrSource);
        Bstr description = Bstr::Attach(info->bstrDescription);
        Bstr helpFile = Bstr::Attach(info->bstrHelpFile);
        info->bstrSource = info->bstrDescription = info->bstrHelpFile = nullptr;
        const HRESULT code = info->scode ? info->scode
                             : info->wCode ? HResultOfErrorNumber(info->wCode)
                                           : hr;
        // An empty text from the server means the runtime's text for the number.
        if (description.length() == 0) description = Bstr();
        return CallError(code, std::move(description));
    }
    if (long n = RuntimeNumberOfDispError(hr)) return Runtime(n);
    return CallError(hr);
}

AutomationError::AutomationError(HRESULT hr, std::wstring description)
    : error_(hr, Bstr(description)) {}

AutomationError AutomationError::Runtime(long number) {
    return AutomationError(CallError::Runtime(number));
}

AutomationError AutomationError::FromInvoke(HRESULT hr, EXCEPINFO* info) {
    return AutomationError(CallError::FromInvoke(hr, info));
}

// ---- the core: calls that report failure to a Step -------------------------------------------

namespace {

// DISPPARAMS takes the arguments last to first. The VARIANTs are shallow copies: Invoke does not
// take ownership of [in] arguments, and the caller's Variants outlive the call. Up to
// kInlineArgs of them live in the object itself, so that an ordinary call allocates nothing.
class ReversedArgs {
public:
    explicit ReversedArgs(Args args) : count_(args.size()) {
        if (count_ > kInlineArgs) more_.reset(new VARIANTARG[count_]);
        VARIANTARG* slots = data();
        size_t i = count_;
        for (const Variant& a : args) slots[--i] = a.get();
    }
    VARIANTARG* data() { return count_ > kInlineArgs ? more_.get() : inline_; }
    UINT size() const { return static_cast<UINT>(count_); }

private:
    size_t count_;
    VARIANTARG inline_[kInlineArgs];
    std::unique_ptr<VARIANTARG[]> more_;
};

}  // namespace

void Step::Fail(CallError error) {
    if (failed_) return;
    failed_ = true;
    error_ = std::move(error);
}

void Step::ThrowIfFailed() {
    if (failed_) throw AutomationError(std::move(error_));
}

Variant Step::Invoke(IDispatch* object, DispMember member, WORD flags, Args args) {
    Variant result;
    if (failed_) return result;
    if (!object) {
        Fail(errnum::ObjectNotSet);
        return result;
    }
    DISPID id = member.id;
    if (member.byName) {
        LPOLESTR name = const_cast<LPOLESTR>(member.name);
        const HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, kLocaleUS, &id);
        if (FAILED(hr)) {
            Fail(CallError::FromInvoke(hr, nullptr));
            return result;
        }
    }

    ReversedArgs reversed(args);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.size() ? reversed.data() : nullptr;
    params.cArgs = reversed.size();
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    EXCEPINFO info{};
    UINT argError = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, kLocaleUS, flags, &params,
                                      put ? nullptr : result.Receive(), &info, &argError);
    if (FAILED(hr)) {
        result.clear();
        Fail(CallError::FromInvoke(hr, &info));
    }
    return result;
}

Variant Step::GetValue(IDispatch* object, DispMember member, Args args) {
    return Invoke(object, member, DISPATCH_PROPERTYGET, args);
}

Variant Step::Call(IDispatch* object, DispMember member, Args args) {
    return Invoke(object, member, DISPATCH_METHOD, args);
}

// Collection items and object-returning methods: Excel accepts the method and the property form
// together, as late-bound clients call them.
Dispatch Step::GetObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    return ToObjectOrNothing(GetValue(object, member, args));
}

Dispatch Step::CallObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    return ToObjectOrNothing(Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args));
}

Dispatch Step::GetObject(IDispatch* object, DispMember member, Args args) {
    return ToObject(GetValue(object, member, args));
}

Dispatch Step::CallObject(IDispatch* object, DispMember member, Args args) {
    return ToObject(Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args));
}

void Step::Put(IDispatch* object, DispMember member, const Variant& value) {
    Invoke(object, member, DISPATCH_PROPERTYPUT, {value});
}

Dispatch Step::ToObjectOrNothing(const Variant& v) {
    Dispatch d;
    if (failed_) return d;
    // A plain object answer, the common case, needs no copy to be read.
    if (v.vt() == VT_DISPATCH) return Dispatch(v.get().pdispVal);
    Variant direct;
    const HRESULT hr = VariantCopyInd(direct.Receive(), const_cast<VARIANT*>(&v.get()));
    if (FAILED(hr)) {
        Fail(CallError::FromInvoke(hr, nullptr));
        return d;
    }
    switch (direct.vt()) {
    case VT_DISPATCH:
        return Dispatch(direct.get().pdispVal);
    case VT_UNKNOWN: {
        IUnknown* unknown = direct.get().punkVal;
        if (unknown && FAILED(unknown->QueryInterface(IID_IDispatch, d.ReceiveVoid())))
            Fail(errnum::TypeMismatch);
        return d;
    }
    default:
        Fail(errnum::TypeMismatch);
        return d;
    }
}

Dispatch Step::ToObject(const Variant& v) {
    Dispatch d = ToObjectOrNothing(v);
    if (!d) Fail(errnum::ObjectNotSet);
    return d;
}

Variant Step::Coerce(const Variant& v, VARTYPE vt) {
    Variant out;
    if (failed_) return out;
    const HRESULT hr = v.ChangeType(vt, out);
    if (FAILED(hr)) Fail(CallError::FromInvoke(hr, nullptr));
    return out;
}

long Step::ToInt32(const Variant& v) {
    if (!failed_ && v.vt() == VT_I4) return v.get().lVal;
    const Variant c = Coerce(v, VT_I4);
    return failed_ ? 0 : c.get().lVal;
}

short Step::ToInt16(const Variant& v) {
    if (!failed_ && v.vt() == VT_I2) return v.get().iVal;
    const Variant c = Coerce(v, VT_I2);
    return failed_ ? 0 : c.get().iVal;
}

double Step::ToDouble(const Variant& v) {
    if (!failed_ && v.vt() == VT_R8) return v.get().dblVal;
    const Variant c = Coerce(v, VT_R8);
    return failed_ ? 0 : c.get().dblVal;
}

bool Step::ToBool(const Variant& v) {
    const Variant c = Coerce(v, VT_BOOL);
    return !failed_ && c.get().boolVal != VARIANT_FALSE;
}

std::wstring Step::ToString(const Variant& v) {
    const Variant s = Coerce(v, VT_BSTR);
    if (failed_) return std::wstring();
    BSTR b = s.get().bstrVal;
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

Dispatch Step::QueryAs(IUnknown* object, REFIID iid) {
    Dispatch d;
    if (failed_ || !object) return d;
    if (FAILED(object->QueryInterface(iid, d.ReceiveVoid()))) Fail(errnum::TypeMismatch);
    return d;
}

// ---- the throwing calls: one step each -----------------------------------------------------

namespace {

template <class Make>
auto Throwing(Make&& make) {
    Step s;
    auto value = make(s);
    s.ThrowIfFailed();
    return value;
}

}  // namespace

Variant Invoke(IDispatch* object, DispMember member, WORD flags, Args args) {
    return Throwing([&](Step& s) { return s.Invoke(object, member, flags, args); });
}
Variant GetValue(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.GetValue(object, member, args); });
}
Variant Call(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.Call(object, member, args); });
}
Dispatch GetObject(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.GetObject(object, member, args); });
}
Dispatch CallObject(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.CallObject(object, member, args); });
}
Dispatch GetObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.GetObjectOrNothing(object, member, args); });
}
Dispatch CallObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    return Throwing([&](Step& s) { return s.CallObjectOrNothing(object, member, args); });
}
void Put(IDispatch* object, DispMember member, const Variant& value) {
    Step s;
    s.Put(object, member, value);
    s.ThrowIfFailed();
}

long ToInt32(const Variant& v) { return Throwing([&](Step& s) { return s.ToInt32(v); }); }
short ToInt16(const Variant& v) { return Throwing([&](Step& s) { return s.ToInt16(v); }); }
double ToDouble(const Variant& v) { return Throwing([&](Step& s) { return s.ToDouble(v); }); }
bool ToBool(const Variant& v) { return Throwing([&](Step& s) { return s.ToBool(v); }); }
std::wstring ToString(const Variant& v) { return Throwing([&](Step& s) { return s.ToString(v); }); }
Dispatch ToObject(const Variant& v) { return Throwing([&](Step& s) { return s.ToObject(v); }); }
Dispatch ToObjectOrNothing(const Variant& v) {
    return Throwing([&](Step& s) { return s.ToObjectOrNothing(v); });
}

long GetInt32(IDispatch* o, DispMember m, Args a) {
    return Throwing([&](Step& s) { return s.GetInt32(o, m, a); });
}
short GetInt16(IDispatch* o, DispMember m, Args a) {
    return Throwing([&](Step& s) { return s.GetInt16(o, m, a); });
}
double GetDouble(IDispatch* o, DispMember m, Args a) {
    return Throwing([&](Step& s) { return s.GetDouble(o, m, a); });
}
bool GetBool(IDispatch* o, DispMember m, Args a) {
    return Throwing([&](Step& s) { return s.GetBool(o, m, a); });
}

Dispatch QueryAs(IUnknown* object, REFIID iid) {
    return Throwing([&](Step& s) { return s.QueryAs(object, iid); });
}

}  // namespace qv
