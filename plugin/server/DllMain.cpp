// Entry point and exports of the COM server.
#include <windows.h>
#include <objbase.h>

#include "diag/Services.h"
#include "com/ThreadLocal.h"
#include "plugin/ModuleLock.h"
#include "plugin/server/ClassFactory.h"
#include "plugin/server/Registration.h"

namespace {

// The module handle the loader passes: registration takes the DLL's path from it.
HINSTANCE gModule = nullptr;

}  // namespace

// The component's per-thread state (the log's run state, the published host objects, the cached
// type library) is thread_local data of its modules: created empty when a thread first uses it,
// and its storage freed by the runtime's TLS callbacks when the thread ends or the DLL is
// unloaded, so that thread notifications must stay on (no DisableThreadLibraryCalls). None of it
// has a destructor: the runtime frees the storage before it would run one. The references it
// holds are given up at a thread's end, not released: this runs under the loader lock, where no
// call into the host may be made, and an ending thread only stops them counting against unloading.
// A thread that ends still in COM is told here before COM's own module ends its apartment (the
// loader tells modules in the reverse order of their start), so when COM then asks
// DllCanUnloadNow on that thread, under the loader lock, the thread has nothing left to release.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        // ModuleName and ModuleFolder describe this DLL, not the host program.
        qv::diag::SetModuleInstance(instance);
    } else if (reason == DLL_THREAD_DETACH) {
        qv::GiveUpThreadRefs();
    }
    return TRUE;
}

// Never yes while a thread's state still holds references: the DLL stays loaded until the
// holding thread gives them back here or ends (plugin/ModuleLock.cpp).
extern "C" HRESULT WINAPI DllCanUnloadNow() { return qv::ModuleCanUnloadNow() ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    return qv::server::GetClassFactory(clsid, riid, ppv);
}

extern "C" HRESULT WINAPI DllRegisterServer() { return qv::server::RegisterServer(gModule); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return qv::server::UnregisterServer(); }
