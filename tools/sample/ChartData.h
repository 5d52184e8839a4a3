// The worksheet table behind a sample chart, and the cell references its chart part names.
//
// Column A holds the categories (or the x values of a scatter or bubble chart), one row per
// point from row 2; each series takes the next column (a bubble series two: its y values and
// its bubble sizes), its name in row 1. The chart part's caches and the workbook's cells are
// written from the same table, so they always agree.
#pragma once

#include "sim/ExcelModel.h"

#include <string>
#include <vector>

namespace sample {

struct DataColumn {
    std::string header;
    std::vector<std::string> text;   // a text column (categories)
    std::vector<double> numbers;     // a number column
    bool numeric() const { return text.empty(); }
    size_t rows() const { return numeric() ? numbers.size() : text.size(); }
};

struct SeriesColumns {
    size_t values = 0;               // the column of the series' values (y values)
    size_t sizes = 0;                // a bubble series' sizes; 0: none
};

struct ChartData {
    std::string sheet = "Sheet1";
    std::vector<DataColumn> columns; // [0] categories or x values
    std::vector<SeriesColumns> series;
    bool numericCategories() const { return columns[0].numeric(); }
};

ChartData DataOf(const sim::ChartModel& chart);

// "A" for 0, "AB" for 27.
std::string ColumnLetters(size_t column);
// "Sheet1!$B$1": a column's header cell.
std::string HeaderRef(const ChartData& data, size_t column);
// "Sheet1!$B$2:$B$5": a column's values.
std::string ValuesRef(const ChartData& data, size_t column);
// A number as Excel stores it: the shortest text that reads back to the same double.
std::string NumberText(double value);
// UTF-8 of a model's wide text.
std::string Utf8(const std::wstring& text);

// The bubble sizes the sample gives a bubble series: the model has no place for them.
std::vector<double> BubbleSizes(size_t seriesIndex, size_t count);

}  // namespace sample
