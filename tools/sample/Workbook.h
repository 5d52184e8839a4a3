// The smallest SpreadsheetML package that holds a chart's table: one worksheet named as the
// chart part's references expect, the cells as numbers and inline strings (no shared strings,
// no styles), and, for an Excel object embedded in a slide, the chart itself drawn on it.
#pragma once

#include "tools/sample/ChartData.h"

#include <string>

namespace sample {

// chartXml: the chart part to draw on the worksheet beside the table, or empty for none.
std::string WorkbookXlsx(const ChartData& data, const std::string& chartXml);

}  // namespace sample
