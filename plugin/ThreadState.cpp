#include "plugin/ThreadState.h"

#include "diag/modDebug.h"
#include "plugin/TypeLibrary.h"
#include "plugin/modPublic.h"
#include "plugin/modResAndEnv.h"

namespace qv {

void ReleasePublishedHostObjects() noexcept {
    modPublic::gHostApplication.reset();
    modResAndEnv::gEnvHost.reset();
    modResAndEnv::gEnvSecond.reset();
    modResAndEnv::gEnvThird.reset();
}

void ReleaseThreadReferences() noexcept {
    ReleasePublishedHostObjects();
    modDebug::ReleaseDebugger();
    ReleaseOwnTypeLib();
}

}  // namespace qv
