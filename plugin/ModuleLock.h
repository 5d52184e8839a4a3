// Live objects and class-factory locks of the COM server, shared by all threads;
// DllCanUnloadNow answers from them.
#pragma once

#include <windows.h>

namespace qv {

void ModuleObjectCreated();
void ModuleObjectDestroyed();
void ModuleLock();
void ModuleUnlock();
// Objects alive plus locks held.
LONG ModuleUsage();

}  // namespace qv
