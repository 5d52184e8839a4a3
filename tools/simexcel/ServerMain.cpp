// QVSimExcelServer.exe: the Excel stand-in in a process of its own, as Excel is to the plug-in.
//
//   QVSimExcelServer.exe /RegServer     registers the server and its type library (Wire.h)
//   QVSimExcelServer.exe /UnregServer   takes them away again
//   QVSimExcelServer.exe -Embedding     what COM starts: serves one client, then ends
//
// One client per process (REGCLS_SINGLEUSE): each test or tool run gets a server of its own, with
// its own instances, counts and message filter. The process ends when the client releases the
// Server object; the stand-in's objects that the client still holds then are reported by the
// Server's OutstandingRefs before that and never freed. It also ends when the client's process
// does (the client names it through WatchClient), and when no client has come a minute after
// the start: a server whose client died would otherwise wait for ever, and hold the streams the
// client was started with (a test runner waits until every holder of its output pipe is gone).
//
// The message filter counts the calls that reach the server by kind and, when the client asks
// for it, refuses them as a busy Excel does (SERVERCALL_RETRYLATER or SERVERCALL_REJECTED). The
// object exporter's own calls (IRemUnknown: queries, AddRef, Release) are counted but never
// refused, so that a refusal cannot leave references behind that the client has let go.
#include "tools/simexcel/ServerObject.h"

#include "sim/StandInServer.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using namespace simexcel;

constexpr IID kIID_IRemUnknown{0x00000131, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kIID_IRemUnknown2{0x00000143, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Filter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMessageFilter)) return E_NOINTERFACE;
        *ppv = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
        CallGate& gate = Gate();
        if (!call) return SERVERCALL_ISHANDLED;
        const bool exporter = IsEqualIID(call->iid, kIID_IRemUnknown) || IsEqualIID(call->iid, kIID_IRemUnknown2);
        if (exporter) {
            switch (call->wMethod) {
            case 3: ++gate.counts.query; break;
            case 4: ++gate.counts.addRef; break;
            case 5: ++gate.counts.release; break;
            default: ++gate.counts.other; break;
            }
            return SERVERCALL_ISHANDLED;
        }
        if (call->pUnk && call->pUnk == gate.control) return SERVERCALL_ISHANDLED;
        switch (call->wMethod) {
        case 5: ++gate.counts.names; break;
        case 6: ++gate.counts.invoke; break;
        default: ++gate.counts.other; break;
        }
        if (gate.acceptBeforeRefusing == 0) {
            if (gate.answer == SERVERCALL_RETRYLATER && !gate.failingAsBusy && gate.failEveryCallAsBusy) {
                gate.failingAsBusy = true;
                gate.failEveryCallAsBusy();
            }
            return gate.answer;
        }
        if (gate.acceptBeforeRefusing > 0) --gate.acceptBeforeRefusing;
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

class Factory final : public sim::StaticClassFactory {
public:
    bool served() const { return served_; }

protected:
    HRESULT NewObject(IUnknown** object) override {
        if (served_) return CO_E_SERVER_STOPPING;
        try {
            *object = NewServerObject([thread = GetCurrentThreadId()] { PostThreadMessageW(thread, WM_QUIT, 0, 0); });
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        served_ = true;
        return S_OK;
    }

private:
    bool served_ = false;
};

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

bool HasSwitch(const wchar_t* commandLine, const wchar_t* name) {
    for (const wchar_t* p = commandLine; *p; ++p)
        if ((*p == L'/' || *p == L'-') && _wcsnicmp(p + 1, name, std::wcslen(name)) == 0) return true;
    return false;
}

// COM starts the server for a client that waits up to 30 s for it to offer its class.
constexpr DWORD kFirstClientMs = 60000;

// The client's process, opened once the client has named it.
class ClientProcess {
public:
    ClientProcess() = default;
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;
    ~ClientProcess() {
        if (handle_) CloseHandle(handle_);
    }
    // The handle to wait on, or null while the client has not named its process.
    HANDLE Get() {
        if (!handle_ && Gate().clientProcessId) handle_ = OpenProcess(SYNCHRONIZE, FALSE, Gate().clientProcessId);
        return handle_;
    }

private:
    HANDLE handle_ = nullptr;
};

// Runs the apartment's messages until WM_QUIT (the Server object is gone), the client's process
// has ended, or no client came in time.
void RunUntilDone(const Factory& factory) {
    const DWORD start = GetTickCount();
    ClientProcess client;
    for (;;) {
        DWORD timeout = INFINITE;
        if (!factory.served()) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= kFirstClientMs) return;
            timeout = kFirstClientMs - waited;
        }
        HANDLE process = client.Get();
        const DWORD handles = process ? 1 : 0;
        if (MsgWaitForMultipleObjectsEx(handles, &process, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 &&
            handles)
            return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int Serve() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    Filter filter;
    IMessageFilter* previous = nullptr;
    CoRegisterMessageFilter(&filter, &previous);
    Factory factory;
    DWORD cookie = 0;
    // A message queue before the class is offered, so that the quit message of a client that
    // comes and goes at once is not lost.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HRESULT hr = CoRegisterClassObject(CLSID_Server, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie);
    if (SUCCEEDED(hr)) {
        RunUntilDone(factory);
        CoRevokeClassObject(cookie);
    }
    CoRegisterMessageFilter(previous, nullptr);
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 3;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (HasSwitch(commandLine, L"RegServer")) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const HRESULT hr = RegisterServer(OwnPath());
        CoUninitialize();
        return SUCCEEDED(hr) ? 0 : 1;
    }
    if (HasSwitch(commandLine, L"UnregServer")) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        UnregisterServer(OwnPath());
        CoUninitialize();
        return 0;
    }
    return Serve();
}
