#include "plugin/modPublic.h"

namespace qv::modPublic {

thread_local ComPtr<IDispatch> gHostApplication;

}  // namespace qv::modPublic
