// The built-in sample presentation: it validates, holds every chart family, its caches agree
// with its workbooks, its OLE object shows a rendered picture, and LibreOffice draws every slide.
#include "tests/office/test_render_support.h"
#include "tools/render/Png.h"
#include "tools/render/Process.h"
#include "tools/package/ZipWriter.h"
#include "tools/sample/ChartData.h"
#include "tools/sample/ChartXml.h"
#include "tools/sample/SamplePresentation.h"

#include <pugixml.hpp>

#include <cmath>
#include <regex>
#include <set>

namespace {

using namespace rendertest;
namespace fs = std::filesystem;

class SamplePresentation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        problems_ = sample::WriteSamplePresentation(*folder_ / "sample.pptx", *folder_ / "lo");
        parts_ = Unzip(*folder_ / "sample.pptx");
    }
    static void TearDownTestSuite() { delete folder_; }

    static std::vector<std::string> Named(const std::string& prefix, const std::string& suffix = ".xml") {
        std::vector<std::string> names;
        for (const auto& [name, data] : parts_)
            if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 && name.find("_rels") == std::string::npos)
                names.push_back(name);
        return names;
    }

    // The target of a part's relationship, as a part name.
    static std::string Target(const std::string& part, const std::string& id) {
        const size_t slash = part.rfind('/');
        pugi::xml_document rels;
        rels.load_string(parts_.at(part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels").c_str());
        const std::string target = rels.select_node(("//*[@Id='" + id + "']").c_str()).node().attribute("Target").value();
        return fs::path(part.substr(0, slash) + "/" + target).lexically_normal().string();
    }

    static TempFolder* folder_;
    static std::vector<std::string> problems_;
    static std::map<std::string, std::string> parts_;
};

TempFolder* SamplePresentation::folder_;
std::vector<std::string> SamplePresentation::problems_;
std::map<std::string, std::string> SamplePresentation::parts_;

bool Validates(const std::string& schema, const std::vector<std::string>& files) {
    std::string command = "xmllint --noout --schema " + Schema(schema);
    for (const std::string& f : files) command += " " + f;
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

TEST_F(SamplePresentation, EveryPartValidatesAgainstItsSchema) {
    std::map<std::string, std::vector<std::string>> bySchema;
    auto keep = [&](const std::string& schema, const std::string& name, const std::string& data) {
        const std::string file = *folder_ / ("v" + std::to_string(bySchema[schema].size()) + "-" + fs::path(name).filename().string());
        WriteFile(file, data);
        bySchema[schema].push_back(file);
    };
    for (const std::string& name : Named("ppt/charts/")) keep("dml-chart.xsd", name, parts_.at(name));
    for (const char* prefix : {"ppt/slides/", "ppt/presentation", "ppt/slideMasters/", "ppt/slideLayouts/"})
        for (const std::string& name : Named(prefix)) keep("pml.xsd", name, parts_.at(name));
    keep("dml-main.xsd", "theme1.xml", parts_.at("ppt/theme/theme1.xml"));
    for (const std::string& xlsx : Named("ppt/embeddings/", ".xlsx")) {
        const auto workbook = UnzipBytes(parts_.at(xlsx));
        keep("sml.xsd", "workbook.xml", workbook.at("xl/workbook.xml"));
        keep("sml.xsd", "sheet1.xml", workbook.at("xl/worksheets/sheet1.xml"));
        for (const auto& [name, data] : workbook)
            if (name.rfind("xl/charts/", 0) == 0) keep("dml-chart.xsd", name, data);
        if (workbook.count("xl/drawings/drawing1.xml"))
            keep("dml-spreadsheetDrawing.xsd", "drawing1.xml", workbook.at("xl/drawings/drawing1.xml"));
    }
    ASSERT_EQ(bySchema.size(), 5u);
    for (const auto& [schema, files] : bySchema) EXPECT_TRUE(Validates(schema, files)) << schema;
}

TEST_F(SamplePresentation, HoldsEveryChartFamilyOneChartPerSlide) {
    std::vector<pugi::xml_document> charts(Named("ppt/charts/").size());
    for (size_t i = 0; i < charts.size(); ++i) ASSERT_TRUE(charts[i].load_string(parts_.at(Named("ppt/charts/")[i]).c_str()));
    const struct {
        const char* what;
        const char* xpath;
    } families[] = {
        {"surface with bands", "//c:surface3DChart[count(c:axId) = 3]/c:bandFmts/c:bandFmt"},
        {"3-D column with walls and floor",
         "/c:chartSpace/c:chart[c:view3D and c:floor and c:sideWall and c:backWall]/c:plotArea[c:serAx]/c:bar3DChart[c:barDir/@val='col']"},
        {"bubble", "//c:bubbleChart/c:ser[c:xVal and c:yVal and c:bubbleSize]"},
        {"pie of pie", "//c:ofPieChart[c:ofPieType/@val='pie']/c:ser"},
        {"doughnut", "//c:doughnutChart[c:holeSize]/c:ser"},
        {"combination", "//c:plotArea[c:barChart/c:ser and c:lineChart/c:ser]"},
        {"scatter", "//c:scatterChart/c:ser[c:xVal and c:yVal]"},
        {"line with markers", "//c:lineChart[c:marker/@val='1']/c:ser[not(c:marker/c:symbol)]"},
        {"stacked area", "//c:areaChart[c:grouping/@val='stacked']"},
        {"filled radar", "//c:radarChart[c:radarStyle/@val='filled']"},
        {"100% stacked column", "//c:barChart[c:grouping/@val='percentStacked' and c:overlap/@val='100']"},
        {"horizontal bars", "//c:barChart[c:barDir/@val='bar']"},
        {"data labels", "//c:ser/c:dLbls[c:showVal/@val='1']"},
        {"pie with leader lines", "//c:pieChart/c:ser/c:dLbls/c:showLeaderLines[@val='1']"},
        {"trendline", "//c:ser/c:trendline"},
        {"minor gridlines", "//c:valAx/c:minorGridlines"},
        {"chart style 42", "/c:chartSpace[c:style/@val='42' and not(c:spPr)]/c:chart[not(c:plotArea/c:spPr)]"},
        {"chart style 35", "/c:chartSpace[c:style/@val='35' and not(c:spPr)]"},
        {"highlighted point marker",
         "//c:lineChart/c:ser/c:dPt[c:idx/@val='2']/c:marker[c:symbol/@val='diamond']/c:spPr/a:solidFill/a:srgbClr[@val='FF0000']"},
    };
    for (const auto& family : families) {
        size_t found = 0;
        for (const pugi::xml_document& chart : charts) found += !chart.select_nodes(family.xpath).empty();
        EXPECT_GT(found, 0u) << family.what;
    }
    const std::vector<std::string> slides = Named("ppt/slides/slide");
    EXPECT_EQ(slides.size(), sample::SampleCharts().size());
    EXPECT_EQ(charts.size() + 3, slides.size());  // and the OLE objects
    for (const std::string& slide : slides) {
        pugi::xml_document doc;
        doc.load_string(parts_.at(slide).c_str());
        EXPECT_EQ(doc.select_nodes("//p:graphicFrame").size(), 1u) << slide;
    }
}

// The slide whose title box reads title, and the chart part it shows.
std::string ChartOfSlide(const std::map<std::string, std::string>& parts, const std::string& title) {
    for (const auto& [name, data] : parts) {
        if (name.rfind("ppt/slides/slide", 0) != 0 || data.find("<a:t>" + title + "</a:t>") == std::string::npos) continue;
        pugi::xml_document rels;
        rels.load_string(parts.at("ppt/slides/_rels/" + name.substr(11) + ".rels").c_str());
        const std::string target = rels.select_node("//*[contains(@Target, 'charts/')]").node().attribute("Target").value();
        return parts.at("ppt/" + target.substr(3));
    }
    return "";
}

TEST_F(SamplePresentation, CarriesTheModelsColoursWrittenByTheChartPartWriter) {
    const struct {
        const char* slide;
        const char* xpath;
    } colours[] = {
        {"3-D column with walls and floor", "/c:chartSpace/c:chart/c:floor/c:spPr/a:solidFill/a:srgbClr[@val='9BBB59']"},
        {"3-D column with walls and floor", "/c:chartSpace/c:chart/c:backWall/c:spPr/a:solidFill/a:srgbClr[@val='DCE6F2']"},
        {"pie, ten slices", "//c:ser/c:dPt[c:idx/@val='6']/c:spPr/a:solidFill/a:srgbClr[@val='2C4D75']"},
        {"clustered column, ten series, data labels, trendline",
         "//c:ser[c:idx/@val='0']/c:dLbls/c:spPr/a:solidFill/a:srgbClr[@val='FFFFCC']"},
        {"clustered column, ten series, data labels, trendline", "/c:chartSpace/c:chart/c:plotArea/c:spPr/a:solidFill/a:srgbClr[@val='C0C0C0']"},
        {"XY scatter", "//c:ser[c:idx/@val='1']/c:marker/c:spPr/a:solidFill/a:srgbClr[@val='C0504D']"},
        {"XY scatter", "//c:ser/c:spPr/a:ln/a:noFill"},
    };
    for (const auto& c : colours) {
        pugi::xml_document chart;
        ASSERT_TRUE(chart.load_string(ChartOfSlide(parts_, c.slide).c_str())) << c.slide;
        EXPECT_TRUE(chart.select_node(c.xpath)) << c.slide << ": " << c.xpath;
    }
}

// The cells of a worksheet by reference ("B2"), as text.
std::map<std::string, std::string> Cells(const std::string& sheetXml) {
    pugi::xml_document doc;
    doc.load_string(sheetXml.c_str());
    std::map<std::string, std::string> cells;
    for (pugi::xpath_node c : doc.select_nodes("//*[local-name()='c']")) {
        const pugi::xml_node cell = c.node();
        cells[cell.attribute("r").value()] =
            cell.child("v") ? cell.child("v").text().get() : cell.child("is").child("t").text().get();
    }
    return cells;
}

TEST_F(SamplePresentation, CachesAgreeWithTheCellsOfTheEmbeddedWorkbook) {
    const std::regex reference(R"(Sheet1!\$([A-Z]+)\$(\d+)(?::\$[A-Z]+\$(\d+))?)");
    size_t compared = 0;
    for (const std::string& part : Named("ppt/charts/")) {
        SCOPED_TRACE(part);
        const auto cells = Cells(UnzipBytes(parts_.at(Target(part, "rId1"))).at("xl/worksheets/sheet1.xml"));
        pugi::xml_document chart;
        chart.load_string(parts_.at(part).c_str());
        for (pugi::xpath_node ref : chart.select_nodes("//c:numRef | //c:strRef")) {
            std::smatch m;
            const std::string f = ref.node().child_value("c:f");
            ASSERT_TRUE(std::regex_match(f, m, reference)) << f;
            const int first = std::stoi(m[2]);
            for (pugi::xpath_node pt : ref.node().select_nodes(".//c:pt")) {
                const std::string cell = m[1].str() + std::to_string(first + pt.node().attribute("idx").as_int());
                ASSERT_TRUE(cells.count(cell)) << f << " " << cell;
                EXPECT_EQ(cells.at(cell), pt.node().child_value("c:v")) << f << " " << cell;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 500u);
}

// The slide whose title box reads title.
std::string SlideTitled(const std::map<std::string, std::string>& parts, const std::string& title) {
    for (const auto& [name, data] : parts)
        if (name.rfind("ppt/slides/slide", 0) == 0 && data.find("<a:t>" + title + "</a:t>") != std::string::npos) return name;
    return "";
}

TEST_F(SamplePresentation, EmbedsWorksheetsAsOleObjectsInEachFormShowingWhatTheyShow) {
    QV_REQUIRE_RENDERER();
    EXPECT_TRUE(problems_.empty()) << problems_[0];
    const struct {
        const char* title;
        const char* pictureXpath;  // the element naming the picture's relationship, in its part
        size_t charts;
        const char* oleSize;
    } objects[] = {
        {"Excel worksheet embedded as an OLE object", "//p:oleObj/p:pic//a:blip", 1, "F1:O20"},
        {"OLE object in PowerPoint 2007's form (its picture in the VML drawing)", "", 1, "E1:N20"},
        {"OLE object showing its cells and two charts", "//p:oleObj/p:pic//a:blip", 2, "A1:O40"},
    };
    for (const auto& o : objects) {
        SCOPED_TRACE(o.title);
        const std::string slide = SlideTitled(parts_, o.title);
        ASSERT_FALSE(slide.empty());
        pugi::xml_document doc;
        doc.load_string(parts_.at(slide).c_str());
        const pugi::xml_node ole = doc.select_node("//p:oleObj[@progId='Excel.Sheet.12'][p:embed]").node();
        ASSERT_TRUE(ole);
        const auto workbook = UnzipBytes(parts_.at(Target(slide, ole.attribute("r:id").value())));
        EXPECT_EQ(workbook.count("xl/charts/chart1.xml") + workbook.count("xl/charts/chart2.xml"), o.charts);
        EXPECT_NE(workbook.at("xl/workbook.xml").find(std::string("<oleSize ref=\"") + o.oleSize + "\"/>"), std::string::npos);

        std::string image;
        if (*o.pictureXpath) {
            image = Target(slide, ole.select_node(o.pictureXpath).node().attribute("r:embed").value());
        } else {  // PowerPoint 2007's form: a VML shape named by spid, no picture of its own
            EXPECT_FALSE(ole.child("p:pic"));
            const std::string vml = "ppt/drawings/vmlDrawing1.vml";
            pugi::xml_document drawing;
            ASSERT_TRUE(drawing.load_string(parts_.at(vml).c_str()));
            const pugi::xml_node shape =
                drawing.select_node(("//v:shape[@id='" + std::string(ole.attribute("spid").value()) + "']").c_str()).node();
            ASSERT_TRUE(shape);
            image = Target(vml, shape.child("v:imagedata").attribute("o:relid").value());
        }
        WriteFile(*folder_ / "preview.png", parts_.at(image));
        const auto picture = render::ReadPng(*folder_ / "preview.png");
        ASSERT_TRUE(picture);
        EXPECT_GT(picture->width, 300);
        EXPECT_NEAR(static_cast<double>(picture->width) / picture->height, 8229600.0 / 5715000, 0.01);
        EXPECT_GT(render::InkShare(*picture), 0.03);
        EXPECT_GT(render::ColourShare(*picture), 0.02);
    }
}

TEST_F(SamplePresentation, LibreOfficeDrawsEverySlide) {
    QV_REQUIRE_RENDERER();
    const std::string out = *folder_ / "pdf";
    fs::create_directories(out);
    const render::ProcessResult run = render::RunProcess(
        {render::FindOnPath("soffice"), "--headless", "--norestore",
         "-env:UserInstallation=file://" + (*folder_ / "lo/lo-profile"), "--convert-to", "pdf", "--outdir", out,
         *folder_ / "sample.pptx"},
        300, *folder_ / "soffice.log");
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_EQ(render::RunProcess({render::FindOnPath("pdftoppm"), "-r", "30", "-png", out + "/sample.pdf", out + "/page"},
                                 120, *folder_ / "pdftoppm.log").exitCode, 0);
    const size_t slides = Named("ppt/slides/slide").size();
    const std::vector<sample::SampleChart> charts = sample::SampleCharts();
    for (size_t i = 1; i <= slides; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/page-%02zu.png", i);
        const auto page = render::ReadPng(out + name);
        ASSERT_TRUE(page) << name;
        EXPECT_GT(render::InkShare(*page), 0.03) << name;
        // A one-line chart has little colour; LibreOffice draws a chart of style 42 in greys.
        if (charts[i - 1].chartStyle != 42) {
            EXPECT_GT(render::ColourShare(*page), 0.001) << name;
        }
    }
    EXPECT_FALSE(fs::exists(out + "/page-" + std::to_string(slides + 1) + ".png"));
}

TEST(SampleWithoutLibreOffice, IsWrittenWithAPlaceholderPreviewAndSaysSo) {
    TempFolder work;
    fs::create_directories(work / "empty");
    std::vector<std::string> problems;
    {
        ScopedPath path(work / "empty");
        problems = sample::WriteSamplePresentation(work / "sample.pptx", work / "lo");
    }
    ASSERT_EQ(problems.size(), 3u);  // one for each OLE object
    for (const std::string& p : problems) {
        EXPECT_EQ(p.rfind("no preview picture for the OLE object: ", 0), 0u) << p;
        EXPECT_NE(p.find("LibreOffice (soffice) not found on PATH"), std::string::npos) << p;
    }
    const auto parts = Unzip(work / "sample.pptx");
    for (const char* image : {"ppt/media/image1.png", "ppt/media/image2.png", "ppt/media/image3.png"})
        EXPECT_EQ(parts.at(image), sample::PlaceholderPng()) << image;
}

TEST(SampleWithoutLibreOffice, IsNotWrittenAtAllWhereItCannotBeWritten) {
    TempFolder work;
    const std::string target = work / "no-such-folder/sample.pptx";
    try {
        sample::WriteSamplePresentation(target, work / "lo");
        FAIL() << "no error";
    } catch (const office::PackageWriteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(target + ": cannot be written: ", 0), 0u) << e.what();
    }
    EXPECT_FALSE(fs::exists(work / "no-such-folder"));
}

TEST(SampleChartData, ColumnLettersNumbersAndMarkersAreWrittenAsExcelDoes) {
    const std::pair<size_t, const char*> letters[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {51, "AZ"}, {701, "ZZ"}, {702, "AAA"}};
    for (const auto& [column, text] : letters) EXPECT_EQ(sample::ColumnLetters(column), text) << column;

    for (double v : {0.0, 1.0, 47.0, 0.1, 1.0 / 3, 95 - 80 * 0.3, 1e-7, 123456789.125, -2.5}) {
        const std::string text = sample::NumberText(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        EXPECT_LE(text.size(), 24u) << text;
    }
    const std::pair<double, const char*> texts[] = {{47, "47"}, {150, "150"}, {0.1, "0.1"}, {-2.5, "-2.5"},
                                                    {123456789.125, "123456789.125"}, {1e-7, "1e-07"}, {1e20, "1e+20"}};
    for (const auto& [v, text] : texts) EXPECT_EQ(sample::NumberText(v), text) << v;

    const std::pair<int32_t, const char*> markers[] = {{1, "square"}, {2, "diamond"}, {3, "triangle"}, {8, "circle"},
        {-4168, "x"}, {5, "star"}, {-4118, "dot"}, {-4115, "dash"}, {9, "plus"}, {-4142, "none"}};
    for (const auto& [style, symbol] : markers) EXPECT_STREQ(sample::MarkerSymbol(style), symbol) << style;
    EXPECT_EQ(sample::MarkerSymbol(-4105), nullptr);  // automatic: no c:symbol
}

}  // namespace
