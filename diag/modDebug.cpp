#include "diag/modDebug.h"

#include "diag/Services.h"
#include "com/Automation.h"
#include "com/ThreadLocal.h"

#include <cwchar>
#include <type_traits>

namespace qv::modDebug {

namespace {

using namespace qv::diag;

const wchar_t kSettingsKey[] = L"Software\\Veltrane\\Orvane\\Log";
const wchar_t kDebuggerProgId[] = L"vtrDebugger.vtrDebuggerInterface";
const wchar_t kErrorPrefix[] = L"*** Error ***: ";

// The log's run state. Each thread that calls into the component keeps its own copy, so each
// decides its route, reads the settings and works out its file on its own, without locks.
//
// Given up at the thread's end (com/ThreadLocal.h): the debugger reference (the tool notices a
// departed client by itself) and the file name, one small block per thread that logs to a file.
// The reference is given back earlier when the DLL is about to unload (ReleaseDebugger).
struct RunState {
    bool debuggerLookedUp = false;
    ThreadRef<IDispatch> debugger;
    long debuggerModuleId = 0;
    bool settingsRead = false;
    bool fileLoggingOn = false;
    std::wstring* logFilePath = nullptr;  // owned, made once, never freed
};
thread_local ThreadState<RunState> t_run;
// Set once the thread has settled on dropping every message (no debugger tool, file logging
// off): the one test that a message then costs. Plain data, so that reading it needs no
// initialisation check of the run state.
thread_local bool t_silent = false;

// ---- debugger tool -------------------------------------------------------------------------

// The running instance registered for the tool's class; a tool that is not running is never
// started.
Dispatch FindRunningDebugger() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(kDebuggerProgId, &clsid))) return Dispatch();
    ComPtr<IUnknown> running;
    if (FAILED(GetActiveObject(clsid, nullptr, running.Receive()))) return Dispatch();
    Dispatch tool;
    running.As(IID_IDispatch, tool);
    return tool;
}

// A string passed by reference: the callee may replace it, so it stays in an owner that frees
// whatever is left in the slot after the call.
class RefString {
public:
    explicit RefString(const std::wstring& text) { *slot_ = Bstr(text).Detach(); }
    RefString(const RefString&) = delete;
    RefString& operator=(const RefString&) = delete;
    Variant arg() { return Variant::RefBstr(slot_); }

private:
    Bstr owner_;
    BSTR* slot_ = owner_.Receive();
};

long RegisterModule(IDispatch* tool, const std::wstring& name, const std::wstring& folder) {
    RefString nameArg(name), folderArg(folder);
    short one = 1;
    return ToInt32(Call(tool, ByName(L"RegisterModule"),
                        {nameArg.arg(), folderArg.arg(), Variant::RefI2(&one)}));
}

void DebugMsg(IDispatch* tool, long moduleId, const std::wstring& message, long level) {
    RefString messageArg(message);
    Call(tool, ByName(L"DebugMsg"),
         {Variant::RefI4(&moduleId), messageArg.arg(), Variant::I4(level)});
}

void AttachDebugger(RunState& run, const std::wstring& name, const std::wstring& folder) {
    if (!Attempt([&] { run.debugger.Adopt(FindRunningDebugger().Detach()); }) || !run.debugger)
        return;
    Attempt([&] { run.debuggerModuleId = RegisterModule(run.debugger.get(), name, folder); });
    // The first message the tool receives from the component is the component's folder.
    Attempt([&] { DebugMsg(run.debugger.get(), run.debuggerModuleId, folder, kLevelInfo); });
}

bool DebuggerAttached(RunState& run) {
    if (!run.debuggerLookedUp) {
        Attempt([&] { AttachDebugger(run, ModuleName(), ModuleFolder()); });
        run.debuggerLookedUp = true;
    }
    return static_cast<bool>(run.debugger);
}

// ---- settings ------------------------------------------------------------------------------

bool SwitchIsOn(long root, const std::wstring& name) {
    return RegGetDword(root, kSettingsKey, name, 0) == 1;
}

// A 0 under the user's key does not hide a 1 under the machine's.
bool LogSwitchOn() {
    return TestOrFalse([] {
        const std::wstring module = ModuleName();
        return SwitchIsOn(kHkeyCurrentUser, L"*") || SwitchIsOn(kHkeyCurrentUser, module) ||
               SwitchIsOn(kHkeyLocalMachine, L"*") || SwitchIsOn(kHkeyLocalMachine, module);
    });
}

bool KeepLogFiles() {
    return TestOrFalse([] {
        return SwitchIsOn(kHkeyCurrentUser, L"$KEEPLOGFILES") ||
               SwitchIsOn(kHkeyLocalMachine, L"$KEEPLOGFILES");
    });
}

// A user value naming a missing folder leads to the temporary folder; the machine value is
// consulted only when the user has none.
std::wstring LogFolder() {
    std::wstring folder;
    if (!Attempt([&] {
            folder = RegGetString(kHkeyCurrentUser, kSettingsKey, L"$LOGPATH", L"");
            if (folder.empty())
                folder = RegGetString(kHkeyLocalMachine, kSettingsKey, L"$LOGPATH", L"");
            if (!FolderExists(folder)) folder = TempFolder();
        }))
        return std::wstring();
    return folder;
}

// Worked out once per thread; an error leaves the path empty so that the next call tries again.
std::wstring LogFileName(RunState& run) {
    if (!run.logFilePath || run.logFilePath->empty()) {
        Attempt([&] {
            if (!run.logFilePath) run.logFilePath = new std::wstring;
            *run.logFilePath = PathCombine(LogFolder(), L"QV_" + ModuleName() + L".log");
        });
    }
    return run.logFilePath ? *run.logFilePath : std::wstring();
}

// Without "$KEEPLOGFILES" the earlier run's file goes before this run's first line; a failed
// deletion leaves the new lines to be appended to it.
void DeleteEarlierLog(RunState& run) {
    std::wstring file = LogFileName(run);
    if (FileExists(file)) DeleteFileA(ToAnsi(file).c_str());
}

bool LogEnabled(RunState& run) {
    if (!run.settingsRead) {
        run.settingsRead = true;
        bool completed = Attempt([&] {
            if (!LogSwitchOn()) return;
            run.fileLoggingOn = true;
            if (!KeepLogFiles()) DeleteEarlierLog(run);
        });
        if (!completed) return false;
    }
    return run.fileLoggingOn;
}

// ---- the file ------------------------------------------------------------------------------

// "dd.mm.yy hh:mm:ss" in local time, with the system's time separator between the time fields.
std::wstring Timestamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t separator[8] = L":";
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, 8)) wcscpy(separator, L":");
    wchar_t text[48];
    swprintf(text, 48, L"%02u.%02u.%02u %02u%ls%02u%ls%02u", now.wDay, now.wMonth,
             now.wYear % 100, now.wHour, separator, now.wMinute, separator, now.wSecond);
    return text;
}

// Opened, appended and closed for each line, so that a line is in the file when WriteLog
// returns and no handle stays open between lines. Other programs may read, write or delete the
// file meanwhile; when the open fails (rights, a missing folder, a file held exclusively) the
// line is lost.
void AppendLine(const std::wstring& file, const std::wstring& message) {
    const std::string line = ToAnsi(Timestamp() + L"   " + message + L"\r\n");
    HANDLE handle = CreateFileA(ToAnsi(file).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER end{};
    SetFilePointerEx(handle, end, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(handle);
}

bool Silent(const RunState& run) {
    return run.debuggerLookedUp && !run.debugger && run.settingsRead && !run.fileLoggingOn;
}

}  // namespace

void LogInfo(const Message& message) noexcept { WriteLog(message, kLevelInfo); }

void LogError(const Message& message) noexcept {
    if (t_silent) return;
    WriteLog([&] { return kErrorPrefix + message.Text(); }, kLevelError);
}

// The route is settled before the message is made: a message that goes nowhere is never made.
void WriteLog(const Message& message, long level) noexcept {
    if (t_silent) return;
    Attempt([&] {
        RunState& run = t_run;
        if (DebuggerAttached(run)) {
            // A failing call loses the message; the file is not a fallback.
            Attempt([&] { DebugMsg(run.debugger.get(), run.debuggerModuleId, message.Text(), level); });
            return;
        }
        if (!LogEnabled(run)) {
            t_silent = Silent(run);
            return;
        }
        AppendLine(LogFileName(run), message.Text());
    });
}

// A thread that found no tool stays silent as it was; one that had the tool looks it up again.
void ReleaseDebugger() noexcept {
    RunState& run = t_run;
    if (!run.debugger) return;
    run.debugger.reset();
    run.debuggerLookedUp = false;
    run.debuggerModuleId = 0;
}

}  // namespace qv::modDebug
