// The calling layer (com/Automation.h): how it fills DISPPARAMS, which locale and invoke kinds
// it passes, how it maps failures to error numbers, and that it leaves no reference behind.
// A spy object shows exactly what reaches Invoke; the Excel stand-in shows that Excel accepts it.
#include <gtest/gtest.h>

#include "excel/ExcelObjectModel.h"
#include "com/Automation.h"
#include "sim/ModelBuilders.h"
#include "sim/SimExcel.h"
#include "tests/sim_support.h"

#include <atomic>
#include <functional>
#include <new>

// Every operator new of the program is counted, so that a test can show that a call made none.
namespace {
std::atomic<long> g_allocations{0};
}
void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { if (p) HeapFree(GetProcessHeap(), 0, p); }
void operator delete(void* p, std::size_t) noexcept { if (p) HeapFree(GetProcessHeap(), 0, p); }

using namespace qv;
using namespace qv::excel;
using simtest::Narrow;
using simtest::Walk;

namespace {

HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* e) {
    e->bstrDescription = SysAllocString(L"filled in later");
    return S_OK;
}

// Records what one Invoke received and answers as told.
class Spy : public IDispatch {
public:
    WORD flags = 0;
    LCID lcid = 0;
    UINT cNamedArgs = 0;
    std::vector<DISPID> named;
    std::vector<Variant> rgvarg;  // as stored: last argument first
    bool resultRequested = false;
    std::wstring nameAsked;

    HRESULT answer = S_OK;
    HRESULT scode = 0;
    WORD wCode = 0;
    std::wstring description;
    bool deferred = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        nameAsked = names[0];
        ids[0] = 77;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID l, WORD f, DISPPARAMS* p, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        ++invokes;
        flags = f;
        lcid = l;
        cNamedArgs = p->cNamedArgs;
        named.assign(p->rgdispidNamedArgs, p->rgdispidNamedArgs + p->cNamedArgs);
        rgvarg.clear();
        for (UINT i = 0; i < p->cArgs; ++i) rgvarg.emplace_back(p->rgvarg[i]);
        resultRequested = result != nullptr;
        if (answer == DISP_E_EXCEPTION && info) {
            info->scode = scode;
            info->wCode = wCode;
            if (deferred) {
                info->pfnDeferredFillIn = FillInLater;
            } else if (!description.empty()) {
                info->bstrDescription = SysAllocString(description.c_str());
            }
        }
        return answer;
    }

    long refs = 1;
    int invokes = 0;
};

long ErrorOf(const std::function<void()>& f, std::wstring* description = nullptr, HRESULT* hr = nullptr) {
    try {
        f();
    } catch (const AutomationError& e) {
        if (description) *description = e.description();
        if (hr) *hr = e.hr();
        return e.number();
    }
    return 0;
}

TEST(AutomationCalls, DispParamsAsTheRuntimeFillsThem) {
    Spy spy;
    Put(&spy, Member::Color, Variant::I2(0));
    EXPECT_EQ(spy.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(spy.cNamedArgs, 1u);
    ASSERT_EQ(spy.named.size(), 1u);
    EXPECT_EQ(spy.named[0], DISPID_PROPERTYPUT);
    ASSERT_EQ(spy.rgvarg.size(), 1u);
    EXPECT_EQ(spy.rgvarg[0].vt(), VT_I2);
    EXPECT_FALSE(spy.resultRequested);

    Put(&spy, Member::Color, Variant::I4(16777215));
    EXPECT_EQ(spy.rgvarg[0].vt(), VT_I4);
    EXPECT_EQ(spy.rgvarg[0].get().lVal, 16777215);

    // Arguments are stored last to first; no named arguments outside a put.
    Call(&spy, Member::Close, {Variant::Bool(false), Variant::Missing(), Variant::I2(7)});
    EXPECT_EQ(spy.flags, DISPATCH_METHOD);
    EXPECT_EQ(spy.cNamedArgs, 0u);
    ASSERT_EQ(spy.rgvarg.size(), 3u);
    EXPECT_EQ(spy.rgvarg[0].vt(), VT_I2);
    EXPECT_EQ(spy.rgvarg[1].vt(), VT_ERROR);
    EXPECT_EQ(spy.rgvarg[1].get().scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(spy.rgvarg[2].vt(), VT_BOOL);
    EXPECT_TRUE(spy.resultRequested);

    struct Kind { std::function<void()> call; WORD flags; } kinds[] = {
        {[&] { GetValue(&spy, Member::Count); }, DISPATCH_PROPERTYGET},
        {[&] { Call(&spy, Member::Solid); }, DISPATCH_METHOD},
        {[&] { CallObjectOrNothing(&spy, Member::Item, {Variant::I4(1)}); }, DISPATCH_METHOD | DISPATCH_PROPERTYGET},
        {[&] { GetObjectOrNothing(&spy, Member::Legend); }, DISPATCH_PROPERTYGET},
    };
    for (auto& k : kinds) {
        ErrorOf(k.call);
        EXPECT_EQ(spy.flags, k.flags);
        EXPECT_EQ(spy.lcid, 1033u);
    }
    EXPECT_EQ(spy.refs, 1);
}

TEST(AutomationCalls, ByNameResolvesThroughGetIDsOfNames) {
    Spy spy;
    GetValue(&spy, ByName(Member::Count));
    EXPECT_EQ(Narrow(spy.nameAsked), "Count");
    spy.nameAsked.clear();
    GetValue(&spy, Member::Count);
    EXPECT_TRUE(spy.nameAsked.empty());
}

TEST(AutomationErrors, ExceptionInfoBecomesNumberAndDescription) {
    Spy spy;
    spy.answer = DISP_E_EXCEPTION;
    struct Case { HRESULT scode; WORD wCode; const wchar_t* description; bool deferred; long number; const char* text; } cases[] = {
        {static_cast<HRESULT>(0x800A03EC), 0, L"Unable to get the Legend property of the Chart class", false, 1004,
         "Unable to get the Legend property of the Chart class"},
        {0, 1004, L"by wCode", false, 1004, "by wCode"},
        {static_cast<HRESULT>(0x800A000D), 0, L"", false, 13, "Type mismatch"},
        {static_cast<HRESULT>(0x800A03EC), 0, L"", true, 1004, "filled in later"},
    };
    for (const Case& c : cases) {
        spy.scode = c.scode;
        spy.wCode = c.wCode;
        spy.description = c.description;
        spy.deferred = c.deferred;
        std::wstring text;
        EXPECT_EQ(ErrorOf([&] { GetValue(&spy, Member::Legend); }, &text), c.number);
        EXPECT_EQ(Narrow(text), c.text);
    }
}

struct AutomationOnExcel : ::testing::Test {
    sim::Excel excel{sim::AppWithChartObjects(2, 51)};
    sim::WorkbookModel& book() { return *excel.model().workbooks[0]; }
    sim::ChartModel& model() { return book().sheets[0]->chartObjects[0].chart; }
    Dispatch Workbook() { return Dispatch::Attach(excel.NewWorkbookRef(book())); }
    Dispatch Chart() { return Dispatch::Attach(excel.NewChartRef(model())); }
    std::string Log() const { return Narrow(excel.describeCalls()); }
    void TearDown() override {
        EXPECT_EQ(excel.outstandingRefs(), 0) << ::testing::PrintToString(excel.objectsWithRefs());
        EXPECT_TRUE(excel.overReleased().empty());
    }
};

TEST_F(AutomationOnExcel, ExcelAcceptsWhatTheLayerSends) {
    Dispatch wb = Workbook();
    Dispatch sheet = GetObject(wb.get(), Member::ActiveSheet);
    short one = 1;
    Dispatch chartObject = CallObject(sheet.get(), Member::ChartObjects, {Variant::RefI2(&one)});
    Dispatch chart = GetObject(chartObject.get(), ByName(Member::Chart));
    EXPECT_EQ(GetInt16(CallObject(sheet.get(), Member::ChartObjects, {Variant::Missing()}).get(), ByName(Member::Count)), 2);
    Dispatch border = Walk(chart.get(), {Member::ChartArea, Member::Border});
    Put(border.get(), Member::Color, Variant::I2(0));
    Put(border.get(), Member::Weight, Variant::I2(3));
    Call(Walk(chart.get(), {Member::ChartArea, Member::Fill}).get(), Member::Patterned, {Variant::I4(21)});
    BSTR name = SysAllocString(L"Sheet1");
    Dispatch byName = CallObject(GetObject(wb.get(), Member::Sheets).get(), Member::Default, {Variant::RefBstr(&name)});
    SysFreeString(name);
    EXPECT_EQ(byName.get(), sheet.get());

    EXPECT_EQ(model().chartArea.border.color, 0);
    EXPECT_EQ(model().chartArea.border.weight, 3);
    EXPECT_EQ(model().chartArea.fill.pattern, 21);
    for (const sim::CallRecord& c : excel.calls()) {
        EXPECT_EQ(c.lcid, 1033u) << Log();
        EXPECT_EQ(c.result, S_OK) << Log();
    }
    const sim::CallRecord* chartObjects = &excel.calls()[1];
    EXPECT_EQ(chartObjects->args[0].vt, VT_BYREF | VT_I2);
    EXPECT_EQ(chartObjects->flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(excel.calls()[2].byName);
    EXPECT_EQ(excel.calls()[2].dispid, 7);
    EXPECT_EQ(excel.calls()[3].args[0].vt, VT_ERROR);
    EXPECT_EQ(Narrow(excel.calls()[3].args[0].value), "Missing");
}

TEST_F(AutomationOnExcel, FailuresMapToTheRuntimesErrorNumbers) {
    model().legend.present = false;
    Dispatch chart = Chart();
    Dispatch border = Walk(chart.get(), {Member::ChartArea, Member::Border});
    sim::FaultRule big;
    big.member = L"Count";
    big.fault.kind = sim::FaultKind::WrongType;
    big.fault.wrongValue.vt = VT_I4;
    big.fault.wrongValue.lVal = 70000;
    excel.addFault(big);

    struct Case { const char* what; std::function<void()> call; long number; HRESULT hr; } cases[] = {
        {"Excel's 1004", [&] { GetObject(chart.get(), Member::Legend); }, 1004, static_cast<HRESULT>(0x800A03EC)},
        {"unknown dispid", [&] { GetValue(border.get(), ById(4242, L"Nope")); }, 438, static_cast<HRESULT>(0x800A01B6)},
        {"unknown name", [&] { GetValue(border.get(), ByName(L"Nope")); }, 438, static_cast<HRESULT>(0x800A01B6)},
        {"null object", [&] { GetValue(nullptr, Member::Color); }, 91, static_cast<HRESULT>(0x800A005B)},
        {"null object put", [&] { Put(nullptr, Member::Color, Variant::I2(0)); }, 91, static_cast<HRESULT>(0x800A005B)},
        {"failed QueryAs", [&] { QueryAs(border.get(), IID_Chart); }, 13, static_cast<HRESULT>(0x800A000D)},
        {"count beyond 16 bits", [&] { GetInt16(Walk(chart.get(), {Member::SeriesCollection}).get(), Member::Count); },
         6, static_cast<HRESULT>(0x800A0006)},
        {"text where a number is expected", [&] { ToInt32(Variant::Str(L"x")); }, 13, static_cast<HRESULT>(0x800A000D)},
        {"object where a number is expected", [&] { GetInt32(chart.get(), Member::ChartArea); }, 13,
         static_cast<HRESULT>(0x800A000D)},
    };
    for (const Case& c : cases) {
        HRESULT hr = S_OK;
        std::wstring text;
        EXPECT_EQ(ErrorOf(c.call, &text, &hr), c.number) << c.what;
        EXPECT_EQ(hr, c.hr) << c.what;
        EXPECT_FALSE(text.empty()) << c.what;
    }
    EXPECT_FALSE(QueryAs(nullptr, IID_Chart));
    // A collection index out of range (Sheets(9) of four sheets) is the runtime's "subscript".
    EXPECT_EQ(AutomationError::FromInvoke(DISP_E_BADINDEX, nullptr).number(), 9);
}

TEST_F(AutomationOnExcel, NothingIsAnErrorOnlyWhereAnObjectIsRequired) {
    Dispatch wb = Workbook();
    EXPECT_FALSE(GetObjectOrNothing(wb.get(), Member::ActiveChart));
    EXPECT_EQ(ErrorOf([&] { GetObject(wb.get(), Member::ActiveChart); }), 91);

    sim::FaultRule nothing;
    nothing.object = L"ChartObjects";
    nothing.member = L"Item";
    nothing.fault.kind = sim::FaultKind::Nothing;
    excel.addFault(nothing);
    Dispatch chartObjects = CallObject(GetObject(wb.get(), Member::ActiveSheet).get(), Member::ChartObjects);
    EXPECT_FALSE(CallObjectOrNothing(chartObjects.get(), Member::Item, {Variant::I2(1)}));
    EXPECT_EQ(ErrorOf([&] { CallObject(chartObjects.get(), Member::Item, {Variant::I2(1)}); }), 91);
}

TEST_F(AutomationOnExcel, ColoursReadAsDoubleCoerceToIntegers) {
    model().chartArea.border.color = 0x123456;
    Dispatch border = Walk(Chart().get(), {Member::ChartArea, Member::Border});
    Variant raw = GetValue(border.get(), Member::Color);
    EXPECT_EQ(raw.vt(), VT_R8);
    EXPECT_EQ(ToInt32(raw), 0x123456);
    EXPECT_EQ(GetDouble(border.get(), Member::Color), static_cast<double>(0x123456));
    model().chartArea.border.color = 0;
    EXPECT_EQ(GetInt16(border.get(), Member::Color), 0);
}

TEST_F(AutomationOnExcel, AnObjectInAFailedCoercionIsReleased) {
    Dispatch chart = Chart();
    Dispatch area = GetObject(chart.get(), Member::ChartArea);
    sim::FaultRule wrong;
    wrong.member = L"ChartType";
    wrong.fault.kind = sim::FaultKind::WrongType;
    wrong.fault.wrongValue.vt = VT_DISPATCH;
    wrong.fault.wrongValue.pdispVal = area.get();
    excel.addFault(wrong);
    EXPECT_EQ(ErrorOf([&] { GetInt32(chart.get(), Member::ChartType); }), 13);
    EXPECT_FALSE(TestOrFalse([&] { return GetInt32(chart.get(), Member::ChartType) == 51; }));
    area.reset();
    chart.reset();
    // TearDown checks that the object handed out inside the failed read was released.
}

// ---- the non-throwing core ----------------------------------------------------------------

// An object that answers without allocating anything itself: a number, Nothing, or Excel's
// refusal.
class Quiet : public IDispatch {
public:
    bool refuse = false;
    bool nothing = false;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { *ppv = this; return S_OK; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override {
        ids[0] = 5;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        if (refuse) {
            info->scode = static_cast<SCODE>(0x800A03EC);
            info->bstrDescription = SysAllocString(L"Unable to set the Patterned property of the Fill class");
            return DISP_E_EXCEPTION;
        }
        if (result && nothing) {
            result->vt = VT_DISPATCH;
            result->pdispVal = nullptr;
        } else if (result) {
            result->vt = VT_I4;
            result->lVal = 7;
        }
        return S_OK;
    }
};

TEST(AutomationCalls, CallsOfUpToFourArgumentsAllocateNothing) {
    Quiet quiet, refusing;
    refusing.refuse = true;
    const Variant one = Variant::I4(1);
    struct Case { const char* what; std::function<void()> call; } cases[] = {
        {"get", [&] { Step s; EXPECT_EQ(s.GetInt32(&quiet, Member::Count), 7); }},
        {"get by name", [&] { Step s; s.GetValue(&quiet, ByName(Member::Count)); }},
        {"put", [&] { Step s; s.Put(&quiet, Member::Color, one); }},
        {"call with 4 arguments",
         [&] { Step s; s.Call(&quiet, Member::Close, {one, Variant::I2(2), Variant::Missing(), Variant::Bool(true)}); }},
        {"refused put", [&] { EXPECT_FALSE(Attempt([&](Step& s) { s.Put(&refusing, Member::Color, one); })); }},
        {"refused call with 4 arguments",
         [&] { Step s; s.Call(&refusing, Member::Close, {one, one, one, one}); EXPECT_EQ(s.error().number(), 1004); }},
        {"throwing get", [&] { GetValue(&quiet, Member::Count); }},
        {"throwing put", [&] { Put(&quiet, Member::Color, one); }},
    };
    for (const Case& c : cases) {
        c.call();  // once for anything made on first use
        const long before = g_allocations;
        c.call();
        EXPECT_EQ(g_allocations - before, 0) << c.what;
    }
}

// The Step reports what the throwing calls throw: the same number, HRESULT and description.
TEST(AutomationErrors, AStepFailsWithWhatTheThrowingCallThrows) {
    Spy spy;
    Quiet quiet, empty;
    empty.nothing = true;
    struct Case {
        const char* what;
        HRESULT answer, scode;
        const wchar_t* description;
        std::function<void(Step&)> step;
        std::function<void()> thrower;
        long number;
        const char* text;
    } cases[] = {
        {"Excel's 1004 with its text", DISP_E_EXCEPTION, static_cast<HRESULT>(0x800A03EC), L"Unable to get",
         [&](Step& s) { s.GetValue(&spy, Member::Legend); }, [&] { GetValue(&spy, Member::Legend); }, 1004, "Unable to get"},
        {"a server error without text", DISP_E_EXCEPTION, static_cast<HRESULT>(0x800A000D), L"",
         [&](Step& s) { s.Put(&spy, Member::Color, Variant::I2(0)); }, [&] { Put(&spy, Member::Color, Variant::I2(0)); },
         13, "Type mismatch"},
        {"member not found", DISP_E_MEMBERNOTFOUND, 0, L"", [&](Step& s) { s.Call(&spy, Member::Solid); },
         [&] { Call(&spy, Member::Solid); }, 438, "Object doesn't support this property or method"},
        {"a bad index", DISP_E_BADINDEX, 0, L"", [&](Step& s) { s.CallObject(&spy, Member::Item, {Variant::I2(9)}); },
         [&] { CallObject(&spy, Member::Item, {Variant::I2(9)}); }, 9, "Subscript out of range"},
        {"another HRESULT", E_FAIL, 0, L"", [&](Step& s) { s.GetValue(&spy, Member::Count); },
         [&] { GetValue(&spy, Member::Count); }, static_cast<long>(E_FAIL), "Automation error 0x80004005"},
        {"null object", S_OK, 0, L"", [&](Step& s) { s.GetValue(nullptr, Member::Count); },
         [&] { GetValue(nullptr, Member::Count); }, 91, "Object variable or With block variable not set"},
        {"Nothing where an object is required", S_OK, 0, L"", [&](Step& s) { s.GetObject(&empty, Member::Legend); },
         [&] { GetObject(&empty, Member::Legend); }, 91, "Object variable or With block variable not set"},
        {"a number where an object is required", S_OK, 0, L"",
         [&](Step& s) { s.GetObjectOrNothing(&quiet, Member::Legend); },
         [&] { GetObjectOrNothing(&quiet, Member::Legend); }, 13, "Type mismatch"},
        {"a count beyond 16 bits", S_OK, 0, L"", [&](Step& s) { s.ToInt16(Variant::I4(70000)); },
         [&] { ToInt16(Variant::I4(70000)); }, 6, "Overflow"},
        {"text for a number", S_OK, 0, L"", [&](Step& s) { s.ToInt32(Variant::Str(L"x")); },
         [&] { ToInt32(Variant::Str(L"x")); }, 13, "Type mismatch"},
    };
    for (const Case& c : cases) {
        spy.answer = c.answer;
        spy.scode = c.scode;
        spy.description = c.description;
        Step s;
        c.step(s);
        ASSERT_TRUE(s.failed()) << c.what;
        EXPECT_EQ(s.error().number(), c.number) << c.what;
        EXPECT_EQ(Narrow(s.error().description()), c.text) << c.what;
        std::wstring thrownText;
        HRESULT thrownHr = S_OK;
        EXPECT_EQ(ErrorOf(c.thrower, &thrownText, &thrownHr), c.number) << c.what;
        EXPECT_EQ(thrownHr, s.error().hr()) << c.what;
        EXPECT_EQ(Narrow(thrownText), c.text) << c.what;
    }
}

TEST(AutomationErrors, AStepMakesNoCallAfterItsFirstFailure) {
    Spy spy;
    spy.answer = DISP_E_EXCEPTION;
    spy.scode = static_cast<HRESULT>(0x800A03EC);
    spy.description = L"first";
    Step s;
    s.Put(&spy, Member::Color, Variant::I2(0));
    spy.description = L"second";
    EXPECT_EQ(s.GetInt32(&spy, Member::Count), 0);
    EXPECT_FALSE(s.GetObject(&spy, Member::Legend));
    s.Call(&spy, Member::Solid);
    EXPECT_EQ(spy.invokes, 1);
    EXPECT_EQ(Narrow(s.error().description()), "first");

    // The helpers count a failed step by their rules: skipped, passed, false.
    spy.invokes = 0;
    EXPECT_FALSE(Attempt([&](Step& t) { t.Put(&spy, Member::Color, Variant::I2(0)); }));
    EXPECT_TRUE(TestOrTrue([&](Step& t) { return t.GetInt32(&spy, Member::Count) == 1; }));
    EXPECT_FALSE(TestOrFalse([&](Step& t) { return t.GetInt32(&spy, Member::Count) == 0; }));
    EXPECT_EQ(spy.invokes, 3);
    EXPECT_EQ(spy.refs, 1);
}

}  // namespace
