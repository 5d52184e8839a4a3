// The references the component's per-thread state holds on the calling thread, given back
// before the DLL unloads (com/ThreadLocal.h): the host objects IPlugIn_Initialize published, the
// log's debugger tool and the cached type library.
#pragma once

namespace qv {

// gHostApplication and the environment record.
void ReleasePublishedHostObjects() noexcept;

// Every reference of the calling thread's state. Calls into the objects it releases, so it
// must run on the thread, in COM, and never under the loader lock.
void ReleaseThreadReferences() noexcept;

}  // namespace qv
