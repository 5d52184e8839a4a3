// What a diagnostic log message costs: with logging off (the normal case, where every message
// after a thread's first should cost a few flag tests, tens of nanoseconds, also where the call
// site puts the message together, since the log makes it only when it delivers it), with the file route
// on (an open, a write and a close per line), and on the debugger route (a cross-apartment call).
// Uses the test prefix's registry like the tests, and restores it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "diag/Services.h"
#include "diag/modDebug.h"
#include "sim/LogCapture.h"
#include "sim/SimDebugger.h"

namespace {

const wchar_t kLogKey[] = L"Software\\Veltrane\\Orvane\\Log";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds per call of message over count calls, after the thread's first message.
template <class Message>
void Measure(const char* what, long count, Message message) {
    sim::RunOnFreshThread([&] {
        double start = Now();
        message();
        double first = Now() - start;
        start = Now();
        for (long i = 0; i < count; ++i) message();
        double each = (Now() - start) / count;
        if (each < 1e-6)
            std::printf("%-46s first %9.1f us, then %8.1f ns each (%ld calls)\n", what, first * 1e6,
                        each * 1e9, count);
        else
            std::printf("%-46s first %9.1f us, then %8.1f us each (%ld calls)\n", what, first * 1e6,
                        each * 1e6, count);
    });
}

void SwitchEverythingOff(sim::RegistryGuard& registry) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        registry.Delete(root, kLogKey, L"*");
        registry.Delete(root, kLogKey, qv::diag::ModuleName());
    }
}

}  // namespace

int main() {
    const std::wstring message = L"Converting Excel Chart. BWFlagSet=512";
    {
        sim::RegistryGuard registry;
        SwitchEverythingOff(registry);
        Measure("off: LogInfo", 10000000, [&] { qv::modDebug::LogInfo(message); });
        Measure("off: LogError", 10000000, [&] { qv::modDebug::LogError(message); });
        Measure("off: WriteLog", 10000000, [&] { qv::modDebug::WriteLog(message, 1); });
        // The plug-in's call sites put their messages together: built before the call, as they
        // were, and handed to the log as the function that builds them, as they are.
        long flags = 512;
        const std::wstring name = L"Sheet1";
        const std::wstring description = L"Unable to get the Legend property of the Chart class";
        Measure("off: WriteLog, built at the call", 10000000, [&] {
            qv::modDebug::WriteLog(L"Converting Excel Chart. BWFlagSet=" + std::to_wstring(flags), 1);
        });
        Measure("off: WriteLog, built by the log", 10000000, [&] {
            qv::modDebug::WriteLog([&] { return L"Converting Excel Chart. BWFlagSet=" + std::to_wstring(flags); }, 1);
        });
        Measure("off: WriteLog 'Move ...', built at the call", 10000000, [&] {
            qv::modDebug::WriteLog(L"ReorderSheets: Move '" + name + L"' to back", 1);
        });
        Measure("off: WriteLog 'Move ...', built by the log", 10000000, [&] {
            qv::modDebug::WriteLog([&] { return L"ReorderSheets: Move '" + name + L"' to back"; }, 1);
        });
        Measure("off: LogError, built at the call", 10000000, [&] {
            qv::modDebug::LogError(L"Handle series raised a " + description);
        });
        Measure("off: LogError, built by the log", 10000000, [&] {
            qv::modDebug::LogError([&] { return L"Handle series raised a " + description; });
        });
    }
    {
        sim::LogCapture log(true);
        Measure("file: LogInfo (open, append, close)", 2000, [&] { qv::modDebug::LogInfo(message); });
    }
    {
        sim::RegistryGuard registry;
        SwitchEverythingOff(registry);
        sim::SimDebugger tool;
        Measure("debugger tool: LogInfo (cross-apartment)", 2000,
                [&] { qv::modDebug::LogInfo(message); });
    }
    return 0;
}
