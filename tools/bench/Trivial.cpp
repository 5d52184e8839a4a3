#include "tools/bench/Trivial.h"

#include "tools/bench/CountedDispatch.h"

namespace bench {
namespace {

class Trivial final : public CountedDispatch<Trivial> {
public:
    explicit Trivial(Answer answer) : answer_(answer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        ids[0] = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* info,
                                     UINT*) override {
        if (answer_ == Answer::Fails || answer_ == Answer::FailsBare) {
            if (info) {
                *info = EXCEPINFO{};
                info->scode = static_cast<SCODE>(0x800A03EC);
                if (answer_ == Answer::Fails) {
                    info->bstrSource = SysAllocString(L"Microsoft Excel");
                    info->bstrDescription = SysAllocString(L"Unable to set the Patterned property of the Fill class");
                }
            }
            return DISP_E_EXCEPTION;
        }
        if (result && answer_ == Answer::Itself) {
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            AddRef();
        } else if (result) {
            result->vt = VT_I4;
            result->lVal = 0;
        }
        return S_OK;
    }

private:
    Answer answer_;
};

}  // namespace

IDispatch* NewTrivialObject(Answer answer) { return new Trivial(answer); }

}  // namespace bench
