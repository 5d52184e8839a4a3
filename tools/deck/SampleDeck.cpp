#include "tools/deck/SampleDeck.h"

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bwpass {
namespace {

using namespace sim;

// &HRRGGBB as written on the web, to Excel's &H00BBGGRR.
int32_t Web(int32_t rrggbb) {
    return ((rrggbb & 0xFF) << 16) | (rrggbb & 0xFF00) | ((rrggbb >> 16) & 0xFF);
}

// Excel 2007's chart colours: six accents, then their darker and lighter variants.
const int32_t kAccents[] = {
    0x4F81BD, 0xC0504D, 0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646,
    0x2C4D75, 0x772C2A, 0x5F7530, 0x4D3B62, 0x276A7C, 0xB65708,
};

int32_t Accent(size_t i) { return Web(kAccents[i % 12]); }

constexpr int32_t kXlThin = 2, kXlMedium = -4138, kXlContinuous = 1, kXlNone = -4142;

BorderModel Line(int32_t colour, int32_t weight = kXlThin, int32_t style = kXlContinuous) {
    BorderModel b;
    b.color = colour;
    b.weight = weight;
    b.lineStyle = style;
    return b;
}

BorderModel NoLine() { return Line(0, kXlThin, kXlNone); }

InteriorModel Paint(int32_t colour) {
    InteriorModel i;
    i.color = colour;
    return i;
}

ElementModel Element(int32_t fill, BorderModel border) {
    ElementModel e;
    e.border = border;
    e.interior = Paint(fill);
    return e;
}

ElementModel Transparent(BorderModel border) {
    ElementModel e = Element(0xFFFFFF, border);
    e.fill.visible = 0;
    return e;
}

LineElementModel Gridlines(int32_t colour) { return LineElementModel{true, Line(colour)}; }

std::vector<std::wstring> Names(const wchar_t* stem, size_t n) {
    std::vector<std::wstring> v;
    for (size_t i = 1; i <= n; ++i) v.push_back(stem + std::to_wstring(i));
    return v;
}

// Values that look like data and are the same on every run.
std::vector<double> Values(size_t seriesIndex, size_t n, double base = 20, double span = 60) {
    std::vector<double> v;
    for (size_t j = 0; j < n; ++j)
        v.push_back(base + static_cast<double>((seriesIndex * 37 + j * 23 + seriesIndex * j * 11) % 61) / 60 * span);
    return v;
}

std::vector<PointModel> Points(const std::vector<double>& values) {
    std::vector<PointModel> points;
    for (double v : values) {
        PointModel p;
        p.value = v;
        points.push_back(p);
    }
    return points;
}

// The chart frame as Excel 2003 draws it by default: grey plot area, grey axes and gridlines.
ChartModel Frame(const wchar_t* name, int32_t chartType, std::vector<std::wstring> categories) {
    ChartModel c;
    c.name = name;
    c.chartType = chartType;
    c.categories = std::move(categories);
    c.chartArea = Element(Web(0xFFFFFF), Line(Web(0x808080)));
    c.plotArea = Element(Web(0xC0C0C0), Line(Web(0x808080)));
    c.legend.present = true;
    c.legend.border = Line(Web(0x404040));
    c.legend.interior = Paint(Web(0xFFFFFF));
    AxisModel& category = c.axes[0];
    category.present = true;
    category.border = Line(Web(0x808080));
    AxisModel& value = c.axes[1];
    value.present = true;
    value.border = Line(Web(0x808080));
    value.majorGridlines = Gridlines(Web(0x969696));
    return c;
}

SeriesModel Filled(std::wstring name, int32_t chartType, int32_t colour, const std::vector<double>& values) {
    SeriesModel s;
    s.name = std::move(name);
    s.chartType = chartType;
    s.border = Line(Web(0x404040));
    s.interior = Paint(colour);
    s.points = Points(values);
    return s;
}

SeriesModel Lined(std::wstring name, int32_t chartType, int32_t colour, const std::vector<double>& values) {
    SeriesModel s;
    s.name = std::move(name);
    s.chartType = chartType;
    s.border = Line(colour, kXlThin);
    s.interior = Paint(colour);
    s.points = Points(values);
    s.markerStyle = -4105;  // automatic: Excel picks the shape by position
    s.markerSize = 5;
    s.markerForegroundColor = colour;
    s.markerBackgroundColor = colour;
    return s;
}

void ShowDataLabels(SeriesModel& s, int32_t background) {
    s.hasDataLabels = true;
    s.dataLabels.assign(s.points.size(), Element(background, Line(Web(0x808080))));
}

void AddTrendline(SeriesModel& s, int32_t colour) {
    s.trendlines.push_back(LineElementModel{true, Line(colour, kXlThin, -4115)});
}

std::unique_ptr<SheetModel> Worksheet(const wchar_t* name, std::vector<ChartObjectModel> objects = {}) {
    auto s = std::make_unique<SheetModel>();
    s->kind = SheetModel::Kind::Worksheet;
    s->name = name;
    s->chartObjects = std::move(objects);
    return s;
}

std::unique_ptr<SheetModel> ChartSheet(const wchar_t* name, ChartModel chart) {
    auto s = std::make_unique<SheetModel>();
    s->kind = SheetModel::Kind::ChartSheet;
    s->name = name;
    s->chart = std::move(chart);
    return s;
}

std::unique_ptr<WorkbookModel> Workbook(const wchar_t* name, std::vector<std::unique_ptr<SheetModel>> sheets,
                                        int activeSheet = 0) {
    auto wb = std::make_unique<WorkbookModel>();
    wb->name = name;
    wb->sheets = std::move(sheets);
    wb->activeSheet = activeSheet;
    return wb;
}

std::vector<std::unique_ptr<SheetModel>> Sheets(std::unique_ptr<SheetModel> a,
                                                std::unique_ptr<SheetModel> b = nullptr,
                                                std::unique_ptr<SheetModel> c = nullptr) {
    std::vector<std::unique_ptr<SheetModel>> v;
    for (auto* s : {&a, &b, &c})
        if (*s) v.push_back(std::move(*s));
    return v;
}

DeckObject ExcelObject(const wchar_t* name, const wchar_t* progId, const wchar_t* version,
                       std::unique_ptr<WorkbookModel> embedded,
                       std::unique_ptr<WorkbookModel> otherOpen = nullptr) {
    DeckObject o;
    o.name = name;
    o.progId = progId;
    o.bwFlagSet = 512;
    ExcelInstance& e = o.excel.emplace();
    e.application.version = version;
    if (otherOpen) e.application.workbooks.push_back(std::move(otherOpen));
    e.embeddedWorkbook = static_cast<int>(e.application.workbooks.size());
    e.application.workbooks.push_back(std::move(embedded));
    return o;
}

ChartObjectModel Embedded(const wchar_t* name, ChartModel chart) {
    return ChartObjectModel{name, std::move(chart)};
}

// ---- The charts ----

ChartModel ClusteredColumn() {
    ChartModel c = Frame(L"Revenue by region", 51, {L"Q1", L"Q2", L"Q3", L"Q4"});
    c.axes[1].minorGridlines = Gridlines(Web(0xDDDDDD));
    for (size_t i = 0; i < 10; ++i)
        c.series.push_back(Filled(L"Region " + std::to_wstring(i + 1), 51, Accent(i), Values(i, 4)));
    ShowDataLabels(c.series[0], Web(0xFFFFCC));
    AddTrendline(c.series[1], Web(0xFF0000));
    return c;
}

ChartModel TwelveLines() {
    ChartModel c = Frame(L"Monthly trend", 65, Names(L"M", 8));
    for (size_t i = 0; i < 12; ++i)
        c.series.push_back(Lined(L"Product " + std::to_wstring(i + 1), 65, Accent(i), Values(i, 8, 10, 80)));
    c.series[3].border.weight = kXlMedium;  // a medium line keeps its weight
    return c;
}

ChartModel TenSlicePie() {
    ChartModel c = Frame(L"Market share", 5, Names(L"Brand ", 10));
    c.axes[0].present = c.axes[1].present = false;
    c.plotArea = Transparent(NoLine());
    SeriesModel s = Filled(L"Share", 5, Accent(0), Values(3, 10, 5, 30));
    for (size_t p = 0; p < s.points.size(); ++p) {
        s.points[p].element.interior = Paint(Accent(p));
        s.points[p].element.border = Line(Web(0xFFFFFF));
    }
    ShowDataLabels(s, Web(0xFFFFFF));
    s.hasLeaderLines = true;
    s.leaderLines = LineElementModel{true, Line(Web(0x4F81BD))};
    c.series.push_back(std::move(s));
    return c;
}

ChartModel Doughnut() {
    ChartModel c = Frame(L"Budget split", -4120, {L"Staff", L"Rent", L"IT", L"Travel", L"Other"});
    c.axes[0].present = c.axes[1].present = false;
    c.plotArea = Transparent(NoLine());
    for (size_t i = 0; i < 2; ++i) {
        SeriesModel s = Filled(i == 0 ? L"2023" : L"2024", -4120, Accent(i), Values(i + 4, 5, 10, 40));
        for (size_t p = 0; p < s.points.size(); ++p) {
            s.points[p].element.interior = Paint(Accent(p + 6 * i));
            s.points[p].element.border = Line(Web(0xFFFFFF));
        }
        c.series.push_back(std::move(s));
    }
    return c;
}

ChartModel Column3D() {
    ChartModel c = Frame(L"Units by plant", -4100, {L"North", L"South", L"East", L"West"});
    c.plotArea = Transparent(NoLine());
    c.walls = Element(Web(0xDCE6F2), Line(Web(0x808080)));
    c.floor = Element(Web(0x9BBB59), Line(Web(0xFF0000), kXlThin));
    c.axes[2].present = true;
    c.axes[2].border = Line(Web(0x808080));
    for (size_t i = 0; i < 4; ++i)
        c.series.push_back(Filled(L"Plant " + std::to_wstring(i + 1), -4100, Accent(i), Values(i, 4)));
    return c;
}

ChartModel Surface() {
    ChartModel c = Frame(L"Temperature field", 83, Names(L"x", 8));
    c.plotArea = Transparent(NoLine());
    c.walls = Element(Web(0xFFFFFF), Line(Web(0x808080)));
    c.floor = Element(Web(0xEEEEEE), Line(Web(0x0000FF)));
    c.axes[2].present = true;
    c.axes[2].border = Line(Web(0x808080));
    for (size_t i = 0; i < 5; ++i) {
        SeriesModel s = Filled(L"y" + std::to_wstring(i + 1), 83, Accent(i), {});
        // A smooth hill, so that every colour band shows.
        std::vector<double> v;
        for (size_t j = 0; j < 8; ++j) {
            const double x = (static_cast<double>(j) - 3.5) / 3.5, y = (static_cast<double>(i) - 2) / 2;
            v.push_back(std::round(95 - 80 * (x * x + y * y) / 2));
        }
        s.points = Points(v);
        c.series.push_back(std::move(s));
    }
    // One legend entry per colour band; the keys are what the conversion patterns.
    const int32_t bands[] = {0x1F497D, 0x4F81BD, 0x9BBB59, 0xF79646, 0xC0504D, 0x8064A2};
    for (int32_t colour : bands) {
        LegendEntryModel entry;
        entry.legendKey = Element(Web(colour), Line(Web(colour)));
        c.legend.entries.push_back(entry);
    }
    return c;
}

ChartModel Scatter() {
    ChartModel c = Frame(L"Weight against height", -4169, {L"150", L"160", L"170", L"180", L"190", L"200"});
    c.axes[0].majorGridlines = Gridlines(Web(0x969696));
    for (size_t i = 0; i < 3; ++i) {
        SeriesModel s = Lined(std::wstring(L"Group ") + static_cast<wchar_t>(L'A' + i), -4169, Accent(i),
                              Values(i + 2, 6, 40, 50));
        s.border = Line(Accent(i), kXlThin, kXlNone);  // markers only, as Excel draws xlXYScatter
        c.series.push_back(std::move(s));
    }
    AddTrendline(c.series[0], Web(0x00B050));
    return c;
}

ChartModel Combination() {
    ChartModel c = Frame(L"Sales and margin", 51, {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun"});
    c.series.push_back(Filled(L"Sales 2023", 51, Accent(0), Values(1, 6)));
    c.series.push_back(Filled(L"Sales 2024", 51, Accent(1), Values(2, 6)));
    c.series.push_back(Lined(L"Margin", 65, Accent(2), Values(3, 6, 30, 40)));
    c.series.push_back(Lined(L"Target", 4, Accent(5), Values(4, 6, 50, 10)));
    c.series.back().markerStyle = kXlNone;
    return c;
}

ChartModel BudgetBars() {
    ChartModel c = Frame(L"Budget against actual", 57, {L"Staff", L"Rent", L"IT", L"Travel"});
    for (size_t i = 0; i < 4; ++i)
        c.series.push_back(Filled(i % 2 ? L"Actual" : L"Budget", 57, Accent(i), Values(i, 4)));
    c.series[2].name = L"Forecast";
    c.series[3].name = L"Last year";
    return c;
}

ChartModel NotShownChart() {
    ChartModel c = Frame(L"Cost trend (not on the shown sheet)", 4, {L"Jan", L"Feb", L"Mar", L"Apr"});
    c.series.push_back(Lined(L"Cost", 4, Accent(1), Values(5, 4)));
    return c;
}

ChartModel StackedArea() {
    ChartModel c = Frame(L"Visitors by channel", 76, Names(L"W", 6));
    for (size_t i = 0; i < 3; ++i)
        c.series.push_back(Filled(L"Channel " + std::to_wstring(i + 1), 76, Accent(i), Values(i, 6, 10, 20)));
    return c;
}

ChartModel FilledRadar() {
    ChartModel c = Frame(L"Skills", 82, {L"Speed", L"Power", L"Range", L"Cost", L"Comfort"});
    c.axes[0].present = false;
    c.plotArea = Transparent(NoLine());
    for (size_t i = 0; i < 2; ++i)
        c.series.push_back(Filled(i ? L"Model B" : L"Model A", 82, Accent(i + 3), Values(i, 5, 30, 60)));
    return c;
}

ChartModel Stacked100() {
    ChartModel c = Frame(L"Mix by quarter", 53, {L"Q1", L"Q2", L"Q3", L"Q4"});
    for (size_t i = 0; i < 8; ++i)
        c.series.push_back(Filled(L"Part " + std::to_wstring(i + 1), 53, Accent(i), Values(i, 4)));
    return c;
}

ChartModel SmallColumn(const wchar_t* name) {
    ChartModel c = Frame(name, 51, {L"A", L"B", L"C"});
    for (size_t i = 0; i < 3; ++i)
        c.series.push_back(Filled(L"Series " + std::to_wstring(i + 1), 51, Accent(i), Values(i, 3)));
    return c;
}

}  // namespace

Deck SampleDeck() {
    Deck deck;
    deck.title = L"Sample deck: every chart family";
    auto& objects = deck.objects;

    // Excel 16 with only the embedded workbook open: the plug-in opens a spare workbook beside it.
    objects.push_back(ExcelObject(L"Slide 2: clustered column, ten series, data labels, trendline",
        L"Excel.Sheet.12", L"16.0",
        Workbook(L"Revenue.xlsx", Sheets(Worksheet(L"Revenue", {Embedded(L"Chart 1", ClusteredColumn())})))));
    // Excel 11: no spare workbook.
    objects.push_back(ExcelObject(L"Slide 3: line chart, twelve series", L"Excel.Sheet.8", L"11.0",
        Workbook(L"Trend.xls", Sheets(Worksheet(L"Trend", {Embedded(L"Chart 1", TwelveLines())})))));
    // Another workbook open: no spare workbook either.
    objects.push_back(ExcelObject(L"Slide 4: pie, ten slices", L"Excel.Chart.8", L"12.0",
        Workbook(L"Share.xlsx", Sheets(ChartSheet(L"Share", TenSlicePie()), Worksheet(L"Data"))),
        Workbook(L"PERSONAL.XLSB", Sheets(Worksheet(L"Macros")))));
    objects.push_back(ExcelObject(L"Slide 5: doughnut", L"Excel.Chart.8", L"12.0",
        Workbook(L"Budget split.xlsx", Sheets(ChartSheet(L"Split", Doughnut())))));
    objects.push_back(ExcelObject(L"Slide 6: 3-D column with walls and floor", L"Excel.Chart.8", L"14.0",
        Workbook(L"Plants.xlsx", Sheets(ChartSheet(L"Units", Column3D())))));
    objects.push_back(ExcelObject(L"Slide 7: surface with legend bands", L"Excel.Chart.8", L"14.0",
        Workbook(L"Field.xlsx", Sheets(ChartSheet(L"Field", Surface())))));
    objects.push_back(ExcelObject(L"Slide 8: XY scatter", L"excel.sheet.12", L"15.0",
        Workbook(L"Heights.xlsx", Sheets(Worksheet(L"Heights", {Embedded(L"Chart 1", Scatter())})))));
    objects.push_back(ExcelObject(L"Slide 9: combination of columns and lines", L"Excel.Sheet.12", L"15.0",
        Workbook(L"Sales.xlsx", Sheets(Worksheet(L"Sales", {Embedded(L"Chart 1", Combination())})))));
    // A chart sheet shown behind a worksheet: the sheets are rotated so that it comes first; the
    // worksheet's own chart is not on the shown sheet and stays as it is.
    objects.push_back(ExcelObject(L"Slide 10: chart sheet", L"Excel.Chart.8", L"12.0",
        Workbook(L"Budget.xlsx",
                 Sheets(Worksheet(L"Data", {Embedded(L"Chart 1", NotShownChart())}),
                        ChartSheet(L"Budget chart", BudgetBars()), Worksheet(L"Notes")),
                 1)));
    objects.push_back(ExcelObject(L"Slide 11: worksheet with three charts", L"Excel.Sheet.12", L"16.0",
        Workbook(L"Dashboard.xlsx",
                 Sheets(Worksheet(L"Dashboard", {Embedded(L"Chart 1", StackedArea()),
                                                 Embedded(L"Chart 2", FilledRadar()),
                                                 Embedded(L"Chart 3", Stacked100())})))));

    DeckObject graph;
    graph.name = L"Slide 12: Microsoft Graph chart (not Excel: declined)";
    graph.progId = L"MSGraph.Chart.8";
    graph.bwFlagSet = 512;
    objects.push_back(std::move(graph));

    DeckObject off = ExcelObject(L"Slide 13: Excel chart with the black-and-white bit off (declined)",
        L"Excel.Chart.8", L"12.0", Workbook(L"Colour.xlsx", Sheets(ChartSheet(L"Kept", SmallColumn(L"Stays in colour")))));
    off.bwFlagSet = 0;
    objects.push_back(std::move(off));
    return deck;
}

}  // namespace bwpass
