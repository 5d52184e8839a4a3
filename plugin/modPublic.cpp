#include "plugin/modPublic.h"

namespace qv::modPublic {

thread_local ApartmentRef gHostApplication;

}  // namespace qv::modPublic
