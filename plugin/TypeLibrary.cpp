#include "plugin/TypeLibrary.h"

namespace qv {

HRESULT LoadOwnTypeInfo(REFGUID, ITypeInfo** info) noexcept {
    if (info) *info = nullptr;
    return TYPE_E_CANTLOADLIBRARY;
}

}  // namespace qv
