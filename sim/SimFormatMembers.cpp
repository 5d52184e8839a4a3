// Members of the formats: Border, Interior, ChartFillFormat and its Office FillFormat view.
//
// A format reached through a series' DataLabels collection acts on every label of the series:
// reads answer from the first label, writes go to all of them.
#include "sim/SimInternal.h"

#include "chart/ExcelObjectModel.h"

namespace sim::detail {

namespace {

namespace x = qv::excel;

constexpr long kColorIndexNone = -4142;
constexpr long kColorIndexAutomatic = -4105;

constexpr int32_t Rgb(uint32_t rrggbb) {
    return static_cast<int32_t>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
}

// Excel's default 56-colour palette, by ColorIndex 1..56 (entry 15 is the 25% grey the plug-in
// gives the floor).
constexpr int32_t kPalette[56] = {
    Rgb(0x000000), Rgb(0xFFFFFF), Rgb(0xFF0000), Rgb(0x00FF00), Rgb(0x0000FF), Rgb(0xFFFF00),
    Rgb(0xFF00FF), Rgb(0x00FFFF), Rgb(0x800000), Rgb(0x008000), Rgb(0x000080), Rgb(0x808000),
    Rgb(0x800080), Rgb(0x008080), Rgb(0xC0C0C0), Rgb(0x808080), Rgb(0x9999FF), Rgb(0x993366),
    Rgb(0xFFFFCC), Rgb(0xCCFFFF), Rgb(0x660066), Rgb(0xFF8080), Rgb(0x0066CC), Rgb(0xCCCCFF),
    Rgb(0x000080), Rgb(0xFF00FF), Rgb(0xFFFF00), Rgb(0x00FFFF), Rgb(0x800080), Rgb(0x800000),
    Rgb(0x008080), Rgb(0x0000FF), Rgb(0x00CCFF), Rgb(0xCCFFFF), Rgb(0xCCFFCC), Rgb(0xFFFF99),
    Rgb(0x99CCFF), Rgb(0xFF99CC), Rgb(0xCC99FF), Rgb(0xFFCC99), Rgb(0x3366FF), Rgb(0x33CCCC),
    Rgb(0x99CC00), Rgb(0xFFCC00), Rgb(0xFF9900), Rgb(0xFF6600), Rgb(0x666699), Rgb(0x969696),
    Rgb(0x003366), Rgb(0x339966), Rgb(0x003300), Rgb(0x333300), Rgb(0x993300), Rgb(0x993366),
    Rgb(0x333399), Rgb(0x333333),
};

// The ColorIndex that goes with a colour just written: its palette entry when it has one; a
// format that had no colour (xlNone) becomes coloured again.
int32_t IndexAfterColour(int32_t colour, int32_t previous) {
    for (int i = 0; i < 56; ++i)
        if (kPalette[i] == colour) return i + 1;
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
        if (v >= 1 && v <= 56) f.color = kPalette[v - 1];
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
