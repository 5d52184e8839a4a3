// Apartment-wide objects the plug-in publishes for the rest of the module.
//
// The host calls every plug-in on its one apartment thread, and two apartments that each load
// the plug-in must not see each other's objects: the slots are per thread (com/ThreadLocal.h).
// They are written by IPlugIn_Initialize and live until the thread ends.
#pragma once

#include "com/ComSupport.h"
#include "com/ThreadLocal.h"

#include <oaidl.h>

namespace qv::modPublic {

// A reference held for the life of an apartment thread, given up at its end.
using ApartmentRef = ThreadRef<IDispatch>;

// The host application as PowerPoint's _Application (qv::host::IID_PowerPointApplication).
extern thread_local ApartmentRef gHostApplication;

}  // namespace qv::modPublic
