#include "plugin/ModuleLock.h"

namespace qv {

static volatile LONG gObjects = 0;
static volatile LONG gLocks = 0;

void ModuleObjectCreated() { InterlockedIncrement(&gObjects); }
void ModuleObjectDestroyed() { InterlockedDecrement(&gObjects); }
void ModuleLock() { InterlockedIncrement(&gLocks); }
void ModuleUnlock() { InterlockedDecrement(&gLocks); }
LONG ModuleUsage() { return InterlockedCompareExchange(&gObjects, 0, 0) + InterlockedCompareExchange(&gLocks, 0, 0); }

}  // namespace qv
