#include "com/Automation.h"

#include <cstdio>
#include <new>
#include <vector>

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

AutomationError::AutomationError(HRESULT hr, std::wstring description)
    : hr_(hr), description_(std::move(description)) {}

long AutomationError::number() const { return ErrorNumberOf(hr_); }

AutomationError AutomationError::Runtime(long number) {
    return AutomationError(HResultOfErrorNumber(number), RuntimeErrorText(number));
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

AutomationError AutomationError::FromInvoke(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        Bstr source = Bstr::Attach(info->bstrSource);
        Bstr description = Bstr::Attach(info->bstrDescription);
        Bstr helpFile = Bstr::Attach(info->bstrHelpFile);
        info->bstrSource = info->bstrDescription = info->bstrHelpFile = nullptr;
        HRESULT code = info->scode ? info->scode
                       : info->wCode ? HResultOfErrorNumber(info->wCode)
                                     : hr;
        std::wstring text = description.str();
        if (text.empty()) text = RuntimeErrorText(ErrorNumberOf(code));
        return AutomationError(code, text);
    }
    if (long n = RuntimeNumberOfDispError(hr)) return Runtime(n);
    return AutomationError(hr, RuntimeErrorText(static_cast<long>(hr)));
}

// ---- calls ---------------------------------------------------------------------------------

static DISPID ResolveMember(IDispatch* object, DispMember member) {
    if (!member.byName) return member.id;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member.name);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, kLocaleUS, &id);
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, nullptr);
    return id;
}

Variant Invoke(IDispatch* object, DispMember member, WORD flags, Args args) {
    if (!object) throw AutomationError::Runtime(errnum::ObjectNotSet);
    DISPID id = ResolveMember(object, member);

    // DISPPARAMS takes the arguments last to first. The VARIANTs are shallow copies: Invoke
    // does not take ownership of [in] arguments, and the Variants outlive the call.
    std::vector<VARIANTARG> reversed(args.size());
    size_t i = args.size();
    for (const Variant& a : args) reversed[--i] = a.get();

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    Variant result;
    EXCEPINFO info{};
    UINT argError = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, kLocaleUS, flags, &params,
                                put ? nullptr : result.Receive(), &info, &argError);
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, &info);
    return result;
}

Variant GetValue(IDispatch* object, DispMember member, Args args) {
    return Invoke(object, member, DISPATCH_PROPERTYGET, args);
}

Variant Call(IDispatch* object, DispMember member, Args args) {
    return Invoke(object, member, DISPATCH_METHOD, args);
}

Dispatch ToObjectOrNothing(const Variant& v) {
    Variant direct;
    HRESULT hr = VariantCopyInd(direct.Receive(), const_cast<VARIANT*>(&v.get()));
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, nullptr);
    switch (direct.vt()) {
    case VT_DISPATCH:
        return Dispatch(direct.get().pdispVal);
    case VT_UNKNOWN: {
        IUnknown* unknown = direct.get().punkVal;
        Dispatch d;
        if (unknown && FAILED(unknown->QueryInterface(IID_IDispatch, d.ReceiveVoid())))
            throw AutomationError::Runtime(errnum::TypeMismatch);
        return d;
    }
    default:
        throw AutomationError::Runtime(errnum::TypeMismatch);
    }
}

Dispatch ToObject(const Variant& v) {
    Dispatch d = ToObjectOrNothing(v);
    if (!d) throw AutomationError::Runtime(errnum::ObjectNotSet);
    return d;
}

Dispatch GetObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    return ToObjectOrNothing(GetValue(object, member, args));
}

Dispatch CallObjectOrNothing(IDispatch* object, DispMember member, Args args) {
    // Collection items and object-returning methods: Excel accepts the method and the property
    // form together, as late-bound clients call them.
    return ToObjectOrNothing(Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args));
}

Dispatch GetObject(IDispatch* object, DispMember member, Args args) {
    return ToObject(GetValue(object, member, args));
}

Dispatch CallObject(IDispatch* object, DispMember member, Args args) {
    return ToObject(Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args));
}

void Put(IDispatch* object, DispMember member, const Variant& value) {
    Invoke(object, member, DISPATCH_PROPERTYPUT, {value});
}

// ---- coercions -----------------------------------------------------------------------------

static Variant Coerce(const Variant& v, VARTYPE vt) {
    Variant out;
    HRESULT hr = v.ChangeType(vt, out);
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, nullptr);
    return out;
}

long ToInt32(const Variant& v) { return Coerce(v, VT_I4).get().lVal; }
short ToInt16(const Variant& v) { return Coerce(v, VT_I2).get().iVal; }
double ToDouble(const Variant& v) { return Coerce(v, VT_R8).get().dblVal; }
bool ToBool(const Variant& v) { return Coerce(v, VT_BOOL).get().boolVal != VARIANT_FALSE; }
std::wstring ToString(const Variant& v) {
    Variant s = Coerce(v, VT_BSTR);
    BSTR b = s.get().bstrVal;
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

Dispatch QueryAs(IUnknown* object, REFIID iid) {
    Dispatch d;
    if (!object) return d;
    if (FAILED(object->QueryInterface(iid, d.ReceiveVoid())))
        throw AutomationError::Runtime(errnum::TypeMismatch);
    return d;
}

}  // namespace qv
