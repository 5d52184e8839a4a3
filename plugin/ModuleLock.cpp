#include "plugin/ModuleLock.h"

#include "com/ThreadLocal.h"
#include "plugin/ThreadState.h"

#include <objbase.h>

namespace qv {

static volatile LONG gObjects = 0;
static volatile LONG gLocks = 0;

void ModuleObjectCreated() { InterlockedIncrement(&gObjects); }
void ModuleObjectDestroyed() { InterlockedDecrement(&gObjects); }
void ModuleLock() { InterlockedIncrement(&gLocks); }
void ModuleUnlock() { InterlockedDecrement(&gLocks); }
LONG ModuleUsage() { return InterlockedCompareExchange(&gObjects, 0, 0) + InterlockedCompareExchange(&gLocks, 0, 0); }

namespace {

// A thread that has left COM may hold proxies it can no longer release safely.
bool InCom() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

}  // namespace

// The per-thread state lives until its thread or the DLL ends, whichever comes first, and a
// reference still held when the DLL goes is never given back: a thread's end only gives it up
// (com/ThreadLocal.h), since a Release there would call the host under the loader lock, at a
// time the host's own module may be gone. DllCanUnloadNow is the safe point: COM calls it on an
// apartment's own thread, outside the loader lock, right before it unloads the DLL. So the
// calling thread gives its references back here, but only when they are the last ones: while
// another thread still holds some the DLL stays loaded anyway, and this thread keeps what it has.
// Answering no alone would not do: the host's own thread (PowerPoint's, for the whole session)
// would then keep the DLL loaded and the host's objects referenced until the process ends.
bool ModuleCanUnloadNow() noexcept {
    if (ModuleUsage() != 0) return false;
    const LONG here = ThreadRefsHeldHere();
    if (ThreadRefsHeld() != here) return false;
    if (here != 0) {
        if (!InCom()) return false;
        ReleaseThreadReferences();
    }
    return ThreadRefsHeld() == 0;
}

}  // namespace qv
