// Members of a chart and its elements: Chart, the framed elements (chart area, plot area, legend,
// walls, floor, data label, legend key, point), axes and gridlines, series and the chart
// collections.
//
// Collection items get the collection's path plus "(n)", whichever way they are reached
// (Chart.SeriesCollection(2) and Chart.SeriesCollection().Item(2) are one object).
#include "sim/SimInternal.h"

#include "excel/ExcelObjectModel.h"

namespace sim::detail {

namespace {

namespace x = qv::excel;

std::wstring Nth(const Object& collection, size_t i) {
    return collection.path() + L"(" + std::to_wstring(i) + L")";
}

Object& ChartOf(Call& c) { return c.excel().Chart(*c.where().chart); }

// ---- framed elements -----------------------------------------------------------------------

void ReturnElement(Call& c, ElementModel& e, Type type, const wchar_t* segment) {
    if (!e.present) throw Raise::Excel();
    c.Return(c.excel().Child(c.self, type, &e, segment));
}

void ElementBorder(Call& c) {
    c.Return(c.excel().Child(c.self, Type::Border, &c.node<ElementModel>().border, L"Border"));
}
void ElementInterior(Call& c) {
    c.Return(c.excel().Child(c.self, Type::Interior, &c.node<ElementModel>().interior, L"Interior"));
}
void ElementFill(Call& c) {
    c.Return(c.excel().Child(c.self, Type::ChartFillFormat, &c.node<ElementModel>().fill, L"Fill"));
}
void LineBorder(Call& c) {
    c.Return(c.excel().Child(c.self, Type::Border, &c.node<LineElementModel>().border, L"Border"));
}

std::vector<MemberDef> ElementMembers() {
    return {
        {L"Border", 128, Access::Get, 0, 0, ElementBorder},
        {L"Interior", 129, Access::Get, 0, 0, ElementInterior},
        {L"Fill", 1663, Access::Get, 0, 0, ElementFill},
    };
}

std::vector<MemberDef> With(std::vector<MemberDef> members, std::initializer_list<MemberDef> more) {
    members.insert(members.end(), more.begin(), more.end());
    return members;
}

// ---- legend entries ------------------------------------------------------------------------

LegendModel& LegendOf(Call& c) { return static_cast<LegendModel&>(c.node<ElementModel>()); }

void ReturnLegendEntry(Call& c, Object& entries, LegendModel& legend, size_t argument) {
    const size_t i = c.Index(argument, legend.entries.size());
    c.Return(c.excel().Get(Type::LegendEntry, &legend.entries[i - 1], entries.where(), Nth(entries, i)));
}

void LegendEntriesOf(Call& c) {
    LegendModel& legend = LegendOf(c);
    Object& entries = c.excel().Child(c.self, Type::LegendEntries, static_cast<ElementModel*>(&legend), L"LegendEntries");
    if (!c.given(0)) return c.Return(entries);
    ReturnLegendEntry(c, entries, legend, 0);
}

// ---- axes ----------------------------------------------------------------------------------

Object& AxesOf(Call& c, ChartModel& chart) {
    return c.excel().Child(ChartOf(c), Type::Axes, &chart, L"Axes");
}

// Axes(Type, AxisGroup): only the primary group exists; an axis the chart lacks (the series axis
// of a 2-D chart, any axis of a pie) fails as in Excel.
void ReturnAxis(Call& c, ChartModel& chart, size_t typeArg) {
    const long type = c.Int(typeArg);
    const long group = c.given(typeArg + 1) ? c.Int(typeArg + 1) : x::xl::Primary;
    if (group != x::xl::Primary || type < 1 || type > 3 || !chart.axes[type - 1].present) throw Raise::Excel();
    Object& axes = AxesOf(c, chart);
    c.Return(c.excel().Get(Type::Axis, &chart.axes[type - 1], axes.where(), Nth(axes, static_cast<size_t>(type))));
}

void ChartAxes(Call& c) {
    ChartModel& chart = c.node<ChartModel>();
    if (!c.given(0)) return c.Return(AxesOf(c, chart));
    ReturnAxis(c, chart, 0);
}

long AxisCount(const ChartModel& chart) {
    long n = 0;
    for (const AxisModel& a : chart.axes) n += a.present ? 1 : 0;
    return n;
}

void Gridlines(Call& c, LineElementModel AxisModel::*which, const wchar_t* segment) {
    LineElementModel& lines = c.node<AxisModel>().*which;
    if (!lines.present) throw Raise::Excel();
    c.Return(c.excel().Child(c.self, Type::Gridlines, &lines, segment));
}

// ---- series --------------------------------------------------------------------------------

std::vector<std::wstring> SeriesNames(const ChartModel& chart) {
    std::vector<std::wstring> names;
    for (const SeriesModel& s : chart.series) names.push_back(s.name);
    return names;
}

Object& SeriesCollectionOf(Call& c, ChartModel& chart) {
    return c.excel().Child(ChartOf(c), Type::SeriesCollection, &chart, L"SeriesCollection");
}

void ReturnSeries(Call& c, ChartModel& chart, size_t argument) {
    const size_t i = c.Index(argument, chart.series.size(), SeriesNames(chart));
    Object& collection = SeriesCollectionOf(c, chart);
    Where where = collection.where();
    where.series = &chart.series[i - 1];
    c.Return(c.excel().Get(Type::Series, where.series, where, Nth(collection, i)));
}

void ChartSeriesCollection(Call& c) {
    ChartModel& chart = c.node<ChartModel>();
    if (!c.given(0)) return c.Return(SeriesCollectionOf(c, chart));
    ReturnSeries(c, chart, 0);
}

SeriesModel& SeriesOf(Call& c) { return *c.where().series; }

// Points, DataLabels and Trendlines of a series: the collection when the index is left out,
// else the item.
template <class Item>
void ReturnSeriesItem(Call& c, Type collectionType, Type itemType, const wchar_t* segment,
                      std::vector<Item>& items, size_t argument, void* (*node)(Item&)) {
    Object& collection = c.self.type() == collectionType
                             ? c.self
                             : c.excel().Child(c.self, collectionType, &SeriesOf(c), segment);
    if (argument == SIZE_MAX) return c.Return(collection);
    const size_t i = c.Index(argument, items.size());
    c.Return(c.excel().Get(itemType, node(items[i - 1]), collection.where(), Nth(collection, i)));
}

void* PointNode(PointModel& p) { return &p.element; }
void* LabelNode(ElementModel& e) { return &e; }
void* TrendlineNode(LineElementModel& t) { return &t; }

void SeriesPoints(Call& c) {
    ReturnSeriesItem(c, Type::Points, Type::Point, L"Points", SeriesOf(c).points,
                     c.given(0) ? 0 : SIZE_MAX, PointNode);
}
void PointsItem(Call& c) {
    ReturnSeriesItem(c, Type::Points, Type::Point, L"Points", SeriesOf(c).points, 0, PointNode);
}

// A series without data labels has no DataLabels to give.
void SeriesDataLabels(Call& c) {
    if (!SeriesOf(c).hasDataLabels) throw Raise::Excel();
    ReturnSeriesItem(c, Type::DataLabels, Type::DataLabel, L"DataLabels", SeriesOf(c).dataLabels,
                     c.given(0) ? 0 : SIZE_MAX, LabelNode);
}
void DataLabelsItem(Call& c) {
    ReturnSeriesItem(c, Type::DataLabels, Type::DataLabel, L"DataLabels", SeriesOf(c).dataLabels, 0, LabelNode);
}

void SeriesTrendlines(Call& c) {
    ReturnSeriesItem(c, Type::Trendlines, Type::Trendline, L"Trendlines", SeriesOf(c).trendlines,
                     c.given(0) ? 0 : SIZE_MAX, TrendlineNode);
}
// Trendlines.Item's index is optional: the first trendline.
void TrendlinesItem(Call& c) {
    SeriesModel& s = SeriesOf(c);
    if (!c.given(0)) {
        if (s.trendlines.empty()) throw Raise::Excel();
        return c.Return(c.excel().Get(Type::Trendline, &s.trendlines[0], c.where(), Nth(c.self, 1)));
    }
    ReturnSeriesItem(c, Type::Trendlines, Type::Trendline, L"Trendlines", s.trendlines, 0, TrendlineNode);
}

// The DataLabels collection's own Border, Interior and Fill act on every label of the series.
void LabelsPart(Call& c, Type type, void* key, const wchar_t* segment) {
    Where where = c.where();
    where.allDataLabels = true;
    c.Return(c.excel().Child(c.self, type, key, segment, where));
}

void SeriesLeaderLines(Call& c) {
    SeriesModel& s = SeriesOf(c);
    if (!s.hasLeaderLines || !s.leaderLines.present) throw Raise::Excel();
    c.Return(c.excel().Child(c.self, Type::LeaderLines, &s.leaderLines, L"LeaderLines"));
}

// Setting HasDataLabels gives every point a label when the series had none.
void PutHasDataLabels(Call& c) {
    SeriesModel& s = SeriesOf(c);
    s.hasDataLabels = c.BoolValue();
    if (s.hasDataLabels && s.dataLabels.empty()) s.dataLabels.resize(s.points.size());
}

void PutHasLeaderLines(Call& c) {
    SeriesModel& s = SeriesOf(c);
    s.hasLeaderLines = c.BoolValue();
    if (s.hasLeaderLines) s.leaderLines.present = true;
}

// Series.Parent is the series' chart group, whose Parent is the chart.
void SeriesParent(Call& c) {
    Object& chart = ChartOf(c);
    Where where = chart.where();
    c.Return(c.excel().Get(Type::ChartGroup, c.where().chart, where, chart.path() + L"/ChartGroups(1)"));
}

#define SERIES_INT(name, id, field)                                                   \
    {L##name, id, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(SeriesOf(c).field); }, \
     [](Call& c) { SeriesOf(c).field = c.IntValue(); }}

// Formatting a series' markers formats every point's marker with it, as in Excel.
#define SERIES_MARKER(name, id, field)                                                \
    {L##name, id, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(SeriesOf(c).field); }, \
     [](Call& c) {                                                                    \
         SeriesModel& s = SeriesOf(c);                                                \
         s.field = c.IntValue();                                                      \
         for (PointModel& p : s.points) p.field = s.field;                            \
     }}

// A Point object stands on its element; its markers are found through its series.
PointModel& PointOf(Call& c) {
    const ElementModel* element = &c.node<ElementModel>();
    for (PointModel& p : SeriesOf(c).points)
        if (&p.element == element) return p;
    throw Raise::Excel();
}

#define POINT_INT(name, id, field)                                                   \
    {L##name, id, Access::GetPut, 0, 0, [](Call& c) { c.ReturnI4(PointOf(c).field); }, \
     [](Call& c) { PointOf(c).field = c.IntValue(); }}

// ---- chart ---------------------------------------------------------------------------------

void ChartParent(Call& c) {
    const Where& w = c.where();
    if (w.chartObject)
        return c.Return(c.excel().ChartObject(*w.workbook, *w.sheet, [&] {
            for (size_t j = 0; j < w.sheet->chartObjects.size(); ++j)
                if (&w.sheet->chartObjects[j] == w.chartObject) return j + 1;
            throw Raise::Excel();
        }()));
    if (w.workbook) return c.Return(c.excel().Workbook(*w.workbook));
    c.ReturnNothing();
}

// An embedded chart is named after its sheet and chart object, as Excel does ("Sheet1 Chart 1").
std::wstring ChartName(const Call& c) {
    const Where& w = c.where();
    if (w.chartObject) return w.sheet->name + L" " + w.chartObject->name;
    if (w.sheet) return w.sheet->name;
    return c.node<ChartModel>().name;
}

void PutChartType(Call& c) {
    ChartModel& chart = c.node<ChartModel>();
    chart.chartType = c.IntValue();
    for (SeriesModel& s : chart.series) s.chartType = chart.chartType;
}

}  // namespace

void AddChartTypes(std::map<Type, TypeDef>& t) {
    t[Type::Chart] = {L"Chart", &x::IID_Chart, {
        {L"ChartArea", 80, Access::Get, 0, 0,
         [](Call& c) { ReturnElement(c, c.node<ChartModel>().chartArea, Type::ChartArea, L"ChartArea"); }},
        {L"PlotArea", 85, Access::Get, 0, 0,
         [](Call& c) { ReturnElement(c, c.node<ChartModel>().plotArea, Type::PlotArea, L"PlotArea"); }},
        {L"Legend", 84, Access::Get, 0, 0,
         [](Call& c) { ReturnElement(c, c.node<ChartModel>().legend, Type::Legend, L"Legend"); }},
        {L"Walls", 86, Access::Get, 0, 0,
         [](Call& c) { ReturnElement(c, c.node<ChartModel>().walls, Type::Walls, L"Walls"); }},
        {L"Floor", 83, Access::Get, 0, 0,
         [](Call& c) { ReturnElement(c, c.node<ChartModel>().floor, Type::Floor, L"Floor"); }},
        {L"ChartType", 1400, Access::GetPut, 0, 0,
         [](Call& c) { c.ReturnI4(c.node<ChartModel>().chartType); }, PutChartType},
        {L"Axes", 23, Access::ObjectMethod, 0, 2, ChartAxes},
        {L"SeriesCollection", 68, Access::ObjectMethod, 0, 1, ChartSeriesCollection},
        {L"Parent", 150, Access::Get, 0, 0, ChartParent},
        {L"Name", 110, Access::Get, 0, 0, [](Call& c) { c.ReturnString(ChartName(c)); }},
        // Only a chart sheet can be moved; an embedded chart has no Move of its own.
        {L"Move", 637, Access::Method, 0, 2,
         [](Call& c) { if (c.where().chartObject || !c.where().sheet) throw Raise::Excel(); MoveSheet(c); }},
    }};
    t[Type::ChartArea] = {L"ChartArea", &x::IID_ChartArea, ElementMembers()};
    t[Type::PlotArea] = {L"PlotArea", &x::IID_PlotArea, ElementMembers()};
    t[Type::Walls] = {L"Walls", &x::IID_Walls, ElementMembers()};
    t[Type::Floor] = {L"Floor", &x::IID_Floor, ElementMembers()};
    t[Type::DataLabel] = {L"DataLabel", &x::IID_DataLabel, ElementMembers()};
    t[Type::LegendKey] = {L"LegendKey", &x::IID_LegendKey, ElementMembers()};
    t[Type::Point] = {L"Point", &x::IID_Point, With(ElementMembers(), {
        POINT_INT("MarkerSize", 231, markerSize),
        POINT_INT("MarkerStyle", 72, markerStyle),
        POINT_INT("MarkerForegroundColor", 75, markerForegroundColor),
        POINT_INT("MarkerBackgroundColor", 73, markerBackgroundColor),
    })};
    t[Type::Legend] = {L"Legend", &x::IID_Legend, With(ElementMembers(), {
        {L"LegendEntries", 173, Access::ObjectMethod, 0, 1, LegendEntriesOf},
    })};

    auto entryItem = [](Call& c) { ReturnLegendEntry(c, c.self, LegendOf(c), 0); };
    t[Type::LegendEntries] = {L"LegendEntries", &x::IID_LegendEntries, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(LegendOf(c).entries.size())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 1, entryItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 1, entryItem},
    }};
    t[Type::LegendEntry] = {L"LegendEntry", &x::IID_LegendEntry, {
        {L"LegendKey", 174, Access::Get, 0, 0, [](Call& c) {
             c.Return(c.excel().Child(c.self, Type::LegendKey, &c.node<LegendEntryModel>().legendKey, L"LegendKey"));
         }},
    }};

    auto axisItem = [](Call& c) { ReturnAxis(c, c.node<ChartModel>(), 0); };
    t[Type::Axes] = {L"Axes", &x::IID_Axes, {
        {L"Count", 118, Access::Get, 0, 0, [](Call& c) { c.ReturnI4(AxisCount(c.node<ChartModel>())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 2, axisItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 2, axisItem},
    }};
    t[Type::Axis] = {L"Axis", &x::IID_Axis, {
        {L"Border", 128, Access::Get, 0, 0, [](Call& c) {
             c.Return(c.excel().Child(c.self, Type::Border, &c.node<AxisModel>().border, L"Border"));
         }},
        {L"MajorGridlines", 89, Access::Get, 0, 0,
         [](Call& c) { Gridlines(c, &AxisModel::majorGridlines, L"MajorGridlines"); }},
        {L"MinorGridlines", 90, Access::Get, 0, 0,
         [](Call& c) { Gridlines(c, &AxisModel::minorGridlines, L"MinorGridlines"); }},
    }};
    t[Type::Gridlines] = {L"Gridlines", &x::IID_Gridlines, {{L"Border", 128, Access::Get, 0, 0, LineBorder}}};
    t[Type::LeaderLines] = {L"LeaderLines", &x::IID_LeaderLines, {{L"Border", 128, Access::Get, 0, 0, LineBorder}}};
    t[Type::Trendline] = {L"Trendline", &x::IID_Trendline, {{L"Border", 128, Access::Get, 0, 0, LineBorder}}};

    auto seriesItem = [](Call& c) { ReturnSeries(c, c.node<ChartModel>(), 0); };
    t[Type::SeriesCollection] = {L"SeriesCollection", &x::IID_SeriesCollection, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(c.node<ChartModel>().series.size())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 1, seriesItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 1, seriesItem},
    }};
    t[Type::Series] = {L"Series", &x::IID_Series, {
        SERIES_INT("ChartType", 1400, chartType),
        {L"Parent", 150, Access::Get, 0, 0, SeriesParent},
        {L"Border", 128, Access::Get, 0, 0,
         [](Call& c) { c.Return(c.excel().Child(c.self, Type::Border, &SeriesOf(c).border, L"Border")); }},
        {L"Interior", 129, Access::Get, 0, 0,
         [](Call& c) { c.Return(c.excel().Child(c.self, Type::Interior, &SeriesOf(c).interior, L"Interior")); }},
        {L"Fill", 1663, Access::Get, 0, 0,
         [](Call& c) { c.Return(c.excel().Child(c.self, Type::ChartFillFormat, &SeriesOf(c).fill, L"Fill")); }},
        {L"Points", 70, Access::ObjectMethod, 0, 1, SeriesPoints},
        {L"HasDataLabels", 78, Access::GetPut, 0, 0,
         [](Call& c) { c.ReturnBool(SeriesOf(c).hasDataLabels); }, PutHasDataLabels},
        {L"DataLabels", 157, Access::ObjectMethod, 0, 1, SeriesDataLabels},
        {L"HasLeaderLines", 1394, Access::GetPut, 0, 0,
         [](Call& c) { c.ReturnBool(SeriesOf(c).hasLeaderLines); }, PutHasLeaderLines},
        {L"LeaderLines", 1666, Access::Get, 0, 0, SeriesLeaderLines},
        {L"Trendlines", 154, Access::ObjectMethod, 0, 1, SeriesTrendlines},
        SERIES_MARKER("MarkerSize", 231, markerSize),
        SERIES_MARKER("MarkerStyle", 72, markerStyle),
        SERIES_MARKER("MarkerForegroundColor", 75, markerForegroundColor),
        SERIES_MARKER("MarkerBackgroundColor", 73, markerBackgroundColor),
    }};
    // Excel's ChartGroup has many more members; the plug-in climbs through its Parent only.
    t[Type::ChartGroup] = {L"ChartGroup", nullptr, {
        {L"Parent", 150, Access::Get, 0, 0, [](Call& c) { c.Return(ChartOf(c)); }},
    }};
    t[Type::Points] = {L"Points", &x::IID_Points, {
        {L"Count", 118, Access::Get, 0, 0, [](Call& c) { c.ReturnI4(static_cast<long>(SeriesOf(c).points.size())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 1, PointsItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 1, PointsItem},
    }};
    t[Type::DataLabels] = {L"DataLabels", &x::IID_DataLabels, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(SeriesOf(c).dataLabels.size())); }},
        {L"Item", 170, Access::ObjectMethod, 1, 1, DataLabelsItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 1, 1, DataLabelsItem},
        {L"Border", 128, Access::Get, 0, 0,
         [](Call& c) { LabelsPart(c, Type::Border, &SeriesOf(c).dataLabels, L"Border"); }},
        {L"Interior", 129, Access::Get, 0, 0,
         [](Call& c) { LabelsPart(c, Type::Interior, &SeriesOf(c).dataLabels, L"Interior"); }},
        {L"Fill", 1663, Access::Get, 0, 0,
         [](Call& c) { LabelsPart(c, Type::ChartFillFormat, &SeriesOf(c).dataLabels, L"Fill"); }},
    }};
    t[Type::Trendlines] = {L"Trendlines", &x::IID_Trendlines, {
        {L"Count", 118, Access::Get, 0, 0,
         [](Call& c) { c.ReturnI4(static_cast<long>(SeriesOf(c).trendlines.size())); }},
        {L"Item", 170, Access::ObjectMethod, 0, 1, TrendlinesItem},
        {L"_Default", DISPID_VALUE, Access::ObjectMethod, 0, 1, TrendlinesItem},
    }};
}

}  // namespace sim::detail
