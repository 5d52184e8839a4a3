#include "tools/bwpass/HostPass.h"

#include "plugin/ClassIds.h"
#include "com/ComSupport.h"
#include "sim/LogCapture.h"
#include "sim/SimExcel.h"
#include "sim/SimHost.h"
#include "tools/report/Inventory.h"
#include "tools/deckmodel/Text.h"
#include "tools/simexcel/RemoteExcel.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bwpass {
namespace {

using qv::ComPtr;

std::string HrText(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    if (hr == S_OK) return "S_OK";
    if (hr == S_FALSE) return "S_FALSE";
    return std::string(code) + " (" + SystemErrorText(static_cast<unsigned long>(hr)) + ")";
}

std::string BoolText(VARIANT_BOOL b) { return b ? "True" : "False"; }

HostCall Call(const std::string& member, HRESULT hr, const std::string& answer = {}) {
    HostCall c;
    c.member = member;
    c.failed = FAILED(hr);
    c.result = c.failed || answer.empty() ? HrText(hr) : answer;
    return c;
}

// ---- Creating the plug-in ----

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using ServerFn = HRESULT(STDAPICALLTYPE*)();

class PlugInModule {
public:
    ~PlugInModule() {
        if (unregister_) unregister_();
        if (module_) FreeLibrary(module_);
    }

    bool Create(const HostOptions& options, PassResult& result, ComPtr<IUnknown>& plugin, std::string& error) {
        result.dll = Utf8(options.dllPath);
        module_ = LoadLibraryW(options.dllPath.c_str());
        if (!module_) {
            error = Utf8(options.dllPath) + ": cannot load the plug-in: " + SystemErrorText(GetLastError());
            return false;
        }
        const bool created =
            options.registered ? CreateRegistered(result, plugin, error) : CreateDirect(result, plugin, error);
        // A process loads only a DLL of its own bitness: the host's build is the plug-in's.
        result.activation += sizeof(void*) == 8 ? "; 64-bit build (x64)" : "; 32-bit build (x86)";
        return created;
    }

    // After the plug-in is released the DLL should be willing to unload.
    void Unload(PassResult& result) {
        if (!module_) return;
        if (auto canUnload = reinterpret_cast<ServerFn>(GetProcAddress(module_, "DllCanUnloadNow"))) {
            const HRESULT hr = canUnload();
            HostCall c = Call("DllCanUnloadNow", hr);
            c.failed = hr != S_OK;  // S_FALSE here means an object or lock outlived the pass
            result.hostCalls.push_back(c);
        }
        if (unregister_) {
            result.hostCalls.push_back(Call("DllUnregisterServer", unregister_()));
            unregister_ = nullptr;
        }
    }

private:
    bool CreateDirect(PassResult& result, ComPtr<IUnknown>& plugin, std::string& error) {
        result.activation = "registration-free: LoadLibrary and DllGetClassObject";
        auto get = reinterpret_cast<GetClassObjectFn>(GetProcAddress(module_, "DllGetClassObject"));
        if (!get) {
            error = result.dll + ": the DLL exports no DllGetClassObject";
            return false;
        }
        ComPtr<IClassFactory> factory;
        HRESULT hr = get(qv::ids::CLSID_ExcelChartHandler, IID_IClassFactory, factory.ReceiveVoid());
        result.hostCalls.push_back(Call("DllGetClassObject(ExcelChartHandler)", hr));
        if (SUCCEEDED(hr)) {
            hr = factory->CreateInstance(nullptr, IID_IUnknown, plugin.ReceiveVoid());
            result.hostCalls.push_back(Call("IClassFactory::CreateInstance", hr));
        }
        if (FAILED(hr)) error = "cannot create the ExcelChartHandler: " + HrText(hr);
        return SUCCEEDED(hr);
    }

    // Through the registry, as the host does. A DLL that is not registered yet is registered
    // for the run and unregistered afterwards, so the machine is left as it was.
    bool CreateRegistered(PassResult& result, ComPtr<IUnknown>& plugin, std::string& error) {
        result.activation = "registered: CoCreateInstance";
        HRESULT hr = CoCreateInstance(qv::ids::CLSID_ExcelChartHandler, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                      plugin.ReceiveVoid());
        if (hr == REGDB_E_CLASSNOTREG) {
            result.hostCalls.push_back(HostCall{"CoCreateInstance(QVCHBW01.ExcelChartHandler)",
                                                "REGDB_E_CLASSNOTREG: not registered yet", false});
            auto reg = reinterpret_cast<ServerFn>(GetProcAddress(module_, "DllRegisterServer"));
            const HRESULT regHr = reg ? reg() : E_NOTIMPL;
            result.hostCalls.push_back(Call("DllRegisterServer (for this run)", regHr));
            if (FAILED(regHr)) {
                error = "cannot register " + result.dll + ": " + HrText(regHr);
                return false;
            }
            unregister_ = reinterpret_cast<ServerFn>(GetProcAddress(module_, "DllUnregisterServer"));
            hr = CoCreateInstance(qv::ids::CLSID_ExcelChartHandler, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  plugin.ReceiveVoid());
        }
        result.hostCalls.push_back(Call("CoCreateInstance(QVCHBW01.ExcelChartHandler)", hr));
        if (FAILED(hr)) error = "cannot create QVCHBW01.ExcelChartHandler through the registry: " + HrText(hr);
        return SUCCEEDED(hr);
    }

    HMODULE module_ = nullptr;
    ServerFn unregister_ = nullptr;
};

// Property writes and fill calls that succeeded: what changed the charts.
long CountWrites(const std::vector<sim::CallRecord>& calls) {
    long n = 0;
    for (const sim::CallRecord& c : calls) {
        if (FAILED(c.result)) continue;
        if (c.kind == sim::CallKind::Put || (c.kind == sim::CallKind::Call && (c.member == L"Solid" || c.member == L"Patterned")))
            ++n;
    }
    return n;
}

// ---- One object through the host's calls ----

// An object's Excel: a stand-in in this process, or an instance in the server's (remoteId).
struct LiveObject {
    std::unique_ptr<sim::Excel> excel;
    simexcel::RemoteExcel* remote = nullptr;
    long remoteId = 0;
    std::vector<TrackedChart> charts;
    size_t workbooksBefore = 0;
};

void Offer(IUnknown* plugin, const DeckObject& o, LiveObject& live, ObjectResult& r) {
    ComPtr<IDispatch> workbook;
    if (live.excel) {
        sim::ApplicationModel& app = live.excel->model();
        workbook = ComPtr<IDispatch>::Attach(live.excel->NewWorkbookRef(*app.workbooks[o.excel->embeddedWorkbook]));
    } else if (live.remoteId) {
        workbook = ComPtr<IDispatch>::Attach(live.remote->NewWorkbookRef(live.remoteId));
    }
    const sim::PassResult pass = sim::RunPass(plugin, {sim::OfferedObject{o.progId, o.bwFlagSet, workbook.get()}},
                                              sim::PassOptions{false, false});
    if (FAILED(pass.queryHr) || pass.objects.empty()) {
        r.calls.push_back(Call("QueryInterface(IOLEObjectHandler)", pass.queryHr));
        return;
    }
    const sim::ObjectAnswer& a = pass.objects.front();
    r.calls.push_back(Call("HandleObject", a.handleHr, BoolText(a.handled)));
    if (SUCCEEDED(a.handleHr)) r.accepted = a.handled != VARIANT_FALSE;
    if (a.converted) r.calls.push_back(Call("ChangeToBWNoConfig", a.convertHr));
    r.calls.push_back(Call("TransactionOnObjectComplete", a.transactionHr, BoolText(a.transactionResult)));
    if (a.byRefWritten) r.calls.push_back(HostCall{"by-reference argument", "written: the plug-in must not", true});
    if (live.excel) {
        r.writes = CountWrites(live.excel->calls());
        r.excelCalls = live.excel->callCount();
        live.excel->clearCalls();  // a deck of thousands of charts must not keep every call
    } else if (live.remoteId) {
        workbook.reset();
        r.writes = CountWrites(live.remote->Calls(live.remoteId));
        r.excelCalls = live.remote->CallCount(live.remoteId);
        live.remote->ClearCalls(live.remoteId);
    }
}

std::unique_ptr<sim::SheetModel> CopySheet(const sim::SheetModel& sheet) {
    return std::make_unique<sim::SheetModel>(sheet);
}

// A model of its own, for an object whose Excel the plug-in still holds: that Excel and its
// model must stay as they are.
sim::ApplicationModel CopyApplication(const sim::ApplicationModel& app) {
    sim::ApplicationModel copy;
    copy.version = app.version;
    for (const auto& wb : app.workbooks) {
        auto book = std::make_unique<sim::WorkbookModel>();
        book->name = wb->name;
        for (const auto& sheet : wb->sheets) book->sheets.push_back(CopySheet(*sheet));
        book->activeSheet = wb->activeSheet;
        book->activeChartObject = wb->activeChartObject;
        book->open = wb->open;
        book->saved = wb->saved;
        book->closedWithSaveChanges = wb->closedWithSaveChanges;
        copy.workbooks.push_back(std::move(book));
    }
    return copy;
}

// The model comes back from the server as a copy: each chart is found again in it by its place
// (workbook, sheet and chart object names), since the pass reorders the sheets.
void FetchRemoteModel(DeckObject& o, LiveObject& live, PassResult& result) {
    o.excel->application = live.remote->Model(live.remoteId);
    const std::vector<TrackedChart> now = ChartsOf(*o.excel->application.workbooks[o.excel->embeddedWorkbook]);
    for (TrackedChart& t : live.charts)
        for (const TrackedChart& n : now)
            if (n.result.place == t.result.place) t.live = n.live;
    const long refs = live.remote->OutstandingRefs(live.remoteId);
    if (refs != 0)
        result.hostCalls.push_back(HostCall{"Excel references left by the plug-in (" + Utf8(o.name) + ", in the server)",
                                            std::to_string(refs), true});
    live.remote->Drop(live.remoteId);
}

// The local stand-in's model goes back into the deck. An Excel the plug-in still holds is kept
// alive with its model until the end, and reported; the deck gets a copy.
void TakeLocalModel(DeckObject& o, LiveObject& live, PassResult& result,
                    std::vector<std::unique_ptr<sim::Excel>>& held) {
    const long refs = live.excel->outstandingRefs();
    if (refs == 0) {
        o.excel->application = std::move(live.excel->model());
        live.excel.reset();
        return;
    }
    result.hostCalls.push_back(HostCall{"Excel references left by the plug-in (" + Utf8(o.name) + ")",
                                        std::to_string(refs), true});
    o.excel->application = CopyApplication(live.excel->model());
    held.push_back(std::move(live.excel));
}

// The object's transaction is complete: the plug-in holds none of its Excel objects any more.
void Settle(DeckObject& o, LiveObject& live, ObjectResult& r, PassResult& result,
            std::vector<std::unique_ptr<sim::Excel>>& held) {
    if (live.remoteId) FetchRemoteModel(o, live, result);
    else if (!live.excel) return;
    for (TrackedChart& t : live.charts) t.result.after = *t.live;
    if (live.excel) TakeLocalModel(o, live, result, held);
    for (TrackedChart& t : live.charts) {
        t.result.changes = ChartChanges(t.result.before, t.result.after);
        r.charts.push_back(std::move(t.result));
    }
    const auto& books = o.excel->application.workbooks;
    if (books.empty()) return;
    const sim::WorkbookModel& wb = *books[o.excel->embeddedWorkbook];
    r.sheetsAfter = SheetOrder(wb);
    r.workbookState = WorkbookState(wb);
    for (size_t i = live.workbooksBefore; i < books.size(); ++i)
        r.spareWorkbook += (r.spareWorkbook.empty() ? L"" : L"; ") + books[i]->name + L" opened, " + WorkbookState(*books[i]);
}

// The plug-in keeps the PowerPoint application and the host parent in its apartment-wide slots,
// one reference each, until the apartment ends or COM asks whether the DLL can be unloaded (which
// gives them back); anything more is a leak.
void ReportHeldHostObjects(const sim::Host& host, PassResult& result) {
    const std::vector<std::wstring> held = host.objectsWithRefs();
    if (held.empty()) return;
    std::string list;
    bool expected = true;
    for (const std::wstring& h : held) {
        list += (list.empty() ? "" : ", ") + Utf8(h);
        expected = expected && (h == L"powerPoint: 1" || h == L"parent: 1");
    }
    result.hostCalls.push_back(HostCall{expected ? "host objects kept in the plug-in's apartment-wide slots"
                                                 : "host object references left by the plug-in",
                                        list, !expected});
}

std::vector<std::string> LogLines(const sim::LogCapture& log) {
    std::vector<std::string> lines;
    const std::string raw = log.RawBytes();
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\n', start);
        if (end == std::string::npos) end = raw.size();
        std::string line = raw.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The file is in the ANSI code page; the report is UTF-8.
        std::wstring wide(line.size(), L'\0');
        int n = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(),
                                    static_cast<int>(wide.size()));
        wide.resize(n > 0 ? n : 0);
        lines.push_back(Utf8(wide));
        start = end + 1;
    }
    return lines;
}

// The Excel stand-in's local server, registered for the run when it is not registered yet.
bool StartExcelServer(simexcel::ServerRegistration& registration, simexcel::RemoteExcel& remote, PassResult& result,
                      std::string& error) {
    if (!registration.Ensure(simexcel::ServerPathBesideThisProgram(), error)) return false;
    const HRESULT hr = remote.Start();
    if (FAILED(hr)) {
        error = "cannot start the Excel stand-in's server (QVSimExcel.Server): " + HrText(hr);
        return false;
    }
    result.activation += "; Excel out of process: QVSimExcelServer.exe, process " + std::to_string(remote.ProcessId());
    return true;
}

// What the server still holds for the plug-in, over every instance, before it ends.
void ReportServerReferences(simexcel::RemoteExcel& remote, PassResult& result) {
    const simexcel::RoundTripCounts trips = remote.RoundTrips();
    result.hostCalls.push_back(HostCall{"Excel out of process: round trips", std::to_string(trips.invoke) + " Invoke, " +
                                            std::to_string(trips.names) + " GetIDsOfNames, " +
                                            std::to_string(trips.query) + " QueryInterface, " +
                                            std::to_string(trips.release) + " Release", false});
    const long refs = remote.OutstandingRefs();
    result.hostCalls.push_back(HostCall{"Excel out of process: references outstanding in the server", std::to_string(refs),
                                        refs != 0});
}

}  // namespace

struct HostPass::State {
    std::unique_ptr<sim::LogCapture> log;
    PlugInModule module;
    ComPtr<IUnknown> plugin;
    sim::Host host;
    // Excel stand-ins the plug-in kept references to: objects still referenced must outlive
    // their holders, so these are never destroyed.
    std::vector<std::unique_ptr<sim::Excel>> held;
    // Excel out of process: the stand-in's local server, registered for the run when needed.
    simexcel::ServerRegistration registration;
    simexcel::RemoteExcel remote;
};

HostPass::HostPass() : state_(std::make_unique<State>()) {}

HostPass::~HostPass() {
    for (auto& excel : state_->held) (void)excel.release();
}

bool HostPass::Start(const HostOptions& options, PassResult& result, std::string& error) {
    State& s = *state_;
    // The log reads its switch once per thread, at the plug-in's first message: switch it on
    // before the DLL is loaded.
    if (options.log) {
        try {
            s.log = std::make_unique<sim::LogCapture>(false, L"QVCHBW01");
            result.logNote = "Switched on for this run (HKCU\\Software\\Veltrane\\Orvane\\Log: \"*\" = 1, "
                             "\"$LOGPATH\" = " + Utf8(s.log->Folder()) + "), read from QV_QVCHBW01.log; "
                             "the earlier settings are restored.";
        } catch (const std::exception& e) {
            result.logNote = std::string("The log could not be switched on: ") + e.what();
        }
    } else {
        result.logNote = "Not collected (--no-log).";
    }
    if (!s.module.Create(options, result, s.plugin, error)) return false;
    if (options.excelOutOfProcess && !StartExcelServer(s.registration, s.remote, result, error)) return false;
    const sim::StartResult start = sim::StartPlugIn(s.plugin.get(), s.host);
    result.hostCalls.push_back(Call("IChild::Parent put", start.parentHr));
    result.hostCalls.push_back(Call("IPlugIn::Initialize", start.initializeHr, BoolText(start.initialized)));
    return true;
}

ObjectResult HostPass::Offer(DeckObject& o, PassResult& result) {
    ObjectResult r = Describe(o);
    LiveObject live;
    if (o.excel) {
        live.workbooksBefore = o.excel->application.workbooks.size();
        live.charts = ChartsOf(*o.excel->application.workbooks[o.excel->embeddedWorkbook]);
        if (state_->remote.started()) {
            live.remote = &state_->remote;
            live.remoteId = state_->remote.Load(std::move(o.excel->application), o.excel->embeddedWorkbook, o.name,
                                                o.progId, o.bwFlagSet);
        } else {
            live.excel = std::make_unique<sim::Excel>(std::move(o.excel->application));
        }
    }
    bwpass::Offer(state_->plugin.get(), o, live, r);
    Settle(o, live, r, result, state_->held);
    return r;
}

void HostPass::Finish(PassResult& result) {
    State& s = *state_;
    const sim::PassResult end = sim::RunPass(s.plugin.get(), {}, sim::PassOptions{true, true});
    result.hostCalls.push_back(Call("ProcessingOfAllObjectsComplete", end.allCompleteHr, BoolText(end.allComplete)));
    result.hostCalls.push_back(Call("IPlugIn::Terminate", end.terminateHr));
    s.plugin.reset();
    CoFreeUnusedLibraries();
    s.module.Unload(result);
    ReportHeldHostObjects(s.host, result);
    if (s.remote.started()) ReportServerReferences(s.remote, result);
    if (s.log) {
        result.logLines = LogLines(*s.log);
        if (!s.log->FileExists()) result.logNote += " The plug-in wrote no log file.";
    }
}

}  // namespace bwpass
