#include "tests/proof/Deck.h"

#include "sim/ModelBuilders.h"

#include <utility>

namespace proof {
namespace {

using sim::ChartModel;

void ShowDataLabels(sim::SeriesModel& s) {
    s.hasDataLabels = true;
    sim::ElementModel label;
    label.interior.color = 0xCCFFFF;
    label.border.color = 0x808080;
    s.dataLabels.assign(s.points.size(), label);
}

void AddTrendline(sim::SeriesModel& s, int32_t colour) {
    sim::LineElementModel t;
    t.border.color = colour;
    t.border.lineStyle = -4115;
    s.trendlines.push_back(t);
}

ChartModel Chart(int32_t type, int series, int points) { return sim::MakeChart(type, series, points); }

ChartModel ClusteredColumn() {
    ChartModel c = Chart(51, 10, 4);
    c.axes[1].minorGridlines = sim::LineElementModel{true, {}};
    ShowDataLabels(c.series[0]);
    AddTrendline(c.series[1], 0x0000FF);
    return c;
}

ChartModel TwelveLines() {
    ChartModel c = Chart(65, 12, 8);
    c.series[3].border.weight = -4138;
    return c;
}

ChartModel TenSlicePie() {
    ChartModel c = Chart(5, 1, 10);
    ShowDataLabels(c.series[0]);
    c.series[0].hasLeaderLines = true;
    c.series[0].leaderLines = sim::LineElementModel{true, {}};
    return c;
}

ChartModel Surface() {
    ChartModel c = Chart(83, 5, 8);
    c.legend.entries.resize(6);
    return c;
}

ChartModel Scatter() {
    ChartModel c = Chart(-4169, 3, 6);
    for (auto& s : c.series) s.border.lineStyle = -4142;
    AddTrendline(c.series[0], 0x50B000);
    return c;
}

ChartModel Combination() {
    ChartModel c = Chart(51, 4, 6);
    c.series[2].chartType = 65;
    c.series[3].chartType = 4;
    c.series[3].markerStyle = -4142;
    return c;
}

std::unique_ptr<sim::SheetModel> Worksheet(const wchar_t* name, std::vector<ChartModel> charts = {}) {
    auto sheet = sim::MakeWorksheet(name);
    for (size_t i = 0; i < charts.size(); ++i) {
        const std::wstring object = L"Chart " + std::to_wstring(i + 1);
        charts[i].name = object;
        sheet->chartObjects.push_back({object, std::move(charts[i])});
    }
    return sheet;
}

DeckEntry Excel(const wchar_t* name, const wchar_t* progId, const wchar_t* version,
                std::vector<std::unique_ptr<sim::SheetModel>> sheets, int activeSheet = 0,
                bool otherWorkbookFirst = false) {
    DeckEntry e;
    e.name = name;
    e.progId = progId;
    e.hasWorkbook = true;
    e.application.version = version;
    if (otherWorkbookFirst) sim::AddWorkbook(e.application, L"PERSONAL.XLSB").sheets.push_back(Worksheet(L"Macros"));
    e.embeddedWorkbook = static_cast<int>(e.application.workbooks.size());
    sim::WorkbookModel& book = sim::AddWorkbook(e.application, L"Book1");
    book.sheets = std::move(sheets);
    book.activeSheet = activeSheet;
    return e;
}

template <class... S>
std::vector<std::unique_ptr<sim::SheetModel>> Sheets(S... sheets) {
    std::vector<std::unique_ptr<sim::SheetModel>> v;
    (v.push_back(std::move(sheets)), ...);
    return v;
}

}  // namespace

std::vector<DeckEntry> SampleDeck() {
    std::vector<DeckEntry> deck;
    deck.push_back(Excel(L"clustered column, ten series, labels, trendline", L"Excel.Sheet.12", L"16.0",
                         Sheets(Worksheet(L"Revenue", {ClusteredColumn()}))));
    deck.push_back(Excel(L"line, twelve series", L"Excel.Sheet.8", L"11.0",
                         Sheets(Worksheet(L"Trend", {TwelveLines()}))));
    deck.push_back(Excel(L"pie, ten slices", L"Excel.Chart.8", L"12.0",
                         Sheets(sim::MakeChartSheet(L"Share", TenSlicePie()), Worksheet(L"Data")), 0, true));
    deck.push_back(Excel(L"doughnut", L"Excel.Chart.8", L"12.0",
                         Sheets(sim::MakeChartSheet(L"Split", Chart(-4120, 2, 5)))));
    deck.push_back(Excel(L"3-D column", L"Excel.Chart.8", L"14.0",
                         Sheets(sim::MakeChartSheet(L"Units", Chart(-4100, 4, 4)))));
    deck.push_back(Excel(L"surface", L"Excel.Chart.8", L"14.0",
                         Sheets(sim::MakeChartSheet(L"Field", Surface()))));
    deck.push_back(Excel(L"XY scatter", L"excel.sheet.12", L"15.0",
                         Sheets(Worksheet(L"Heights", {Scatter()}))));
    deck.push_back(Excel(L"combination", L"Excel.Sheet.12", L"15.0",
                         Sheets(Worksheet(L"Sales", {Combination()}))));
    deck.push_back(Excel(L"chart sheet behind a worksheet", L"Excel.Chart.8", L"12.0",
                         Sheets(Worksheet(L"Data", {Chart(4, 1, 4)}),
                                sim::MakeChartSheet(L"Budget chart", Chart(57, 4, 4)), Worksheet(L"Notes")),
                         1));
    deck.push_back(Excel(L"worksheet with three charts", L"Excel.Sheet.12", L"16.0",
                         Sheets(Worksheet(L"Dashboard", {Chart(76, 3, 6), Chart(82, 2, 5), Chart(53, 8, 4)}))));
    DeckEntry graph;
    graph.name = L"Graph chart (declined)";
    graph.progId = L"MSGraph.Chart.8";
    deck.push_back(std::move(graph));
    DeckEntry off = Excel(L"black-and-white bit off", L"Excel.Chart.8", L"12.0",
                          Sheets(sim::MakeChartSheet(L"Kept", Chart(51, 3, 3))));
    off.flags = 0;
    deck.push_back(std::move(off));
    return deck;
}

namespace {

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

}  // namespace

std::vector<NamedChart> SampleCharts() {
    std::vector<NamedChart> charts;
    for (DeckEntry& e : SampleDeck()) {
        if (!e.hasWorkbook) continue;
        for (auto& book : e.application.workbooks) {
            for (auto& sheet : book->sheets) {
                const std::string where = Narrow(e.name + L": " + book->name + L"/" + sheet->name);
                if (sheet->kind == sim::SheetModel::Kind::ChartSheet) charts.push_back({where, sheet->chart});
                for (auto& object : sheet->chartObjects)
                    charts.push_back({where + "/" + Narrow(object.name), object.chart});
            }
        }
    }
    return charts;
}

LiveDeck::LiveDeck(std::vector<DeckEntry> entries) : entries_(std::move(entries)) {
    for (DeckEntry& e : entries_) {
        if (e.hasWorkbook)
            excels_.push_back(std::make_unique<sim::Excel>(std::move(e.application)));
        else
            excels_.push_back(nullptr);
    }
}

LiveDeck::~LiveDeck() { ReleaseOffers(); }

std::vector<sim::OfferedObject> LiveDeck::Offers() {
    ReleaseOffers();
    std::vector<sim::OfferedObject> offers;
    for (size_t i = 0; i < entries_.size(); ++i) {
        IDispatch* workbook = nullptr;
        if (sim::Excel* excel = excels_[i].get()) {
            workbook = excel->NewWorkbookRef(*excel->model().workbooks.at(entries_[i].embeddedWorkbook));
            offered_.push_back(workbook);
        }
        offers.push_back({entries_[i].progId, entries_[i].flags, workbook});
    }
    return offers;
}

void LiveDeck::ReleaseOffers() {
    for (IDispatch* p : offered_) p->Release();
    offered_.clear();
}

namespace {

sim::ApplicationModel OneChart(const sim::ChartModel& chart) {
    sim::ApplicationModel app;
    sim::WorkbookModel& book = sim::AddWorkbook(app, L"Book1");
    book.sheets.push_back(sim::MakeChartSheet(L"Chart1", chart));
    return app;
}

}  // namespace

LiveChart::LiveChart(const sim::ChartModel& chart) : excel_(OneChart(chart)) {}

sim::ChartModel& LiveChart::chart() { return excel_.model().workbooks[0]->sheets[0]->chart; }

IDispatch* LiveChart::NewChartRef() { return excel_.NewChartRef(chart()); }

}  // namespace proof
