// Values of every VARIANT type, for the fuzzing of what the plug-in reads from Excel.
//
// A ValuePool hands out VARIANTs that it owns (strings, arrays, by-reference targets, objects),
// so that a FaultRule can carry them by value: they stay valid while the pool lives. Objects come
// from two sources: foreign objects of the pool's own (IDispatch implementations that are no part
// of Excel, whose references the pool counts) and Excel objects of the wrong kind (the
// application, where a border or a count is expected), which the Excel stand-in counts.
#pragma once

#include "com/ComSupport.h"
#include "sim/SimExcel.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace proof {

// An automation object that is no part of Excel. A refusing one knows no member; an agreeable one
// answers every call with success and an empty value. Its count starts at 1 (the pool's own).
class ForeignObject final : public IDispatch {
public:
    explicit ForeignObject(bool agreeable) : agreeable_(agreeable) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT names, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;
    long refs() const { return refs_; }
    long calls() const { return calls_; }
    bool overReleased() const { return overReleased_; }

private:
    bool agreeable_;
    long refs_ = 1;
    long calls_ = 0;
    bool overReleased_ = false;
};

class ValuePool {
public:
    // excel, when given, supplies Excel objects of the wrong kind.
    ValuePool(uint32_t seed, sim::Excel* excel);
    ~ValuePool();
    ValuePool(const ValuePool&) = delete;
    ValuePool& operator=(const ValuePool&) = delete;

    // A value of a random type; valid while the pool lives.
    VARIANT Next();
    // Text for a value this pool made, for messages ("VT_R8 1e+308", "VT_BYREF|VT_I4 -> 65536").
    std::string Describe(const VARIANT& v) const;

    std::mt19937& random() { return random_; }
    // Foreign objects whose count is not back at the pool's own reference, or that went below.
    std::vector<std::string> Unbalanced() const;

private:
    VARIANT Keep(qv::Variant v);
    VARIANT ByRef(VARTYPE type, qv::Variant target);
    VARIANT Array(VARTYPE type, int count);

    std::mt19937 random_;
    sim::Excel* excel_;
    std::unique_ptr<ForeignObject> refusing_;
    std::unique_ptr<ForeignObject> agreeable_;
    std::vector<std::unique_ptr<qv::Variant>> kept_;     // values and by-reference targets
    std::vector<std::unique_ptr<IDispatch*>> pointers_;  // targets of VT_BYREF|VT_DISPATCH
    std::vector<SAFEARRAY*> arrays_;
};

}  // namespace proof
