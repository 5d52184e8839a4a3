#include "tools/report/ChartSvg.h"

#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/svg/ChartDrawing.h"

#include <string>
#include <vector>

namespace bwpass {

using namespace svg;

std::string ChartSvg(const ChartModel& c, const std::string& idPrefix) {
    Svg svg(idPrefix);
    const Box full{0.5, 0.5, kChartWidth - 1.0, kChartHeight - 1.0};
    if (c.chartArea.present) {
        std::string note;
        const std::string fill = svg.paint(c.chartArea, &note);
        const Stroke st = StrokeOf(c.chartArea.border);
        svg.rect(full, fill, st, "Chart area: " + note + "; " + st.note);
    } else {
        Stroke none;
        svg.rect(full, "#FFFFFF", none);
    }
    const Family family = FamilyOf(c.chartType);
    const bool surface = family == Family::Surface;
    const Scale range = surface ? SurfaceRange(c) : Scale{};
    std::vector<LegendKey> keys = surface ? SurfaceKeys(svg, c, range, BandCount(c)) : LegendKeys(svg, c);
    const double legendWidth = c.legend.present && !keys.empty() ? 118 : 0;
    const Box legend{kChartWidth - legendWidth - 8, 12, legendWidth, kChartHeight - 24.0};
    const Box plot{48, 14, kChartWidth - 48 - 16 - legendWidth, kChartHeight - 14 - 30.0};
    switch (family) {
    case Family::Pie: DrawPie(svg, c, plot); break;
    case Family::Doughnut: DrawDoughnut(svg, c, plot); break;
    case Family::Radar: DrawRadar(svg, c, plot); break;
    case Family::Surface: DrawSurface(svg, c, plot, keys, range); break;
    default: DrawCartesian(svg, c, plot); break;
    }
    DrawLegend(svg, c, legend, keys);
    return svg.finish(Utf8(c.name) + " (" + ChartTypeName(c.chartType) + ")");
}

std::string PatternSwatchSvg(int pattern, int size, int scale, const std::string& idPrefix) {
    const int tile = 8 * scale;
    const std::string id = idPrefix + "sw" + std::to_string(pattern);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(size) + "\" height=\"" +
           std::to_string(size) + "\"><defs><pattern id=\"" + id + "\" width=\"" + std::to_string(tile) +
           "\" height=\"" + std::to_string(tile) + "\" patternUnits=\"userSpaceOnUse\"><rect width=\"" +
           std::to_string(tile) + "\" height=\"" + std::to_string(tile) +
           "\" fill=\"#FFFFFF\"/><path shape-rendering=\"crispEdges\" fill=\"#000000\" d=\"" +
           Svg::TilePath(PatternTile(pattern), scale) + "\"/></pattern></defs><rect x=\"0.5\" y=\"0.5\" width=\"" +
           std::to_string(size - 1) + "\" height=\"" + std::to_string(size - 1) + "\" fill=\"url(#" + id +
           ")\" stroke=\"#000000\"/></svg>";
}

}  // namespace bwpass
