#include "plugin/modResAndEnv.h"

namespace qv::modResAndEnv {

thread_local ComPtr<IDispatch> gEnvHost;
thread_local ComPtr<IDispatch> gEnvSecond;
thread_local ComPtr<IDispatch> gEnvThird;

void InitEnvironment(ComPtr<IDispatch>& host, ComPtr<IDispatch>& second,
                     ComPtr<IDispatch>& third) noexcept {
    // Copying a ComPtr is an AddRef and cannot fail.
    if (host) gEnvHost = host;
    gEnvSecond = second;
    gEnvThird = third;
}

}  // namespace qv::modResAndEnv
