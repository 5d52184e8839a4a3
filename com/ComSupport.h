// Small owners for COM pointers, BSTRs and VARIANTs.
//
// Every COM reference, string and variant the plug-in touches is held by one of these, so that a
// step abandoned half way (an Excel call that fails, an exception thrown by the calling layer)
// still releases what it took. Copies are explicit (AddRef / VariantCopy), moves are cheap, and
// Receive() hands out the address of an empty owner only.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <cassert>
#include <string>
#include <utility>

namespace qv {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) { ComPtr r; r.p_ = p; return r; }
    T* Detach() { return std::exchange(p_, nullptr); }

    void reset() { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
    T* get() const { return p_; }
    T* operator->() const { assert(p_); return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Out-parameter for APIs that return an AddRef'ed pointer.
    T** Receive() { assert(!p_); return &p_; }
    void** ReceiveVoid() { assert(!p_); return reinterpret_cast<void**>(&p_); }

    // QueryInterface into another owner; empty on failure.
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const {
        out.reset();
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.ReceiveVoid());
    }

private:
    T* p_ = nullptr;
};

// True when a and b are the same COM object (their IUnknown pointers are equal).
bool SameObject(IUnknown* a, IUnknown* b);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* s) : b_(s ? SysAllocString(s) : nullptr) {}
    explicit Bstr(const std::wstring& s)
        : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    Bstr(const Bstr& o) : b_(o.b_ ? SysAllocStringLen(o.b_, SysStringLen(o.b_)) : nullptr) {}
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    // Most owners stay empty (an error without a server text); they skip the call.
    ~Bstr() { if (b_) SysFreeString(b_); }
    Bstr& operator=(Bstr o) noexcept { std::swap(b_, o.b_); return *this; }

    static Bstr Attach(BSTR b) { Bstr r; r.b_ = b; return r; }
    BSTR Detach() { return std::exchange(b_, nullptr); }
    BSTR get() const { return b_; }
    BSTR* Receive() { assert(!b_); return &b_; }
    UINT length() const { return SysStringLen(b_); }
    std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant& o) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
    Variant(Variant&& o) noexcept { v_ = o.v_; VariantInit(&o.v_); }
    explicit Variant(const VARIANT& v) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&v)); }
    // Results that are nothing or a number are the common case; they need no call to clear.
    ~Variant() { if (NeedsClear()) VariantClear(&v_); }
    Variant& operator=(Variant o) noexcept { std::swap(v_, o.v_); return *this; }

    // Typed constructors: the width of every value written to Excel is explicit.
    static Variant I2(short n) { Variant r; r.v_.vt = VT_I2; r.v_.iVal = n; return r; }
    static Variant I4(long n) { Variant r; r.v_.vt = VT_I4; r.v_.lVal = n; return r; }
    static Variant R8(double d) { Variant r; r.v_.vt = VT_R8; r.v_.dblVal = d; return r; }
    static Variant Bool(bool b) { Variant r; r.v_.vt = VT_BOOL; r.v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; return r; }
    static Variant Str(const std::wstring& s) { Variant r; r.v_.vt = VT_BSTR; r.v_.bstrVal = Bstr(s).Detach(); return r; }
    // Holds its own reference on d (which may be null: Nothing).
    static Variant Dispatch(IDispatch* d) { Variant r; r.v_.vt = VT_DISPATCH; r.v_.pdispVal = d; if (d) d->AddRef(); return r; }
    // An omitted optional argument.
    static Variant Missing() { Variant r; r.v_.vt = VT_ERROR; r.v_.scode = DISP_E_PARAMNOTFOUND; return r; }
    // By-reference arguments point at storage the caller keeps alive for the call.
    static Variant RefI2(short* p) { Variant r; r.v_.vt = VT_BYREF | VT_I2; r.v_.piVal = p; return r; }
    static Variant RefI4(long* p) { Variant r; r.v_.vt = VT_BYREF | VT_I4; r.v_.plVal = p; return r; }
    static Variant RefBstr(BSTR* p) { Variant r; r.v_.vt = VT_BYREF | VT_BSTR; r.v_.pbstrVal = p; return r; }

    VARTYPE vt() const { return v_.vt; }
    const VARIANT& get() const { return v_; }
    VARIANT* Receive() { assert(v_.vt == VT_EMPTY); return &v_; }
    VARIANT Detach() { VARIANT r = v_; VariantInit(&v_); return r; }
    void clear() { if (NeedsClear()) VariantClear(&v_); else VariantInit(&v_); }

    // Coerces into another type with the automation rules (rounding, overflow); the HRESULT of
    // VariantChangeType comes back and out is left empty on failure.
    HRESULT ChangeType(VARTYPE vt, Variant& out) const;

private:
    bool NeedsClear() const {
        switch (v_.vt) {
        case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BOOL:
        case VT_ERROR: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT:
            return false;
        default:
            return true;  // strings, objects, arrays, references, records
        }
    }

    VARIANT v_;
};

}  // namespace qv
