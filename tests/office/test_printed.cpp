// What the print shows: charts as pictures in the print copy, fill patterns pixel for pixel, the
// legend keys read from a printed picture, and the bars and lines the conversion leaves.
#include "chartpart_support.h"

#include "tools/legibility/Legibility.h"
#include "tools/legibility/PageCheck.h"
#include "tools/chartmodel/ChartBarsAndLines.h"
#include "tools/printcopy/ChartPictures.h"
#include "tools/package/Package.h"
#include "tools/package/XmlNames.h"
#include "tools/render/Png.h"
#include "tools/render/Presentation.h"
#include "tools/render/Process.h"
#include "tools/render/Render.h"
#include "tools/report/PatternPng.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using legibility::GreyPicture;
using legibility::PixelBox;

// ---- The print copy ----

TEST(PrintCopy, RelativeReferencesLeadFromAPartsFolderToAnother) {
    const struct {
        const char *from, *to, *expected;
    } cases[] = {
        {"ppt/slides/slide1.xml", "ppt/charts/chart1.print.svg", "../charts/chart1.print.svg"},
        {"ppt/charts/chart1.xml", "ppt/charts/chart1.print.svg", "chart1.print.svg"},
        {"xl/drawings/drawing1.xml", "xl/charts/chart2.print.svg", "../charts/chart2.print.svg"},
        {"ppt/slideLayouts/slideLayout1.xml", "ppt/charts/chart3.print.svg", "../charts/chart3.print.svg"},
    };
    for (const auto& c : cases) EXPECT_EQ(office::RelativeReference(c.from, c.to), c.expected) << c.from;
}

office::Package TwoChartSlides() {
    render::PresentationContent content;
    const std::string chart = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>";
    render::SlideContent slide;
    slide.charts.push_back({"Chart 1", {100, 200, 3000000, 2000000}, chart, ""});
    slide.charts.push_back({"Chart 2", {100, 2300000, 4000000, 2000000}, chart, ""});
    content.slides.push_back(slide);
    return office::Package::OpenBytes(office::ZipToBytes(render::PresentationEntries(content)), "two.pptx");
}

TEST(PrintCopy, ShowsThePictureInTheFrameOfTheChartNamedAndLeavesTheOthers) {
    const office::Package package = TwoChartSlides();
    const std::map<std::string, std::pair<long long, long long>> sizes = office::ChartFrameSizes(package);
    EXPECT_EQ(sizes.at("ppt/charts/chart1.xml"), std::make_pair(3000000LL, 2000000LL));
    EXPECT_EQ(sizes.at("ppt/charts/chart2.xml"), std::make_pair(4000000LL, 2000000LL));

    const std::map<std::string, std::string> parts = office::ChartsAsPictures(package, {{"ppt/charts/chart2.xml", "<svg/>"}});
    ASSERT_TRUE(parts.count("ppt/charts/chart2.print.svg"));
    EXPECT_EQ(parts.at("ppt/charts/chart2.print.svg"), "<svg/>");
    EXPECT_NE(parts.at("[Content_Types].xml").find("Extension=\"svg\""), std::string::npos);
    const office::Package copy = office::Package::OpenBytes(package.WriteBytes(parts), "copy.pptx");
    const pugi::xml_document slide = copy.ParseXml("ppt/slides/slide1.xml");
    const pugi::xpath_node_set frames = slide.select_nodes("//*[local-name()='graphicFrame']");
    const pugi::xpath_node_set pictures = slide.select_nodes("//*[local-name()='pic']");
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_STREQ(frames.first().node().select_node(".//*[local-name()='cNvPr']").node().attribute("name").value(), "Chart 1");
    const pugi::xml_node pic = pictures.first().node();
    EXPECT_STREQ(pic.select_node(".//*[local-name()='cNvPr']").node().attribute("name").value(), "Chart 2");
    EXPECT_STREQ(pic.select_node(".//*[local-name()='ext']").node().attribute("cx").value(), "4000000");
    const std::string embed = office::xml::RelationshipAttribute(pic.select_node(".//*[local-name()='blip']").node(), "embed");
    EXPECT_EQ(copy.Target("ppt/slides/slide1.xml", embed), "ppt/charts/chart2.print.svg");
    EXPECT_EQ(copy.ReadPart("ppt/charts/chart2.print.svg"), "<svg/>");
}

TEST(PrintCopy, ChangesNothingWithoutPictures) {
    EXPECT_TRUE(office::ChartsAsPictures(TwoChartSlides(), {}).empty());
    EXPECT_TRUE(office::ChartsAsPictures(TwoChartSlides(), {{"ppt/charts/chart9.xml", "<svg/>"}}).empty());
}

TEST(PrintCopy, TakesTheTitleTextOfTheChartPart) {
    const struct {
        const char *xml, *expected;
    } cases[] = {
        {"<c:title><c:tx><c:rich><a:p><a:r><a:t>Sales </a:t></a:r><a:r><a:t>2024</a:t></a:r></a:p></c:rich></c:tx></c:title>",
         "Sales 2024"},
        {"<c:title><c:tx><c:strRef><c:strCache><c:pt idx=\"0\"><c:v>From a cell</c:v></c:pt></c:strCache></c:strRef></c:tx></c:title>",
         "From a cell"},
        {"<c:title><c:overlay val=\"0\"/></c:title>", ""},  // an automatic title: no text of its own
        {"", ""},
    };
    for (const auto& c : cases) {
        pugi::xml_document doc;
        doc.load_string((std::string("<c:chartSpace xmlns:c=\"c\" xmlns:a=\"a\"><c:chart>") + c.xml + "</c:chart></c:chartSpace>").c_str());
        EXPECT_EQ(office::ChartTitleText(doc), c.expected) << c.xml;
    }
}

TEST(PrintCopy, TheReportsPictureOfAPrintedChartShowsThePrintsPictureInItsPlace) {
    render::ChartToRender chart;
    chart.chartXml = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>";
    chart.pictureSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    const office::Package slide = office::Package::OpenBytes(render::OneSlidePresentation(chart), "one.pptx");
    const pugi::xml_document xml = slide.ParseXml("ppt/slides/slide1.xml");
    EXPECT_TRUE(xml.select_nodes("//*[local-name()='graphicFrame']").empty());
    const pugi::xml_node blip = xml.select_node("//*[local-name()='pic']//*[local-name()='blip']").node();
    ASSERT_TRUE(blip);
    EXPECT_EQ(slide.ReadPart(slide.Target("ppt/slides/slide1.xml", office::xml::RelationshipAttribute(blip, "embed"))),
              chart.pictureSvg);
    EXPECT_EQ(slide.ContentType("ppt/media/image1.svg"), "image/svg+xml");
}

TEST(PrintCopy, TakesTheAxisTitlesBesideAndBelowThePlot) {
    pugi::xml_document doc;
    doc.load_string("<c:chartSpace xmlns:c=\"c\" xmlns:a=\"a\"><c:chart><c:plotArea>"
                    "<c:catAx><c:axPos val=\"b\"/><c:title><c:tx><c:rich><a:p><a:r><a:t>Quarter</a:t></a:r></a:p></c:rich></c:tx></c:title></c:catAx>"
                    "<c:valAx><c:axPos val=\"l\"/><c:title><c:tx><c:rich><a:p><a:r><a:t>Revenue</a:t></a:r></a:p></c:rich></c:tx></c:title></c:valAx>"
                    "<c:serAx><c:delete val=\"1\"/><c:axPos val=\"b\"/><c:title><c:tx><c:rich><a:p><a:r><a:t>Hidden</a:t></a:r></a:p></c:rich></c:tx></c:title></c:serAx>"
                    "</c:plotArea></c:chart></c:chartSpace>");
    const office::AxisTitles titles = office::ChartAxisTitles(doc);
    EXPECT_EQ(titles.left, "Revenue");
    EXPECT_EQ(titles.bottom, "Quarter");
}

// ---- Patterns as pictures ----

TEST(PatternPicture, HoldsEveryPatternsTileBitForBitInItsTwoColours) {
    const std::string png = (std::filesystem::temp_directory_path() / "test_printed_pattern.png").string();
    for (int n = 1; n <= 48; ++n) {
        const bwpass::PatternBits bits = bwpass::PatternTile(n);
        // Foreground a dark red, background a light blue: neither channel order nor palette order may swap them.
        const std::string bytes = bwpass::PatternPng(bits, 0x000080, 0xFFE0C0, 2);
        std::ofstream(png, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::optional<render::Picture> picture = render::ReadPng(png);
        ASSERT_TRUE(picture) << n;
        ASSERT_EQ(picture->width, 16);
        ASSERT_EQ(picture->height, 16);
        int wrong = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const uint8_t* p = &picture->rgb[3 * (static_cast<size_t>(y) * 16 + x)];
                const bool set = bits[y % 8] & (0x80 >> (x % 8));
                const bool isFore = p[0] == 0x80 && p[1] == 0 && p[2] == 0;
                const bool isBack = p[0] == 0xC0 && p[1] == 0xE0 && p[2] == 0xFF;
                wrong += set ? !isFore : !isBack;
            }
        EXPECT_EQ(wrong, 0) << "pattern " << n;
    }
    std::filesystem::remove(png);
}

// The tile read from an 8 x 8 picture: pixels of the top left pixel's colour clear.
bwpass::PatternBits TileOf(const render::Picture& p) {
    bwpass::PatternBits bits{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (std::memcmp(&p.rgb[3 * (static_cast<size_t>(y) * 8 + x)], &p.rgb[0], 3) != 0)
                bits[y] |= static_cast<uint8_t>(0x80 >> x);
    return bits;
}

// The same tile starting elsewhere, or with its two colours the other way round.
bool SameTile(const bwpass::PatternBits& a, const bwpass::PatternBits& b) {
    for (int inverted = 0; inverted < 2; ++inverted)
        for (int dy = 0; dy < 8; ++dy)
            for (int dx = 0; dx < 8; ++dx) {
                bool same = true;
                for (int y = 0; y < 8 && same; ++y) {
                    const uint8_t row = b[(y + dy) % 8];
                    const uint8_t moved = static_cast<uint8_t>((row << dx) | (row >> ((8 - dx) % 8)));
                    same = a[y] == static_cast<uint8_t>(inverted ? ~moved : moved);
                }
                if (same) return true;
            }
    return false;
}

std::string LibreOfficePatterns() {
    const std::string soffice = render::FindOnPath("soffice");
    if (soffice.empty()) return {};
    const std::filesystem::path program = std::filesystem::canonical(soffice).parent_path();
    return (program.parent_path() / "share/palette/standard.sop").string();
}

// LibreOffice keeps its own copies of Office's patterns, made to match Office's: fourteen of the
// 48, each an 8 x 8 picture named after its number ("33_lgConfetti.png").
TEST(PatternPicture, TilesAgreeWithLibreOfficesCopiesOfOfficesPatterns) {
    const std::string list = LibreOfficePatterns();
    if (list.empty() || !std::filesystem::exists(list)) {
        if (std::getenv("QV_ALLOW_SKIP")) GTEST_SKIP() << "LibreOffice's pattern list is missing";
        FAIL() << "LibreOffice's pattern list (share/palette/standard.sop) is missing";
    }
    int error = 0;
    zip_t* archive = zip_open(list.c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr) << list;
    const std::string png = (std::filesystem::temp_directory_path() / "test_printed_lo_pattern.png").string();
    int compared = 0;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        const std::string name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        int number = 0;
        if (std::sscanf(name.c_str(), "Pictures/%d_", &number) != 1 || number < 1 || number > 48) continue;
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        std::string bytes(static_cast<size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        ASSERT_NE(f, nullptr);
        zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        std::ofstream(png, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::optional<render::Picture> picture = render::ReadPng(png);
        ASSERT_TRUE(picture && picture->width == 8 && picture->height == 8) << name;
        EXPECT_TRUE(SameTile(bwpass::PatternTile(number), TileOf(*picture))) << name;
        ++compared;
    }
    zip_close(archive);
    std::filesystem::remove(png);
    EXPECT_GE(compared, 14);
}

// ---- Reading the printed page ----

// A white picture with boxes drawn in: each box a tile repeated from an offset, in black.
struct Drawn {
    PixelBox box;
    bwpass::PatternBits tile;
    int phase = 0;  // where the tile starts, in pixels
    bool frame = true;
};

GreyPicture Draw(int width, int height, const std::vector<Drawn>& boxes) {
    GreyPicture p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, 255)};
    for (const Drawn& d : boxes)
        for (int y = 0; y < d.box.height; ++y)
            for (int x = 0; x < d.box.width; ++x) {
                const bool edge = d.frame && (x == 0 || y == 0 || x == d.box.width - 1 || y == d.box.height - 1);
                const bool set = d.tile[(y + d.phase) % 8] & (0x80 >> ((x + d.phase) % 8));
                if (edge || set) p.grey[static_cast<size_t>(d.box.y + y) * width + d.box.x + x] = 0;
            }
    return p;
}

TEST(PrintedKeys, LookAlikeOnlyWhereTheirPixelsDo) {
    const struct {
        const char* what;
        int a, b;    // patterns (0: white)
        int phase;   // of the second key
        bool alike;
    } cases[] = {
        {"the same hatch", 21, 21, 0, true},
        {"the same hatch starting elsewhere", 21, 21, 3, true},
        {"light vertical against light horizontal", 20, 19, 0, false},
        {"5 percent against white: a few dots are seen", 1, 0, 0, false},
        {"outlined against solid diamond", 41, 39, 0, false},
        {"two white keys", 0, 0, 0, true},
    };
    for (const auto& c : cases) {
        const GreyPicture p = Draw(200, 60, {{{10, 10, 48, 20}, bwpass::PatternTile(c.a), 0},
                                             {{100, 30, 48, 20}, bwpass::PatternTile(c.b), c.phase}});
        EXPECT_EQ(legibility::KeysLookAlike(p, {10, 10, 48, 20}, {100, 30, 48, 20}), c.alike) << c.what;
    }
}

TEST(PrintedKeys, AreFoundInsideTheLegendsFrameAndLeftOfTheirText) {
    // A legend frame holding three keys, each with a "text" of short bars to its right, beside
    // the plot's right edge (a long line the finder must not take for a key).
    std::vector<Drawn> drawn = {{{40, 20, 160, 130}, {}, 0, true}};
    for (int i = 0; i < 3; ++i) {
        drawn.push_back({{50, 35 + 35 * i, 40, 18}, bwpass::PatternTile(21 + i), 0, true});
        for (int letter = 0; letter < 5; ++letter) drawn.push_back({{110 + 12 * letter, 38 + 35 * i, 8, 12}, {}, 0, true});
    }
    GreyPicture p = Draw(220, 170, drawn);
    for (int y = 0; y < 170; ++y) p.grey[static_cast<size_t>(y) * 220 + 20] = 0;  // the plot's edge
    const std::vector<PixelBox> keys = legibility::FindLegendKeys(p, {0, 0, 220, 170});
    ASSERT_EQ(keys.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(keys[i].x, 50) << i;
        EXPECT_EQ(keys[i].width, 40) << i;
        EXPECT_EQ(keys[i].y, 35 + 35 * i) << i;
    }
    EXPECT_TRUE(legibility::AlikeKeys(p, keys).empty());
}

// ---- Bars and lines the conversion leaves ----

TEST(BarsAndLines, UpAndDownBarsInColoursThatPrintAlikeAreNamed) {
    const office::Package book = office::Package::OpenFile(chartpart_test::SourceDir() + "/tests/office/forms/up-down-bars.xlsx");
    const pugi::xml_document xml = book.ParseXml("xl/charts/chart1.xml");
    const office::BarsAndLines elements = office::ReadBarsAndLines(xml, office::ReadTheme({}, {}));
    ASSERT_TRUE(elements.upBars && elements.downBars);
    EXPECT_EQ(elements.upBars->interior.color, 0x4D50C0);
    ASSERT_EQ(elements.lines.size(), 2u);
    EXPECT_EQ(elements.lines[0].first, "drop lines");
    EXPECT_EQ(elements.lines[1].first, "high-low lines");
    const office::ChartReading chart = office::ReadChartPart(xml, office::ReadTheme({}, {}));
    std::vector<std::string> found;
    for (const legibility::Finding& f :
         legibility::CheckBarsAndLines(chart.model, &*elements.upBars, &*elements.downBars, elements.lines))
        found.push_back(f.text);
    EXPECT_EQ(found, (std::vector<std::string>{"up and down bars print alike", "drop lines print white on white"}));
}

TEST(BarsAndLines, AreToldApartWhenTheyPrintApart) {
    sim::ChartModel chart;
    sim::SeriesModel line;
    line.chartType = 4;  // xlLine, black, continuous, no markers
    line.markerStyle = -4142;
    chart.series.push_back(line);
    sim::ElementModel up, down;
    up.interior.color = 0xFFFFFF;
    down.interior.color = 0;
    sim::LineElementModel dashedGrey{true, {0x808080, -4105, 2, -4115}};
    sim::LineElementModel blackLikeTheSeries{true, {0, -4105, 2, 1}};
    std::vector<std::string> found;
    for (const legibility::Finding& f : legibility::CheckBarsAndLines(
             chart, &up, &down, {{"series lines", dashedGrey}, {"high-low lines", blackLikeTheSeries}}))
        found.push_back(f.text);
    EXPECT_EQ(found, (std::vector<std::string>{"high-low lines print like series 1's line"}));
}

}  // namespace
