// Which conversion a chart or a series gets, by its Excel chart type (XlChartType values).
#pragma once

namespace qv::chart {

enum class ChartRoute {
    Surface,  // the colour bands, through the legend keys
    Pie,      // the slices of the first series
    Series,   // each series by its own type
};

enum class SeriesConverter { Filled, Line, Pie, SurfaceLegend, None };

ChartRoute RouteOfChartType(long chartType);
// Types no converter knows (wireframe surfaces, stock charts, retired types) get None and are
// left as they are.
SeriesConverter ConverterOfSeriesType(long seriesType);

}  // namespace qv::chart
