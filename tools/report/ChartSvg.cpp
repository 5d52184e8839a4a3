#include "tools/report/ChartSvg.h"

#include "tools/deckmodel/Constants.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/svg/ChartDrawing.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace bwpass {

using namespace svg;

std::string ChartSvg(const ChartModel& c, const std::string& idPrefix) { return ChartSvg(c, idPrefix, ChartLook{}); }

int DrawingHeight(long long frameWidthEmu, long long frameHeightEmu) {
    if (frameWidthEmu <= 0 || frameHeightEmu <= 0) return kChartHeight;
    const double height = kChartWidth * static_cast<double>(frameHeightEmu) / static_cast<double>(frameWidthEmu);
    return static_cast<int>(std::lround(std::clamp(height, 200.0, 960.0)));
}

double PrintPatternPixel(long long frameWidthEmu) {
    constexpr double kEmuPerPixel = 914400.0 / 96;
    return frameWidthEmu > 0 ? kEmuPerPixel * kChartWidth / static_cast<double>(frameWidthEmu) : 2;
}

std::string ChartSvg(const ChartModel& c, const std::string& idPrefix, const ChartLook& look,
                     std::vector<DrawnKey>* legendKeys) {
    Svg svg(idPrefix, look.patternPixel > 0 ? look.patternPixel : 2, look.bitmapPatterns);
    const double height = look.height > 0 ? look.height : kChartHeight;
    const Box full{0.5, 0.5, kChartWidth - 1.0, height - 1.0};
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
    const double top = look.title.empty() ? 0 : 20;
    // In its own colour: the light title of a dark chart style prints white on the whitened area.
    if (!look.title.empty())
        svg.text({kChartWidth / 2.0, 15}, Shorten(look.title, 70), "middle", 12,
                 c.titleFont.present ? Css(c.titleFont.color) : std::string());
    const double left = look.leftTitle.empty() ? 0 : 16, bottom = look.bottomTitle.empty() ? 0 : 16;
    if (!look.leftTitle.empty()) svg.text({12, top + (height - top - bottom) / 2}, Shorten(look.leftTitle, 50), "middle", 10, "", -90);
    if (!look.bottomTitle.empty()) svg.text({48 + left + (kChartWidth - 48 - left - legendWidth) / 2, height - 6}, Shorten(look.bottomTitle, 60), "middle", 10);
    const Box legend{kChartWidth - legendWidth - 8, 12 + top, legendWidth, height - 24.0 - top};
    const Box plot{48 + left, 14 + top, kChartWidth - 48 - left - 16 - legendWidth, height - 14 - 30.0 - top - bottom};
    switch (family) {
    case Family::Pie: DrawPie(svg, c, plot); break;
    case Family::Doughnut: DrawDoughnut(svg, c, plot); break;
    case Family::Radar: DrawRadar(svg, c, plot); break;
    case Family::Surface: DrawSurface(svg, c, plot, keys, range); break;
    default: DrawCartesian(svg, c, plot); break;
    }
    DrawLegend(svg, c, legend, keys);
    if (legendKeys)
        for (const auto& [b, label] : svg.legendKeys())
            legendKeys->push_back({b.x / kChartWidth, b.y / height, b.w / kChartWidth, b.h / height, label});
    return svg.finish(Utf8(c.name) + " (" + ChartTypeName(c.chartType) + ")", static_cast<int>(height));
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
