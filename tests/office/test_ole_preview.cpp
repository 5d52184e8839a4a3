// The picture an OLE object shows on its slide: found in the object's p:pic or, in PowerPoint
// 2007's form, in the slide's VML drawing; drawn anew from what the converted workbook shows,
// and when it cannot be, counted and named. Presentations generated as the sample's are.
#include "tests/office/test_render_support.h"
#include "tools/bwoffice/Pages.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/chartmodel/Documents.h"
#include "tools/render/Png.h"
#include "tools/render/Presentation.h"
#include "tools/package/ZipWriter.h"
#include "tools/sample/ChartData.h"
#include "tools/sample/SamplePresentation.h"
#include "tools/sample/Workbook.h"

#include <functional>

namespace {

using namespace rendertest;

const render::Rect kFrame{457200, 838200, 8229600, 4114800};  // 2:1

// A one-slide presentation with an Excel object showing a chart, in the given form, then edited.
std::string Presentation(bool vmlForm, const std::function<void(std::map<std::string, std::string>&)>& edit = {}) {
    const sim::ChartModel chart = sample::SampleCharts().back().chart;
    const sample::ChartData data = sample::DataOf(chart);
    render::OleFrame ole{"Object 1", kFrame, "Excel.Sheet.12",
                         sample::WorkbookXlsx(data, sample::SampleChartPart(chart, data, false, render::DefaultThemeXml())),
                         sample::PlaceholderPng()};
    ole.vmlForm = vmlForm;
    render::PresentationContent content;
    content.slides.push_back({"", {}, {ole}});
    std::map<std::string, std::string> parts;
    for (office::ZipEntry& e : render::PresentationEntries(content)) parts[e.name] = std::move(e.data);
    if (edit) edit(parts);
    std::vector<office::ZipEntry> entries;
    for (auto& [name, data] : parts) entries.push_back({name, data});
    return office::ZipToBytes(entries);
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// PowerPoint 2010's form: the 2007 form in mc:Choice, and in mc:Fallback the object again with
// a p:pic of its own, here showing another picture than the VML shape.
void WrapInAlternateContent(std::map<std::string, std::string>& parts) {
    std::string& slide = parts["ppt/slides/slide1.xml"];
    const size_t start = slide.find("<p:oleObj "), end = slide.find("</p:oleObj>") + 11;
    const std::string choice = slide.substr(start, end - start);
    std::string fallback = choice;
    Replace(fallback, "spid=\"_x0000_s1025\" ", "");
    Replace(fallback, "<p:embed/>", "<p:embed/><p:pic><p:nvPicPr><p:cNvPr id=\"0\" name=\"\"/><p:cNvPicPr/><p:nvPr/>"
                                    "</p:nvPicPr><p:blipFill><a:blip r:embed=\"rIdFallback\"/></p:blipFill><p:spPr/></p:pic>");
    slide.replace(start, end - start,
                  "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
                  "<mc:Choice xmlns:v=\"urn:schemas-microsoft-com:vml\" Requires=\"v\">" + choice +
                  "</mc:Choice><mc:Fallback>" + fallback + "</mc:Fallback></mc:AlternateContent>");
    Replace(parts["ppt/slides/_rels/slide1.xml.rels"], "</Relationships>",
            "<Relationship Id=\"rIdFallback\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
            "relationships/image\" Target=\"../media/fallback.png\"/></Relationships>");
    parts["ppt/media/fallback.png"] = sample::PlaceholderPng();
}

struct Form {
    const char* what;
    bool vmlForm;
    std::function<void(std::map<std::string, std::string>&)> edit;
    const char* previewPart;
    const char* previewDrawing;
    const char* problem;  // the start of it
    const char* vmlPicturePart = "";
    std::vector<const char*> relsToNewPicture = {};
};

const std::vector<Form>& Forms() {
    static const std::vector<Form> forms = {
        {"picture in p:pic", false, {}, "ppt/media/image1.png", "", "", "", {"ppt/slides/_rels/slide1.xml.rels"}},
        {"picture in the VML drawing", true, {}, "ppt/media/image1.png", "ppt/drawings/vmlDrawing1.vml", "", "",
         {"ppt/drawings/_rels/vmlDrawing1.vml.rels"}},
        {"p:pic in mc:Fallback, another picture in the VML drawing", true, WrapInAlternateContent,
         "ppt/media/fallback.png", "", "", "ppt/media/image1.png",
         {"ppt/slides/_rels/slide1.xml.rels", "ppt/drawings/_rels/vmlDrawing1.vml.rels"}},
        {"shape missing from the VML drawing", true,
         [](auto& p) { Replace(p["ppt/slides/slide1.xml"], "spid=\"_x0000_s1025\"", "spid=\"_x0000_s1999\""); }, "", "",
         "no VML shape _x0000_s1999 in the slide's drawings"},
        {"VML drawing not well-formed", true,
         [](auto& p) { p["ppt/drawings/vmlDrawing1.vml"] = "<xml><v:shape id=\"_x0000_s1025\"><br></xml>"; }, "", "",
         "ppt/drawings/vmlDrawing1.vml is not well-formed XML: its picture cannot be found"},
        {"no VML drawing", true,
         [](auto& p) {
             Replace(p["ppt/slides/_rels/slide1.xml.rels"], "relationships/vmlDrawing", "relationships/customXml");
         },
         "", "", "the slide has no VML drawing"},
        {"shape without a picture", true,
         [](auto& p) { Replace(p["ppt/drawings/vmlDrawing1.vml"], "o:relid=\"rId1\"", "o:title2=\"\""); }, "", "",
         "ppt/drawings/vmlDrawing1.vml: shape _x0000_s1025 shows no picture"},
    };
    return forms;
}

std::vector<office::OfficeObject> Walk(const office::Package& package) {
    std::vector<office::OfficeObject> objects;
    office::DocumentVisitor visitor;
    visitor.object = [&](office::OfficeObject&& o) { objects.push_back(std::move(o)); };
    office::WalkDocument(package, visitor);
    return objects;
}

TEST(OlePreview, IsFoundInEitherFormAndWhereItIsNotTheReasonIsKept) {
    for (const Form& f : Forms()) {
        SCOPED_TRACE(f.what);
        const office::Package package = office::Package::OpenBytes(Presentation(f.vmlForm, f.edit), "talk.pptx");
        const std::vector<office::OfficeObject> objects = Walk(package);
        ASSERT_EQ(objects.size(), 1u);
        const office::OfficeObject& o = objects[0];
        EXPECT_EQ(o.previewPart, f.previewPart);
        EXPECT_EQ(o.previewDrawing, f.previewDrawing);
        EXPECT_EQ(o.vmlPicturePart, f.vmlPicturePart);
        EXPECT_EQ(o.previewProblem.rfind(f.problem, 0), 0u) << o.previewProblem;
        EXPECT_EQ(o.frameWidth, kFrame.cx);
        EXPECT_EQ(o.frameHeight, kFrame.cy);
        EXPECT_EQ(o.slide, 1u);
        EXPECT_EQ(o.charts.size(), 1u);  // the workbook is read whatever its picture
    }
}

// The object through the write-back as if the pass had blackened its first series.
bwoffice::WriteBackResult Converted(const office::Package& package, const std::string& work) {
    std::vector<office::OfficeObject> before = Walk(package), after = Walk(package);
    sim::WorkbookModel& book = *after[0].deck.excel->application.workbooks[0];
    book.sheets[0]->chartObjects[0].chart.series[0].interior.color = 0;
    bwoffice::WriteBack writeBack(package, work, false);
    writeBack.Object(0, before[0], before[0].deck, after[0].deck);
    return std::move(writeBack.Result());
}

TEST(OlePreview, ThatCannotBeFoundIsCountedAsLeftInColourAndNamed) {
    TempFolder work;
    for (const Form& f : Forms()) {
        if (!*f.problem) continue;
        SCOPED_TRACE(f.what);
        const office::Package package = office::Package::OpenBytes(Presentation(f.vmlForm, f.edit), "talk.pptx");
        const bwoffice::WriteBackResult result = Converted(package, work.path());
        EXPECT_EQ(result.chartsRewritten, 1u);
        EXPECT_EQ(result.previewsLeftInColour, 1u);
        ASSERT_EQ(result.notes.size(), 1u);
        EXPECT_EQ(result.notes[0], "slide 1: Object 1: preview left in colour: " + std::string(f.problem));
        EXPECT_FALSE(result.parts.count("ppt/media/bwpreview1.png"));
    }
}

size_t MagentaPixels(const render::Picture& p) {
    size_t n = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) n += p.rgb[i] > 180 && p.rgb[i + 1] < 90 && p.rgb[i + 2] > 180;
    return n;
}

TEST(OlePreview, IsDrawnAnewAtTheFramesProportionsInEitherForm) {
    QV_REQUIRE_RENDERER();
    TempFolder work;
    for (const Form& f : Forms()) {
        if (*f.problem) continue;
        SCOPED_TRACE(f.what);
        const office::Package package = office::Package::OpenBytes(Presentation(f.vmlForm, f.edit), "talk.pptx");
        const bwoffice::WriteBackResult result = Converted(package, work.path());
        EXPECT_EQ(result.previewsLeftInColour, 0u);
        ASSERT_TRUE(result.parts.count("ppt/media/bwpreview1.png"));
        for (const char* part : f.relsToNewPicture) {
            ASSERT_TRUE(result.parts.count(part)) << part;
            const std::string& rels = result.parts.at(part);
            EXPECT_NE(rels.find("Target=\"../media/bwpreview1.png\""), std::string::npos) << rels;
            EXPECT_EQ(rels.find("../media/image1.png"), std::string::npos) << rels;
        }
        WriteFile(work / "preview.png", result.parts.at("ppt/media/bwpreview1.png"));
        const auto picture = render::ReadPng(work / "preview.png");
        ASSERT_TRUE(picture);
        EXPECT_NEAR(static_cast<double>(picture->width) / picture->height, 2.0, 0.01);
        EXPECT_GT(render::InkShare(*picture), 0.03);
        EXPECT_EQ(MagentaPixels(*picture), 0u);  // the marks of the range's edges cut away
    }
}

TEST(Pages, OfHiddenSlidesAreLeftOutAsLibreOfficePrints) {
    const struct {
        std::vector<bool> hidden;
        std::vector<int> pages;
    } cases[] = {
        {{false, false, false}, {1, 2, 3}},
        {{false, true, false}, {1, 0, 2}},
        {{true, true, false}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        render::PresentationContent content;
        content.slides.resize(c.hidden.size());
        std::vector<office::ZipEntry> entries = render::PresentationEntries(content);
        for (office::ZipEntry& e : entries)
            for (size_t i = 0; i < c.hidden.size(); ++i)
                if (c.hidden[i] && e.name == "ppt/slides/slide" + std::to_string(i + 1) + ".xml")
                    Replace(e.data, "<p:sld ", "<p:sld show=\"0\" ");
        const office::Package package = office::Package::OpenBytes(office::ZipToBytes(entries), "talk.pptx");
        EXPECT_EQ(bwoffice::PageOfSlide(package), c.pages);
    }
}

}  // namespace
