// The one layer that calls automation objects through IDispatch.
//
// Callers say what they do (get, put, call a member, by DISPID or by name) and with which typed
// arguments; this layer fills DISPPARAMS (arguments reversed, the put value as the named argument
// DISPID_PROPERTYPUT), passes the locale 1033 to every call, and turns every failure into an
// AutomationError that carries the error number and description the log and the error rules use.
//
// Failures are thrown as AutomationError inside the plug-in only; every COM-facing member catches
// them (see Attempt / TestOrTrue and the members in plugin/), so no exception crosses a COM
// boundary.
#pragma once

#include "com/ComSupport.h"

#include <initializer_list>
#include <string>

namespace qv {

// Locale passed to every automation call: Excel's members that take a locale get US English.
constexpr LCID kLocaleUS = 1033;

// Error numbers follow the automation runtime's convention:
//   * the runtime's own errors are positive (6 overflow, 13 type mismatch, 91 object not set,
//     438 member not supported);
//   * an error a server raises with the control facility (0x800A0000 + n, Excel's 1004) is n;
//   * any other failing HRESULT is its own (negative) value.
namespace errnum {
constexpr long Overflow = 6;
constexpr long TypeMismatch = 13;
constexpr long ObjectNotSet = 91;
constexpr long MemberNotSupported = 438;
}  // namespace errnum

class AutomationError {
public:
    AutomationError(HRESULT hr, std::wstring description);
    // One of the runtime's own errors, by number (errnum::...), with its standard text.
    static AutomationError Runtime(long number);
    // The error an Invoke reported: its HRESULT, and the EXCEPINFO when it was DISP_E_EXCEPTION.
    static AutomationError FromInvoke(HRESULT hr, EXCEPINFO* info);

    HRESULT hr() const { return hr_; }
    long number() const;
    const std::wstring& description() const { return description_; }

private:
    HRESULT hr_;
    std::wstring description_;
};

// HRESULT <-> error number, the one mapping used everywhere.
long ErrorNumberOf(HRESULT hr);
HRESULT HResultOfErrorNumber(long number);
std::wstring RuntimeErrorText(long number);

// A member of an automation object: a dispatch identifier, or a name resolved with
// GetIDsOfNames at the call.
struct DispMember {
    DISPID id;
    const wchar_t* name;
    bool byName;
};
constexpr DispMember ById(DISPID id, const wchar_t* name) { return {id, name, false}; }
constexpr DispMember ByName(const wchar_t* name) { return {DISPID_UNKNOWN, name, true}; }
constexpr DispMember ByName(DispMember m) { return {DISPID_UNKNOWN, m.name, true}; }

using Dispatch = ComPtr<IDispatch>;
using Args = std::initializer_list<Variant>;

// The raw call. flags are DISPATCH_PROPERTYGET, DISPATCH_METHOD (with PROPERTYGET where a
// collection's item is a method), DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF. A null object
// throws the runtime's "object not set".
Variant Invoke(IDispatch* object, DispMember member, WORD flags, Args args = {});

// Property get / method call returning a value.
Variant GetValue(IDispatch* object, DispMember member, Args args = {});
Variant Call(IDispatch* object, DispMember member, Args args = {});
// Same, for members that return an object: a Nothing result throws "object not set".
Dispatch GetObject(IDispatch* object, DispMember member, Args args = {});
Dispatch CallObject(IDispatch* object, DispMember member, Args args = {});
// Same, but Nothing comes back as an empty pointer instead of an error.
Dispatch GetObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
Dispatch CallObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
// Property put.
void Put(IDispatch* object, DispMember member, const Variant& value);

// Coercions with the automation rules (VariantChangeType): banker's rounding, overflow error 6,
// type mismatch 13. An object value is read through its default member, as the runtime does.
long ToInt32(const Variant& v);
short ToInt16(const Variant& v);
double ToDouble(const Variant& v);
bool ToBool(const Variant& v);
std::wstring ToString(const Variant& v);
Dispatch ToObject(const Variant& v);  // Nothing throws "object not set"
Dispatch ToObjectOrNothing(const Variant& v);

// Reads coerced to a width.
inline long GetInt32(IDispatch* o, DispMember m, Args a = {}) { return ToInt32(GetValue(o, m, a)); }
inline short GetInt16(IDispatch* o, DispMember m, Args a = {}) { return ToInt16(GetValue(o, m, a)); }
inline double GetDouble(IDispatch* o, DispMember m, Args a = {}) { return ToDouble(GetValue(o, m, a)); }
inline bool GetBool(IDispatch* o, DispMember m, Args a = {}) { return ToBool(GetValue(o, m, a)); }

// QueryInterface for an interface known by IID, returned as IDispatch. Nothing stays Nothing;
// an object that does not offer the interface throws a type mismatch.
Dispatch QueryAs(IUnknown* object, REFIID iid);

// The resume-next rule: runs one step; a failure inside it is swallowed. Returns whether the
// step completed.
template <class F>
bool Attempt(F&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

// A guard under the resume-next rule: a test whose evaluation fails counts as passed.
template <class F>
bool TestOrTrue(F&& test) noexcept {
    try {
        return static_cast<bool>(test());
    } catch (...) {
        return true;
    }
}

// A guard that counts as false when its evaluation fails.
template <class F>
bool TestOrFalse(F&& test) noexcept {
    try {
        return static_cast<bool>(test());
    } catch (...) {
        return false;
    }
}

// Runs body and converts whatever it throws into an HRESULT, for COM members whose errors go
// back to the caller (the untrapped members). std::bad_alloc becomes E_OUTOFMEMORY.
template <class F>
HRESULT ReturnErrors(F&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const AutomationError& e) {
        return e.hr();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace qv
