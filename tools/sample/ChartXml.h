// The chart part of a sample chart, written from its model: the chart group elements and their
// attributes for each chart type, the series with their references and caches, the axes with
// their gridlines, the legend, walls and floor, surface bands, data labels and trendlines.
//
// Colours and lines are not written here: the chart part writer of tools/chartmodel puts them in
// from the same model (SamplePresentation.cpp), so that DrawingML properties are written in
// one place only. Without it the chart shows the chart style's automatic colours.
#pragma once

#include "sim/ExcelModel.h"
#include "tools/sample/ChartData.h"

#include <string>

namespace sample {

// withExternalData: the part names its workbook as relationship rId1 (a chart on a slide); a
// chart inside the workbook itself has no such reference.
std::string ChartPartXml(const sim::ChartModel& chart, const ChartData& data, bool withExternalData);

// The c:symbol value of an Excel MarkerStyle, or nullptr for automatic (no c:symbol).
const char* MarkerSymbol(int32_t markerStyle);

}  // namespace sample
