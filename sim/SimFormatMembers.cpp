// Members of the formats: Border, Interior, ChartFillFormat and its Office FillFormat view.
//
// A format reached through a series' DataLabels collection acts on every label of the series:
// reads answer from the first label, writes go to all of them.
#include "sim/SimInternal.h"

#include "excel/ExcelObjectModel.h"
#include "sim/ModelBuilders.h"

namespace sim::detail {

namespace {

namespace x = qv::excel;

constexpr long kColorIndexNone = -4142;
constexpr long kColorIndexAutomatic = -4105;

// The ColorIndex that goes with a colour just written: its palette entry when it has one; a
// format that had no colour (xlNone) becomes coloured again.
int32_t IndexAfterColour(int32_t colour, int32_t previous) {
    for (int i = 1; i <= 56; ++i)
        if (PaletteColour(i) == colour) return i;
    return previous == kColorIndexNone ? kColorIndexAutomatic : previous;
}

template <class T>
std::vector<T*> Targets(Call& c, T ElementModel::*part) {
    if (!c.where().allDataLabels) return {&c.node<T>()};
    std::vector<T*> all;
    for (ElementModel& label : c.where().series->dataLabels) all.push_back(&(label.*part));
    return all;
}

template <class T>
T& First(Call& c, T ElementModel::*part) {
    std::vector<T*> all = Targets(c, part);
    if (all.empty()) throw Raise::Excel();
    return *all.front();
}

template <class T>
void ForEach(Call& c, T ElementModel::*part, void (*write)(T&, long), long value) {
    for (T* target : Targets(c, part)) write(*target, value);
}

// ColorIndex writes: a palette entry sets the colour; xlNone and xlAutomatic are kept as such.
template <class T>
void PutColorIndex(Call& c, T ElementModel::*part) {
    const long n = c.IntValue();
    if (n != kColorIndexNone && n != kColorIndexAutomatic && (n < 1 || n > 56)) throw Raise::Excel();
    ForEach<T>(c, part, [](T& f, long v) {
        f.colorIndex = v;
        if (v >= 1 && v <= 56) f.color = PaletteColour(static_cast<int>(v));
    }, n);
}

BorderModel& Border(Call& c) { return First(c, &ElementModel::border); }
InteriorModel& Interior(Call& c) { return First(c, &ElementModel::interior); }
FillModel& Fill(Call& c) { return First(c, &ElementModel::fill); }

void Solid(Call& c) {
    ForEach<FillModel>(c, &ElementModel::fill, [](FillModel& f, long) {
        f.type = FillModel::Type::Solid;
        f.pattern = 0;
    }, 0);
}

// Excel refuses pattern numbers outside MsoPatternType's 1..48 (among them the 0 that the
// pattern table gives for positions without a pattern).
void Patterned(Call& c) {
    const long pattern = c.Int(0);
    if (c.options().refuseInvalidPattern && (pattern < 1 || pattern > 48)) throw Raise::Excel();
    ForEach<FillModel>(c, &ElementModel::fill, [](FillModel& f, long n) {
        f.type = FillModel::Type::Patterned;
        f.pattern = n;
    }, pattern);
}

void GetVisible(Call& c) { c.ReturnI4(Fill(c).visible); }
void PutVisible(Call& c) {
    ForEach<FillModel>(c, &ElementModel::fill, [](FillModel& f, long v) { f.visible = v; }, c.IntValue());
}

}  // namespace

void AddFormatTypes(std::map<Type, TypeDef>& t) {
    using B = BorderModel;
    using I = InteriorModel;
    t[Type::Border] = {L"Border", &x::IID_Border, {
        {L"Color", 99, Access::GetPut, 0, 0, [](Call& c) { c.ReturnColor(Border(c).color); },
         [](Call& c) {
             ForEach<B>(c, &ElementModel::border, [](B& b, long v) {
                 b.color = v;
                 b.colorIndex = IndexAfterColour(v, b.colorIndex);
             }, c.IntValue());
         }},
        {L"Weight", 120, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(Border(c).weight); },
         [](Call& c) { ForEach<B>(c, &ElementModel::border, [](B& b, long v) { b.weight = v; }, c.IntValue()); }},
        {L"LineStyle", 119, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(Border(c).lineStyle); },
         [](Call& c) { ForEach<B>(c, &ElementModel::border, [](B& b, long v) { b.lineStyle = v; }, c.IntValue()); }},
        {L"ColorIndex", 97, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(Border(c).colorIndex); },
         [](Call& c) { PutColorIndex(c, &ElementModel::border); }},
    }};
    t[Type::Interior] = {L"Interior", &x::IID_Interior, {
        {L"Color", 99, Access::GetPut, 0, 0, [](Call& c) { c.ReturnColor(Interior(c).color); },
         [](Call& c) {
             ForEach<I>(c, &ElementModel::interior, [](I& f, long v) {
                 f.color = v;
                 f.colorIndex = IndexAfterColour(v, f.colorIndex);
             }, c.IntValue());
         }},
        {L"PatternColor", 100, Access::GetPut, 0, 0, [](Call& c) { c.ReturnColor(Interior(c).patternColor); },
         [](Call& c) {
             ForEach<I>(c, &ElementModel::interior, [](I& f, long v) { f.patternColor = v; }, c.IntValue());
         }},
        {L"ColorIndex", 97, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(Interior(c).colorIndex); },
         [](Call& c) { PutColorIndex(c, &ElementModel::interior); }},
        {L"Pattern", 95, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(Interior(c).pattern); },
         [](Call& c) { ForEach<I>(c, &ElementModel::interior, [](I& f, long v) { f.pattern = v; }, c.IntValue()); }},
    }};
    t[Type::ChartFillFormat] = {L"ChartFillFormat", &x::IID_ChartFillFormat, {
        {L"Visible", 558, Access::GetPut, 0, 0, GetVisible, PutVisible},
        {L"Solid", 1627, Access::Method, 0, 0, Solid},
        {L"Patterned", 1628, Access::Method, 1, 1, Patterned},
    }};
    // Office's FillFormat numbers the same members differently.
    t[Type::FillFormat] = {L"FillFormat", &x::IID_FillFormat, {
        {L"Visible", 113, Access::GetPut, 0, 0, GetVisible, PutVisible},
        {L"Solid", 15, Access::Method, 0, 0, Solid},
        {L"Patterned", 12, Access::Method, 1, 1, Patterned},
    }};
}

}  // namespace sim::detail
