#include "tools/bench/Replay.h"

#include "tools/bench/CountedDispatch.h"

#include <algorithm>

namespace bench {

double Now() {
    static const double tick = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return 1.0 / static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * tick;
}

Recording::~Recording() {
    for (RecordedAnswer& a : answers) VariantClear(&a.result);
}

int Recording::TextIndex(const std::wstring& text) {
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == text) return static_cast<int>(i);
    texts.push_back(text);
    return static_cast<int>(texts.size() - 1);
}

long Recording::invokes() const {
    long n = 0;
    for (const RecordedAnswer& a : answers) n += a.call == RecordedAnswer::Call::Invoke;
    return n;
}

namespace {

class Recorder final : public CountedDispatch<Recorder> {
public:
    Recorder(IDispatch* inner, Recording& recording) : inner_(inner), recording_(recording) { inner_->AddRef(); }
    ~Recorder() { inner_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        IUnknown* other = nullptr;
        const HRESULT hr = inner_->QueryInterface(riid, reinterpret_cast<void**>(&other));
        RecordedAnswer a;
        a.call = RecordedAnswer::Call::Query;
        a.hr = hr;
        recording_.answers.push_back(a);
        if (FAILED(hr)) return hr;
        // Every interface of the stand-in's objects is dispatch-compatible, and the plug-in
        // calls them through IDispatch.
        *ppv = new Recorder(static_cast<IDispatch*>(other), recording_);
        other->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        const HRESULT hr = inner_->GetIDsOfNames(riid, names, count, lcid, ids);
        RecordedAnswer a;
        a.call = RecordedAnswer::Call::Names;
        a.hr = hr;
        a.id = ids ? ids[0] : 0;
        recording_.answers.push_back(a);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* info, UINT* argErr) override {
        const HRESULT hr = inner_->Invoke(id, riid, lcid, flags, params, result, info, argErr);
        RecordedAnswer a;
        a.call = RecordedAnswer::Call::Invoke;
        a.id = id;
        a.hr = hr;
        if (hr == DISP_E_EXCEPTION && info) {
            a.scode = info->scode;
            a.description = recording_.TextIndex(info->bstrDescription ? info->bstrDescription : L"");
        }
        if (SUCCEEDED(hr) && result) {
            if (result->vt == VT_DISPATCH && result->pdispVal) {
                a.isObject = true;
                a.result.vt = VT_DISPATCH;
                IDispatch* object = result->pdispVal;
                result->pdispVal = new Recorder(object, recording_);
                object->Release();
            } else {
                VariantCopy(&a.result, result);
            }
        }
        recording_.answers.push_back(a);
        return hr;
    }

private:
    IDispatch* inner_;
    Recording& recording_;
};

}  // namespace

IDispatch* NewRecorder(IDispatch* inner, Recording& recording) { return new Recorder(inner, recording); }

Replay::Replay(const Recording& recording) : recording_(recording) {
    marks_.reserve(recording.answers.size() / kSegment + 2);
}

void Replay::Rewind() {
    next_ = 0;
    mismatches_ = 0;
    marks_.clear();
    marks_.push_back(Now());
}

Replay::Segments Replay::Finish() {
    marks_.push_back(Now());
    Segments segments(marks_.size() - 1);
    for (size_t i = 0; i < segments.size(); ++i) segments[i] = marks_[i + 1] - marks_[i];
    return segments;
}

void KeepFastest(Replay::Segments& best, const Replay::Segments& run) {
    if (best.empty()) {
        best = run;
        return;
    }
    for (size_t i = 0; i < best.size() && i < run.size(); ++i) best[i] = std::min(best[i], run[i]);
}

double Total(const Replay::Segments& segments) {
    double total = 0;
    for (double s : segments) total += s;
    return total;
}

const RecordedAnswer* Replay::Take(RecordedAnswer::Call call, DISPID id) {
    if (next_ >= recording_.answers.size()) {
        ++mismatches_;
        return nullptr;
    }
    const RecordedAnswer& a = recording_.answers[next_++];
    if (next_ % kSegment == 0 && marks_.size() < marks_.capacity()) marks_.push_back(Now());
    if (a.call != call || (call == RecordedAnswer::Call::Invoke && a.id != id)) ++mismatches_;
    return &a;
}

HRESULT Replay::QueryInterface(REFIID, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const RecordedAnswer* a = Take(RecordedAnswer::Call::Query, 0);
    if (!a || FAILED(a->hr)) return a ? a->hr : E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    return S_OK;
}

HRESULT Replay::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT Replay::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) {
    const RecordedAnswer* a = Take(RecordedAnswer::Call::Names, 0);
    if (!a) return DISP_E_UNKNOWNNAME;
    ids[0] = a->id;
    return a->hr;
}

HRESULT Replay::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* info, UINT*) {
    const RecordedAnswer* a = Take(RecordedAnswer::Call::Invoke, id);
    if (!a) return DISP_E_MEMBERNOTFOUND;
    if (a->hr == DISP_E_EXCEPTION && info) {
        // As a server fills it: the caller frees the texts.
        *info = EXCEPINFO{};
        info->scode = a->scode;
        const std::wstring& text = recording_.texts[a->description];
        info->bstrDescription = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    if (SUCCEEDED(a->hr) && result) {
        if (a->isObject) {
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
        } else {
            VariantCopy(result, const_cast<VARIANT*>(&a->result));
        }
    }
    return a->hr;
}

Replay::Segments Replay::TimeAnswersAlone(int times) {
    Rewind();
    DISPPARAMS none{};
    for (int time = 0; time < times; ++time) {
        if (time) Restart();
        for (const RecordedAnswer& a : recording_.answers) {
            switch (a.call) {
            case RecordedAnswer::Call::Query: {
                void* p = nullptr;
                QueryInterface(IID_IDispatch, &p);
                break;
            }
            case RecordedAnswer::Call::Names: {
                DISPID id = 0;
                GetIDsOfNames(IID_NULL, nullptr, 1, 1033, &id);
                break;
            }
            case RecordedAnswer::Call::Invoke: {
                VARIANT result;
                VariantInit(&result);
                EXCEPINFO info{};
                Invoke(a.id, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, &result, &info, nullptr);
                VariantClear(&result);
                SysFreeString(info.bstrDescription);
                break;
            }
            }
        }
    }
    return Finish();
}

}  // namespace bench
