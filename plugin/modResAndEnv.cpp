#include "plugin/modResAndEnv.h"

namespace qv::modResAndEnv {

thread_local modPublic::ApartmentRef gEnvHost;
thread_local modPublic::ApartmentRef gEnvSecond;
thread_local modPublic::ApartmentRef gEnvThird;

void InitEnvironment(ComPtr<IDispatch>& host, ComPtr<IDispatch>& second,
                     ComPtr<IDispatch>& third) noexcept {
    // Storing a reference is an AddRef and cannot fail.
    if (host) gEnvHost = host;
    gEnvSecond = second;
    gEnvThird = third;
}

}  // namespace qv::modResAndEnv
