// The sample presentation's charts: the sample deck's, plus the families public files rarely
// hold and the deck does not (bubble, pie of pie), plus the chart of the OLE-embedded worksheet.
#include "tools/sample/SamplePresentation.h"

#include "tools/deck/SampleDeck.h"

#include <utility>

namespace sample {
namespace {

using namespace sim;

int32_t Web(int32_t rrggbb) {
    return ((rrggbb & 0xFF) << 16) | (rrggbb & 0xFF00) | ((rrggbb >> 16) & 0xFF);
}

const int32_t kAccents[] = {0x4F81BD, 0xC0504D, 0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646,
                            0x2C4D75, 0x772C2A, 0x5F7530, 0x4D3B62, 0x276A7C, 0xB65708};

int32_t Accent(size_t i) { return Web(kAccents[i % 12]); }

BorderModel Line(int32_t colour) {
    BorderModel b;
    b.color = colour;
    return b;
}

SeriesModel Series(const wchar_t* name, int32_t type, int32_t colour, std::vector<double> values) {
    SeriesModel s;
    s.name = name;
    s.chartType = type;
    s.border = Line(Web(0x404040));
    s.interior.color = colour;
    for (double v : values) s.points.push_back(PointModel{v, {}});
    return s;
}

// The frame every sample chart shares: white chart area, grey axes and value gridlines.
ChartModel Frame(const wchar_t* name, int32_t type, std::vector<std::wstring> categories) {
    ChartModel c;
    c.name = name;
    c.chartType = type;
    c.categories = std::move(categories);
    c.chartArea.border = Line(Web(0x808080));
    c.plotArea.interior.color = Web(0xFFFFFF);
    c.legend.present = true;
    c.axes[0].present = c.axes[1].present = true;
    c.axes[0].border = c.axes[1].border = Line(Web(0x808080));
    c.axes[1].majorGridlines = LineElementModel{true, Line(Web(0x969696))};
    return c;
}

ChartModel Bubble() {
    ChartModel c = Frame(L"Projects: cost, benefit and size", 15, {L"10", L"25", L"40", L"55", L"70"});
    c.series.push_back(Series(L"Division A", 15, Accent(0), {30, 55, 42, 70, 60}));
    c.series.push_back(Series(L"Division B", 15, Accent(1), {20, 35, 65, 50, 80}));
    c.series.push_back(Series(L"Division C", 15, Accent(2), {45, 25, 30, 85, 40}));
    return c;
}

ChartModel PieOfPie() {
    ChartModel c = Frame(L"Costs, small items split out", 68,
                         {L"Staff", L"Rent", L"IT", L"Travel", L"Phone", L"Post", L"Print", L"Other"});
    c.axes[0].present = c.axes[1].present = false;
    c.axes[1].majorGridlines.present = false;
    SeriesModel s = Series(L"Cost", 68, Accent(0), {52, 21, 12, 6, 3, 2, 2, 2});
    for (size_t p = 0; p < s.points.size(); ++p) {
        s.points[p].element.interior.color = Accent(p);
        s.points[p].element.border = Line(Web(0xFFFFFF));
    }
    s.hasDataLabels = true;
    s.dataLabels.assign(s.points.size(), ElementModel{});
    c.series.push_back(std::move(s));
    return c;
}

ChartModel EmbeddedWorksheetChart() {
    ChartModel c = Frame(L"Orders by quarter", 51, {L"Q1", L"Q2", L"Q3", L"Q4"});
    c.series.push_back(Series(L"Online", 51, Accent(0), {120, 135, 160, 190}));
    c.series.push_back(Series(L"Shops", 51, Accent(1), {200, 185, 170, 165}));
    c.series.push_back(Series(L"Partners", 51, Accent(2), {60, 75, 80, 95}));
    return c;
}

ChartModel ReturnsChart() {
    ChartModel c = Frame(L"Returns by quarter", 57, {L"Q1", L"Q2", L"Q3", L"Q4"});
    c.series.push_back(Series(L"Online", 57, Accent(3), {14, 18, 22, 25}));
    c.series.push_back(Series(L"Shops", 57, Accent(4), {9, 8, 11, 7}));
    return c;
}

// A chart that keeps every format automatic: the chart style decides them.
ChartModel StyledColumns(const wchar_t* name) {
    ChartModel c = Frame(name, 51, {L"North", L"South", L"East", L"West"});
    c.series.push_back(Series(L"2024", 51, Accent(0), {42, 35, 51, 28}));
    c.series.push_back(Series(L"2025", 51, Accent(1), {47, 31, 56, 33}));
    c.series.push_back(Series(L"2026", 51, Accent(2), {52, 38, 60, 36}));
    return c;
}

ChartModel StyledArea() {
    ChartModel c = Frame(L"Visitors by month", 76, {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun"});
    c.series.push_back(Series(L"Web", 76, Accent(0), {120, 140, 135, 160, 180, 175}));
    c.series.push_back(Series(L"App", 76, Accent(1), {60, 75, 90, 95, 110, 130}));
    return c;
}

SeriesModel LineSeries(const wchar_t* name, size_t accent, std::vector<double> values) {
    SeriesModel s = Series(name, 65, Accent(accent), std::move(values));
    s.border = Line(Accent(accent));
    return s;
}

ChartModel HighlightedLine() {
    ChartModel c = Frame(L"Response time, the worst week marked", 65, {L"W1", L"W2", L"W3", L"W4", L"W5", L"W6"});
    c.series.push_back(LineSeries(L"Support", 0, {4.1, 3.8, 6.9, 4.0, 3.6, 3.9}));
    c.series.push_back(LineSeries(L"Sales", 1, {2.2, 2.5, 2.4, 2.8, 2.6, 2.3}));
    return c;
}

ChartModel OrdersLine() {
    ChartModel c = Frame(L"Orders, trend", 65, {L"Q1", L"Q2", L"Q3", L"Q4"});
    c.series.push_back(LineSeries(L"Online", 0, {120, 135, 160, 190}));
    c.series.push_back(LineSeries(L"Shops", 1, {200, 185, 170, 165}));
    c.series.push_back(LineSeries(L"Partners", 2, {60, 75, 80, 95}));
    return c;
}

// "Slide 3: line chart, twelve series" -> "line chart, twelve series".
std::string Label(const std::wstring& objectName) {
    const std::string name = Utf8(objectName);
    const size_t colon = name.find(": ");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void AddDeckCharts(std::vector<SampleChart>& charts) {
    const bwpass::Deck deck = bwpass::SampleDeck();
    for (const bwpass::DeckObject& object : deck.objects) {
        // The host's option bits have no place in a file; an object that asks to be left in
        // colour would only repeat a column chart.
        if (!object.excel || object.bwFlagSet == 0) continue;
        const auto& workbook = *object.excel->application.workbooks[object.excel->embeddedWorkbook];
        size_t count = 0;
        for (const auto& sheet : workbook.sheets) count += sheet->kind == SheetModel::Kind::ChartSheet ? 1 : sheet->chartObjects.size();
        for (const auto& sheet : workbook.sheets) {
            if (sheet->kind == SheetModel::Kind::ChartSheet) {
                charts.push_back({Label(object.name) + (count > 1 ? " (" + Utf8(sheet->name) + ")" : ""), sheet->chart, false});
                continue;
            }
            for (const ChartObjectModel& o : sheet->chartObjects)
                charts.push_back({Label(object.name) + (count > 1 ? " (" + Utf8(sheet->name) + ": " + Utf8(o.name) + ")" : ""),
                                  o.chart, false});
        }
    }
}

}  // namespace

std::vector<SampleChart> SampleCharts() {
    std::vector<SampleChart> charts;
    AddDeckCharts(charts);
    charts.push_back({"bubble chart", Bubble(), false});
    charts.push_back({"pie of pie", PieOfPie(), false});
    charts.push_back({"Excel worksheet embedded as an OLE object", EmbeddedWorksheetChart(), true});
    SampleChart legacy{"OLE object in PowerPoint 2007's form (its picture in the VML drawing)", ReturnsChart(), true};
    legacy.vmlForm = true;
    charts.push_back(std::move(legacy));
    SampleChart style42{"chart style 42 (dark chart area)", StyledColumns(L"Sales by region, style 42"), false};
    style42.chartStyle = 42;
    charts.push_back(std::move(style42));
    SampleChart style35{"chart style 35 (tinted plot area)", StyledArea(), false};
    style35.chartStyle = 35;
    charts.push_back(std::move(style35));
    SampleChart marked{"line chart with a highlighted point marker", HighlightedLine(), false};
    marked.highlightedPoint = 2;
    charts.push_back(std::move(marked));
    SampleChart sheet{"OLE object showing its cells and two charts", EmbeddedWorksheetChart(), true};
    sheet.moreCharts.push_back(OrdersLine());
    charts.push_back(std::move(sheet));
    return charts;
}

}  // namespace sample
