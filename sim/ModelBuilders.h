// Ready-made Excel models for tests and tools.
//
// MakeChart gives a chart that looks like one Excel would draw by default, in colour: each series
// (or, for pies and doughnuts, each slice) its own colour, coloured drawn borders, visible fills,
// a legend with one entry per series (per slice for pies), category and value axes with major
// gridlines, and for 3-D types walls, a floor and, where Excel has one, a series axis. The other
// builders put charts into sheets, sheets into workbooks and a workbook into an application.
#pragma once

#include "sim/ExcelModel.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace sim {

// Chart-type families as Excel draws them.
bool IsPieType(int32_t chartType);        // pies and doughnuts: no axes, one legend entry per slice
bool Is3DType(int32_t chartType);         // walls and floor
bool HasSeriesAxis(int32_t chartType);    // true 3-D types with a depth (series) axis

// Excel's default 56-colour palette: the colour (&H00BBGGRR) of ColorIndex 1..56; -1 otherwise.
int32_t PaletteColour(int colorIndex);

// The n-th (0-based) default series colour, &H00BBGGRR.
int32_t SeriesColour(int n);

ChartModel MakeChart(int32_t chartType = 51, int seriesCount = 3, int pointsPerSeries = 4);

// A worksheet holding count embedded charts "Chart 1".."Chart n" made by MakeChart(chartType).
std::unique_ptr<SheetModel> MakeWorksheet(const std::wstring& name, int chartCount = 0,
                                          int32_t chartType = 51);
std::unique_ptr<SheetModel> MakeChartSheet(const std::wstring& name, ChartModel chart);

// Appends a new open workbook (no sheets yet) and returns it.
WorkbookModel& AddWorkbook(ApplicationModel& app, const std::wstring& name);

// An application of the given version with one open workbook "Book1" whose active sheet is:
ApplicationModel AppWithChartSheet(int32_t chartType = 51, const std::wstring& version = L"12.0");
ApplicationModel AppWithChartObjects(int chartCount, int32_t chartType = 51,
                                     const std::wstring& version = L"12.0");
// The sheets named, in order, each a worksheet with no charts; active is the 0-based active one.
ApplicationModel AppWithSheets(std::initializer_list<const wchar_t*> names, int active = 0,
                               const std::wstring& version = L"12.0");

}  // namespace sim
