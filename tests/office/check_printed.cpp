// Reads a printed PDF's pixels: no page may carry colour, and on the pages named the legend's
// keys (found in the region given) must number as many as the chart's series and all differ.
//   check_printed FILE.pdf PAGE:KEYS:X0,Y0,X1,Y1 ...   (the region in fractions of the page)
// Prints what is wrong and exits 1; exits 0 when all is well.
#include "tools/legibility/PageCheck.h"
#include "tools/render/Png.h"
#include "tools/render/Print.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kDpi = 100;
// The share of coloured pixels a page may have: the thin lines the conversion leaves in their
// colours (trendlines of line and scatter series, the outlines of a surface's legend keys) print
// in colour, as they would from PowerPoint; a chart left in colour covers far more.
constexpr double kMostColour = 0.005;

struct Legend {
    int page = 0;
    size_t keys = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

bool ParseLegend(const char* text, Legend& legend) {
    return std::sscanf(text, "%d:%zu:%lf,%lf,%lf,%lf", &legend.page, &legend.keys, &legend.x0, &legend.y0, &legend.x1,
                       &legend.y1) == 6;
}

int CheckLegend(const render::Picture& page, const Legend& legend) {
    const legibility::GreyPicture grey = legibility::GreyOf(page.width, page.height, page.rgb);
    const legibility::PixelBox region{static_cast<int>(legend.x0 * page.width), static_cast<int>(legend.y0 * page.height),
                                      static_cast<int>((legend.x1 - legend.x0) * page.width),
                                      static_cast<int>((legend.y1 - legend.y0) * page.height)};
    const std::vector<legibility::PixelBox> keys = legibility::FindLegendKeys(grey, region);
    int failures = 0;
    if (keys.size() != legend.keys) {
        std::printf("page %d: %zu legend keys found, not %zu\n", legend.page, keys.size(), legend.keys);
        ++failures;
    }
    for (const auto& [later, earlier] : legibility::AlikeKeys(grey, keys)) {
        std::printf("page %d: legend keys %zu and %zu look alike\n", legend.page, later + 1, earlier + 1);
        ++failures;
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: check_printed FILE.pdf [PAGE:KEYS:X0,Y0,X1,Y1 ...]\n");
        return 2;
    }
    const std::string pdf = argv[1];
    const std::string png = (std::filesystem::temp_directory_path() / ("check_printed-" + std::to_string(getpid()) + ".png")).string();
    int failures = 0;
    for (int n = 1;; ++n) {
        if (!render::PagePicture(pdf, n, kDpi, png).empty()) {
            if (n == 1) {
                std::printf("%s: no page can be read\n", pdf.c_str());
                ++failures;
            }
            break;
        }
        const std::optional<render::Picture> page = render::ReadPng(png);
        std::remove(png.c_str());
        if (!page) break;
        if (const double colour = render::ColourShare(*page); colour > kMostColour) {
            std::printf("page %d carries colour (%.2f%% of its pixels)\n", n, 100 * colour);
            ++failures;
        }
        for (int i = 2; i < argc; ++i) {
            Legend legend;
            if (!ParseLegend(argv[i], legend)) {
                std::fprintf(stderr, "not a legend: %s\n", argv[i]);
                return 2;
            }
            if (legend.page == n) failures += CheckLegend(*page, legend);
        }
    }
    std::remove(png.c_str());
    return failures ? 1 : 0;
}
