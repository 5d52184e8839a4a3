#include "sim/ModelBuilders.h"

#include <algorithm>

namespace sim {

namespace {

constexpr int32_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

const int32_t kSeriesColours[] = {
    Rgb(0x4F, 0x81, 0xBD), Rgb(0xC0, 0x50, 0x4D), Rgb(0x9B, 0xBB, 0x59),
    Rgb(0x80, 0x64, 0xA2), Rgb(0x4B, 0xAC, 0xC6), Rgb(0xF7, 0x96, 0x46),
};

int32_t Darker(int32_t c) {
    const int r = (c & 0xFF) * 3 / 4, g = ((c >> 8) & 0xFF) * 3 / 4, b = ((c >> 16) & 0xFF) * 3 / 4;
    return Rgb(r, g, b);
}

BorderModel Drawn(int32_t colour) { return BorderModel{colour, -4105, 2, 1}; }

ElementModel Filled(int32_t fill, int32_t border) {
    ElementModel e;
    e.border = Drawn(border);
    e.interior.color = fill;
    return e;
}

AxisModel Axis() {
    AxisModel a;
    a.present = true;
    a.border = Drawn(Rgb(0x86, 0x86, 0x86));
    a.majorGridlines = LineElementModel{true, Drawn(Rgb(0xD9, 0xD9, 0xD9))};
    return a;
}

constexpr int32_t Hex(uint32_t rrggbb) {
    return static_cast<int32_t>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
}

// Excel's default 56-colour palette, by ColorIndex 1..56 (entry 15 is the 25% grey the plug-in
// gives the floor).
constexpr int32_t kPalette[56] = {
    Hex(0x000000), Hex(0xFFFFFF), Hex(0xFF0000), Hex(0x00FF00), Hex(0x0000FF), Hex(0xFFFF00),
    Hex(0xFF00FF), Hex(0x00FFFF), Hex(0x800000), Hex(0x008000), Hex(0x000080), Hex(0x808000),
    Hex(0x800080), Hex(0x008080), Hex(0xC0C0C0), Hex(0x808080), Hex(0x9999FF), Hex(0x993366),
    Hex(0xFFFFCC), Hex(0xCCFFFF), Hex(0x660066), Hex(0xFF8080), Hex(0x0066CC), Hex(0xCCCCFF),
    Hex(0x000080), Hex(0xFF00FF), Hex(0xFFFF00), Hex(0x00FFFF), Hex(0x800080), Hex(0x800000),
    Hex(0x008080), Hex(0x0000FF), Hex(0x00CCFF), Hex(0xCCFFFF), Hex(0xCCFFCC), Hex(0xFFFF99),
    Hex(0x99CCFF), Hex(0xFF99CC), Hex(0xCC99FF), Hex(0xFFCC99), Hex(0x3366FF), Hex(0x33CCCC),
    Hex(0x99CC00), Hex(0xFFCC00), Hex(0xFF9900), Hex(0xFF6600), Hex(0x666699), Hex(0x969696),
    Hex(0x003366), Hex(0x339966), Hex(0x003300), Hex(0x333300), Hex(0x993300), Hex(0x993366),
    Hex(0x333399), Hex(0x333333),
};

}  // namespace

int32_t PaletteColour(int colorIndex) {
    return colorIndex >= 1 && colorIndex <= 56 ? kPalette[colorIndex - 1] : -1;
}

bool IsPieType(int32_t t) {
    return t == 5 || t == -4102 || (t >= 68 && t <= 71) || t == -4120 || t == 80;
}

bool Is3DType(int32_t t) {
    return (t <= -4098 && t >= -4103 && t != -4099) || (t >= 54 && t <= 56) || (t >= 60 && t <= 62) ||
           t == 70 || t == 78 || t == 79 || (t >= 83 && t <= 86) || (t >= 92 && t <= 112);
}

bool HasSeriesAxis(int32_t t) {
    return t == -4098 || t == -4100 || t == -4101 || t == -4103 || (t >= 83 && t <= 86) || t == 98 ||
           t == 105 || t == 112;
}

int32_t SeriesColour(int n) {
    const int count = static_cast<int>(sizeof kSeriesColours / sizeof kSeriesColours[0]);
    int32_t c = kSeriesColours[n % count];
    for (int round = n / count; round > 0; --round) c = Darker(c);
    return c;
}

ChartModel MakeChart(int32_t chartType, int seriesCount, int pointsPerSeries) {
    ChartModel chart;
    chart.chartType = chartType;
    for (int p = 0; p < pointsPerSeries; ++p) chart.categories.push_back(L"Category " + std::to_wstring(p + 1));
    chart.chartArea = Filled(Rgb(0xFF, 0xFF, 0xFF), Rgb(0x86, 0x86, 0x86));
    chart.plotArea = Filled(Rgb(0xF2, 0xF2, 0xF2), Rgb(0x86, 0x86, 0x86));
    static_cast<ElementModel&>(chart.legend) = Filled(Rgb(0xFF, 0xFF, 0xFF), Rgb(0x86, 0x86, 0x86));

    const bool pie = IsPieType(chartType);
    for (int s = 0; s < seriesCount; ++s) {
        SeriesModel series;
        series.name = L"Series" + std::to_wstring(s + 1);
        series.chartType = chartType;
        const int32_t colour = SeriesColour(s);
        series.border = Drawn(Darker(colour));
        series.interior.color = colour;
        series.markerForegroundColor = colour;
        series.markerBackgroundColor = colour;
        for (int p = 0; p < pointsPerSeries; ++p) {
            PointModel point;
            point.value = 1 + (s * 3 + p * 7) % 10;
            const int32_t pointColour = pie ? SeriesColour(p) : colour;
            point.element = Filled(pointColour, pie ? Rgb(0xFF, 0xFF, 0xFF) : Darker(colour));
            point.markerStyle = series.markerStyle;
            point.markerSize = series.markerSize;
            point.markerForegroundColor = series.markerForegroundColor;
            point.markerBackgroundColor = series.markerBackgroundColor;
            series.points.push_back(point);
        }
        chart.series.push_back(series);
    }

    if (pie) {
        for (int p = 0; p < pointsPerSeries; ++p)
            chart.legend.entries.push_back({Filled(SeriesColour(p), Rgb(0xFF, 0xFF, 0xFF))});
    } else {
        for (int s = 0; s < seriesCount; ++s)
            chart.legend.entries.push_back({Filled(SeriesColour(s), Darker(SeriesColour(s)))});
        chart.axes[0] = Axis();
        chart.axes[1] = Axis();
        chart.axes[0].majorGridlines.present = false;  // Excel's default: value gridlines only
        if (HasSeriesAxis(chartType)) chart.axes[2] = Axis();
        chart.axes[2].majorGridlines.present = false;
    }
    if (Is3DType(chartType) && !pie) {
        chart.walls = Filled(Rgb(0xEE, 0xEE, 0xEE), Rgb(0x86, 0x86, 0x86));
        chart.floor = Filled(Rgb(0xCC, 0xCC, 0xCC), Rgb(0x33, 0x66, 0xFF));
    }
    return chart;
}

std::unique_ptr<SheetModel> MakeWorksheet(const std::wstring& name, int chartCount, int32_t chartType) {
    auto sheet = std::make_unique<SheetModel>();
    sheet->name = name;
    for (int j = 0; j < chartCount; ++j) {
        ChartObjectModel co;
        co.name = L"Chart " + std::to_wstring(j + 1);
        co.chart = MakeChart(chartType);
        co.chart.name = co.name;
        sheet->chartObjects.push_back(std::move(co));
    }
    return sheet;
}

std::unique_ptr<SheetModel> MakeChartSheet(const std::wstring& name, ChartModel chart) {
    auto sheet = std::make_unique<SheetModel>();
    sheet->kind = SheetModel::Kind::ChartSheet;
    sheet->name = name;
    sheet->chart = std::move(chart);
    sheet->chart.name = name;
    return sheet;
}

WorkbookModel& AddWorkbook(ApplicationModel& app, const std::wstring& name) {
    app.workbooks.push_back(std::make_unique<WorkbookModel>());
    app.workbooks.back()->name = name;
    return *app.workbooks.back();
}

ApplicationModel AppWithChartSheet(int32_t chartType, const std::wstring& version) {
    ApplicationModel app;
    app.version = version;
    WorkbookModel& wb = AddWorkbook(app, L"Book1");
    wb.sheets.push_back(MakeChartSheet(L"Chart1", MakeChart(chartType)));
    wb.sheets.push_back(MakeWorksheet(L"Sheet1"));
    return app;
}

ApplicationModel AppWithChartObjects(int chartCount, int32_t chartType, const std::wstring& version) {
    ApplicationModel app;
    app.version = version;
    WorkbookModel& wb = AddWorkbook(app, L"Book1");
    wb.sheets.push_back(MakeWorksheet(L"Sheet1", chartCount, chartType));
    return app;
}

ApplicationModel AppWithSheets(std::initializer_list<const wchar_t*> names, int active,
                               const std::wstring& version) {
    ApplicationModel app;
    app.version = version;
    WorkbookModel& wb = AddWorkbook(app, L"Book1");
    for (const wchar_t* name : names) wb.sheets.push_back(MakeWorksheet(name));
    wb.activeSheet = active;
    return app;
}

}  // namespace sim
