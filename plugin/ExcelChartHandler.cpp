// ExcelChartHandler: the COM object, and its IPlugIn and IChild members. The IOLEObjectHandler
// members are in ExcelObjectHandling.cpp.
#include "plugin/ExcelChartHandler.h"

#include "plugin/ExcelChartHandlerImpl.h"

#include "diag/modDebug.h"
#include "plugin/ClassIds.h"
#include "plugin/ModuleLock.h"
#include "plugin/TypeLibrary.h"
#include "plugin/modPublic.h"
#include "plugin/modResAndEnv.h"

#include <new>

namespace qv {

namespace {

constexpr wchar_t kPlugInName[] = L"ExcelChartHandler";

// A BSTR for an [out, retval] String; "" is a real, empty string, as the runtime returns it.
HRESULT ReturnString(const std::wstring& text, BSTR* Result) noexcept {
    *Result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *Result ? S_OK : E_OUTOFMEMORY;
}

// The first member of the host's parent-source or parent-link interface, called through its
// vtable slot; object is the pointer QueryInterface returned for that interface. A failing call
// raises its error as the runtime does for any vtable call; whatever the host left in the result
// then is not ours to release.
Dispatch FirstMemberOf(IDispatch* object) {
    if (!object) throw AutomationError::Runtime(errnum::ObjectNotSet);
    IDispatch* result = nullptr;
    const HRESULT hr = static_cast<host::IHostFirstMember*>(object)->get_First(&result);
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, nullptr);
    return Dispatch::Attach(result);
}

}  // namespace

ExcelChartHandler::ExcelChartHandler() noexcept { ModuleObjectCreated(); }

ExcelChartHandler::~ExcelChartHandler() { ModuleObjectDestroyed(); }

// ---- IUnknown --------------------------------------------------------------------------------

HRESULT ExcelChartHandler::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, ids::IID__ExcelChartHandler) || IsEqualIID(riid, IID_IPlugIn))
        *ppv = static_cast<IPlugIn*>(this);
    else if (IsEqualIID(riid, IID_IChild))
        *ppv = static_cast<IChild*>(this);
    else if (IsEqualIID(riid, IID_IOLEObjectHandler))
        *ppv = static_cast<IOLEObjectHandler*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ExcelChartHandler::AddRef() { return InterlockedIncrement(&refs_); }

ULONG ExcelChartHandler::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
}

// ---- IDispatch -------------------------------------------------------------------------------

HRESULT ExcelChartHandler::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT ExcelChartHandler::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    return LoadOwnTypeInfo(ids::IID__ExcelChartHandler, ppTInfo);
}

HRESULT ExcelChartHandler::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                         DISPID* rgDispId) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId) return E_POINTER;
    // _ExcelChartHandler has no members of its own: no name is known, but the request is
    // answered the same way as on the server's other objects.
    ComPtr<ITypeInfo> info;
    if (SUCCEEDED(LoadOwnTypeInfo(ids::IID__ExcelChartHandler, info.Receive())) &&
        SUCCEEDED(DispGetIDsOfNames(info.get(), rgszNames, cNames, rgDispId)) && cNames > 0 &&
        IsOwnMember(info.get(), rgDispId[0]))
        return S_OK;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT ExcelChartHandler::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                  DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                  EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    if (FAILED(LoadOwnTypeInfo(ids::IID__ExcelChartHandler, info.Receive())) ||
        !IsOwnMember(info.get(), dispIdMember))
        return DISP_E_MEMBERNOTFOUND;
    return DispInvoke(static_cast<IPlugIn*>(this), info.get(), dispIdMember, wFlags, pDispParams,
                      pVarResult, pExcepInfo, puArgErr);
}

// ---- IPlugIn ---------------------------------------------------------------------------------

HRESULT ExcelChartHandler::Initialize(IDispatch* App, IDispatch* Owner, VARIANT_BOOL* Result) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_FALSE;
    return ReturnErrors([&] { IPlugIn_Initialize(App, Owner, *Result); });
}

HRESULT ExcelChartHandler::OnStartUpComplete(VARIANT_BOOL* Result) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_TRUE;
    return S_OK;
}

HRESULT ExcelChartHandler::get_Name(BSTR* Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    HRESULT hr = S_OK;
    HRESULT thrown = ReturnErrors([&] { hr = ReturnString(IPlugIn_Name(), Result); });
    return FAILED(thrown) ? thrown : hr;
}

HRESULT ExcelChartHandler::Terminate() {
    IPlugIn_Terminate();
    return S_OK;
}

HRESULT ExcelChartHandler::OnPluginChange(IDispatch*, VARIANT) { return S_OK; }

HRESULT ExcelChartHandler::OnRibbonCallback(BSTR, VARIANT, BSTR* Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    return ReturnString(L"", Result);
}

// Steps 1 to 5 are untrapped: the first failure ends the member with its error, Result stays
// False and nothing is logged; what was done before it stays done.
void ExcelChartHandler::IPlugIn_Initialize(IDispatch* App, IDispatch* Owner, VARIANT_BOOL& Result) {
    QueryAs(Owner, host::IID_Owner);  // a check only: the owner is not kept
    modPublic::gHostApplication = QueryAs(App, host::IID_PowerPointApplication);
    Dispatch hostObject = HostParent();
    Dispatch second, third;
    modResAndEnv::InitEnvironment(hostObject, second, third);
    mChartHandler = std::make_shared<chart::ChartHandler>();
    Result = VARIANT_TRUE;
    // From here on nothing may fail the member.
    modDebug::LogInfo([&] { return L"IPlugIn_Initialize: " + IPlugIn_Name(); });
}

std::wstring ExcelChartHandler::IPlugIn_Name() const { return kPlugInName; }

void ExcelChartHandler::IPlugIn_Terminate() noexcept { mChartHandler.reset(); }

// ---- IChild ----------------------------------------------------------------------------------

HRESULT ExcelChartHandler::get_Parent(IDispatch** Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    return ReturnErrors([&] { *Result = IChild_Parent().Detach(); });
}

HRESULT ExcelChartHandler::putref_Parent(IDispatch* ParentObject) {
    return ReturnErrors([&] { IChild_Parent(ParentObject); });
}

Dispatch ExcelChartHandler::IChild_Parent() const {
    if (!mParentLink) return Dispatch();
    return FirstMemberOf(mParentLink.get());
}

// Only the link is kept, not the parent object handed in. A failing step leaves the link
// that was there.
void ExcelChartHandler::IChild_Parent(IDispatch* ParentObject) {
    if (!ParentObject) {
        mParentLink.reset();
        return;
    }
    Dispatch source = QueryAs(ParentObject, host::IID_ParentSource);
    Dispatch link = FirstMemberOf(source.get());
    mParentLink = QueryAs(link.get(), host::IID_ParentLink);
}

Dispatch ExcelChartHandler::HostParent() const noexcept {
    Dispatch parent;
    Attempt([&] { parent = QueryAs(IChild_Parent().get(), host::IID_HostObject); });
    return parent;
}

// ---- creation --------------------------------------------------------------------------------

HRESULT CreateExcelChartHandler(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* object = new (std::nothrow) ExcelChartHandler();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();  // the creation reference; the object is gone if the query failed
    return hr;
}

}  // namespace qv
