// The class ChartHandler: its default interface _ChartHandler over the chart conversion.
#include "plugin/server/DispatchObject.h"
#include "plugin/server/ServerClasses.h"

#include "QVCHBW01.h"
#include "chart/ChartHandler.h"
#include "plugin/ClassIds.h"

namespace qv::server {
namespace {

class ChartHandlerObject final : public DispatchObject<_ChartHandler> {
public:
    ChartHandlerObject() : DispatchObject(ids::IID__ChartHandler) {}

    HRESULT STDMETHODCALLTYPE OLEObjectHandler_BWPrintNoConfig(IDispatch* Object) override {
        return handler_.OLEObjectHandler_BWPrintNoConfig(Object);
    }

private:
    chart::ChartHandler handler_;
};

}  // namespace

HRESULT CreateChartHandlerObject(REFIID riid, void** ppv) noexcept { return CreateObject<ChartHandlerObject>(riid, ppv); }

}  // namespace qv::server
