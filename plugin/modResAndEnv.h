// The plug-in's environment record: the host object it runs under and two further host objects.
// One record per apartment thread, given up at the thread's end (com/ThreadLocal.h).
#pragma once

#include "com/ComSupport.h"
#include "com/ThreadLocal.h"

#include <oaidl.h>

namespace qv::modResAndEnv {

// The parent as the host-object interface (qv::host::IID_HostObject).
extern thread_local ThreadRef<IDispatch> gEnvHost;
// Declared as qv::host::IID_EnvSecond and IID_EnvThird.
extern thread_local ThreadRef<IDispatch> gEnvSecond;
extern thread_local ThreadRef<IDispatch> gEnvThird;

// Stores host unless it is Nothing (gEnvHost then keeps what it held), and second and third
// as they are, Nothing included. Never fails.
void InitEnvironment(ComPtr<IDispatch>& host, ComPtr<IDispatch>& second,
                     ComPtr<IDispatch>& third) noexcept;

}  // namespace qv::modResAndEnv
