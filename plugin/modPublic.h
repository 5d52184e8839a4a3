// Apartment-wide objects the plug-in publishes for the rest of the module.
//
// The host calls every plug-in on its one apartment thread, and two apartments that each load
// the plug-in must not see each other's objects: the slots are per thread. They are written by
// IPlugIn_Initialize and live until the thread ends.
#pragma once

#include "com/ComSupport.h"

#include <oaidl.h>

namespace qv::modPublic {

// A reference held for the life of an apartment thread.
//
// Trivially destructible on purpose: the reference is given up, not released, when the thread
// ends. By then the thread has left COM, the module that implements the object may already be
// unloaded (the host's own DLL at PowerPoint's exit), and this module may be gone too, so a
// thread-exit Release could call into unmapped code. A thread_local without a destructor also
// leaves nothing for the runtime to call at thread exit.
class ApartmentRef {
public:
    constexpr ApartmentRef() = default;
    ApartmentRef& operator=(const ComPtr<IDispatch>& p) { set(p.get()); return *this; }
    void set(IDispatch* p) {
        if (p) p->AddRef();
        IDispatch* old = p_;
        p_ = p;
        if (old) old->Release();
    }
    void reset() { set(nullptr); }
    IDispatch* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    IDispatch* p_ = nullptr;
};

// The host application as PowerPoint's _Application (qv::host::IID_PowerPointApplication).
extern thread_local ApartmentRef gHostApplication;

}  // namespace qv::modPublic
