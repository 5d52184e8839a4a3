// The built-in sample as a real presentation: one slide per chart of the sample deck
// (tools/deck/SampleDeck.cpp), each a native chart with its workbook embedded, then the families
// the deck does not hold (bubble, pie of pie), and one Excel worksheet embedded as an OLE object
// whose preview picture LibreOffice draws from its chart.
#pragma once

#include "sim/ExcelModel.h"
#include "tools/sample/ChartData.h"

#include <string>
#include <utility>
#include <vector>

namespace sample {

struct SampleChart {
    SampleChart(std::string title, sim::ChartModel model, bool oleObject)
        : slideTitle(std::move(title)), chart(std::move(model)), asOleObject(oleObject) {}

    std::string slideTitle;
    sim::ChartModel chart;
    bool asOleObject = false;   // an Excel worksheet embedded as an OLE object, not a native chart
    bool vmlForm = false;       // that object in PowerPoint 2007's form (its picture in the VML drawing)
    // The OLE object's sheet holds these charts too, below the first, and the object shows the
    // table with every chart.
    std::vector<sim::ChartModel> moreCharts;
    int chartStyle = 0;         // c:style; the chart then keeps the style's automatic formats
    int highlightedPoint = -1;  // a point of the first series with a red marker of its own
};

// In slide order.
std::vector<SampleChart> SampleCharts();

// The chart part with the model's colours and lines written in by the chart part writer, when
// it is built in (tools/chartmodel/ChartPart.h); otherwise the bare structure of ChartPartXml.
std::string SampleChartPart(const sim::ChartModel& chart, const ChartData& data, bool withExternalData,
                            const std::string& themeXml);

// Writes the presentation to path (through a temporary file renamed into place; throws
// office::PackageWriteError naming the file when it cannot). workFolder is LibreOffice's, for the
// OLE object's preview picture. Returns what could not be done but did not stop the file, e.g.
// "no preview picture: LibreOffice (soffice) not found on PATH" (a grey placeholder stands in).
std::vector<std::string> WriteSamplePresentation(const std::string& path, const std::string& workFolder);

// A 1x1 light grey PNG: the preview picture when none can be rendered.
const std::string& PlaceholderPng();

}  // namespace sample
