// The Excel stand-in: automation objects over an ApplicationModel.
//
// Each node of the model is one COM object implementing IDispatch by hand, answering Excel's
// dispatch identifiers and names (GetIDsOfNames) and QueryInterface for Excel's interface ids
// (a chart fill also for Office FillFormat, whose Invoke knows FillFormat's identifiers).
// Objects live as long as the Excel instance; their COM reference counts count only the
// references handed out, so a test can prove that a call left none behind.
//
// For tests it records every call (path, member, get/put/call, by id or by name, locale, each
// argument's VARTYPE and value) and can inject faults.
#pragma once

#include "sim/ExcelModel.h"

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

struct ArgRecord {
    VARTYPE vt;                 // as passed (VT_BYREF included)
    std::wstring value;         // "0", "16777215", "-4142", "True", "\"text\"", "Nothing",
                                // "Missing" (DISP_E_PARAMNOTFOUND), "<dispatch:PATH>"
};

enum class CallKind { Get, Put, Call };

struct CallRecord {
    long index;                 // 1-based number of the call on this Excel instance
    std::wstring path;          // object path, e.g. L"Book1/Sheet1/ChartObjects(1)/Chart/ChartArea/Border"
    std::wstring object;        // the object's Excel type, e.g. L"Border"
    std::wstring member;        // member name, e.g. L"Color"
    DISPID dispid;
    CallKind kind;              // Get for DISPATCH_PROPERTYGET alone, Put for PUT/PUTREF, else Call
    WORD flags;                 // the wFlags passed to Invoke
    bool byName;                // the DISPID was obtained through GetIDsOfNames just before
    LCID lcid;
    std::vector<ArgRecord> args;  // in call order (the put value last)
    HRESULT result;
    std::wstring resultText;    // the returned value as in ArgRecord::value, when the call succeeded
    std::wstring errorText;     // EXCEPINFO description, when the call failed with DISP_E_EXCEPTION
};

enum class FaultKind {
    Error,      // Invoke fails with DISP_E_EXCEPTION, EXCEPINFO scode and description as given
    Nothing,    // the call succeeds and returns an empty VT_DISPATCH (Nothing)
    WrongType,  // the call succeeds and returns a VARIANT of an unexpected type
};

struct Fault {
    FaultKind kind = FaultKind::Error;
    HRESULT scode = static_cast<HRESULT>(0x800A03EC);  // Excel's error 1004
    std::wstring description = L"Unable to set the property";
    VARIANT wrongValue{};       // for WrongType: copied into the result (VT_BSTR "x" when empty);
                                // not owned: a BSTR or object in it must outlive the rule
};

// A fault fires for a call that matches every criterion given (empty / 0 = any).
struct FaultRule {
    long callIndex = 0;         // the k-th call of the Excel instance (CallRecord::index)
    std::wstring member;        // exact member name
    std::wstring object;        // exact Excel type of the object
    std::wstring pathContains;  // substring of the object path
    int kind = -1;              // -1 any, else static_cast<int>(CallKind)
    Fault fault;
    int times = -1;             // how often it fires; -1 always
};

struct Options {
    // Real Excel reports Border.Color and Interior.Color as VT_R8; switch to VT_I4 if wanted.
    bool colorsAsDouble = true;
    // Patterned() with a number outside 1..48 fails, as Excel refuses it.
    bool refuseInvalidPattern = true;
};

class Excel {
public:
    // Objects are created lazily over the model and live as long as the Excel; every reference
    // handed out must be released before it is destroyed. Automation never adds or removes
    // series, points, labels or chart objects, so their vectors keep their addresses; a test that
    // resizes them by hand must do so before it takes objects from them.
    explicit Excel(ApplicationModel model = {}, Options options = {});
    ~Excel();
    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    ApplicationModel& model();
    Options& options();

    // Automation objects, each returned with a reference the caller owns (AddRef'ed).
    IDispatch* NewApplicationRef();
    IDispatch* NewWorkbookRef(WorkbookModel& workbook);
    IDispatch* NewSheetRef(WorkbookModel& workbook, SheetModel& sheet);
    IDispatch* NewChartRef(ChartModel& chart);  // any chart of the model (sheet or embedded)

    // Call log. clearCalls() also restarts the numbering: the next call is number 1 again, for
    // CallRecord::index and FaultRule::callIndex alike.
    const std::vector<CallRecord>& calls() const;
    void clearCalls();
    long callCount() const;
    // Human-readable dump of the log, one call a line, for failure messages.
    std::wstring describeCalls() const;

    // References: the total of references handed out and not yet released, over every object.
    long outstandingRefs() const;
    // Objects whose count went below zero (a release too many); empty when none.
    std::vector<std::wstring> overReleased() const;
    // Paths of objects that still hold references, for failure messages.
    std::vector<std::wstring> objectsWithRefs() const;

    // Fault injection.
    void addFault(FaultRule rule);
    void clearFaults();

    struct Impl;
private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
