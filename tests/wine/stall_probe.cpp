// stall_probe: a program that stalls on request, for scripts/wine-run's stall watch.
//
//   stall_probe exit N         ends at once with status N
//   stall_probe stall          starts a copy of itself that sleeps, then sleeps for ever
//   stall_probe once MARKER    stalls as above when MARKER does not exist (creating it), else
//                              ends with status 0: a program that stalls on its first run only
//   stall_probe leave          starts a copy of itself that sleeps, then ends with status 0
//   stall_probe sleep          sleeps for ever (the copy started by a stalling run)
//   stall_probe spin SECONDS   keeps the processor busy for SECONDS, then ends with status 0:
//                              a program that is slow but working
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void StartSleepingCopy() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" sleep";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

int Stall() {
    StartSleepingCopy();
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"exit" && argc > 2) return std::wcstol(argv[2], nullptr, 10);
    if (mode == L"sleep") Sleep(INFINITE);
    if (mode == L"spin" && argc > 2) {
        const ULONGLONG end = GetTickCount64() + 1000ULL * std::wcstoul(argv[2], nullptr, 10);
        // A wait of a millisecond now and then: winedbg cannot attach to a process whose thread
        // never waits ("Can't attach process: error 87"), so a probe that only spun would leave
        // the stall report without its backtrace. It still keeps the processor busy.
        HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        volatile unsigned long long work = 0;
        while (GetTickCount64() < end)
            if ((++work & 0xFFFF) == 0) WaitForSingleObject(never, 1);
        CloseHandle(never);
        return 0;
    }
    if (mode == L"stall") return Stall();
    if (mode == L"leave") {
        StartSleepingCopy();
        return 0;
    }
    if (mode == L"once" && argc > 2) {
        HANDLE marker = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(marker);
        return Stall();
    }
    return 2;
}
