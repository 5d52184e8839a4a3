// The deck file: one description of every model field, walked by a reader and by a writer.
//
// Each Visit* functor lists the fields of one model type in file order. The reader fills the
// model from JSON and checks every value against its domain; the writer prints the model.
// Because both walk the same list, a field cannot be read without being written or the other
// way round, and a written deck reads back to an equal one.
//
// Private to the deck file's code (DeckJson.cpp); everyone else uses Deck.h and DeckStream.h.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/deckmodel/JsonWalkers.h"

#include <string>
#include <vector>

namespace bwpass::detail {

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
inline const Choices<FillType> kFillTypes = {
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
inline void ElementFields(V& v, M& e) {
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

struct VisitFont {
    template <class V, class M>
    void operator()(V& v, M& t) const {
        v.boolean("present", t.present);
        v.colour("color", t.color);
    }
};

struct VisitAxis {
    template <class V, class M>
    void operator()(V& v, M& a) const {
        v.boolean("present", a.present);
        v.object("border", a.border, VisitBorder{});
        v.object("majorGridlines", a.majorGridlines, VisitLineElement{});
        v.object("minorGridlines", a.minorGridlines, VisitLineElement{});
        v.object("tickLabelFont", a.tickLabelFont, VisitFont{});
        v.object("titleFont", a.titleFont, VisitFont{});
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
        v.integer("markerStyle", p.markerStyle, domain::MarkerStyle());
        v.integer("markerSize", p.markerSize, domain::MarkerSize());
        v.colour("markerForegroundColor", p.markerForegroundColor);
        v.colour("markerBackgroundColor", p.markerBackgroundColor);
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
        v.object("dataLabelFont", s.dataLabelFont, VisitFont{});
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
        v.object("font", l.font, VisitFont{});
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
        v.object("titleFont", c.titleFont, VisitFont{});
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
inline const Choices<SheetKind> kSheetKinds = {
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
inline int FindByName(const std::vector<Named>& items, const std::wstring& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualNoCase(items[i]->name, name)) return static_cast<int>(i);
    return -1;
}

inline int FindChartObject(const std::vector<sim::ChartObjectModel>& items, const std::wstring& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return static_cast<int>(i);
    return -1;
}

template <class Named>
inline std::string NameList(const std::vector<Named>& items) {
    std::string list;
    for (const auto& item : items) list += (list.empty() ? "" : ", ") + Quoted(item->name);
    return list.empty() ? "none" : list;
}

// Excel refuses two sheets (or two open workbooks) whose names differ only in case.
template <class Named>
inline void CheckUniqueNames(Reader& r, const char* key, const std::vector<Named>& items, const char* what) {
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (EqualNoCase(items[i]->name, items[j]->name))
                r.source().fail(Child(Item(r.at(key), i), "name"),
                                std::string("duplicate ") + what + " name " + Quoted(items[i]->name));
}

inline void ReadActiveSelection(Reader& r, sim::WorkbookModel& wb) {
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

inline void WriteActiveSelection(Writer& w, const sim::WorkbookModel& wb) {
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

inline void ReadEmbeddedWorkbook(Reader& r, ExcelInstance& e) {
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

}  // namespace bwpass::detail
