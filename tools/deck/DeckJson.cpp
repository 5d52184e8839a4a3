// The deck file: one description of every model field, walked by a reader and by a writer.
//
// Each Visit* functor lists the fields of one model type in file order. The reader fills the
// model from JSON and checks every value against its domain; the writer prints the model.
// Because both walk the same list, a field cannot be read without being written or the other
// way round, and a written deck reads back to an equal one.
#include "tools/deck/Deck.h"
#include "tools/deck/DeckParts.h"

#include "tools/deck/Constants.h"
#include "tools/deck/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <initializer_list>
#include <memory>
#include <utility>

namespace bwpass {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kDeckFormat = 1;

std::string Child(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

std::string Item(const std::string& path, size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

std::string Describe(const Json& j) {
    if (j.is_object()) return "an object";
    if (j.is_array()) return "an array";
    std::string s = j.dump();
    if (s.size() > 60) s = s.substr(0, 57) + "...";
    return s;
}

std::string Quoted(const std::wstring& s) { return "\"" + Utf8(s) + "\""; }

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

struct Source {
    std::string name;

    [[noreturn]] void fail(const std::string& path, const std::string& text) const {
        throw DeckError(name + ": " + (path.empty() ? "(top level)" : path) + ": " + text);
    }
    [[noreturn]] void expected(const std::string& path, const std::string& what, const Json& got) const {
        fail(path, "expected " + what + ", got " + Describe(got));
    }
};

int32_t ToInt(const Source& src, const Json& j, const std::string& path, const IntDomain& d) {
    if (j.is_string()) {
        if (auto v = d.lookup(j.get<std::string>())) return *v;
        src.expected(path, d.what, j);
    }
    if (!j.is_number_integer()) src.expected(path, d.what, j);
    if (j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(INT32_MAX))
        src.expected(path, d.what, j);
    int64_t v = j.get<int64_t>();
    if (v < INT32_MIN || v > INT32_MAX || !d.allows(static_cast<int32_t>(v))) src.expected(path, d.what, j);
    return static_cast<int32_t>(v);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#RRGGBB" (web order) or an integer in Excel's &H00BBGGRR layout.
int32_t ToColour(const Source& src, const Json& j, const std::string& path) {
    static const char* what = "a colour: \"#RRGGBB\" or an integer 0..16777215 (&H00BBGGRR)";
    if (j.is_string()) {
        const std::string s = j.get<std::string>();
        if (s.size() != 7 || s[0] != '#') src.expected(path, what, j);
        int rgb = 0;
        for (size_t i = 1; i < 7; ++i) {
            int d = HexDigit(s[i]);
            if (d < 0) src.expected(path, what, j);
            rgb = rgb * 16 + d;
        }
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    if (!j.is_number_integer() || j.get<int64_t>() < 0 || j.get<int64_t>() > 0xFFFFFF)
        src.expected(path, what, j);
    return static_cast<int32_t>(j.get<int64_t>());
}

std::string ColourText(int32_t bgr) {
    if (bgr < 0 || bgr > 0xFFFFFF) return std::to_string(bgr);
    char s[8];
    std::snprintf(s, sizeof s, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return s;
}

template <class E>
using Choices = std::initializer_list<std::pair<const char*, E>>;

class Reader {
public:
    static constexpr bool kReading = true;

    Reader(const Source& src, const Json& j, std::string path) : src_(src), j_(j), path_(std::move(path)) {
        if (!j_.is_object()) src_.expected(path_, "an object", j_);
    }

    // Every property the visit did not ask for is unknown.
    void finish() const {
        for (auto it = j_.begin(); it != j_.end(); ++it) {
            if (std::find(known_.begin(), known_.end(), it.key()) != known_.end()) continue;
            std::string list;
            for (const std::string& k : known_) list += (list.empty() ? "" : ", ") + k;
            src_.fail(path_, "unknown property \"" + it.key() + "\" (known here: " + list + ")");
        }
    }

    const Source& source() const { return src_; }
    std::string at(const std::string& key) const { return Child(path_, key); }

    const Json* find(const char* key) {
        if (std::find(known_.begin(), known_.end(), key) == known_.end()) known_.push_back(key);
        auto it = j_.find(key);
        return it == j_.end() ? nullptr : &*it;
    }

    const Json& require(const char* key) {
        const Json* j = find(key);
        if (!j) src_.fail(path_, std::string("missing property \"") + key + "\"");
        return *j;
    }

    void integer(const char* key, int32_t& out, const IntDomain& d) {
        if (const Json* j = find(key)) out = ToInt(src_, *j, at(key), d);
    }

    // MsoTriState: also true (-1) and false (0).
    void triState(const char* key, int32_t& out) {
        const Json* j = find(key);
        if (!j) return;
        if (j->is_boolean()) out = j->get<bool>() ? -1 : 0;
        else out = ToInt(src_, *j, at(key), domain::FillVisible());
    }

    void boolean(const char* key, bool& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_boolean()) src_.expected(at(key), "true or false", *j);
        out = j->get<bool>();
    }

    void text(const char* key, std::wstring& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_string()) src_.expected(at(key), "a string", *j);
        out = Wide(j->get<std::string>());
    }

    void requiredText(const char* key, std::wstring& out) {
        require(key);
        text(key, out);
    }

    void number(const char* key, double& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_number()) src_.expected(at(key), "a number", *j);
        out = j->get<double>();
    }

    void colour(const char* key, int32_t& out) {
        if (const Json* j = find(key)) out = ToColour(src_, *j, at(key));
    }

    void texts(const char* key, std::vector<std::wstring>& out) {
        const Json* j = find(key);
        if (!j) return;
        if (!j->is_array()) src_.expected(at(key), "an array of strings", *j);
        out.clear();
        for (size_t i = 0; i < j->size(); ++i) {
            const Json& s = (*j)[i];
            if (!s.is_string()) src_.expected(Item(at(key), i), "a string", s);
            out.push_back(Wide(s.get<std::string>()));
        }
    }

    template <class E>
    void choice(const char* key, E& out, Choices<E> names) {
        const Json* j = find(key);
        if (!j) return;
        std::string what;
        for (const auto& n : names) {
            if (j->is_string() && j->get<std::string>() == n.first) {
                out = n.second;
                return;
            }
            what += (what.empty() ? "" : " or ") + std::string("\"") + n.first + "\"";
        }
        src_.expected(at(key), what, *j);
    }

    template <class T, class F>
    void object(const char* key, T& out, F visit) {
        if (const Json* j = find(key)) {
            Reader r(src_, *j, at(key));
            visit(r, out);
            r.finish();
        }
    }

    template <class T, class F>
    void optionalObject(const char* key, std::optional<T>& out, F visit) {
        const Json* j = find(key);
        if (!j || j->is_null()) {
            out.reset();
            return;
        }
        out.emplace();
        Reader r(src_, *j, at(key));
        visit(r, *out);
        r.finish();
    }

    template <class T, class F>
    void array(const char* key, std::vector<T>& out, F visit) {
        const Json* j = arrayAt(key);
        if (!j) return;
        out.clear();
        out.reserve(j->size());
        for (size_t i = 0; i < j->size(); ++i) {
            T item{};
            Reader r(src_, (*j)[i], Item(at(key), i));
            visit(r, item);
            r.finish();
            out.push_back(std::move(item));
        }
    }

    template <class T, class F>
    void ptrArray(const char* key, std::vector<std::unique_ptr<T>>& out, F visit) {
        const Json* j = arrayAt(key);
        if (!j) return;
        out.clear();
        for (size_t i = 0; i < j->size(); ++i) {
            auto item = std::make_unique<T>();
            Reader r(src_, (*j)[i], Item(at(key), i));
            visit(r, *item);
            r.finish();
            out.push_back(std::move(item));
        }
    }

private:
    const Json* arrayAt(const char* key) {
        const Json* j = find(key);
        if (j && !j->is_array()) src_.expected(at(key), "an array", *j);
        return j;
    }

    const Source& src_;
    const Json& j_;
    std::string path_;
    std::vector<std::string> known_;
};

class Writer {
public:
    static constexpr bool kReading = false;

    explicit Writer(Json& out) : out_(out) { out_ = Json::object(); }

    void integer(const char* key, int32_t v, const IntDomain& d) {
        const char* name = d.writeNames ? d.nameOf(v) : nullptr;
        if (name) out_[key] = name;
        else out_[key] = v;
    }
    void triState(const char* key, int32_t v) {
        if (v == -1 || v == 0) out_[key] = (v == -1);
        else integer(key, v, domain::FillVisible());
    }
    void boolean(const char* key, bool v) { out_[key] = v; }
    void text(const char* key, const std::wstring& v) { out_[key] = Utf8(v); }
    void requiredText(const char* key, const std::wstring& v) { text(key, v); }
    void number(const char* key, double v) { out_[key] = v; }
    void colour(const char* key, int32_t v) {
        if (v >= 0 && v <= 0xFFFFFF) out_[key] = ColourText(v);
        else out_[key] = v;
    }
    void texts(const char* key, const std::vector<std::wstring>& v) {
        Json a = Json::array();
        for (const std::wstring& s : v) a.push_back(Utf8(s));
        out_[key] = std::move(a);
    }
    template <class E>
    void choice(const char* key, E v, Choices<E> names) {
        for (const auto& n : names)
            if (n.second == v) out_[key] = n.first;
    }
    template <class T, class F>
    void object(const char* key, const T& x, F visit) {
        Writer w(out_[key]);
        visit(w, x);
    }
    template <class T, class F>
    void optionalObject(const char* key, const std::optional<T>& x, F visit) {
        if (x) object(key, *x, visit);
    }
    template <class T, class F>
    void array(const char* key, const std::vector<T>& xs, F visit) {
        Json a = Json::array();
        for (const T& x : xs) {
            Json item;
            Writer w(item);
            visit(w, x);
            a.push_back(std::move(item));
        }
        out_[key] = std::move(a);
    }
    template <class T, class F>
    void ptrArray(const char* key, const std::vector<std::unique_ptr<T>>& xs, F visit) {
        Json a = Json::array();
        for (const auto& x : xs) {
            Json item;
            Writer w(item);
            visit(w, *x);
            a.push_back(std::move(item));
        }
        out_[key] = std::move(a);
    }

    Json& json() { return out_; }

private:
    Json& out_;
};

// ---- The fields of each model type, in file order. ----

struct VisitBorder {
    template <class V, class M>
    void operator()(V& v, M& b) const {
        v.colour("color", b.color);
        v.integer("colorIndex", b.colorIndex, domain::ColorIndex());
        v.integer("weight", b.weight, domain::BorderWeight());
        v.integer("lineStyle", b.lineStyle, domain::LineStyle());
    }
};

struct VisitInterior {
    template <class V, class M>
    void operator()(V& v, M& i) const {
        v.colour("color", i.color);
        v.colour("patternColor", i.patternColor);
        v.integer("colorIndex", i.colorIndex, domain::ColorIndex());
        v.integer("pattern", i.pattern, domain::InteriorPattern());
    }
};

using FillType = sim::FillModel::Type;
const Choices<FillType> kFillTypes = {
    {"solid", FillType::Solid}, {"patterned", FillType::Patterned}, {"gradient", FillType::Gradient},
    {"textured", FillType::Textured}, {"picture", FillType::Picture},
};

struct VisitFill {
    template <class V, class M>
    void operator()(V& v, M& f) const {
        v.triState("visible", f.visible);
        v.choice("type", f.type, kFillTypes);
        v.integer("pattern", f.pattern, domain::FillPattern());
    }
};

// The fields of an element, written into the object that holds them (also used for points and
// the legend, whose JSON objects add their own fields).
template <class V, class M>
void ElementFields(V& v, M& e) {
    v.boolean("present", e.present);
    v.object("border", e.border, VisitBorder{});
    v.object("interior", e.interior, VisitInterior{});
    v.object("fill", e.fill, VisitFill{});
}

struct VisitElement {
    template <class V, class M>
    void operator()(V& v, M& e) const { ElementFields(v, e); }
};

struct VisitLineElement {
    template <class V, class M>
    void operator()(V& v, M& e) const {
        v.boolean("present", e.present);
        v.object("border", e.border, VisitBorder{});
    }
};

struct VisitAxis {
    template <class V, class M>
    void operator()(V& v, M& a) const {
        v.boolean("present", a.present);
        v.object("border", a.border, VisitBorder{});
        v.object("majorGridlines", a.majorGridlines, VisitLineElement{});
        v.object("minorGridlines", a.minorGridlines, VisitLineElement{});
    }
};

// axes[] is indexed by XlAxisType - 1.
struct VisitAxes {
    template <class V, class M>
    void operator()(V& v, M& axes) const {
        v.object("category", axes[0], VisitAxis{});
        v.object("value", axes[1], VisitAxis{});
        v.object("series", axes[2], VisitAxis{});
    }
};

struct VisitPoint {
    template <class V, class M>
    void operator()(V& v, M& p) const {
        v.number("value", p.value);
        ElementFields(v, p.element);
    }
};

struct VisitSeries {
    template <class V, class M>
    void operator()(V& v, M& s) const {
        v.text("name", s.name);
        v.integer("chartType", s.chartType, domain::ChartType());
        v.object("border", s.border, VisitBorder{});
        v.object("interior", s.interior, VisitInterior{});
        v.object("fill", s.fill, VisitFill{});
        v.array("points", s.points, VisitPoint{});
        v.boolean("hasDataLabels", s.hasDataLabels);
        v.array("dataLabels", s.dataLabels, VisitElement{});
        v.boolean("hasLeaderLines", s.hasLeaderLines);
        v.object("leaderLines", s.leaderLines, VisitLineElement{});
        v.array("trendlines", s.trendlines, VisitLineElement{});
        v.integer("markerStyle", s.markerStyle, domain::MarkerStyle());
        v.integer("markerSize", s.markerSize, domain::MarkerSize());
        v.colour("markerForegroundColor", s.markerForegroundColor);
        v.colour("markerBackgroundColor", s.markerBackgroundColor);
    }
};

struct VisitLegendEntry {
    template <class V, class M>
    void operator()(V& v, M& e) const { v.object("legendKey", e.legendKey, VisitElement{}); }
};

struct VisitLegend {
    template <class V, class M>
    void operator()(V& v, M& l) const {
        ElementFields(v, l);
        v.array("entries", l.entries, VisitLegendEntry{});
    }
};

struct VisitChart {
    template <class V, class M>
    void operator()(V& v, M& c) const {
        v.text("name", c.name);
        v.integer("chartType", c.chartType, domain::ChartType());
        v.texts("categories", c.categories);
        v.object("chartArea", c.chartArea, VisitElement{});
        v.object("plotArea", c.plotArea, VisitElement{});
        v.object("legend", c.legend, VisitLegend{});
        v.object("walls", c.walls, VisitElement{});
        v.object("floor", c.floor, VisitElement{});
        v.object("axes", c.axes, VisitAxes{});
        v.array("series", c.series, VisitSeries{});
    }
};

struct VisitChartObject {
    template <class V, class M>
    void operator()(V& v, M& o) const {
        v.text("name", o.name);
        v.object("chart", o.chart, VisitChart{});
    }
};

using SheetKind = sim::SheetModel::Kind;
const Choices<SheetKind> kSheetKinds = {
    {"worksheet", SheetKind::Worksheet}, {"chartSheet", SheetKind::ChartSheet},
};

struct VisitSheet {
    template <class V, class M>
    void operator()(V& v, M& s) const {
        v.choice("kind", s.kind, kSheetKinds);
        v.text("name", s.name);
        // A worksheet holds chart objects, a chart sheet one chart; the other field is unknown.
        if (s.kind == SheetKind::Worksheet) v.array("chartObjects", s.chartObjects, VisitChartObject{});
        else v.object("chart", s.chart, VisitChart{});
    }
};

// ---- Names that stand for positions: the active sheet and chart, the embedded workbook. ----

template <class Named>
int FindByName(const std::vector<Named>& items, const std::wstring& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualNoCase(items[i]->name, name)) return static_cast<int>(i);
    return -1;
}

int FindChartObject(const std::vector<sim::ChartObjectModel>& items, const std::wstring& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return static_cast<int>(i);
    return -1;
}

template <class Named>
std::string NameList(const std::vector<Named>& items) {
    std::string list;
    for (const auto& item : items) list += (list.empty() ? "" : ", ") + Quoted(item->name);
    return list.empty() ? "none" : list;
}

// Excel refuses two sheets (or two open workbooks) whose names differ only in case.
template <class Named>
void CheckUniqueNames(Reader& r, const char* key, const std::vector<Named>& items, const char* what) {
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (EqualNoCase(items[i]->name, items[j]->name))
                r.source().fail(Child(Item(r.at(key), i), "name"),
                                std::string("duplicate ") + what + " name " + Quoted(items[i]->name));
}

void ReadActiveSelection(Reader& r, sim::WorkbookModel& wb) {
    CheckUniqueNames(r, "sheets", wb.sheets, "sheet");
    const Json* sheet = r.find("activeSheet");
    if (!sheet) {
        wb.activeSheet = wb.sheets.empty() ? -1 : 0;
    } else if (sheet->is_null()) {
        wb.activeSheet = -1;
    } else {
        if (!sheet->is_string()) r.source().expected(r.at("activeSheet"), "a sheet name or null", *sheet);
        wb.activeSheet = FindByName(wb.sheets, Wide(sheet->get<std::string>()));
        if (wb.activeSheet < 0)
            r.source().fail(r.at("activeSheet"), "no sheet named " + sheet->dump() +
                                                     " (sheets: " + NameList(wb.sheets) + ")");
    }
    const Json* chart = r.find("activeChartObject");
    wb.activeChartObject = -1;
    if (!chart || chart->is_null()) return;
    if (!chart->is_string()) r.source().expected(r.at("activeChartObject"), "a chart object name or null", *chart);
    if (wb.activeSheet < 0 || wb.sheets[wb.activeSheet]->kind != SheetKind::Worksheet)
        r.source().fail(r.at("activeChartObject"), "an active chart object needs a worksheet as the active sheet");
    const auto& objects = wb.sheets[wb.activeSheet]->chartObjects;
    wb.activeChartObject = FindChartObject(objects, Wide(chart->get<std::string>()));
    if (wb.activeChartObject < 0)
        r.source().fail(r.at("activeChartObject"), "no chart object named " + chart->dump() +
                                                       " on the active sheet");
}

void WriteActiveSelection(Writer& w, const sim::WorkbookModel& wb) {
    const bool hasSheet = wb.activeSheet >= 0 && wb.activeSheet < static_cast<int>(wb.sheets.size());
    if (hasSheet) w.json()["activeSheet"] = Utf8(wb.sheets[wb.activeSheet]->name);
    else w.json()["activeSheet"] = nullptr;
    const sim::SheetModel* sheet = hasSheet ? wb.sheets[wb.activeSheet].get() : nullptr;
    if (sheet && sheet->kind == SheetKind::Worksheet && wb.activeChartObject >= 0 &&
        wb.activeChartObject < static_cast<int>(sheet->chartObjects.size()))
        w.json()["activeChartObject"] = Utf8(sheet->chartObjects[wb.activeChartObject].name);
    else
        w.json()["activeChartObject"] = nullptr;
}

struct VisitWorkbook {
    template <class V, class M>
    void operator()(V& v, M& wb) const {
        v.text("name", wb.name);
        v.ptrArray("sheets", wb.sheets, VisitSheet{});
        if constexpr (V::kReading) ReadActiveSelection(v, wb);
        else WriteActiveSelection(v, wb);
        v.boolean("open", wb.open);
        v.boolean("saved", wb.saved);
        v.boolean("closedWithSaveChanges", wb.closedWithSaveChanges);
    }
};

void ReadEmbeddedWorkbook(Reader& r, ExcelInstance& e) {
    const auto& books = e.application.workbooks;
    CheckUniqueNames(r, "workbooks", books, "workbook");
    const Json* name = r.find("embeddedWorkbook");
    if (!name) {
        if (books.size() == 1) {
            e.embeddedWorkbook = 0;
            return;
        }
        r.source().fail(r.at("workbooks"), books.empty()
            ? "an Excel object needs at least one workbook"
            : "several workbooks: name the embedded one with \"embeddedWorkbook\"");
    }
    if (!name->is_string()) r.source().expected(r.at("embeddedWorkbook"), "a workbook name", *name);
    e.embeddedWorkbook = FindByName(books, Wide(name->get<std::string>()));
    if (e.embeddedWorkbook < 0)
        r.source().fail(r.at("embeddedWorkbook"), "no workbook named " + name->dump() +
                                                      " (workbooks: " + NameList(books) + ")");
}

struct VisitExcel {
    template <class V, class M>
    void operator()(V& v, M& e) const {
        v.text("version", e.application.version);
        v.ptrArray("workbooks", e.application.workbooks, VisitWorkbook{});
        if constexpr (V::kReading) {
            ReadEmbeddedWorkbook(v, e);
        } else {
            const auto& books = e.application.workbooks;
            if (e.embeddedWorkbook >= 0 && e.embeddedWorkbook < static_cast<int>(books.size()))
                v.json()["embeddedWorkbook"] = Utf8(books[e.embeddedWorkbook]->name);
        }
    }
};

struct VisitObject {
    template <class V, class M>
    void operator()(V& v, M& o) const {
        v.text("name", o.name);
        v.requiredText("progId", o.progId);
        v.integer("bwFlagSet", o.bwFlagSet, domain::Int32());
        v.optionalObject("excel", o.excel, VisitExcel{});
    }
};

struct VisitDeck {
    template <class V, class M>
    void operator()(V& v, M& d) const {
        if constexpr (V::kReading) {
            if (const Json* f = v.find("deckFormat"); f && *f != kDeckFormat)
                v.source().expected(v.at("deckFormat"), "deck format 1", *f);
        } else {
            v.json()["deckFormat"] = kDeckFormat;
        }
        v.text("title", d.title);
        if constexpr (V::kReading) v.require("objects");
        v.array("objects", d.objects, VisitObject{});
    }
};

// ---- Parsing ----

// nlohmann keeps the last of two equal keys silently; a deck written by hand that names a
// property twice almost certainly meant something else, so it is refused with its path.
class DuplicateKeyGuard {
public:
    // prefix: the JSON path of the parsed text within its file ("objects[7]"), empty for a whole file.
    explicit DuplicateKeyGuard(const Source& src, std::string prefix = {}) : src_(src), prefix_(std::move(prefix)) {}

    bool operator()(int, nlohmann::json::parse_event_t event, Json& parsed) {
        using E = nlohmann::json::parse_event_t;
        switch (event) {
        case E::object_start: startValue(); frames_.push_back({false, 0, {}, {}}); break;
        case E::array_start: startValue(); frames_.push_back({true, 0, {}, {}}); break;
        case E::object_end:
        case E::array_end: frames_.pop_back(); break;
        case E::value: startValue(); break;
        case E::key: {
            Frame& f = frames_.back();
            f.key = parsed.get<std::string>();
            if (std::find(f.keys.begin(), f.keys.end(), f.key) != f.keys.end())
                src_.fail(path(), "property \"" + f.key + "\" given twice");
            f.keys.push_back(f.key);
            break;
        }
        }
        return true;
    }

private:
    struct Frame {
        bool isArray;
        size_t count;
        std::string key;
        std::vector<std::string> keys;
    };

    void startValue() {
        if (!frames_.empty() && frames_.back().isArray) ++frames_.back().count;
    }

    std::string path() const {
        std::string p = prefix_;
        for (size_t i = 0; i + 1 < frames_.size(); ++i) {
            const Frame& f = frames_[i];
            p = f.isArray ? Item(p, f.count - 1) : Child(p, f.key);
        }
        return p;
    }

    const Source& src_;
    std::string prefix_;
    std::vector<Frame> frames_;
};

DeckError MalformedJsonError(const Source& src, const nlohmann::json::parse_error& e) {
    // e.what() is "[json.exception.parse_error.101] parse error at line L, column C: ...".
    std::string what = e.what();
    size_t bracket = what.find("] ");
    if (bracket != std::string::npos) what = what.substr(bracket + 2);
    return DeckError(src.name + ": malformed JSON: " + what);
}

Json ParseJson(const std::string& text, const Source& src) {
    try {
        DuplicateKeyGuard guard(src);
        return Json::parse(text, std::ref(guard), true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error& e) {
        throw MalformedJsonError(src, e);
    }
}

Json ChartJson(const sim::ChartModel& chart) {
    Json j;
    Writer w(j);
    VisitChart{}(w, chart);
    return j;
}

std::string PointerToPath(const std::string& pointer) {
    std::string path;
    size_t start = 1;
    while (start <= pointer.size()) {
        size_t end = pointer.find('/', start);
        if (end == std::string::npos) end = pointer.size();
        std::string token = pointer.substr(start, end - start);
        bool index = !token.empty() && std::all_of(token.begin(), token.end(), ::isdigit);
        path = index ? path + "[" + token + "]" : Child(path, token);
        start = end + 1;
    }
    return path;
}

}  // namespace

namespace detail {

DeckObject ParseDeckObject(const std::string& text, const std::string& sourceName, size_t index) {
    const Source src{sourceName};
    const std::string path = Item("objects", index);
    Json j;
    try {
        DuplicateKeyGuard guard(src, path);
        j = Json::parse(text, std::ref(guard), true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    DeckObject o;
    Reader r(src, j, path);
    VisitObject{}(r, o);
    r.finish();
    return o;
}

bool ReadDeckMember(const std::string& key, const std::string& valueText, const std::string& sourceName,
                    std::wstring& title) {
    const Source src{sourceName};
    if (key != "deckFormat" && key != "title") return false;
    Json j;
    try {
        j = Json::parse(valueText, nullptr, true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    if (key == "deckFormat" && j != kDeckFormat) src.expected(key, "deck format 1", j);
    if (key == "title") {
        if (!j.is_string()) src.expected(key, "a string", j);
        title = Wide(j.get<std::string>());
    }
    return true;
}

void FailObjectsNotAnArray(const std::string& valueText, const std::string& sourceName) {
    const Source src{sourceName};
    Json j;
    try {
        j = Json::parse(valueText, nullptr, true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::parse_error&) {
        throw MalformedJson();
    }
    src.expected("objects", "an array", j);
}

void FailTopLevel(const std::string& sourceName, const std::string& problem) {
    Source{sourceName}.fail("", problem);
}

std::string UnknownDeckProperty(const std::string& key) {
    return "unknown property \"" + key + "\" (known here: deckFormat, title, objects)";
}

std::string SyntaxErrorOf(std::FILE* file, const std::string& sourceName) {
    const Source src{sourceName};
    DuplicateKeyGuard guard(src);
    // Every finished value is dropped at once: only the syntax is checked, in bounded memory.
    auto check = [&guard](int depth, nlohmann::json::parse_event_t event, Json& parsed) {
        using E = nlohmann::json::parse_event_t;
        guard(depth, event, parsed);
        return depth == 0 || event == E::key || event == E::object_start || event == E::array_start;
    };
    try {
        const Json top = Json::parse(file, check, true, /*ignore_comments=*/true);
        (void)top;
    } catch (const nlohmann::json::parse_error& e) {
        return MalformedJsonError(src, e).what();
    } catch (const DeckError& e) {
        return e.what();
    }
    return {};
}

std::string DeckObjectJson(const DeckObject& object) {
    Json j;
    Writer w(j);
    VisitObject{}(w, object);
    return j.dump(2);
}

std::string JsonText(const std::string& s) { return Json(s).dump(); }

}  // namespace detail

Deck ParseDeck(const std::string& jsonText, const std::string& sourceName) {
    Source src{sourceName};
    Json j = ParseJson(jsonText, src);
    Deck deck;
    Reader r(src, j, "");
    VisitDeck{}(r, deck);
    r.finish();
    return deck;
}

Deck ReadDeckFile(const std::wstring& path) {
    std::string text, error;
    if (!ReadWholeFile(path, text, error)) throw DeckError(Utf8(path) + ": cannot read the deck: " + error);
    return ParseDeck(text, Utf8(path));
}

std::string DeckToJson(const Deck& deck) {
    Json j;
    Writer w(j);
    VisitDeck{}(w, deck);
    return j.dump(2) + "\n";
}

std::string ChartToJson(const sim::ChartModel& chart) { return ChartJson(chart).dump(2); }

std::vector<std::string> ChartChanges(const sim::ChartModel& before, const sim::ChartModel& after) {
    const Json a = ChartJson(before), b = ChartJson(after);
    std::vector<std::string> lines;
    for (const Json& op : Json::diff(a, b)) {
        const std::string pointer = op["path"].get<std::string>();
        const std::string kind = op["op"].get<std::string>();
        const Json::json_pointer p(pointer);
        std::string from = kind == "add" ? "(none)" : Describe(a.at(p));
        std::string to = kind == "remove" ? "(none)" : Describe(op["value"]);
        lines.push_back(PointerToPath(pointer) + ": " + from + " -> " + to);
    }
    return lines;
}

}  // namespace bwpass
