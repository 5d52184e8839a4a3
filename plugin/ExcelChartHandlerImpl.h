// The class behind qv::CreateExcelChartHandler: one COM object implementing the host's
// IPlugIn, IChild and IOLEObjectHandler (and IDispatch / _ExcelChartHandler for its own type
// information). Its members live in two files: ExcelChartHandler.cpp (the COM object and the
// IPlugIn and IChild members) and ExcelObjectHandling.cpp (the IOLEObjectHandler members and
// ReorderSheets).
#pragma once

#include "chart/ChartHandler.h"
#include "com/Automation.h"
#include "plugin/HostInterfaces.h"

#include <memory>
#include <string>

namespace qv {

class ExcelChartHandler final : public IPlugIn, public IChild, public IOLEObjectHandler {
public:
    ExcelChartHandler() noexcept;
    ~ExcelChartHandler();
    ExcelChartHandler(const ExcelChartHandler&) = delete;
    ExcelChartHandler& operator=(const ExcelChartHandler&) = delete;

    // IUnknown. IPlugIn's vtable is the object's identity, IDispatch and _ExcelChartHandler.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, one implementation behind all three host interfaces: late binding reaches the
    // class's own interface _ExcelChartHandler; the host calls its interfaces through their
    // vtables.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                            LCID lcid, DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IPlugIn
    HRESULT STDMETHODCALLTYPE Initialize(IDispatch* App, IDispatch* Owner, VARIANT_BOOL* Result) override;
    HRESULT STDMETHODCALLTYPE OnStartUpComplete(VARIANT_BOOL* Result) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Result) override;
    HRESULT STDMETHODCALLTYPE Terminate() override;
    HRESULT STDMETHODCALLTYPE OnPluginChange(IDispatch* PlugIn, VARIANT Param) override;
    HRESULT STDMETHODCALLTYPE OnRibbonCallback(BSTR CallbackName, VARIANT Parameter, BSTR* Result) override;

    // IChild
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** Result) override;
    HRESULT STDMETHODCALLTYPE putref_Parent(IDispatch* ParentObject) override;

    // IOLEObjectHandler
    HRESULT STDMETHODCALLTYPE HandleObject(BSTR* aProgID, LONG* BWFlagSet, VARIANT_BOOL* Result) override;
    HRESULT STDMETHODCALLTYPE TransactionOnObjectComplete(IDispatch* Object, VARIANT_BOOL* Result) override;
    HRESULT STDMETHODCALLTYPE ProcessingOfAllObjectsComplete(VARIANT_BOOL* Result) override;
    HRESULT STDMETHODCALLTYPE ChangeToBWNoConfig(IDispatch* aObject, LONG* BWFlagSet) override;

private:
    // The members proper. Those that may fail throw AutomationError; the vtable entries above
    // turn that into the HRESULT the host gets.
    void IPlugIn_Initialize(IDispatch* App, IDispatch* Owner, VARIANT_BOOL& Result);
    std::wstring IPlugIn_Name() const;
    void IPlugIn_Terminate() noexcept;
    Dispatch IChild_Parent() const;
    void IChild_Parent(IDispatch* ParentObject);
    Dispatch HostParent() const noexcept;

    bool IOLEObjectHandler_HandleObject(const std::wstring& aProgID, long BWFlagSet) const;
    void IOLEObjectHandler_ChangeToBWNoConfig(IDispatch* aObject) noexcept;
    bool IOLEObjectHandler_TransactionOnObjectComplete(IDispatch* Object);

    // Steps of ChangeToBWNoConfig, each under the resume-next rule.
    void AddSpareWorkbookIfAlone(IDispatch* wkb) noexcept;
    void ConvertActiveChart(IDispatch* wkb, IDispatch* activeChart) noexcept;
    void ConvertChartObjectsOfActiveSheet(IDispatch* wkb) noexcept;
    void ConvertChart(IDispatch* chart);
    void ReorderSheets(const Dispatch& wkb) noexcept;

    LONG refs_ = 1;
    // Shared so that a conversion keeps its converter alive even if a call re-entered from
    // Excel's message loop ran IPlugIn_Terminate meanwhile.
    std::shared_ptr<chart::ChartHandler> mChartHandler;
    Dispatch mParentLink;      // as qv::host::IID_ParentLink
    Dispatch mSpareWorkbook;   // as Excel's _Workbook
};

}  // namespace qv
