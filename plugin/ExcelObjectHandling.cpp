// ExcelChartHandler's IOLEObjectHandler members and ReorderSheets: which objects are taken,
// which charts of a workbook are converted, the spare workbook, the sheet rotation and the
// closing of the workbook.
#include "excel/ExcelObjectModel.h"
#include "diag/modDebug.h"
#include "plugin/ExcelChartHandlerImpl.h"

#include <cstdlib>
#include <string>

namespace qv {

namespace {

namespace M = excel::Member;

// Excel versions after this one get a spare workbook beside the embedded one.
constexpr double kLastVersionWithoutSpare = 11;
// The host's option bit that asks for Excel charts to be converted.
constexpr long kConvertExcelCharts = 512;

VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

std::wstring UpperCase(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// The number a text starts with, read the way the automation runtime's Val does: blanks are
// skipped, reading stops at the first character that cannot continue the number, and a text
// without a leading number is 0 ("12.0" is 12, "11.5 SP3" is 11.5, "x12" is 0).
double LeadingNumber(const std::wstring& text) {
    std::string number;
    bool point = false, digits = false;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') continue;
        if ((c == L'+' || c == L'-') && number.empty()) number += static_cast<char>(c);
        else if (c >= L'0' && c <= L'9') { number += static_cast<char>(c); digits = true; }
        else if (c == L'.' && !point) { number += '.'; point = true; }
        else break;
    }
    return digits ? std::strtod(number.c_str(), nullptr) : 0.0;
}

Dispatch SheetsOf(IDispatch* wkb) { return GetObject(wkb, M::Sheets); }
Dispatch ApplicationOf(Step& s, IDispatch* wkb) { return s.GetObject(wkb, M::Application); }
Dispatch WorkbooksOf(Step& s, IDispatch* wkb) { return s.GetObject(ApplicationOf(s, wkb).get(), M::Workbooks); }

// description: the error's text, made only when the line is written.
template <class Description>
void LogReorderError(const Description& description) noexcept {
    modDebug::LogError([&] { return L"ReorderSheets: " + description(); });
}

void CloseWithoutSaving(IDispatch* workbook) {
    // SaveChanges False; Filename and RouteWorkbook left out.
    Call(workbook, M::Close, {Variant::Bool(false), Variant::Missing(), Variant::Missing()});
}

// The worksheet's chart objects are reached by name: a worksheet's ChartObjects hands back a
// plain object, and the plug-in asks it for Count and for a chart object's Chart by name.
Dispatch ChartObjectsOf(Step& s, IDispatch* worksheet, const Variant& index) {
    return s.CallObject(worksheet, ByName(M::ChartObjects), {index});
}

Dispatch ChartOfChartObject(Step& s, IDispatch* worksheet, short index) {
    Dispatch chartObject = ChartObjectsOf(s, worksheet, Variant::I2(index));
    return s.QueryAs(s.GetObject(chartObject.get(), ByName(M::Chart)).get(), excel::IID_Chart);
}

}  // namespace

// ---- vtable entries --------------------------------------------------------------------------

HRESULT ExcelChartHandler::HandleObject(BSTR* aProgID, LONG* BWFlagSet, VARIANT_BOOL* Result) {
    if (!aProgID || !BWFlagSet || !Result) return E_POINTER;
    *Result = VARIANT_FALSE;
    return ReturnErrors([&] {
        const std::wstring progId = *aProgID ? std::wstring(*aProgID, SysStringLen(*aProgID)) : L"";
        *Result = ToVariantBool(IOLEObjectHandler_HandleObject(progId, *BWFlagSet));
    });
}

HRESULT ExcelChartHandler::ChangeToBWNoConfig(IDispatch* aObject, LONG*) {
    IOLEObjectHandler_ChangeToBWNoConfig(aObject);
    return S_OK;
}

HRESULT ExcelChartHandler::TransactionOnObjectComplete(IDispatch* Object, VARIANT_BOOL* Result) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_FALSE;
    return ReturnErrors([&] {
        *Result = ToVariantBool(IOLEObjectHandler_TransactionOnObjectComplete(Object));
    });
}

HRESULT ExcelChartHandler::ProcessingOfAllObjectsComplete(VARIANT_BOOL* Result) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_TRUE;
    return S_OK;
}

// ---- the members -----------------------------------------------------------------------------

// Any ProgID that contains the five letters, in any case, is an Excel object; every Excel
// object is logged with the host's flags, whether or not the flags ask for the conversion.
bool ExcelChartHandler::IOLEObjectHandler_HandleObject(const std::wstring& aProgID,
                                                       long BWFlagSet) const {
    if (UpperCase(aProgID).find(L"EXCEL") == std::wstring::npos) return false;
    modDebug::WriteLog([&] { return L"Converting Excel Chart. BWFlagSet=" + std::to_wstring(BWFlagSet); },
                       modDebug::kLevelInfo);
    return (BWFlagSet & kConvertExcelCharts) != 0;
}

// Every step is attempted on its own and a failing one is skipped (resume next); an object
// that is not a workbook leaves wkb empty, so that every Excel step fails and only
// ReorderSheets reports it.
void ExcelChartHandler::IOLEObjectHandler_ChangeToBWNoConfig(IDispatch* aObject) noexcept {
    if (!aObject) return;
    Dispatch wkb;
    Attempt([&](Step& s) { wkb = s.QueryAs(aObject, excel::IID_Workbook); });
    AddSpareWorkbookIfAlone(wkb.get());
    // A failing fetch counts as no active chart.
    Dispatch activeChart;
    Attempt([&](Step& s) {
        activeChart = s.QueryAs(s.GetObjectOrNothing(wkb.get(), M::ActiveChart).get(), excel::IID_Chart);
    });
    if (activeChart)
        ConvertActiveChart(wkb.get(), activeChart.get());
    else
        ConvertChartObjectsOfActiveSheet(wkb.get());
    ReorderSheets(wkb);
}

// When the embedded workbook is the only one open in an Excel newer than 11, one empty workbook
// is opened beside it until the object's transaction ends. Each test whose evaluation fails
// counts as passed.
void ExcelChartHandler::AddSpareWorkbookIfAlone(IDispatch* wkb) noexcept {
    const bool newer = TestOrTrue([&](Step& s) {
        return LeadingNumber(s.ToString(s.GetValue(ApplicationOf(s, wkb).get(), M::Version))) >
               kLastVersionWithoutSpare;
    });
    if (!newer) return;
    const bool alone = TestOrTrue([&](Step& s) { return s.GetInt32(WorkbooksOf(s, wkb).get(), M::Count) == 1; });
    if (!alone) return;
    // A Workbooks(1) that answers Nothing has been evaluated: Nothing is not the embedded
    // workbook, so the test fails rather than counting as passed.
    const bool itIsThis = TestOrTrue([&](Step& s) {
        Dispatch first = s.GetObjectOrNothing(WorkbooksOf(s, wkb).get(), M::Default, {Variant::I2(1)});
        return !s.failed() && first && SameObject(first.get(), wkb);
    });
    if (!itIsThis) return;
    // A workbook held from before is replaced, not closed: the host ends every object's
    // transaction before it offers the next.
    Attempt([&](Step& s) {
        Dispatch added = s.CallObjectOrNothing(WorkbooksOf(s, wkb).get(), M::Add, {Variant::Missing()});
        Dispatch spare = s.QueryAs(added.get(), excel::IID_Workbook);
        if (!s.failed()) mSpareWorkbook = spare;
    });
}

// A chart sheet, or a chart active in its sheet: that chart alone.
void ExcelChartHandler::ConvertActiveChart(IDispatch* wkb, IDispatch* activeChart) noexcept {
    Attempt([&](Step& s) { s.Call(wkb, M::ExclusiveAccess); });
    Attempt([&] { ConvertChart(activeChart); });
}

// Every chart object of the active worksheet, in index order. The count is read once, as a
// 16-bit number; when it cannot be read (or does not fit) the walk is skipped.
void ExcelChartHandler::ConvertChartObjectsOfActiveSheet(IDispatch* wkb) noexcept {
    Dispatch worksheet;
    Attempt([&](Step& s) {
        worksheet = s.QueryAs(s.GetObjectOrNothing(wkb, M::ActiveSheet).get(), excel::IID_Worksheet);
    });
    if (!worksheet) return;
    short count = 0;
    Attempt([&](Step& s) {
        count = s.ToInt16(s.GetValue(ChartObjectsOf(s, worksheet.get(), Variant::Missing()).get(),
                                     ByName(M::Count)));
    });
    for (int j = 1; j <= count; ++j)
        Attempt([&](Step& s) {
            Dispatch chart = ChartOfChartObject(s, worksheet.get(), static_cast<short>(j));
            if (!s.failed()) ConvertChart(chart.get());
        });
}

// One chart through the chart handler. Without a chart handler (before IPlugIn_Initialize or
// after IPlugIn_Terminate) the step fails and the chart stays as it is.
void ExcelChartHandler::ConvertChart(IDispatch* chart) {
    std::shared_ptr<chart::ChartHandler> handler = mChartHandler;
    if (!handler) throw AutomationError::Runtime(errnum::ObjectNotSet);
    HRESULT hr = handler->OLEObjectHandler_BWPrintNoConfig(chart);
    if (FAILED(hr)) throw AutomationError::FromInvoke(hr, nullptr);
}

// The spare workbook first, then the object; neither is saved. A failing close of the spare
// leaves it held and the object open.
bool ExcelChartHandler::IOLEObjectHandler_TransactionOnObjectComplete(IDispatch* Object) {
    if (mSpareWorkbook) {
        CloseWithoutSaving(mSpareWorkbook.get());
        mSpareWorkbook.reset();
    }
    if (!Object) return false;
    CloseWithoutSaving(QueryAs(Object, excel::IID_Workbook).get());
    return true;
}

// Rotates the sheets so that the active sheet comes first: the sheets in front of it go to the
// back one at a time, in their order. At most n - 1 moves, so the loop ends even if the active
// sheet never reaches the front. The first error ends the rotation with one error line; moves
// made before it stay made.
void ExcelChartHandler::ReorderSheets(const Dispatch& wkb) noexcept {
    try {
        Dispatch active = GetObjectOrNothing(wkb.get(), M::ActiveSheet);
        const short n = GetInt16(SheetsOf(wkb.get()).get(), M::Count);
        if (n <= 1) return;
        for (short i = 0; i < n - 1;) {
            ++i;
            Dispatch first = GetObjectOrNothing(SheetsOf(wkb.get()).get(), M::Default, {Variant::I2(1)});
            if (SameObject(first.get(), active.get())) break;
            const std::wstring name = ToString(GetValue(first.get(), ByName(M::Name)));
            modDebug::WriteLog([&] { return L"ReorderSheets: Move '" + name + L"' to back"; },
                               modDebug::kLevelInfo);
            Dispatch sheets = SheetsOf(wkb.get());
            // The index is the count as read: a 32-bit number.
            Dispatch last = GetObjectOrNothing(sheets.get(), M::Default,
                                               {Variant::I4(GetInt32(sheets.get(), M::Count))});
            // Before left out, After the last sheet.
            Call(first.get(), ByName(M::Move), {Variant::Missing(), Variant::Dispatch(last.get())});
        }
    } catch (const AutomationError& e) {
        LogReorderError([&] { return e.description(); });
    } catch (...) {
        LogReorderError([] { return RuntimeErrorText(7); });  // out of memory
    }
}

}  // namespace qv
