// Inside the Excel stand-in: the automation object, its member tables and the call context the
// member handlers see. Not for use outside sim/.
//
// One Object exists per model node and Excel type (found by the pair, so that every way of
// reaching a node hands out the same COM object). A member is a row of its type's table: name,
// DISPID, how it may be invoked, how many arguments it takes, and the handler(s) that do the work.
// Handlers report Excel's errors by throwing Raise; Object::Invoke turns that into the HRESULT
// and EXCEPINFO, so no C++ exception leaves the stand-in through COM.
#pragma once

#include "sim/SimExcel.h"
#include "com/Automation.h"

#include <map>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

namespace sim::detail {

// Excel's own error 1004, as Excel puts it into EXCEPINFO.scode.
constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

enum class Type {
    Application, Workbooks, Workbook, Sheets, Worksheet, ChartObjects, ChartObject, Chart,
    ChartArea, PlotArea, Legend, Walls, Floor, DataLabel, LegendKey, Point,
    Axes, Axis, Gridlines, LeaderLines, Trendlines, Trendline, DataLabels, LegendEntries,
    LegendEntry, SeriesCollection, Series, ChartGroup, Points, Border, Interior, ChartFillFormat,
    FillFormat,  // the Office FillFormat view of a ChartFillFormat
};

// Where a node sits in the model: what Parent, Name, Move and the closed-workbook check need.
struct Where {
    WorkbookModel* workbook = nullptr;
    SheetModel* sheet = nullptr;
    ChartObjectModel* chartObject = nullptr;
    ChartModel* chart = nullptr;
    SeriesModel* series = nullptr;
    // Border, Interior and Fill reached from a series' DataLabels collection act on every label.
    bool allDataLabels = false;
};

// An Excel error raised by a member handler.
struct Raise {
    HRESULT hr = DISP_E_EXCEPTION;
    HRESULT scode = kExcelError;  // EXCEPINFO.scode when hr is DISP_E_EXCEPTION
    std::wstring description;     // empty: Excel's wording for the member ("Unable to get ...")
    int arg = -1;                 // argument in call order that caused hr, for puArgErr

    static Raise Excel(std::wstring text = {}) { return {DISP_E_EXCEPTION, kExcelError, std::move(text), -1}; }
    static Raise BadIndex() { return {DISP_E_EXCEPTION, DISP_E_BADINDEX, L"Invalid index.", -1}; }
    static Raise Arg(HRESULT hr, int arg) { return {hr, 0, {}, arg}; }
};

class Object;
class Call;
using Handler = void (*)(Call&);

enum class Access {
    Get,           // property get
    GetPut,        // property get and put
    Method,        // method that returns a value or nothing: needs DISPATCH_METHOD
    ObjectMethod,  // method returning an object (and chart collections' Item): METHOD and/or PROPERTYGET
    ItemGet,       // Workbooks' and Sheets' Item: a property get that late binding also calls as a method
};

struct MemberDef {
    const wchar_t* name;
    DISPID id;
    Access access;
    unsigned minArgs;
    unsigned maxArgs;
    Handler get;        // the get or the method
    Handler put = nullptr;
};

struct TypeDef {
    const wchar_t* name;  // Excel's class name, as in "... of the Chart class"
    const IID* iid;       // the dispatch IID answered by QueryInterface; null for none
    std::vector<MemberDef> members;
};

const TypeDef& Definition(Type type);
const MemberDef* FindMember(Type type, DISPID id);
const MemberDef* FindMember(Type type, const wchar_t* name);

// Member tables, one function per group of types (SimWorkbookMembers.cpp, SimChartMembers.cpp,
// SimFormatMembers.cpp).
void AddWorkbookTypes(std::map<Type, TypeDef>& types);
void AddChartTypes(std::map<Type, TypeDef>& types);
void AddFormatTypes(std::map<Type, TypeDef>& types);

// Sheet.Move(Before, After), shared by worksheets and chart sheets.
void MoveSheet(Call& c);

// Remembers the DISPID last resolved by GetIDsOfNames on one interface, so that the next Invoke
// can be logged as a call by name.
struct NameMemo {
    bool set = false;
    DISPID id = DISPID_UNKNOWN;
    bool take(DISPID invoked) { bool byName = set && id == invoked; set = false; return byName; }
};

class Object final : public IDispatch {
public:
    Object(Excel::Impl& excel, Type type, void* node, Where where, std::wstring path);
    ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                                     UINT* argErr) override;

    // The work behind both Invoke entries (this object's own type, or the FillFormat view).
    HRESULT Dispatch(Type view, NameMemo& memo, DISPID id, REFIID riid, LCID lcid, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT* argErr);
    HRESULT ResolveNames(Type view, NameMemo& memo, LPOLESTR* names, UINT count, DISPID* ids);

    template <class T> T& node() const { return *static_cast<T*>(node_); }
    Type type() const { return type_; }
    const Where& where() const { return where_; }
    const std::wstring& path() const { return path_; }
    Excel::Impl& excel() const { return excel_; }
    long refs() const { return refs_; }
    bool overReleased() const { return overReleased_; }
    // The interface pointer handed out for a view of this object.
    IDispatch* Interface(Type view);

private:
    // Office FillFormat: a second IDispatch on a chart fill, with FillFormat's DISPIDs.
    class FillFormatView : public IDispatch {
    public:
        explicit FillFormatView(Object& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override { return owner_.QueryInterface(iid, ppv); }
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return owner_.GetTypeInfoCount(count); }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return owner_.GetTypeInfo(i, l, t); }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
            return owner_.ResolveNames(Type::FillFormat, memo_, names, count, ids);
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* p,
                                         VARIANT* r, EXCEPINFO* e, UINT* a) override {
            return owner_.Dispatch(Type::FillFormat, memo_, id, riid, lcid, flags, p, r, e, a);
        }
    private:
        Object& owner_;
        NameMemo memo_;
    };

    HRESULT Execute(Type view, const MemberDef* member, WORD flags, DISPPARAMS* params,
                    VARIANT* result, Raise& error);

    Excel::Impl& excel_;
    Type type_;
    void* node_;
    Where where_;
    std::wstring path_;
    long refs_ = 0;
    bool overReleased_ = false;
    NameMemo memo_;
    FillFormatView fillFormat_{*this};
};

// One Invoke as a member handler sees it.
class Call {
public:
    Call(Object& self, Type view, const MemberDef& member, bool isPut, VARIANT* result)
        : self(self), view(view), member(member), isPut(isPut), result_(result) {}

    Object& self;
    Type view;
    const MemberDef& member;
    bool isPut;
    // Arguments in call order, by-reference values dereferenced; for a put the value is last.
    std::vector<qv::Variant> args;

    Excel::Impl& excel() const { return self.excel(); }
    const Options& options() const;
    template <class T> T& node() const { return self.node<T>(); }
    const Where& where() const { return self.where(); }

    bool given(size_t i) const;              // present and not an omitted optional argument
    long Int(size_t i) const;                // coerced to a 32-bit integer
    bool Bool(size_t i) const;
    const qv::Variant& value() const { return args.back(); }  // the put value
    long IntValue() const { return Int(args.size() - 1); }
    bool BoolValue() const { return Bool(args.size() - 1); }
    // A 1-based index into a collection of count items, or an item name among names.
    size_t Index(size_t i, size_t count, const std::vector<std::wstring>& names = {}) const;

    void Return(Object& object) const;
    void ReturnNothing() const;
    void ReturnI4(long n) const;
    void ReturnBool(bool b) const;
    void ReturnString(const std::wstring& s) const;
    void ReturnColor(int32_t colour) const;  // VT_R8 or VT_I4 after Options::colorsAsDouble

private:
    VARIANT* result_;
};

// Key of the object table: one object per (type, model node).
using ObjectKey = std::pair<Type, const void*>;

}  // namespace sim::detail

namespace sim {

struct Excel::Impl {
    Impl(ApplicationModel m, Options o) : model(std::move(m)), options(o) {}

    ApplicationModel model;
    Options options;
    std::map<detail::ObjectKey, std::unique_ptr<detail::Object>> objects;
    // Every interface pointer handed out (each view of each object), for Find: a linear search
    // made every logged call cost in proportion to the objects made so far.
    std::unordered_map<IUnknown*, detail::Object*> byInterface;
    std::vector<CallRecord> calls;
    std::vector<FaultRule> faults;

    // The object of a node, created on first use and kept for the life of the Excel.
    detail::Object& Get(detail::Type type, void* node, const detail::Where& where,
                        const std::wstring& path);
    // A child reached from parent through a member: same place in the model, path extended.
    detail::Object& Child(const detail::Object& parent, detail::Type type, void* node,
                          const std::wstring& segment);
    detail::Object& Child(const detail::Object& parent, detail::Type type, void* node,
                          const std::wstring& segment, const detail::Where& where);

    // Canonical objects of the workbook level.
    detail::Object& Application();
    detail::Object& Workbooks();
    detail::Object& Workbook(WorkbookModel& workbook);
    detail::Object& Sheets(WorkbookModel& workbook);
    // A worksheet's Worksheet object, or a chart sheet's Chart object.
    detail::Object& Sheet(WorkbookModel& workbook, SheetModel& sheet);
    detail::Object& ChartObjects(WorkbookModel& workbook, SheetModel& sheet);
    detail::Object& ChartObject(WorkbookModel& workbook, SheetModel& sheet, size_t index);
    // The Chart object of any chart of the model (found by address); a chart outside the model
    // gets an object of its own named after the chart.
    detail::Object& Chart(ChartModel& chart);

    std::vector<WorkbookModel*> OpenWorkbooks();
    // The stand-in object behind an interface pointer passed in as an argument; null if foreign.
    detail::Object* Find(IUnknown* p);

    // The first rule matching the call, counted as fired; null when none fires.
    const Fault* TakeFault(const CallRecord& call);
    std::wstring Describe(const VARIANT& v);
};

}  // namespace sim
