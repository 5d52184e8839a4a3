#include "sim/SimDebugger.h"

#include <objbase.h>
#include <oleauto.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace sim {

// {6C1F3A52-9D4B-4E7A-B0C3-5A8E2D71F946}
const CLSID CLSID_SimDebugger = {
    0x6c1f3a52, 0x9d4b, 0x4e7a, {0xb0, 0xc3, 0x5a, 0x8e, 0x2d, 0x71, 0xf9, 0x46}};

struct SimDebugger::State {
    long moduleId = 0;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<DebuggerCall> calls;
    bool failing = false;
    bool registered = false;
    bool stop = false;
    HRESULT startResult = S_OK;
};

namespace {

constexpr DISPID kRegisterModule = 1;
constexpr DISPID kDebugMsg = 2;

DebuggerArg Describe(const VARIANT& arg) {
    VARIANT value;
    VariantInit(&value);
    DebuggerArg out{arg.vt, L""};
    if (SUCCEEDED(VariantCopyInd(&value, const_cast<VARIANT*>(&arg)))) {
        VARIANT text;
        VariantInit(&text);
        if (SUCCEEDED(VariantChangeType(&text, &value, 0, VT_BSTR)) && text.bstrVal)
            out.value.assign(text.bstrVal, SysStringLen(text.bstrVal));
        VariantClear(&text);
    }
    VariantClear(&value);
    return out;
}

class DebuggerObject final : public IDispatch {
public:
    explicit DebuggerObject(std::shared_ptr<SimDebugger::State> state) : state_(std::move(state)) {}
    virtual ~DebuggerObject() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (_wcsicmp(names[0], L"RegisterModule") == 0) ids[0] = kRegisterModule;
        else if (_wcsicmp(names[0], L"DebugMsg") == 0) ids[0] = kDebugMsg;
        else return DISP_E_UNKNOWNNAME;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT*) override {
        DebuggerCall call{id == kRegisterModule ? L"RegisterModule"
                          : id == kDebugMsg     ? L"DebugMsg"
                                                : std::to_wstring(id),
                          flags, {}};
        UINT count = params ? params->cArgs : 0;
        for (UINT i = count; i-- > 0;) call.args.push_back(Describe(params->rgvarg[i]));
        bool failing;
        long moduleId;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            state_->calls.push_back(call);
            failing = state_->failing;
            moduleId = state_->moduleId;
        }
        if (id != kRegisterModule && id != kDebugMsg) return DISP_E_MEMBERNOTFOUND;
        if (count != 3) return DISP_E_BADPARAMCOUNT;
        if (failing) {
            if (info) {
                *info = EXCEPINFO{};
                info->scode = RPC_E_DISCONNECTED;
                info->bstrDescription = SysAllocString(L"The debugger has gone away");
            }
            return DISP_E_EXCEPTION;
        }
        if (result) {
            VariantInit(result);
            if (id == kRegisterModule) {
                result->vt = VT_I4;
                result->lVal = moduleId;
            }
        }
        return S_OK;
    }

private:
    LONG refs_ = 1;
    std::shared_ptr<SimDebugger::State> state_;
};

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[64];
    StringFromGUID2(clsid, text, 64);
    return text;
}

// The tool's apartment: registers the object, waits until told to stop, revokes it.
void HostObject(const std::shared_ptr<SimDebugger::State>& state) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    DWORD cookie = 0;
    DebuggerObject* object = new DebuggerObject(state);
    if (SUCCEEDED(hr)) hr = RegisterActiveObject(object, CLSID_SimDebugger, ACTIVEOBJECT_STRONG, &cookie);
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        state->registered = true;
        state->startResult = hr;
        state->changed.notify_all();
        state->changed.wait(lock, [&] { return state->stop; });
    }
    if (cookie) RevokeActiveObject(cookie, nullptr);
    object->Release();
    CoUninitialize();
}

}  // namespace

SimDebugger::SimDebugger(long moduleId) : state_(std::make_shared<State>()) {
    state_->moduleId = moduleId;
    // Under HKEY_CLASSES_ROOT itself: Wine's CLSIDFromProgID does not look at the user's
    // Software\Classes.
    registry_.SetString(HKEY_CLASSES_ROOT, std::wstring(kDebuggerProgId) + L"\\CLSID", L"",
                        ClsidText(CLSID_SimDebugger));
    std::shared_ptr<State> state = state_;
    host_ = std::thread([state] { HostObject(state); });
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->registered; });
    if (FAILED(state_->startResult)) {
        state_->stop = true;
        state_->changed.notify_all();
        lock.unlock();
        host_.join();
        throw std::runtime_error("RegisterActiveObject failed");
    }
}

SimDebugger::~SimDebugger() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stop = true;
        state_->changed.notify_all();
    }
    host_.join();
}

std::vector<DebuggerCall> SimDebugger::Calls() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->calls;
}

void SimDebugger::SetFailing(bool failing) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->failing = failing;
}

}  // namespace sim
