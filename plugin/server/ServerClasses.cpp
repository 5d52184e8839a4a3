#include "plugin/server/ServerClasses.h"

#include "plugin/ClassIds.h"
#include "plugin/ExcelChartHandler.h"

namespace qv::server {

const ServerClass kServerClasses[3] = {
    {ids::CLSID_ExcelChartHandler, L"QVCHBW01.ExcelChartHandler", &CreateExcelChartHandler},
    {ids::CLSID_ChartHandler, L"QVCHBW01.ChartHandler", &CreateChartHandlerObject},
    {ids::CLSID_GraphChartHandler, L"QVCHBW01.GraphChartHandler", &CreateGraphChartHandlerObject},
};

const ServerClass* FindServerClass(REFCLSID clsid) noexcept {
    for (const ServerClass& c : kServerClasses) {
        if (IsEqualCLSID(c.clsid, clsid)) return &c;
    }
    return nullptr;
}

}  // namespace qv::server
