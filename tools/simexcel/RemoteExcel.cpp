#include "tools/simexcel/RemoteExcel.h"

#include "tools/deckmodel/Deck.h"
#include "tools/deckmodel/Text.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace simexcel {

namespace {

std::string HrText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Owns the BSTR it holds: the argument list keeps plain VARIANTs.
struct OwnedString {
    explicit OwnedString(const std::wstring& s) : v(StringVariant(s)) {}
    ~OwnedString() { VariantClear(&v); }
    VARIANT v;
};

std::wstring TakeString(VARIANT v) {
    std::wstring s;
    if (v.vt == VT_BSTR && v.bstrVal) s.assign(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    return s;
}

long TakeLong(VARIANT v) {
    VARIANT n;
    VariantInit(&n);
    const long value = SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I4)) ? n.lVal : 0;
    VariantClear(&v);
    return value;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::wstring ServerPathBesideThisProgram() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    const size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"." : folder.substr(0, slash);
    return folder + L"\\" + kServerExe;
}

// ---- registration ----------------------------------------------------------------------------

bool ServerRegistration::Ensure(const std::wstring& exePath, std::string& error) {
    if (GetFileAttributesW(exePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = bwpass::Utf8(exePath) + ": the Excel stand-in's server is missing (build the QVSimExcelServer target)";
        return false;
    }
    if (_wcsicmp(RegisteredServerPath().c_str(), exePath.c_str()) == 0) return true;
    const HRESULT hr = RegisterServer(exePath);
    if (FAILED(hr)) {
        UnregisterServer(exePath);
        error = "cannot register " + bwpass::Utf8(exePath) + ": " + HrText(hr);
        return false;
    }
    path_ = exePath;
    registeredHere_ = true;
    return true;
}

ServerRegistration::~ServerRegistration() {
    if (registeredHere_) UnregisterServer(path_);
}

// ---- the server ------------------------------------------------------------------------------

RemoteExcel::~RemoteExcel() { Stop(); }

HRESULT RemoteExcel::Start() {
    Stop();
    const HRESULT hr = CoCreateInstance(CLSID_Server, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&server_));
    if (FAILED(hr)) return hr;
    // Without it a server whose client dies waits for its release for ever, holding whatever
    // the client's output was bound to (a test runner waits on that).
    try {
        TakeLong(CallMember(member::WatchClient, {LongVariant(static_cast<long>(GetCurrentProcessId()))}));
    } catch (const RemoteError&) {
        Stop();
        return E_FAIL;
    }
    return S_OK;
}

void RemoteExcel::Stop() {
    if (server_) server_->Release();
    server_ = nullptr;
}

VARIANT RemoteExcel::CallMember(const wchar_t* name, std::initializer_list<VARIANT> args) {
    if (!server_) throw RemoteError("the Excel stand-in's server is not running");
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = server_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw RemoteError("the server has no member " + bwpass::Utf8(name) + ": " + HrText(hr));
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info{};
    hr = server_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result,
                         &info, nullptr);
    if (FAILED(hr)) {
        std::string text = "the server's " + bwpass::Utf8(name) + " failed: " + HrText(hr);
        if (hr == DISP_E_EXCEPTION && info.bstrDescription)
            text += " (" + bwpass::Utf8(std::wstring(info.bstrDescription, SysStringLen(info.bstrDescription))) + ")";
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        throw RemoteError(text);
    }
    return result;
}

long RemoteExcel::Load(sim::ApplicationModel&& application, int embeddedWorkbook, const std::wstring& name,
                       const std::wstring& progId, long flags) {
    bwpass::Deck deck;
    deck.objects.emplace_back();
    bwpass::DeckObject& o = deck.objects.back();
    o.name = name;
    o.progId = progId;
    o.bwFlagSet = flags;
    o.excel = bwpass::ExcelInstance{std::move(application), embeddedWorkbook};
    OwnedString json(bwpass::Wide(bwpass::DeckToJson(deck)));
    return TakeLong(CallMember(member::Load, {json.v}));
}

IDispatch* RemoteExcel::NewWorkbookRef(long id) {
    VARIANT v = CallMember(member::Workbook, {LongVariant(id)});
    if (v.vt != VT_DISPATCH || !v.pdispVal) {
        VariantClear(&v);
        throw RemoteError("the server handed out no workbook");
    }
    return v.pdispVal;
}

sim::ApplicationModel RemoteExcel::Model(long id) {
    const std::wstring json = TakeString(CallMember(member::Model, {LongVariant(id)}));
    bwpass::Deck deck = bwpass::ParseDeck(bwpass::Utf8(json), "the Excel stand-in's server");
    if (deck.objects.empty() || !deck.objects[0].excel) throw RemoteError("the server's model has no Excel object");
    return std::move(deck.objects[0].excel->application);
}

std::vector<sim::CallRecord> RemoteExcel::Calls(long id) {
    return CallsFromText(TakeString(CallMember(member::Calls, {LongVariant(id)})));
}

long RemoteExcel::CallCount(long id) { return TakeLong(CallMember(member::CallCount, {LongVariant(id)})); }
void RemoteExcel::ClearCalls(long id) { TakeLong(CallMember(member::ClearCalls, {LongVariant(id)})); }

void RemoteExcel::AddFault(long id, const sim::FaultRule& rule) {
    OwnedString text(FaultToText(rule));
    TakeLong(CallMember(member::AddFault, {LongVariant(id), text.v}));
}

std::vector<std::wstring> RemoteExcel::Balance(long id) {
    return Lines(TakeString(CallMember(member::Balance, {LongVariant(id)})));
}

long RemoteExcel::OutstandingRefs(long id) { return TakeLong(CallMember(member::OutstandingRefs, {LongVariant(id)})); }
void RemoteExcel::Drop(long id) { TakeLong(CallMember(member::Drop, {LongVariant(id)})); }

void RemoteExcel::Refuse(DWORD answer, long acceptFirst) {
    TakeLong(CallMember(member::Refuse, {LongVariant(static_cast<long>(answer)), LongVariant(acceptFirst)}));
}

RoundTripCounts RemoteExcel::RoundTrips() { return RoundTripsFromText(TakeString(CallMember(member::RoundTrips, {}))); }
void RemoteExcel::ResetRoundTrips() { TakeLong(CallMember(member::ResetRoundTrips, {})); }
void RemoteExcel::Ping() { TakeLong(CallMember(member::Ping, {})); }
DWORD RemoteExcel::ProcessId() { return static_cast<DWORD>(TakeLong(CallMember(member::ProcessId, {}))); }

}  // namespace simexcel
