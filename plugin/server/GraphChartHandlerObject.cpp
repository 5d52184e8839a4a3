// The class GraphChartHandler: registered and creatable, with no behaviour of its own.
#include "plugin/server/DispatchObject.h"
#include "plugin/server/ServerClasses.h"

#include "QVCHBW01.h"
#include "plugin/ClassIds.h"

namespace qv::server {
namespace {

class GraphChartHandlerObject final : public DispatchObject<_GraphChartHandler> {
public:
    GraphChartHandlerObject() : DispatchObject(ids::IID__GraphChartHandler) {}
};

}  // namespace

HRESULT CreateGraphChartHandlerObject(REFIID riid, void** ppv) noexcept { return CreateObject<GraphChartHandlerObject>(riid, ppv); }

}  // namespace qv::server
