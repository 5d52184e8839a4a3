// LibreOffice rendering of chart parts: real corpus charts, a pattern-filled conversion, the
// wrapper presentation, and every way the renderer can be missing, silent or hung.
#include "tests/office/test_render_support.h"
#include "tools/render/Png.h"
#include "tools/render/Process.h"
#include "tools/render/Render.h"
#include "tools/package/ZipWriter.h"
#include "tools/render/Session.h"

#include <pugixml.hpp>

#include <chrono>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace rendertest;
namespace fs = std::filesystem;

struct CorpusChart {
    const char* file;
    const char* chartPart;
    const char* themePart;
};

const CorpusChart kCorpusCharts[] = {
    {"xlsx/chart_area01.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"},
    {"xlsx/chart_bar03.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"},
    {"xlsx/chart_doughnut06.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"},
    {"xlsx/chart_pattern05.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"},
    {"xlsx/chart_scatter05.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"},
    {"pptx/cht-charts.pptx", "ppt/charts/chart1.xml", "ppt/theme/theme1.xml"},
};

render::ChartToRender FromCorpus(const CorpusChart& c, const std::string& png) {
    const auto parts = Unzip(Corpus(c.file));
    EXPECT_TRUE(parts.count(c.chartPart)) << c.file;
    return {parts.count(c.chartPart) ? parts.at(c.chartPart) : "", parts.count(c.themePart) ? parts.at(c.themePart) : "", png};
}

// Every series filled with black hatching on white, as the conversion leaves a filled chart.
std::string PatternFilled(const std::string& chartXml) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(chartXml.c_str()));
    const char* presets[] = {"dkUpDiag", "smGrid", "ltHorz", "dotDmnd", "wdDnDiag", "lgCheck"};
    size_t n = 0;
    for (pugi::xpath_node x : doc.select_nodes("//c:ser")) {
        pugi::xml_node ser = x.node();
        ser.remove_child("c:spPr");
        pugi::xml_node after = ser.child("c:tx") ? ser.child("c:tx") : ser.child("c:order");
        pugi::xml_document fill;
        const std::string xml = std::string("<c:spPr xmlns:c='c' xmlns:a='a'><a:pattFill prst='") + presets[n++ % 6] +
                                "'><a:fgClr><a:srgbClr val='000000'/></a:fgClr><a:bgClr><a:srgbClr val='FFFFFF'/>"
                                "</a:bgClr></a:pattFill><a:ln><a:solidFill><a:srgbClr val='000000'/></a:solidFill>"
                                "</a:ln></c:spPr>";
        fill.load_string(xml.c_str());
        pugi::xml_node spPr = ser.insert_copy_after(fill.document_element(), after);
        spPr.remove_attribute("xmlns:c");
        spPr.remove_attribute("xmlns:a");
    }
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

TEST(RenderCharts, DrawsCorpusChartsInOneRunAndNamesTheOneThatIsBroken) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    std::vector<render::ChartToRender> charts;
    for (const CorpusChart& c : kCorpusCharts) charts.push_back(FromCorpus(c, work / (fs::path(c.file).stem().string() + ".png")));
    charts.push_back({"<c:chartSpace><c:chart>", "", work / "broken.png"});

    const std::vector<std::string> problems = render::RenderCharts(charts, work / "lo");

    ASSERT_EQ(problems.size(), 1u) << (problems.empty() ? "" : problems[0]);
    EXPECT_EQ(problems[0].rfind(work / "broken.png: not drawn: the chart part is not well-formed XML", 0), 0u) << problems[0];
    EXPECT_FALSE(fs::exists(work / "broken.png"));
    for (size_t i = 0; i + 1 < charts.size(); ++i) {
        SCOPED_TRACE(kCorpusCharts[i].file);
        const auto picture = render::ReadPng(charts[i].outputPng);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 400);  // the 6.67-inch slide at 60 dpi
        EXPECT_NEAR(picture->height, 267, 1);
        EXPECT_GT(render::InkShare(*picture), 0.02);
        EXPECT_GT(render::ColourShare(*picture), 0.01);  // the series' colours are there
    }
}

TEST(RenderCharts, APatternFilledConversionLooksDifferentAndHasNoColourLeft) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    for (const char* file : {"xlsx/chart_bar03.xlsx", "xlsx/chart_area01.xlsx"}) {
        SCOPED_TRACE(file);
        const render::ChartToRender before = FromCorpus({file, "xl/charts/chart1.xml", "xl/theme/theme1.xml"}, work / "before.png");
        render::ChartToRender after = before;
        after.chartXml = PatternFilled(before.chartXml);
        after.outputPng = work / "after.png";

        ASSERT_TRUE(render::RenderCharts({before, after}, work / "lo").empty());

        const auto a = render::ReadPng(before.outputPng), b = render::ReadPng(after.outputPng);
        ASSERT_TRUE(a && b);
        EXPECT_GT(render::DifferingShare(*a, *b), 0.03);
        EXPECT_GT(render::ColourShare(*a), 0.05);
        EXPECT_LT(render::ColourShare(*b), 0.002);
        EXPECT_GT(render::InkShare(*b), 0.05);  // hatching, not an empty plot
    }
}

// Charts share documents by theme and resolution, a slide each; under a session, two threads'
// drawings at once go to its two LibreOffices, each drawing's documents shared between them.
// Each picture must still be its own chart's: the colour and the hatched charts alternate, in
// two themes and two sizes.
TEST(RenderSession, ChartsOfManyDocumentsAndThreadsEachGetTheirOwnPicture) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    render::Session session(work / "session", 2);
    const render::ChartToRender colour =
        FromCorpus({"xlsx/chart_bar03.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"}, "");
    std::vector<render::ChartToRender> halves[2];
    for (int k = 0; k < 12; ++k) {
        render::ChartToRender c = colour;
        if (k % 2) c.chartXml = PatternFilled(c.chartXml);
        if (k % 3 == 0) c.themeXml.clear();
        c.dpi = k < 6 ? 60 : 96;
        c.outputPng = work / ("chart" + std::to_string(k) + ".png");
        halves[k % 4 < 2 ? 0 : 1].push_back(c);
    }
    std::vector<std::string> problems[2];
    std::thread other([&] { problems[1] = render::RenderCharts(halves[1], work / "lo1"); });
    problems[0] = render::RenderCharts(halves[0], work / "lo0");
    other.join();
    EXPECT_TRUE(problems[0].empty() && problems[1].empty()) << (problems[0].empty() ? "" : problems[0][0]);
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE("chart " + std::to_string(k));
        const auto picture = render::ReadPng(work / ("chart" + std::to_string(k) + ".png"));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, k < 6 ? 400 : 640);
        if (k % 2) EXPECT_LT(render::ColourShare(*picture), 0.002);
        else EXPECT_GT(render::ColourShare(*picture), 0.01);
    }
}

// The session's LibreOffice runs in process groups of its own: when the session ends, nothing of
// it may be left running.
TEST(RenderSession, LeavesNoLibreOfficeBehind) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    const std::string folder = work / "session";
    {
        render::Session session(folder, 2);
        const render::ChartToRender chart =
            FromCorpus({"xlsx/chart_area01.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"}, work / "a.png");
        EXPECT_TRUE(render::RenderCharts({chart}, work / "lo").empty());
    }
    std::vector<std::string> left;
    for (const fs::directory_entry& p : fs::directory_iterator("/proc")) {
        std::ifstream in(p.path() / "cmdline", std::ios::binary);
        const std::string command((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (command.find(folder) != std::string::npos) left.push_back(p.path().filename().string());
    }
    EXPECT_TRUE(left.empty()) << left.size() << " processes of the session still run";
}

TEST(RenderCharts, WrapsTheChartWithoutItsRelationshipsOnAValidSlide) {
    const auto corpus = Unzip(Corpus("pptx/cht-charts.pptx"));
    ASSERT_NE(corpus.at("ppt/charts/chart1.xml").find("c:externalData"), std::string::npos);

    TempFolder work;
    const auto parts = UnzipBytes(render::OneSlidePresentation(corpus.at("ppt/charts/chart1.xml"), ""));

    EXPECT_EQ(parts.at("ppt/charts/chart1.xml").find("externalData"), std::string::npos);
    EXPECT_NE(parts.at("ppt/charts/chart1.xml").find("c:numCache"), std::string::npos);
    EXPECT_EQ(parts.count("ppt/charts/_rels/chart1.xml.rels"), 0u);
    EXPECT_NE(parts.at("[Content_Types].xml").find("/ppt/charts/chart1.xml"), std::string::npos);
    EXPECT_NE(parts.at("ppt/slides/_rels/slide1.xml.rels").find("../charts/chart1.xml"), std::string::npos);
    EXPECT_NE(parts.at("ppt/theme/theme1.xml").find("4F81BD"), std::string::npos);  // the default theme
    for (const char* part : {"ppt/slides/slide1.xml", "ppt/presentation.xml", "ppt/slideMasters/slideMaster1.xml",
                             "ppt/slideLayouts/slideLayout1.xml"}) {
        WriteFile(work / "part.xml", parts.at(part));
        EXPECT_EQ(std::system(("xmllint --noout --schema " + Schema("pml.xsd") + " " + (work / "part.xml") +
                               " 2>/dev/null").c_str()), 0) << part;
    }
}

// The chart of a slide whose own colour map shows it dark (bg1=dk1, tx1=lt1 ...), with a theme
// override whose accent1 is red: PowerPoint draws it on black, its text white, its first series red.
const render::ColourMap kDarkMap = {{"bg1", "dk1"}, {"tx1", "lt1"}, {"bg2", "dk2"}, {"tx2", "lt2"}};
const char kDarkMapAttributes[] = "bg1=\"dk1\" tx1=\"lt1\" bg2=\"dk2\" tx2=\"lt2\" accent1=\"accent1\" accent2=\"accent2\""
                                  " accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\""
                                  " hlink=\"hlink\" folHlink=\"folHlink\"";
const char kIdentityMapAttributes[] = "bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" accent2=\"accent2\""
                                      " accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\""
                                      " hlink=\"hlink\" folHlink=\"folHlink\"";

render::ChartToRender DarkSlideChart(const std::string& png) {
    const auto parts = Unzip(SourceDir() + "/tests/office/forms/colour-map-slide.pptx");
    render::ChartToRender chart;
    chart.chartXml = parts.at("ppt/charts/chart1.xml");
    chart.themeXml = parts.at("ppt/theme/theme1.xml");
    chart.themeOverrideXml = parts.at("ppt/theme/themeOverride1.xml");
    chart.colourMap = kDarkMap;
    chart.outputPng = png;
    return chart;
}

// The chart with a c:clrMapOvr of these attributes, where the schema places it.
std::string WithChartColourMap(std::string chartXml, const std::string& attributes) {
    const size_t at = chartXml.find("<c:chart>");
    EXPECT_NE(at, std::string::npos);
    return chartXml.insert(at, "<c:clrMapOvr " + attributes + "/>");
}

// The wrapper's master carries the map the chart is shown under: its slide's, replaced by the
// chart's own c:clrMapOvr, which LibreOffice would ignore; the default map as it always was.
TEST(RenderCharts, TheWrapperMasterCarriesTheChartsColourMap) {
    struct Case {
        const char* name;
        render::ColourMap slideMap;
        const char* chartMap;  // the chart's c:clrMapOvr, or nullptr for none
        const char* masterMap;
    };
    const Case cases[] = {
        {"the default map", {}, nullptr, kIdentityMapAttributes},
        {"the slide's map", kDarkMap, nullptr, kDarkMapAttributes},
        {"the chart's own map", {}, kDarkMapAttributes, kDarkMapAttributes},
        {"the chart's map replaces the slide's", kDarkMap, kIdentityMapAttributes, kIdentityMapAttributes},
        {"names and colours no map has are left out", {{"bg1", "dk1"}, {"lt1", "dk1"}, {"tx1", "bg1\"/><x"}}, nullptr,
         "bg1=\"dk1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" accent2=\"accent2\" accent3=\"accent3\""
         " accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\""},
    };
    const std::string chartXml = Unzip(Corpus("pptx/cht-charts.pptx")).at("ppt/charts/chart1.xml");
    TempFolder work;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        render::ChartToRender chart;
        chart.chartXml = c.chartMap ? WithChartColourMap(chartXml, c.chartMap) : chartXml;
        chart.colourMap = c.slideMap;
        const auto parts = UnzipBytes(render::OneSlidePresentation(chart));
        const std::string master = parts.at("ppt/slideMasters/slideMaster1.xml");
        EXPECT_NE(master.find(std::string("<p:clrMap ") + c.masterMap + "/>"), std::string::npos) << master;
        WriteFile(work / "master.xml", master);
        EXPECT_EQ(std::system(("xmllint --noout --schema " + Schema("pml.xsd") + " " + (work / "master.xml") +
                               " 2>/dev/null").c_str()), 0);
    }
}

TEST(RenderCharts, TheWrapperCarriesTheChartsThemeOverride) {
    const render::ChartToRender chart = DarkSlideChart("");
    const auto parts = UnzipBytes(render::OneSlidePresentation(chart));
    EXPECT_EQ(parts.at("ppt/theme/themeOverride1.xml"), chart.themeOverrideXml);
    EXPECT_NE(parts.at("ppt/charts/_rels/chart1.xml.rels").find("relationships/themeOverride\" Target=\"../theme/themeOverride1.xml\""),
              std::string::npos);
    EXPECT_NE(parts.at("[Content_Types].xml").find("/ppt/theme/themeOverride1.xml\" ContentType=\"application/"
                                                   "vnd.openxmlformats-officedocument.themeOverride+xml\""),
              std::string::npos);

    render::ChartToRender broken = chart;
    broken.themeOverrideXml = "<a:themeOverride>";
    EXPECT_THROW(render::OneSlidePresentation(broken), std::runtime_error) << "refused, not wrapped to spoil its document";
}

// Charts under different maps drawn in one run, each in the colours Office shows it with.
TEST(RenderCharts, PicturesShowTheColoursOfTheChartsMap) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    const render::ChartToRender dark = DarkSlideChart(work / "dark.png");
    render::ChartToRender light = dark;
    light.colourMap.clear();
    light.themeOverrideXml.clear();
    light.outputPng = work / "light.png";
    render::ChartToRender ownMap =
        FromCorpus({"xlsx/chart_bar03.xlsx", "xl/charts/chart1.xml", "xl/theme/theme1.xml"}, work / "own.png");
    ownMap.chartXml = Unzip(SourceDir() + "/tests/office/forms/colour-map-chart.xlsx").at("xl/charts/chart1.xml");

    const std::vector<std::string> problems = render::RenderCharts({dark, light, ownMap}, work / "lo");
    ASSERT_TRUE(problems.empty()) << problems[0];

    struct Case {
        const char* png;
        double black, white, red;  // at least (> 0) or at most (< 0, negated) this share
    };
    const Case cases[] = {
        {"dark.png", 0.5, -0.1, 0.02},    // on black, the first series red
        {"light.png", -0.1, 0.5, -0.002}, // on white, the first series the theme's blue
        {"own.png", 0.5, -0.1, 0},        // the chart's own map: on black too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.png);
        const auto picture = render::ReadPng(work / c.png);
        ASSERT_TRUE(picture);
        const double shares[] = {render::ShareNear(*picture, 0x000000), render::ShareNear(*picture, 0xFFFFFF),
                                 render::ShareNear(*picture, 0xFF0000)};
        const double limits[] = {c.black, c.white, c.red};
        for (int k = 0; k < 3; ++k) {
            if (limits[k] > 0) {
                EXPECT_GT(shares[k], limits[k]) << k;
            } else if (limits[k] < 0) {
                EXPECT_LT(shares[k], -limits[k]) << k;
            }
        }
    }
}

// A folder holding the named programs as links to the real ones (or, where there is none, a
// script that fails), to stand as the whole PATH.
std::string PathWith(const TempFolder& work, const std::vector<std::string>& programs) {
    const std::string bin = work / "bin";
    fs::create_directories(bin);
    for (const std::string& p : programs) {
        const std::string real = render::FindOnPath(p);
        if (!real.empty()) {
            fs::create_symlink(real, bin + "/" + p);
        } else {
            WriteFile(bin + "/" + p, "#!/bin/sh\nexit 1\n");
            chmod((bin + "/" + p).c_str(), 0755);
        }
    }
    return bin;
}

TEST(RenderCharts, SaysInOneLineWhichRendererIsMissingAndDrawsNothing) {
    struct Case {
        std::vector<std::string> present;
        const char* message;
    } cases[] = {
        {{}, "LibreOffice (soffice) not found on PATH: no rendered pictures"},
        {{"soffice"}, "pdftoppm (poppler-utils) not found on PATH: no rendered pictures"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TempFolder work;
        const std::string bin = PathWith(work, c.present);
        ScopedPath path(bin);
        const std::vector<render::ChartToRender> charts(2, {"<c:chartSpace/>", "", work / "out.png"});
        EXPECT_EQ(render::RenderCharts(charts, work / "lo"), std::vector<std::string>{c.message});
        EXPECT_EQ(render::MakePreviewPicture("<c:chartSpace/>", "", work / "out.png", work / "lo"),
                  std::vector<std::string>{c.message});
        EXPECT_FALSE(fs::exists(work / "out.png"));
    }
}

// A stand-in soffice that misbehaves, on a PATH with the real pdftoppm.
std::string FakeSoffice(const TempFolder& work, const std::string& body) {
    const std::string bin = PathWith(work, {"pdftoppm"});
    const std::string script = bin + "/soffice";
    WriteFile(script, "#!/bin/sh\n" + body + "\n");
    chmod(script.c_str(), 0755);
    return bin;
}

TEST(RenderCharts, NamesEveryChartWhenLibreOfficeMakesNothingOrHangs) {
    if (render::FindOnPath("pdftoppm").empty()) {
        if (SkipAllowed()) GTEST_SKIP() << "pdftoppm missing (QV_ALLOW_SKIP=1)";
        FAIL() << "pdftoppm missing: run scripts/setup, or set QV_ALLOW_SKIP=1";
    }
    struct Case {
        const char* soffice;
        double limit;
        const char* why;
    } cases[] = {
        {"exit 0", 0, ": not drawn: LibreOffice made no PDF of it"},
        {"exit 81", 0, ": not drawn: LibreOffice made no PDF of it"},
        {"/bin/sleep 30 & wait", 1, ": not drawn: LibreOffice did not finish within 1 s and was stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soffice);
        TempFolder work;
        ScopedPath path(FakeSoffice(work, c.soffice));
        const auto started = std::chrono::steady_clock::now();
        const std::vector<std::string> problems = render::RenderCharts(
            {{"<c:chartSpace/>", "", work / "a.png"}, {"<c:chartSpace/>", "", work / "b.png"}}, work / "lo", c.limit);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        ASSERT_EQ(problems.size(), 2u);
        EXPECT_EQ(problems[0].rfind(work / "a.png" + c.why, 0), 0u) << problems[0];
        EXPECT_EQ(problems[1].rfind(work / "b.png" + c.why, 0), 0u) << problems[1];
    }
}

bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] != 'Z';
}

TEST(RunProcess, KillsTheChildrenOfAProcessThatOverrunsItsLimit) {
    TempFolder work;
    const std::string script = work / "launcher";
    WriteFile(script, "#!/bin/sh\nsleep 30 &\necho $! > " + (work / "child") + "\nwait\n");
    chmod(script.c_str(), 0755);

    const render::ProcessResult run = render::RunProcess({script}, 0.5, work / "log");

    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.timedOut);
    const pid_t child = std::stoi(ReadFile(work / "child"));
    for (int i = 0; i < 40 && Running(child); ++i) usleep(50000);
    EXPECT_FALSE(Running(child));
}

TEST(ZipWriter, LeavesNothingBehindWhenTheFileCannotBeWritten) {
    TempFolder work;
    const std::string target = work / "missing-folder/out.pptx";
    try {
        office::WriteZipFile(target, {{"a.xml", "<a/>"}});
        FAIL() << "no error";
    } catch (const office::PackageWriteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(target + ": cannot be written: ", 0), 0u) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(work.path()));
}

}  // namespace
