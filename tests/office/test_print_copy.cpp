// The copies of a workbook that LibreOffice prints for a preview or a page picture: the range
// an embedded workbook shows, the copy's page set-up and edge marks, and cutting the printed
// range out of its page at the frame's proportions.
#include "tests/office/OfficeFiles.h"
#include "tests/office/test_render_support.h"
#include "tools/printcopy/PrintCopy.h"
#include "tools/render/PictureEdit.h"
#include "tools/sample/ChartData.h"
#include "tools/sample/Workbook.h"

#include <pugixml.hpp>

#include <optional>
#include <set>

namespace office {

bool operator==(const CellBox& a, const CellBox& b) {
    return a.firstColumn == b.firstColumn && a.firstRow == b.firstRow && a.lastColumn == b.lastColumn &&
           a.lastRow == b.lastRow;
}

std::ostream& operator<<(std::ostream& out, const CellBox& b) { return out << (b.empty() ? "(empty)" : CellRangeText(b)); }

}  // namespace office

namespace {

using namespace rendertest;
using office::CellBox;

TEST(CellRanges, AreReadAsExcelWritesThemAndNothingElse) {
    const struct {
        const char* text;
        std::optional<CellBox> box;
    } cases[] = {
        {"B2:K20", CellBox{1, 1, 10, 19}},
        {"$A$1", CellBox{0, 0, 0, 0}},
        {"Sheet1!A1:C3", CellBox{0, 0, 2, 2}},
        {"'My sheet'!$C$5:$A$1", CellBox{0, 0, 2, 4}},  // corners in any order
        {"XFD1048576", CellBox{16383, 1048575, 16383, 1048575}},
        {"", std::nullopt}, {"A", std::nullopt}, {"1A", std::nullopt}, {"A0", std::nullopt},
        {"XFE1", std::nullopt}, {"A1:", std::nullopt}, {"A1:B", std::nullopt}, {"A1048577", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<CellBox> box = office::ParseCellRange(c.text);
        ASSERT_EQ(box.has_value(), c.box.has_value()) << c.text;
        if (box) {
            EXPECT_EQ(*box, *c.box) << c.text;
        }
    }
    EXPECT_EQ(office::CellRangeText({0, 0, 27, 39}), "$A$1:$AB$40");
}

// The sample's table (A1:D5 for four points and three series) with charts right of it, each ten
// columns wide and twenty rows tall, the next below.
sample::ChartData Table() {
    sample::ChartData data;
    data.columns.push_back({"", {"Q1", "Q2", "Q3", "Q4"}, {}});
    for (const char* name : {"Online", "Shops", "Partners"}) data.columns.push_back({name, {}, {1, 2, 3, 4}});
    data.series = {{1, 0}, {2, 0}, {3, 0}};
    return data;
}

const char kChart[] = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>"
                      "<c:plotArea><c:layout/></c:plotArea></c:chart></c:chartSpace>";

office::Package Workbook(size_t charts, bool showCells) {
    return office::Package::OpenBytes(sample::WorkbookXlsx(Table(), std::vector<std::string>(charts, kChart), showCells),
                                      "book.xlsx");
}

TEST(ShownRange, IsTheOleSizeElseTheCellsInUseWithTheirDrawings) {
    const struct {
        const char* what;
        size_t charts;
        bool showCells, withOleSize;
        CellBox expected;
    } cases[] = {
        {"oleSize of the chart alone", 1, false, true, {5, 0, 14, 19}},
        {"oleSize of the table and both charts", 2, true, true, {0, 0, 14, 39}},
        {"cells in use and the chart anchored beside them", 1, false, false, {0, 0, 14, 19}},
        {"cells in use and two charts", 2, false, false, {0, 0, 14, 39}},
        {"cells alone", 0, false, true, {0, 0, 3, 4}},
    };
    for (const auto& c : cases) {
        const office::Package book = Workbook(c.charts, c.showCells);
        EXPECT_EQ(office::ShownRange(book, "Sheet1", c.withOleSize), c.expected) << c.what;
    }
    EXPECT_TRUE(office::ShownRange(Workbook(1, false), "No such sheet", true).empty());
}

struct Copy {
    std::map<std::string, std::string> parts;
    pugi::xml_document sheet, workbook, styles;
};

void Parse(pugi::xml_document& doc, const std::string& text) { ASSERT_TRUE(doc.load_string(text.c_str())); }

TEST(PrintCopyOfSheet, PrintsTheRangeAloneWithoutMarginsAndMarksItsEdges) {
    const office::Package book = Workbook(2, true);
    const office::SheetPrint print = office::PrintCopyOfSheet(book, "Sheet1");
    ASSERT_EQ(print.problem, "");
    ASSERT_TRUE(print.marked);
    Copy copy;
    copy.parts = UnzipBytes(print.xlsx);
    Parse(copy.sheet, copy.parts.at("xl/worksheets/sheet1.xml"));
    Parse(copy.workbook, copy.parts.at("xl/workbook.xml"));
    Parse(copy.styles, copy.parts.at("xl/bwprint-styles.xml"));
    // A1:O40 shown, so one column and row more printed; 15 columns of 48 pt by 40 rows of 15 pt.
    const struct {
        const char* what;
        const pugi::xml_document& doc;
        const char* xpath;
    } checks[] = {
        {"print area", copy.workbook, "//*[local-name()='definedName'][@name='_xlnm.Print_Area'][@localSheetId='0'][.=\"'Sheet1'!$A$1:$P$41\"]"},
        {"no margins", copy.sheet, "//*[local-name()='pageMargins'][@left='0' and @top='0' and @header='0' and @footer='0']"},
        {"landscape A4 for a wide range", copy.sheet, "//*[local-name()='pageSetup'][@paperSize='9'][@orientation='landscape']"},
        {"marked column", copy.sheet, "//*[local-name()='c'][@r='P1'][@s='1'] | //*[local-name()='c'][@r='P41'][@s='1']"},
        {"marked row", copy.sheet, "//*[local-name()='row'][@r='41']/*[local-name()='c'][@r='A41'][@s='1']"},
        {"the table's cells kept", copy.sheet, "//*[local-name()='c'][@r='B2']/*[local-name()='v'][.='1']"},
        {"magenta fill", copy.styles, "//*[local-name()='fill'][3]//*[local-name()='fgColor'][@rgb='FFFF00FF']"},
        {"its cell format", copy.styles, "//*[local-name()='cellXfs'][@count='2']/*[local-name()='xf'][2][@fillId='2']"},
    };
    for (const auto& c : checks) EXPECT_TRUE(c.doc.select_node(c.xpath)) << c.what;
    // Both edits in schema order: the sheet, workbook and styles validate.
    TempFolder folder;
    std::string command = "xmllint --noout --schema " + Schema("sml.xsd");
    for (const char* part : {"xl/worksheets/sheet1.xml", "xl/workbook.xml", "xl/bwprint-styles.xml"}) {
        const std::string file = folder / (std::to_string(command.size()) + ".xml");
        WriteFile(file, copy.parts.at(part));
        command += " " + file;
    }
    EXPECT_EQ(std::system((command + " 2>/dev/null").c_str()), 0);
    const int scale = copy.sheet.select_node("//*[local-name()='pageSetup']").node().attribute("scale").as_int();
    EXPECT_NEAR(print.widthPoints, 15 * 48 * scale / 100.0, 0.01);
    EXPECT_NEAR(print.heightPoints, 40 * 15 * scale / 100.0, 0.01);
    // With room on the page for cells that LibreOffice lays out a quarter wider or taller.
    EXPECT_LE(16 * 48 * 1.25 * scale / 100, 841.9);
    EXPECT_LE(41 * 15 * 1.25 * scale / 100, 595.3);
    EXPECT_TRUE(16 * 48 * 1.25 * (scale + 1) / 100 > 841.9 || 41 * 15 * 1.25 * (scale + 1) / 100 > 595.3);
}

TEST(PrintCopyOfSheet, AddsItsMarkToAWorkbooksOwnStylesAndShowsOnlyItsSheet) {
    const office::Package book = office::Package::OpenFile(Corpus("xlsx/chart_bar03.xlsx"));
    const office::SheetPrint print = office::PrintCopyOfSheet(book, "Sheet1");
    ASSERT_EQ(print.problem, "");
    Copy copy;
    copy.parts = UnzipBytes(print.xlsx);
    EXPECT_FALSE(copy.parts.count("xl/bwprint-styles.xml"));
    Parse(copy.styles, copy.parts.at("xl/styles.xml"));
    const pugi::xml_node xfs = copy.styles.select_node("//*[local-name()='cellXfs']").node();
    const int count = xfs.attribute("count").as_int();
    EXPECT_EQ(count, static_cast<int>(xfs.select_nodes("*[local-name()='xf']").size()));
    const std::string fill = xfs.select_node("*[local-name()='xf'][last()]").node().attribute("fillId").value();
    EXPECT_TRUE(copy.styles.select_node(("//*[local-name()='fills']/*[" + std::to_string(std::stoi(fill) + 1) +
                                         "]//*[@rgb='FFFF00FF']").c_str()));

    const struct {
        std::set<std::string> shown;
        const char* hiddenXpath;  // the sheets hidden in the copy
        size_t hidden;
    } sheets[] = {{{"Sheet1"}, "//*[local-name()='sheet'][@state='hidden']", 0}, {{"Nothing"}, "//*[@state]", 0}};
    for (const auto& s : sheets) {
        pugi::xml_document workbook;
        Parse(workbook, UnzipBytes(office::CopyShowingSheets(book, s.shown)).at("xl/workbook.xml"));
        EXPECT_EQ(workbook.select_nodes(s.hiddenXpath).size(), s.hidden);
    }
    const struct {
        const char* sheet;
        CellBox range;
        const char* problem;
    } refused[] = {
        {"Sheet9", {}, "the workbook has no sheet Sheet9"},
        {"Sheet1", {0, 0, 3, 2000}, "the range $A$1:$D$2001 of sheet Sheet1 is too large for one picture"},
        {"Sheet1", {16380, 0, 16383, 3}, "the range $XFA$1:$XFD$4 of sheet Sheet1 reaches the sheet's edge"},
    };
    for (const auto& r : refused) EXPECT_EQ(office::PrintCopyOfSheet(book, r.sheet, r.range).problem, r.problem);
}

render::Picture Blank(int width, int height) {
    render::Picture p;
    p.width = width;
    p.height = height;
    p.rgb.assign(static_cast<size_t>(width * height * 3), 255);
    return p;
}

void Paint(render::Picture& p, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            uint8_t* px = &p.rgb[static_cast<size_t>((y * p.width + x) * 3)];
            px[0] = r, px[1] = g, px[2] = b;
        }
}

TEST(PictureEdit, FindsTheMarkedRangeAndPadsItToTheFrame) {
    const struct {
        const char* what;
        int columnAt, rowAt;  // where the marks start; -1 for none
        int width, height;    // the range found
    } marks[] = {
        {"column and row", 30, 20, 30, 20},
        {"one row tall: the column is still the stronger mark", 30, 3, 30, 3},
        {"no marks", -1, -1, 0, 0},
    };
    for (const auto& m : marks) {
        render::Picture page = Blank(100, 80);
        Paint(page, 2, 2, 20, 10, 0, 0, 0);  // ink in the range
        if (m.columnAt >= 0) {
            Paint(page, m.columnAt, 0, m.columnAt + 6, m.rowAt + 4, 255, 0, 255);
            Paint(page, 0, m.rowAt, m.columnAt + 6, m.rowAt + 4, 255, 0, 255);
        }
        const render::Box box = render::MarkedRange(page);
        EXPECT_EQ(box.width, m.width) << m.what;
        EXPECT_EQ(box.height, m.height) << m.what;
    }
    const struct {
        int width, height;
        double aspect;
        int paddedWidth, paddedHeight;
    } pads[] = {{300, 100, 1.5, 300, 200}, {100, 300, 1.5, 450, 300}, {150, 100, 1.5, 150, 100}, {150, 100, 0, 150, 100}};
    for (const auto& p : pads) {
        render::Picture picture = Blank(p.width, p.height);
        Paint(picture, 0, 0, p.width, p.height, 0, 0, 0);
        const render::Picture padded = render::PadToAspect(picture, p.aspect);
        EXPECT_EQ(padded.width, p.paddedWidth) << p.width << "x" << p.height;
        EXPECT_EQ(padded.height, p.paddedHeight) << p.width << "x" << p.height;
        const render::Box ink = render::InkBox(padded);  // centred, not scaled
        EXPECT_EQ(ink.width, p.width);
        EXPECT_EQ(ink.x, (p.paddedWidth - p.width) / 2);
        EXPECT_EQ(ink.y, (p.paddedHeight - p.height) / 2);
    }
}

TEST(PictureEdit, WritesAPngThatReadsBackTheSame) {
    render::Picture picture = Blank(37, 11);
    Paint(picture, 3, 2, 20, 9, 200, 30, 90);
    picture = render::Cut(picture, {1, 1, 30, 9});
    TempFolder folder;
    ASSERT_TRUE(render::WritePng(picture, folder / "p.png"));
    const std::optional<render::Picture> read = render::ReadPng(folder / "p.png");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, 30);
    EXPECT_EQ(read->height, 9);
    EXPECT_EQ(read->rgb, picture.rgb);
    EXPECT_FALSE(render::WritePng(Blank(0, 0), folder / "empty.png"));
}

}  // namespace

namespace {

// The embedded workbook of a test presentation (tests/office/pages).
office::Package EmbeddedBook(const std::string& file) {
    const office::Package p = office::Package::OpenFile(officetest::SourceDir() + "/tests/office/pages/" + file);
    return office::Package::OpenBytes(p.ReadPart("ppt/embeddings/Microsoft_Excel_Worksheet.xlsx"), file);
}

// A cx:chart counts where it stands in the range shown: the oleSize, else the cells in use with
// every drawing (Excel wraps the newer charts' anchors in mc:AlternateContent).
TEST(NewerChartsShown, AreThoseInTheShownRange) {
    const struct {
        const char* file;
        CellBox range;
        std::vector<std::string> names;
    } cases[] = {
        {"newer-chart-beside.pptx", {}, {"Waterfall 2"}},
        {"newer-chart-only.pptx", {}, {"Waterfall 2"}},
        {"newer-chart-hidden.pptx", {}, {}},                       // below oleSize A1:L23
        {"newer-chart-hidden.pptx", {0, 0, 5, 24}, {"Waterfall 2"}},  // a range reaching its top left cell
        {"newer-chart-beside.pptx", {0, 0, 4, 23}, {}},             // ends the row above it
    };
    for (const auto& c : cases)
        EXPECT_EQ(office::NewerChartsShown(EmbeddedBook(c.file), "Sheet1", c.range), c.names) << c.file;
    EXPECT_TRUE(office::NewerChartsShown(EmbeddedBook("newer-chart-only.pptx"), "No such sheet").empty());
}

}  // namespace
