// Apartment-wide objects the plug-in publishes for the rest of the module.
//
// The host calls every plug-in on its one apartment thread, and two apartments that each load
// the plug-in must not see each other's objects: the slots are per thread. They are written by
// IPlugIn_Initialize and released when the thread ends.
#pragma once

#include "plugin/ComSupport.h"

#include <oaidl.h>

namespace qv::modPublic {

// The host application as PowerPoint's _Application (qv::host::IID_PowerPointApplication).
extern thread_local ComPtr<IDispatch> gHostApplication;

}  // namespace qv::modPublic
