// Presentations and workbooks walked into deck objects, as the host would offer them, and the
// part edits around a new OLE preview picture.
#include "tests/office/OfficeFiles.h"
#include "tools/bwoffice/Conversion.h"
#include "tools/bwoffice/WriteBack.h"
#include "tools/deckmodel/Text.h"
#include "tools/chartmodel/Documents.h"

#include <gtest/gtest.h>

namespace {

using namespace officetest;
using office::OfficeObject;
using office::Package;
using bwpass::Utf8;

std::string Corpus(const std::string& name) { return SourceDir() + "/tests/office/corpus/" + name; }

struct Walked {
    std::vector<OfficeObject> objects;
    std::vector<office::UnmodelledChart> unmodelled;
};

Walked Walk(const Package& p) {
    Walked w;
    office::DocumentVisitor v;
    v.object = [&](OfficeObject&& o) { w.objects.push_back(std::move(o)); };
    v.unmodelled = [&](const office::UnmodelledChart& u) { w.unmodelled.push_back(u); };
    office::WalkDocument(p, v);
    return w;
}

const sim::WorkbookModel& Book(const OfficeObject& o) { return *o.deck.excel->application.workbooks.at(0); }

const char* kP = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                 "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                 "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";

std::string OleFrame(const std::string& name, const std::string& progId, const std::string& id) {
    return "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"5\" name=\"" + name +
           "\"/></p:nvGraphicFramePr><a:graphic><a:graphicData "
           "uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\"><p:oleObj progId=\"" + progId +
           "\" r:id=\"" + id + "\"><p:embed/></p:oleObj></a:graphicData></a:graphic></p:graphicFrame>";
}

// A slide with a chart in a group, a chartex chart, an Excel object (in mc:AlternateContent,
// with its preview and a VML drawing), a Visio object and an Excel object in the old format.
Entries MixedPresentation() {
    const std::string slide =
        std::string("<p:sld ") + kP + "><p:cSld><p:spTree><p:nvGrpSpPr/><p:grpSpPr/>"
        "<p:grpSp><p:nvGrpSpPr/><p:grpSpPr/><p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"2\" "
        "name=\"Chart in group\"/></p:nvGraphicFramePr><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
        "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rIdC\"/></a:graphicData>"
        "</a:graphic></p:graphicFrame></p:grpSp>"
        "<mc:AlternateContent><mc:Choice Requires=\"cx1\"><p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"3\" "
        "name=\"Funnel\"/></p:nvGraphicFramePr><a:graphic><a:graphicData "
        "uri=\"http://schemas.microsoft.com/office/drawing/2014/chartex\"/></a:graphic></p:graphicFrame>"
        "</mc:Choice><mc:Fallback><p:sp/></mc:Fallback></mc:AlternateContent>"
        "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"4\" name=\"Workbook\"/></p:nvGraphicFramePr><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/presentationml/2006/ole\"><mc:AlternateContent>"
        "<mc:Choice Requires=\"v\"><p:oleObj spid=\"_x0000_s1026\" progId=\"Excel.Sheet.12\" r:id=\"rIdE\">"
        "<p:embed/></p:oleObj></mc:Choice><mc:Fallback><p:oleObj progId=\"Excel.Sheet.12\" r:id=\"rIdE\"><p:embed/>"
        "<p:pic><p:blipFill><a:blip r:embed=\"rIdP\"/></p:blipFill></p:pic></p:oleObj></mc:Fallback>"
        "</mc:AlternateContent></a:graphicData></a:graphic></p:graphicFrame>" +
        OleFrame("Drawing", "Visio.Drawing.11", "rIdV") + OleFrame("Old sheet", "Excel.Sheet.8", "rIdB") +
        "</p:spTree></p:cSld></p:sld>";
    const std::string type = kRelType;
    const std::string slideRels =
        std::string("<Relationships xmlns=\"") + kRelsNs + "\">" +
        "<Relationship Id=\"rIdC\" Type=\"" + type + "chart\" Target=\"../charts/chart1.xml\"/>" +
        "<Relationship Id=\"rIdE\" Type=\"" + type + "package\" Target=\"../embeddings/Book.xlsx\"/>" +
        "<Relationship Id=\"rIdP\" Type=\"" + type + "image\" Target=\"../media/image1.emf\"/>" +
        "<Relationship Id=\"rIdD\" Type=\"" + type + "vmlDrawing\" Target=\"../drawings/vmlDrawing1.vml\"/>" +
        "<Relationship Id=\"rIdV\" Type=\"" + type + "oleObject\" Target=\"../embeddings/oleObject1.bin\"/>" +
        "<Relationship Id=\"rIdB\" Type=\"" + type + "oleObject\" Target=\"../embeddings/oleObject2.bin\"/>" +
        "</Relationships>";
    const std::string vmlRels = std::string("<Relationships xmlns=\"") + kRelsNs + "\"><Relationship Id=\"rId1\" Type=\"" +
                                type + "image\" Target=\"../media/image1.emf\"/></Relationships>";
    const Package chartSource = Package::OpenFile(Corpus("pptx/cht-charts.pptx"));
    Entries e = With(MinimalPresentation(), "ppt/slides/slide1.xml", slide);
    e = With(e, "ppt/slides/_rels/slide1.xml.rels", slideRels);
    e = With(e, "ppt/charts/chart1.xml", chartSource.ReadPart("ppt/charts/chart1.xml"));
    e = With(e, "ppt/embeddings/Book.xlsx", ReadFile(Corpus("xlsx/chart_bar03.xlsx")));
    e = With(e, "ppt/media/image1.emf", "EMF");
    e = With(e, "ppt/drawings/vmlDrawing1.vml", "<xml/>");
    e = With(e, "ppt/drawings/_rels/vmlDrawing1.vml.rels", vmlRels);
    e = With(e, "ppt/embeddings/oleObject1.bin", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    e = With(e, "ppt/embeddings/oleObject2.bin", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    return e;
}

TEST(Documents, SlideObjectsAreOfferedInDrawingOrder) {
    const Package p = Package::OpenBytes(Zip(MixedPresentation()), "mixed.pptx");
    const Walked w = Walk(p);
    struct Expected {
        const char* where;
        const char* progId;
        bool workbook;
        size_t charts;
    };
    const Expected expected[] = {
        {"slide 1: Chart in group", "Excel.Chart.8", true, 1},
        {"slide 1: Workbook", "Excel.Sheet.12", true, 2},
        {"slide 1: Drawing", "Visio.Drawing.11", false, 0},
        {"slide 1: Old sheet", "Excel.Sheet.8", false, 0},
    };
    ASSERT_EQ(w.objects.size(), std::size(expected));
    for (size_t i = 0; i < w.objects.size(); ++i) {
        const OfficeObject& o = w.objects[i];
        EXPECT_EQ(o.where, expected[i].where);
        EXPECT_EQ(Utf8(o.deck.progId), expected[i].progId) << o.where;
        EXPECT_EQ(o.deck.excel.has_value(), expected[i].workbook) << o.where;
        EXPECT_EQ(o.charts.size(), expected[i].charts) << o.where;
        EXPECT_EQ(o.deck.bwFlagSet, 512) << o.where;
    }

    // The native chart: a workbook whose one, active sheet is a chart sheet holding it.
    const OfficeObject& chart = w.objects[0];
    ASSERT_EQ(Book(chart).sheets.size(), 1u);
    EXPECT_EQ(Book(chart).sheets[0]->kind, sim::SheetModel::Kind::ChartSheet);
    EXPECT_EQ(Book(chart).activeSheet, 0);
    EXPECT_EQ(chart.charts[0].chartPart, "ppt/charts/chart1.xml");
    EXPECT_EQ(chart.charts[0].chartObject, -1);
    EXPECT_TRUE(chart.embeddedPart.empty());

    // The OLE object: its workbook as stored, the charts its chart objects, the Fallback's picture.
    const OfficeObject& ole = w.objects[1];
    EXPECT_EQ(ole.embeddedPart, "ppt/embeddings/Book.xlsx");
    EXPECT_EQ(ole.previewPart, "ppt/media/image1.emf");
    EXPECT_EQ(ole.slidePart, "ppt/slides/slide1.xml");
    EXPECT_EQ(Book(ole).activeSheet, 0);
    EXPECT_EQ(Book(ole).sheets[0]->chartObjects.size(), 2u);
    EXPECT_EQ(ole.charts[1].chartObject, 1);
    EXPECT_EQ(ole.charts[1].chartPart, "xl/charts/chart2.xml");

    ASSERT_EQ(w.unmodelled.size(), 2u);
    EXPECT_EQ(w.unmodelled[0].where, "slide 1: Funnel");
    EXPECT_NE(w.unmodelled[0].reason.find("cx:chart"), std::string::npos);
    EXPECT_EQ(w.unmodelled[1].where, "slide 1: Old sheet");
    EXPECT_NE(w.unmodelled[1].reason.find("legacy binary format"), std::string::npos);
}

TEST(Documents, WorkbooksOfferEachSheetWithChartsActive) {
    const struct {
        const char* file;
        size_t objects;
        size_t sheets;
        const char* firstWhere;
        int firstActive;
        int firstChartObject;
    } cases[] = {
        {"xlsx/chart_bar03.xlsx", 1, 1, "sheet Sheet1", 0, 0},
        {"xlsx/chartsheet04.xlsx", 1, 2, "sheet Chart1", 1, -1},
        {"xlsx/quote_name02.xlsx", 8, 8, "sheet Sheet'1", 0, 0},
    };
    for (const auto& c : cases) {
        const Walked w = Walk(Package::OpenFile(Corpus(c.file)));
        ASSERT_EQ(w.objects.size(), c.objects) << c.file;
        const OfficeObject& first = w.objects[0];
        EXPECT_EQ(first.where, c.firstWhere) << c.file;
        EXPECT_EQ(Utf8(first.deck.progId), "Excel.Sheet.12") << c.file;
        EXPECT_EQ(Book(first).sheets.size(), c.sheets) << c.file;
        EXPECT_EQ(Book(first).activeSheet, c.firstActive) << c.file;
        EXPECT_EQ(first.charts.at(0).chartObject, c.firstChartObject) << c.file;
        EXPECT_EQ(first.themePart, "xl/theme/theme1.xml") << c.file;
        // Each object's active sheet is a different one, in sheet order.
        for (size_t i = 1; i < w.objects.size(); ++i)
            EXPECT_GT(Book(w.objects[i]).activeSheet, Book(w.objects[i - 1]).activeSheet) << c.file;
    }
}

TEST(Documents, APresentationsChartsUseTheSlideMastersTheme) {
    const Walked w = Walk(Package::OpenFile(Corpus("pptx/cht-legend.pptx")));
    ASSERT_EQ(w.objects.size(), 2u);
    EXPECT_EQ(w.objects[0].themePart, "ppt/theme/theme1.xml");
    EXPECT_EQ(w.objects[1].where, "slide 2: Chart 1");
}

// The map the report's pictures are drawn under: the slide's own over its master's, none for a
// slide that keeps its master's map or for a workbook, whose charts map as the identity map does.
TEST(Documents, AChartsColourMapChangesAreThoseOfItsSlide) {
    struct Case {
        std::string file;
        std::map<std::string, std::string> changes;
    };
    const Case cases[] = {
        {SourceDir() + "/tests/office/forms/colour-map-slide.pptx",
         {{"bg1", "dk1"}, {"tx1", "lt1"}, {"bg2", "dk2"}, {"tx2", "lt2"}}},
        {Corpus("pptx/cht-legend.pptx"), {}},
        {SourceDir() + "/tests/office/forms/colour-map-chart.xlsx", {}},  // the chart maps itself
    };
    for (const Case& c : cases) {
        const Walked w = Walk(Package::OpenFile(c.file));
        ASSERT_FALSE(w.objects.empty()) << c.file;
        EXPECT_EQ(office::ColourMapChanges(w.objects[0].theme), c.changes) << c.file;
    }
}

TEST(Documents, ABrokenEmbeddedWorkbookIsNamedInsideItsFile) {
    const Package p = Package::OpenBytes(Zip(With(MixedPresentation(), "ppt/embeddings/Book.xlsx", "garbage")),
                                         "mixed.pptx");
    try {
        Walk(p);
        FAIL() << "no error";
    } catch (const office::OfficeFileError& e) {
        EXPECT_STREQ(e.what(), "mixed.pptx: ppt/embeddings/Book.xlsx: not a zip package");
    }
}

// Every flavour of presentation and workbook, macro-enabled ones named after the application.
TEST(Documents, MainPartContentTypesGiveTheKindOfDocument) {
    using office::DocumentKind;
    const std::pair<const char*, DocumentKind> cases[] = {
        {"application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml", DocumentKind::Presentation},
        {"application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml", DocumentKind::Presentation},
        {"application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml", DocumentKind::Presentation},
        {"application/vnd.ms-powerpoint.template.macroEnabled.main+xml", DocumentKind::Presentation},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml", DocumentKind::Workbook},
        {"application/vnd.ms-excel.sheet.macroEnabled.main+xml", DocumentKind::Workbook},
    };
    const std::string presentationType =
        "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
    for (const auto& [type, kind] : cases) {
        std::string types = MinimalPresentation().front().second;
        types.replace(types.find(presentationType), presentationType.size(), type);
        const Package p = Package::OpenBytes(Zip(With(MinimalPresentation(), "[Content_Types].xml", types)), "f");
        EXPECT_EQ(office::KindOf(p), kind) << type;
    }
}

TEST(Documents, ConvertedChartsAreFoundBySheetNameAfterTheSheetsRotate) {
    sim::WorkbookModel book;
    for (const wchar_t* name : {L"Data", L"Charts"}) {
        book.sheets.push_back(std::make_unique<sim::SheetModel>());
        book.sheets.back()->name = name;
    }
    book.sheets[1]->chartObjects.resize(2);
    book.sheets[1]->chartObjects[1].chart.name = L"second";
    std::swap(book.sheets[0], book.sheets[1]);
    const office::ChartLocation found{L"Charts", 1, "xl/charts/chart2.xml"};
    ASSERT_NE(office::FindChart(book, found), nullptr);
    EXPECT_EQ(office::FindChart(book, found)->name, L"second");
    EXPECT_EQ(office::FindChart(book, {L"Charts", 2, ""}), nullptr);
    EXPECT_EQ(office::FindChart(book, {L"Charts", -1, ""}), nullptr) << "a worksheet is no chart sheet";
    EXPECT_EQ(office::FindChart(book, {L"Gone", 0, ""}), nullptr);
}

TEST(Documents, ANewPreviewReplacesThePictureForTheSlideAndItsVmlDrawing) {
    const Package p = Package::OpenBytes(Zip(MixedPresentation()), "mixed.pptx");
    std::map<std::string, std::string> parts;
    bwoffice::ReplacePreview(p, "ppt/slides/slide1.xml", "ppt/media/image1.emf", "PNGDATA", parts);
    EXPECT_EQ(parts.at("ppt/media/bwpreview1.png"), "PNGDATA");
    EXPECT_NE(parts.at("ppt/slides/_rels/slide1.xml.rels").find("Id=\"rIdP\" Type=\"" + std::string(kRelType) +
                                                                "image\" Target=\"../media/bwpreview1.png\""),
              std::string::npos);
    EXPECT_NE(parts.at("ppt/drawings/_rels/vmlDrawing1.vml.rels").find("Target=\"../media/bwpreview1.png\""),
              std::string::npos);
    EXPECT_NE(parts.at("[Content_Types].xml").find("<Default Extension=\"png\" ContentType=\"image/png\"/>"),
              std::string::npos);
    EXPECT_EQ(parts.size(), 4u) << "nothing else is touched; the old picture stays for whoever else uses it";
    // A second preview on the same slide gets a name of its own and edits on top of the first.
    bwoffice::ReplacePreview(p, "ppt/slides/slide1.xml", "ppt/embeddings/oleObject1.bin", "PNG2", parts);
    EXPECT_EQ(parts.at("ppt/media/bwpreview2.png"), "PNG2");
    EXPECT_NE(parts.at("ppt/slides/_rels/slide1.xml.rels").find("../media/bwpreview1.png"), std::string::npos);
}

}  // namespace

namespace {

// Charts behind the slides are offered after the slides' own, named by where they stand, with the
// theme of their master; a layout's and master's chart has no slide number to print it under.
TEST(Documents, ChartsOnLayoutsMastersAndNotesPagesFollowTheSlides) {
    struct Expected {
        const char* where;
        office::Place place;
        size_t slide;
        const char* part;  // what it stands on
    };
    const struct {
        const char* file;
        std::vector<Expected> objects;
    } cases[] = {
        {"layout-chart.pptx",
         {{"slide 1: Chart 1", office::Place::Slide, 1, "ppt/slides/slide1.xml"},
          {"slide master 1: Master Chart", office::Place::Master, 0, "ppt/slideMasters/slideMaster1.xml"},
          {"slide layout 1 (Blank): Layout Chart", office::Place::Layout, 0, "ppt/slideLayouts/slideLayout1.xml"}}},
        {"notes-chart.pptx",
         {{"slide 1: Chart 1", office::Place::Slide, 1, "ppt/slides/slide1.xml"},
          {"notes page of slide 1: Notes Chart", office::Place::NotesPage, 0, "ppt/notesSlides/notesSlide1.xml"}}},
    };
    for (const auto& c : cases) {
        const Walked w = Walk(Package::OpenFile(SourceDir() + "/tests/office/pages/" + c.file));
        ASSERT_EQ(w.objects.size(), c.objects.size()) << c.file;
        for (size_t i = 0; i < c.objects.size(); ++i) {
            const OfficeObject& o = w.objects[i];
            EXPECT_EQ(o.where, c.objects[i].where) << c.file;
            EXPECT_EQ(o.place, c.objects[i].place) << o.where;
            EXPECT_EQ(o.slide, c.objects[i].slide) << o.where;
            EXPECT_EQ(o.slidePart, c.objects[i].part) << o.where;
            EXPECT_EQ(o.charts.size(), 1u) << o.where;
            EXPECT_EQ(o.themePart, i == 0 || c.objects[i].place != office::Place::NotesPage ? "ppt/theme/theme1.xml"
                                                                                             : "ppt/theme/theme2.xml")
                << o.where;
        }
    }
}

// An object whose shown sheet holds a cx:chart is marked so, whether or not it shows other charts.
TEST(Documents, AnObjectShowingANewerKindOfChartIsMarked) {
    const struct {
        const char* file;
        size_t charts;
        bool newer;
    } cases[] = {
        {"newer-chart-beside.pptx", 1, true},
        {"newer-chart-only.pptx", 0, true},
        {"layout-chart.pptx", 1, false},
    };
    for (const auto& c : cases) {
        const Walked w = Walk(Package::OpenFile(SourceDir() + "/tests/office/pages/" + c.file));
        ASSERT_FALSE(w.objects.empty()) << c.file;
        EXPECT_EQ(w.objects[0].charts.size(), c.charts) << c.file;
        EXPECT_EQ(w.objects[0].newerChartsShown, c.newer) << c.file;
    }
}

// A master, layout or notes page that cannot be read is named, and the file is still walked.
TEST(Documents, APartBehindTheSlidesThatCannotBeReadIsNamedNotFatal) {
    const std::string presentation =
        "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId9\"/></p:sldMasterIdLst>"
        "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst></p:presentation>";
    const std::string slideRels = std::string("<Relationships xmlns=\"") + kRelsNs + "\"><Relationship Id=\"rId1\" Type=\"" +
                                  kRelType + "notesSlide\" Target=\"../notesSlides/notesSlide1.xml\"/></Relationships>";
    const struct {
        const char* what;
        Entries entries;
        const char* where;  // what is named
    } cases[] = {
        {"a master whose relationship is missing", With(MinimalPresentation(), "ppt/presentation.xml", presentation),
         "slide master 1"},
        {"a notes page that is not in the package", With(MinimalPresentation(), "ppt/slides/_rels/slide1.xml.rels", slideRels),
         "notes page of slide 1"},
    };
    for (const auto& c : cases) {
        Walked w;
        ASSERT_NO_THROW(w = Walk(Package::OpenBytes(Zip(c.entries), "deck.pptx"))) << c.what;
        ASSERT_EQ(w.unmodelled.size(), 1u) << c.what;
        EXPECT_EQ(w.unmodelled[0].where, c.where) << c.what;
        EXPECT_NE(w.unmodelled[0].reason.find("its charts are left unchanged"), std::string::npos) << c.what;
    }
}

// The summary's count by place says something only where a chart stands off the slides or sheets.
TEST(ChartPlaces, NameEveryPlaceThatHoldsChartsWhenNotAllOnSlides) {
    using office::Place;
    const struct {
        std::map<Place, size_t> counts;
        const char* text;
    } cases[] = {
        {{{Place::Slide, 22}}, ""},
        {{{Place::Sheet, 3}}, ""},
        {{}, ""},
        {{{Place::Slide, 3}, {Place::Layout, 1}, {Place::NotesPage, 2}}, "3 on slides, 1 on slide layouts, 2 on notes pages"},
        {{{Place::Master, 1}}, "1 on slide masters"},
    };
    for (const auto& c : cases) {
        bwoffice::ConversionSummary s;
        for (const auto& [place, n] : c.counts) s.chartsByPlace[static_cast<size_t>(place)] = n;
        EXPECT_EQ(bwoffice::ChartPlacesText(s), c.text);
    }
}

}  // namespace
