// Live objects and class-factory locks of the COM server, shared by all threads, and the
// references of the per-thread state: DllCanUnloadNow answers from them.
#pragma once

#include <windows.h>

namespace qv {

void ModuleObjectCreated();
void ModuleObjectDestroyed();
void ModuleLock();
void ModuleUnlock();
// Objects alive plus locks held.
LONG ModuleUsage();

// Whether the DLL may unload now: no object alive, no lock held, and no reference of any
// thread's per-thread state held. When the calling thread's references are the only ones left,
// they are given back first. Not under the loader lock.
bool ModuleCanUnloadNow() noexcept;

}  // namespace qv
