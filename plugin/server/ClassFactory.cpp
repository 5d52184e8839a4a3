#include "plugin/server/ClassFactory.h"

#include <objbase.h>

#include "plugin/ModuleLock.h"
#include "plugin/server/ServerClasses.h"

namespace qv::server {
namespace {

// Locks taken through any of the factories and not yet given back.
volatile LONG gLocksHeld = 0;

// One factory per class, living as long as the module. Its references do not keep the module
// loaded; a client that keeps a factory takes a lock (IClassFactory::LockServer), as COM
// prescribes, and the locks count for DllCanUnloadNow.
class ClassFactory final : public IClassFactory {
public:
    explicit constexpr ClassFactory(const ServerClass& cls) : class_(cls) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return class_.create(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&gLocksHeld);
            ModuleLock();
            return S_OK;
        }
        // An unlock without a lock must not cancel out a live object in the module's count
        // and let DllCanUnloadNow answer S_OK under it.
        for (LONG held = gLocksHeld; held > 0; held = gLocksHeld) {
            if (InterlockedCompareExchange(&gLocksHeld, held - 1, held) == held) {
                ModuleUnlock();
                return S_OK;
            }
        }
        return E_UNEXPECTED;
    }

private:
    const ServerClass& class_;
};

ClassFactory gFactories[] = {ClassFactory(kServerClasses[0]), ClassFactory(kServerClasses[1]),
                             ClassFactory(kServerClasses[2])};
static_assert(sizeof gFactories / sizeof gFactories[0] == sizeof kServerClasses / sizeof kServerClasses[0]);

}  // namespace

HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ServerClass* cls = FindServerClass(clsid);
    if (!cls) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactories[cls - kServerClasses].QueryInterface(riid, ppv);
}

}  // namespace qv::server
