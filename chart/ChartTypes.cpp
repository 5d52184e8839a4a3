#include "chart/ChartTypes.h"

namespace qv::chart {

namespace {

bool Between(long value, long low, long high) { return value >= low && value <= high; }

bool IsSurface(long type) {
    return type == 83 /*xlSurface*/ || type == 85 /*xlSurfaceTopView*/ || type == -4103 /*xl3DSurface*/;
}

}  // namespace

ChartRoute RouteOfChartType(long chartType) {
    if (IsSurface(chartType)) return ChartRoute::Surface;
    // xlPie, xl3DPie, xlPieOfPie .. xlBarOfPie. A doughnut is not among them: it takes the
    // series route, where every ring reaches the pie converter by its own number.
    if (chartType == 5 || chartType == -4102 || Between(chartType, 68, 71)) return ChartRoute::Pie;
    return ChartRoute::Series;
}

SeriesConverter ConverterOfSeriesType(long t) {
    // xlArea, xlBubble, xl3DArea, xl3DColumn; column and bar types; stacked areas; exploded
    // doughnut; filled radar; 3-D bubble; cylinders, cones and pyramids.
    if (t == 1 || t == 15 || t == -4098 || t == -4100 || Between(t, 51, 62) || Between(t, 76, 80) ||
        t == 82 || t == 87 || Between(t, 92, 112))
        return SeriesConverter::Filled;
    // xlLine, xl3DLine, xlRadar, xlXYScatter; stacked lines with and without markers; smooth
    // and straight scatters; radar with markers.
    if (t == 4 || t == -4101 || t == -4151 || t == -4169 || Between(t, 63, 67) || Between(t, 72, 75) ||
        t == 81)
        return SeriesConverter::Line;
    // xlPie, xl3DPie, xlDoughnut, xlPieOfPie .. xlBarOfPie.
    if (t == 5 || t == -4102 || t == -4120 || Between(t, 68, 71)) return SeriesConverter::Pie;
    if (IsSurface(t)) return SeriesConverter::SurfaceLegend;
    return SeriesConverter::None;
}

}  // namespace qv::chart
