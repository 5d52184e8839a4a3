// The local server's one object, QVSimExcel.Server: Excel stand-ins made from deck JSON, living
// in the server's process, and what a client in another process needs to know of them. Its
// members are late-bound only (tools/simexcel/Wire.h names them).
#pragma once

#include "tools/simexcel/Wire.h"

#include <oaidl.h>

#include <functional>

namespace simexcel {

// The Server object's IDispatch, with a reference the caller owns. onLastRelease runs when the
// object goes away (the server then ends).
IDispatch* NewServerObject(std::function<void()> onLastRelease);

// The message filter's state, shared with the Server object that sets it.
struct CallGate {
    IUnknown* control = nullptr;   // the Server object: never refused nor counted
    DWORD answer = SERVERCALL_ISHANDLED;  // for refused calls
    long acceptBeforeRefusing = -1;       // -1: refuse nothing
    RoundTripCounts counts;
    // Wine's COM (8.0) runs a call whose filter answered SERVERCALL_RETRYLATER as if it had been
    // accepted. So that a client meets a retry-later refusal there as on Windows, the filter
    // calls this at the first such refusal, and the stand-in then fails every call with
    // RPC_E_SERVERCALL_RETRYLATER itself until the refusals end. Where COM honours the answer,
    // the refused calls never reach the stand-in and this costs nothing.
    std::function<void()> failEveryCallAsBusy;
    bool failingAsBusy = false;
    // The client's process, once it has named it: the server ends when it does, released or not.
    DWORD clientProcessId = 0;
};
CallGate& Gate();

}  // namespace simexcel
