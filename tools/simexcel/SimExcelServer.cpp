// QVSimExcel.SampleChart: one Excel stand-in per object, holding one coloured sample chart.
//
// Late-bound members (IDispatch only, names case-insensitive):
//   Chart            the sample chart's automation object (a new reference each time)
//   IsBlackAndWhite  True when the chart area's border is black, the plot area white and every
//                    series filled with a pattern: what the plug-in's conversion leaves
//   OutstandingRefs  references to the stand-in's objects not yet released
//   CallCount        calls the stand-in's objects received
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "sim/StandInServer.h"

namespace {

const CLSID kClsid{0xb9286a16, 0x20db, 0x440e, {0xb2, 0x76, 0xf7, 0xe2, 0x28, 0x0b, 0xbe, 0xdb}};
const wchar_t kProgId[] = L"QVSimExcel.SampleChart";

HINSTANCE gModule = nullptr;
volatile LONG gUsage = 0;

enum Member : DISPID { kChart = 1, kIsBlackAndWhite, kOutstandingRefs, kCallCount };
const sim::MemberName kMembers[] = {
    {L"Chart", kChart},
    {L"IsBlackAndWhite", kIsBlackAndWhite},
    {L"OutstandingRefs", kOutstandingRefs},
    {L"CallCount", kCallCount},
};

class SampleChart final : public sim::LateBoundObject {
public:
    SampleChart() : LateBoundObject(kMembers), excel_(sim::AppWithChartSheet()) { InterlockedIncrement(&gUsage); }
    ~SampleChart() override { InterlockedDecrement(&gUsage); }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        VARIANT value;
        VariantInit(&value);
        switch (member) {
        case kChart:
            value.vt = VT_DISPATCH;
            value.pdispVal = excel_.NewChartRef(chart());
            break;
        case kIsBlackAndWhite:
            value.vt = VT_BOOL;
            value.boolVal = IsBlackAndWhite() ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case kOutstandingRefs:
            value.vt = VT_I4;
            value.lVal = excel_.outstandingRefs();
            break;
        case kCallCount:
            value.vt = VT_I4;
            value.lVal = excel_.callCount();
            break;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
        if (result) {
            *result = value;
        } else {
            VariantClear(&value);
        }
        return S_OK;
    }

private:
    sim::ChartModel& chart() { return excel_.model().workbooks[0]->sheets[0]->chart; }

    bool IsBlackAndWhite() {
        const sim::ChartModel& c = chart();
        if (c.chartArea.border.color != 0 || c.plotArea.interior.color != 0xFFFFFF) return false;
        for (const sim::SeriesModel& s : c.series) {
            if (s.fill.type != sim::FillModel::Type::Patterned || s.fill.pattern == 0) return false;
        }
        return !c.series.empty();
    }

    sim::Excel excel_;
};

class Factory final : public sim::StaticClassFactory {
public:
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&gUsage);
        } else {
            InterlockedDecrement(&gUsage);
        }
        return S_OK;
    }

protected:
    HRESULT NewObject(IUnknown** object) override {
        try {
            *object = new SampleChart();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
};
Factory gFactory;

std::wstring ClsidKey() { return sim::ClassKey(kClsid); }

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModule = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return gUsage == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(riid, ppv);
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(gModule, path, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
    wchar_t clsid[40] = {};
    StringFromGUID2(kClsid, clsid, 40);
    const LSTATUS results[] = {
        sim::SetClassesRootValue(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid),
        sim::SetClassesRootValue(ClsidKey() + L"\\InprocServer32", nullptr, path),
        sim::SetClassesRootValue(ClsidKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
        sim::SetClassesRootValue(ClsidKey() + L"\\ProgID", nullptr, kProgId),
    };
    for (LSTATUS status : results) {
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey().c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}
