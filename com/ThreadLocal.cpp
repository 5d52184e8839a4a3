#include "com/ThreadLocal.h"

#include <cstdint>

namespace qv {
namespace {

// Every thread's count lives in a Win32 TLS slot rather than in thread_local data: the loader
// reports a thread's end to the DLL after the runtime has freed the thread's thread_local block.
struct CountSlot {
    DWORD index = TlsAlloc();
    ~CountSlot() {
        if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
    }
};
const CountSlot gSlot;

volatile LONG gHeld = 0;

LONG HereCount() {
    if (gSlot.index == TLS_OUT_OF_INDEXES) return 0;
    return static_cast<LONG>(reinterpret_cast<intptr_t>(TlsGetValue(gSlot.index)));
}

void SetHereCount(LONG count) {
    if (gSlot.index != TLS_OUT_OF_INDEXES)
        TlsSetValue(gSlot.index, reinterpret_cast<void*>(static_cast<intptr_t>(count)));
}

}  // namespace

// Without a slot a thread's count cannot be dropped at its end, so the references it gave up
// keep the DLL loaded: the safe side.
void detail::ThreadRefTaken() noexcept {
    InterlockedIncrement(&gHeld);
    SetHereCount(HereCount() + 1);
}

void detail::ThreadRefDropped() noexcept {
    InterlockedDecrement(&gHeld);
    SetHereCount(HereCount() - 1);
}

LONG ThreadRefsHeld() noexcept { return InterlockedCompareExchange(&gHeld, 0, 0); }

LONG ThreadRefsHeldHere() noexcept { return HereCount(); }

void GiveUpThreadRefs() noexcept {
    const LONG here = HereCount();
    if (here == 0) return;
    InterlockedExchangeAdd(&gHeld, -here);
    SetHereCount(0);
}

}  // namespace qv
