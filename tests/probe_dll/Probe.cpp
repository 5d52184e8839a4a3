// A DLL built from the diagnostic sources alone, so that a test can ask the module-identity
// services and the log from inside a loaded DLL instead of from the test program.
#include <windows.h>

#include <cwchar>
#include <string>

#include "diag/Services.h"
#include "diag/modDebug.h"

namespace {

void CopyOut(const std::wstring& text, wchar_t* out, int size) {
    if (!out || size <= 0) return;
    wcsncpy(out, text.c_str(), size - 1);
    out[size - 1] = L'\0';
}

}  // namespace

extern "C" __declspec(dllexport) void ProbeModuleIdentity(wchar_t* name, wchar_t* folder, int size) {
    CopyOut(qv::diag::ModuleName(), name, size);
    CopyOut(qv::diag::ModuleFolder(), folder, size);
}

extern "C" __declspec(dllexport) void ProbeLogInfo(const wchar_t* message) {
    qv::modDebug::LogInfo(message);
}
