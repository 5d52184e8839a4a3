// A stand-in for the maker's debugger tool ("vtrDebugger.vtrDebuggerInterface").
//
// While a SimDebugger exists, its ProgID is registered (HKEY_CLASSES_ROOT) under a class id of
// its own, and an IDispatch object of that class is in the running object table, as the real
// tool's running instance would be. The object lives in the multithreaded apartment on a thread
// of its own, so that callers on any single-threaded apartment reach it through COM's proxies
// without anyone pumping messages for it. It answers RegisterModule (with the module id given)
// and DebugMsg, records every call with its arguments' types and values, and fails loudly
// (DISP_E_UNKNOWNNAME / DISP_E_MEMBERNOTFOUND) on any other member. The destructor takes the
// object out of the table and the ProgID out of the registry again.
#pragma once

#include "sim/RegistryGuard.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace sim {

struct DebuggerArg {
    VARTYPE vt;          // as received, VT_BYREF included
    std::wstring value;  // the text of a string, the decimal value of a number
};

struct DebuggerCall {
    std::wstring member;  // "RegisterModule", "DebugMsg", or the unknown DISPID's number
    WORD flags;           // the wFlags of Invoke
    std::vector<DebuggerArg> args;  // in call order
};

// The stand-in's class id.
extern const CLSID CLSID_SimDebugger;
constexpr wchar_t kDebuggerProgId[] = L"vtrDebugger.vtrDebuggerInterface";

class SimDebugger {
public:
    explicit SimDebugger(long moduleId = 42);
    ~SimDebugger();
    SimDebugger(const SimDebugger&) = delete;
    SimDebugger& operator=(const SimDebugger&) = delete;

    std::vector<DebuggerCall> Calls() const;
    // From now on every call fails with DISP_E_EXCEPTION (as a tool that was closed would).
    void SetFailing(bool failing);

    struct State;

private:
    std::shared_ptr<State> state_;
    RegistryGuard registry_;
    std::thread host_;
};

}  // namespace sim
