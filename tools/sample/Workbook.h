// The smallest SpreadsheetML package that holds a chart's table: one worksheet named as the
// chart part's references expect, the cells as numbers and inline strings (no shared strings,
// no styles), and, for an Excel object embedded in a slide, the chart itself drawn on it.
#pragma once

#include "tools/sample/ChartData.h"

#include <string>
#include <vector>

namespace sample {

// chartXml: the chart part to draw on the worksheet beside the table, or empty for none.
std::string WorkbookXlsx(const ChartData& data, const std::string& chartXml);

// The table with several charts drawn on the sheet, one below the other right of the table. The
// workbook's oleSize (what the embedding shows) covers the first chart alone, or with showCells
// the table and every chart.
std::string WorkbookXlsx(const ChartData& data, const std::vector<std::string>& charts, bool showCells);

}  // namespace sample
