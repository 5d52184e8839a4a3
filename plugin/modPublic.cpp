#include "plugin/modPublic.h"

#include <type_traits>

namespace qv::modPublic {

static_assert(std::is_trivially_destructible_v<ApartmentRef>,
              "apartment slots must leave nothing to run at thread exit");

thread_local ApartmentRef gHostApplication;

}  // namespace qv::modPublic
