// The plug-in's environment record: the host object it runs under and two further host objects.
// One record per apartment thread, like modPublic's slots, and given up the same way at the
// thread's end.
#pragma once

#include "plugin/modPublic.h"

namespace qv::modResAndEnv {

// The parent as the host-object interface (qv::host::IID_HostObject).
extern thread_local modPublic::ApartmentRef gEnvHost;
// Declared as qv::host::IID_EnvSecond and IID_EnvThird.
extern thread_local modPublic::ApartmentRef gEnvSecond;
extern thread_local modPublic::ApartmentRef gEnvThird;

// Stores host unless it is Nothing (gEnvHost then keeps what it held), and second and third
// as they are, Nothing included. Never fails.
void InitEnvironment(ComPtr<IDispatch>& host, ComPtr<IDispatch>& second,
                     ComPtr<IDispatch>& third) noexcept;

}  // namespace qv::modResAndEnv
