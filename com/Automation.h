// The one layer that calls automation objects through IDispatch.
//
// Callers say what they do (get, put, call a member, by DISPID or by name) and with which typed
// arguments; this layer fills DISPPARAMS (arguments reversed, the put value as the named argument
// DISPID_PROPERTYPUT), passes the locale 1033 to every call, and turns every failure into an
// AutomationError that carries the error number and description the log and the error rules use.
//
// Two ways to learn of a failure: the throwing calls throw AutomationError (inside the plug-in
// only; every COM-facing member catches them, see ReturnErrors and the members in plugin/), and a
// Step reports it without an exception, for the resume-next steps, where refused calls are
// common. Both are the same core, with the same error numbers and descriptions.
#pragma once

#include "com/ComSupport.h"

#include <initializer_list>
#include <string>
#include <type_traits>

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

// What a failed call reported. The error number is known at once; the server's text stays the
// BSTR it came in until someone asks for the description, which a step skipped under resume next
// never does.
class CallError {
public:
    CallError() = default;
    // text: the server's description; a null one means the runtime's standard text for the number.
    explicit CallError(HRESULT hr, Bstr text = Bstr()) : hr_(hr), text_(std::move(text)) {}
    // One of the runtime's own errors, by number (errnum::...).
    static CallError Runtime(long number);
    // The error an Invoke reported: its HRESULT, and the EXCEPINFO when it was DISP_E_EXCEPTION.
    // Takes the texts out of info.
    static CallError FromInvoke(HRESULT hr, EXCEPINFO* info);

    HRESULT hr() const { return hr_; }
    long number() const;
    std::wstring description() const;

private:
    HRESULT hr_ = S_OK;
    Bstr text_;
};

class AutomationError {
public:
    AutomationError(HRESULT hr, std::wstring description);
    explicit AutomationError(CallError error) : error_(std::move(error)) {}
    static AutomationError Runtime(long number);
    static AutomationError FromInvoke(HRESULT hr, EXCEPINFO* info);

    HRESULT hr() const { return error_.hr(); }
    long number() const { return error_.number(); }
    std::wstring description() const { return error_.description(); }
    const CallError& error() const { return error_; }

private:
    CallError error_;
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

class Step;

// The throwing calls: a failure throws AutomationError. Each is one Step (below) that throws
// what the step failed with.
//
// The raw call. flags are DISPATCH_PROPERTYGET, DISPATCH_METHOD (with PROPERTYGET where a
// collection's item is a method), DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF. A null object
// fails as the runtime's "object not set". Up to kInlineArgs arguments are passed without a heap
// allocation.
constexpr size_t kInlineArgs = 4;
Variant Invoke(IDispatch* object, DispMember member, WORD flags, Args args = {});

// Property get / method call returning a value.
Variant GetValue(IDispatch* object, DispMember member, Args args = {});
Variant Call(IDispatch* object, DispMember member, Args args = {});
// Same, for members that return an object: a Nothing result fails as "object not set".
Dispatch GetObject(IDispatch* object, DispMember member, Args args = {});
Dispatch CallObject(IDispatch* object, DispMember member, Args args = {});
// Same, but Nothing comes back as an empty pointer instead of an error.
Dispatch GetObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
Dispatch CallObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
// Property put.
void Put(IDispatch* object, DispMember member, const Variant& value);

// Coercions with the automation rules (VariantChangeType): banker's rounding, overflow error 6,
// type mismatch 13. An object where a value is expected is a type mismatch.
long ToInt32(const Variant& v);
short ToInt16(const Variant& v);
double ToDouble(const Variant& v);
bool ToBool(const Variant& v);
std::wstring ToString(const Variant& v);
Dispatch ToObject(const Variant& v);  // Nothing fails as "object not set"
Dispatch ToObjectOrNothing(const Variant& v);

// Reads coerced to a width.
long GetInt32(IDispatch* o, DispMember m, Args a = {});
short GetInt16(IDispatch* o, DispMember m, Args a = {});
double GetDouble(IDispatch* o, DispMember m, Args a = {});
bool GetBool(IDispatch* o, DispMember m, Args a = {});

// QueryInterface for an interface known by IID, returned as IDispatch. Nothing stays Nothing;
// an object that does not offer the interface is a type mismatch.
Dispatch QueryAs(IUnknown* object, REFIID iid);

// One step under the resume-next rule, made of calls that report failure without an exception
// (a refused call is common: absent elements, patterns a chart does not take, and an exception
// costs microseconds). The first failing call ends the step: the step keeps its error, and every
// later call through the step is not made and answers empty (0, Nothing, an empty Variant), as
// if the step had been left at the failure. The members are those of the throwing calls above.
class Step {
public:
    bool failed() const { return failed_; }
    // The first failure; meaningful only when failed().
    const CallError& error() const { return error_; }
    // Records a failure (the first one only counts).
    void Fail(CallError error);
    void Fail(long runtimeNumber) { Fail(CallError::Runtime(runtimeNumber)); }
    // Carries the step's failure on as an AutomationError.
    void ThrowIfFailed();

    Variant Invoke(IDispatch* object, DispMember member, WORD flags, Args args = {});
    Variant GetValue(IDispatch* object, DispMember member, Args args = {});
    Variant Call(IDispatch* object, DispMember member, Args args = {});
    Dispatch GetObject(IDispatch* object, DispMember member, Args args = {});
    Dispatch CallObject(IDispatch* object, DispMember member, Args args = {});
    Dispatch GetObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
    Dispatch CallObjectOrNothing(IDispatch* object, DispMember member, Args args = {});
    void Put(IDispatch* object, DispMember member, const Variant& value);

    long ToInt32(const Variant& v);
    short ToInt16(const Variant& v);
    double ToDouble(const Variant& v);
    bool ToBool(const Variant& v);
    std::wstring ToString(const Variant& v);
    Dispatch ToObject(const Variant& v);
    Dispatch ToObjectOrNothing(const Variant& v);

    long GetInt32(IDispatch* o, DispMember m, Args a = {}) { return ToInt32(GetValue(o, m, a)); }
    short GetInt16(IDispatch* o, DispMember m, Args a = {}) { return ToInt16(GetValue(o, m, a)); }
    double GetDouble(IDispatch* o, DispMember m, Args a = {}) { return ToDouble(GetValue(o, m, a)); }
    bool GetBool(IDispatch* o, DispMember m, Args a = {}) { return ToBool(GetValue(o, m, a)); }

    Dispatch QueryAs(IUnknown* object, REFIID iid);

private:
    Variant Coerce(const Variant& v, VARTYPE vt);

    bool failed_ = false;
    CallError error_;
};

// A step, a test or a count can be written against a Step (its calls report failure without an
// exception) or as code that throws; the helpers below take either.
template <class F>
constexpr bool kTakesStep = std::is_invocable_v<F&, Step&>;

// The resume-next rule: runs one step; a failure inside it is swallowed. Returns whether the
// step completed.
template <class F>
bool Attempt(F&& step) noexcept {
    try {
        if constexpr (kTakesStep<F>) {
            Step s;
            step(s);
            return !s.failed();
        } else {
            step();
            return true;
        }
    } catch (...) {
        return false;
    }
}

// A guard under the resume-next rule: a test whose evaluation fails counts as passed.
template <class F>
bool TestOrTrue(F&& test) noexcept {
    try {
        if constexpr (kTakesStep<F>) {
            Step s;
            const bool passed = static_cast<bool>(test(s));
            return s.failed() || passed;
        } else {
            return static_cast<bool>(test());
        }
    } catch (...) {
        return true;
    }
}

// A guard that counts as false when its evaluation fails.
template <class F>
bool TestOrFalse(F&& test) noexcept {
    try {
        if constexpr (kTakesStep<F>) {
            Step s;
            const bool passed = static_cast<bool>(test(s));
            return !s.failed() && passed;
        } else {
            return static_cast<bool>(test());
        }
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
