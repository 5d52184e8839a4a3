#include "plugin/modResAndEnv.h"

namespace qv::modResAndEnv {

thread_local ThreadRef<IDispatch> gEnvHost;
thread_local ThreadRef<IDispatch> gEnvSecond;
thread_local ThreadRef<IDispatch> gEnvThird;

void InitEnvironment(ComPtr<IDispatch>& host, ComPtr<IDispatch>& second,
                     ComPtr<IDispatch>& third) noexcept {
    // Storing a reference is an AddRef and cannot fail.
    if (host) gEnvHost = host;
    gEnvSecond = second;
    gEnvThird = third;
}

}  // namespace qv::modResAndEnv
