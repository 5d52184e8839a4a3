#include "tests/proof/Values.h"

#include <cmath>
#include <limits>

namespace proof {

// ---- ForeignObject ---------------------------------------------------------------------------

HRESULT ForeignObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG ForeignObject::Release() {
    if (refs_ <= 0) {
        overReleased_ = true;
        return 0;
    }
    return static_cast<ULONG>(--refs_);
}

HRESULT ForeignObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ForeignObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ForeignObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT names, LCID, DISPID* ids) {
    if (!ids) return E_POINTER;
    for (UINT i = 0; i < names; ++i) ids[i] = agreeable_ ? 1000 + static_cast<DISPID>(i) : DISPID_UNKNOWN;
    return agreeable_ ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT ForeignObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    ++calls_;
    if (result) VariantInit(result);
    return agreeable_ ? S_OK : DISP_E_MEMBERNOTFOUND;
}

// ---- ValuePool -------------------------------------------------------------------------------

ValuePool::ValuePool(uint32_t seed, sim::Excel* excel)
    : random_(seed), excel_(excel), refusing_(new ForeignObject(false)), agreeable_(new ForeignObject(true)) {}

ValuePool::~ValuePool() {
    kept_.clear();
    for (auto& p : pointers_)
        if (*p) (*p)->Release();
    for (SAFEARRAY* a : arrays_) SafeArrayDestroy(a);
}

std::vector<std::string> ValuePool::Unbalanced() const {
    std::vector<std::string> found;
    // Each pointer slot holds one reference of its own.
    long slotsRefusing = 0, slotsAgreeable = 0;
    for (auto& p : pointers_) {
        if (*p == refusing_.get()) ++slotsRefusing;
        if (*p == agreeable_.get()) ++slotsAgreeable;
    }
    long inVariants[2] = {0, 0};
    for (auto& v : kept_) {
        const VARIANT& x = v->get();
        if ((x.vt == VT_DISPATCH || x.vt == VT_UNKNOWN) && x.punkVal) {
            if (x.punkVal == static_cast<IUnknown*>(refusing_.get())) ++inVariants[0];
            if (x.punkVal == static_cast<IUnknown*>(agreeable_.get())) ++inVariants[1];
        }
    }
    if (refusing_->refs() != 1 + slotsRefusing + inVariants[0] || refusing_->overReleased())
        found.push_back("a foreign object that refuses every member holds " + std::to_string(refusing_->refs()) +
                        " references");
    if (agreeable_->refs() != 1 + slotsAgreeable + inVariants[1] || agreeable_->overReleased())
        found.push_back("a foreign object that answers every member holds " + std::to_string(agreeable_->refs()) +
                        " references");
    return found;
}

VARIANT ValuePool::Keep(qv::Variant v) {
    kept_.push_back(std::make_unique<qv::Variant>(std::move(v)));
    return kept_.back()->get();
}

VARIANT ValuePool::ByRef(VARTYPE type, qv::Variant target) {
    kept_.push_back(std::make_unique<qv::Variant>(std::move(target)));
    VARIANT& t = const_cast<VARIANT&>(kept_.back()->get());
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(VT_BYREF | type);
    if (type == VT_VARIANT) v.pvarVal = &t;
    else v.byref = &t.lVal;  // every member of the value union starts at the same address
    return v;
}

VARIANT ValuePool::Array(VARTYPE type, int count) {
    SAFEARRAY* a = SafeArrayCreateVector(type, 0, static_cast<ULONG>(count));
    for (LONG i = 0; a && i < count; ++i) {
        if (type == VT_I4) {
            LONG n = 1000 * i - 1;
            SafeArrayPutElement(a, &i, &n);
        } else if (type == VT_BSTR) {
            qv::Bstr s(L"item");
            SafeArrayPutElement(a, &i, s.get());
        } else if (type == VT_VARIANT) {
            qv::Variant n = qv::Variant::R8(1e300 * i);
            SafeArrayPutElement(a, &i, const_cast<VARIANT*>(&n.get()));
        }
    }
    arrays_.push_back(a);
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(VT_ARRAY | type);
    v.parray = a;
    return v;
}

VARIANT ValuePool::Next() {
    using V = qv::Variant;
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); };
    VARIANT v;
    VariantInit(&v);
    switch (pick(24)) {
    case 0: return v;  // VT_EMPTY
    case 1: v.vt = VT_NULL; return v;
    case 2: {
        static const wchar_t* texts[] = {L"", L"x", L"12", L"-4142", L"1e400", L"  7 ", L"True", L"&HFF", L"12.0.1"};
        return Keep(V::Str(texts[pick(9)]));
    }
    case 3: return Keep(V::Str(std::wstring(5000 + pick(5000), L'9')));
    case 4: {
        const double d[] = {1e308, -1e308, std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            0.5, -0.5, 32767.5, 4294967296.0, -2147483649.0, 1e-320};
        return Keep(V::R8(d[pick(11)]));
    }
    case 5: {
        const long n[] = {2147483647L, -2147483647L - 1, 65536, 32768, -32769, -1, 0, 7, 8, 16, 51, 32767};
        return Keep(V::I4(n[pick(12)]));
    }
    case 6: return Keep(V::I4(static_cast<long>(random_())));
    case 7: return Keep(V::I2(pick(2) ? -32768 : 32767));
    case 8: v.vt = VT_UI4; v.ulVal = 0xFFFFFFFFu; return v;
    case 9: v.vt = VT_I8; v.llVal = pick(2) ? (1LL << 40) : -(1LL << 62); return v;
    case 10: v.vt = VT_BOOL; v.boolVal = static_cast<VARIANT_BOOL>(pick(2) ? 1 : VARIANT_TRUE); return v;
    case 11: v.vt = VT_DATE; v.date = pick(2) ? 1e10 : -700000; return v;
    case 12: v.vt = VT_CY; v.cyVal.int64 = pick(2) ? (1LL << 62) : -1; return v;
    case 13: v.vt = VT_R4; v.fltVal = 3.4e38f; return v;
    case 14: {
        const SCODE e[] = {DISP_E_PARAMNOTFOUND, static_cast<SCODE>(0x800A03EC), 0, E_FAIL};
        v.vt = VT_ERROR;
        v.scode = e[pick(4)];
        return v;
    }
    case 15: v.vt = VT_DISPATCH; v.pdispVal = nullptr; return v;  // Nothing
    case 16: return Keep(V::Dispatch(pick(2) ? static_cast<IDispatch*>(refusing_.get()) : agreeable_.get()));
    case 17: {
        if (!excel_) return Keep(V::Dispatch(refusing_.get()));
        IDispatch* wrong = nullptr;
        switch (pick(3)) {
        case 0: wrong = excel_->NewApplicationRef(); break;
        case 1: wrong = excel_->NewWorkbookRef(*excel_->model().workbooks.at(0)); break;
        default: wrong = excel_->NewApplicationRef(); break;
        }
        V held = V::Dispatch(wrong);
        wrong->Release();
        return Keep(std::move(held));
    }
    case 18: {
        V u;
        VARIANT& x = *u.Receive();
        x.vt = VT_UNKNOWN;
        x.punkVal = pick(2) ? static_cast<IUnknown*>(agreeable_.get()) : nullptr;
        if (x.punkVal) x.punkVal->AddRef();
        return Keep(std::move(u));
    }
    case 19: return ByRef(VT_I4, V::I4(pick(2) ? 65536 : -1));
    case 20: return ByRef(VT_I2, V::I2(7));
    case 21: return ByRef(VT_VARIANT, pick(2) ? V::Str(L"x") : V::I4(3));
    case 22: {
        pointers_.push_back(std::make_unique<IDispatch*>(pick(2) ? static_cast<IDispatch*>(refusing_.get())
                                                                 : agreeable_.get()));
        (*pointers_.back())->AddRef();
        v.vt = VT_BYREF | VT_DISPATCH;
        v.ppdispVal = pointers_.back().get();
        return v;
    }
    default: {
        const VARTYPE types[] = {VT_I4, VT_BSTR, VT_VARIANT};
        return Array(types[pick(3)], pick(4));
    }
    }
}

std::string ValuePool::Describe(const VARIANT& v) const {
    std::string text = "vt " + std::to_string(v.vt);
    qv::Variant copy, shown;
    if (!(v.vt & VT_ARRAY) && SUCCEEDED(VariantCopyInd(copy.Receive(), const_cast<VARIANT*>(&v))) &&
        copy.get().vt != VT_DISPATCH && copy.get().vt != VT_UNKNOWN &&
        SUCCEEDED(VariantChangeTypeEx(shown.Receive(), const_cast<VARIANT*>(&copy.get()), 1033, 0, VT_BSTR))) {
        std::wstring w = shown.get().bstrVal ? shown.get().bstrVal : L"";
        if (w.size() > 20) w = w.substr(0, 20) + L"...";
        std::string s;
        for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
        text += " " + s;
    }
    return text;
}

}  // namespace proof
