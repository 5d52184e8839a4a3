// The work of reading a file grows with the file, not with its square: the parts taken out of the
// zip, and their bytes, per chart are the same for a few charts as for many. Work is counted by
// the package, never timed.
#include "tests/office/OfficeFiles.h"
#include "tools/chartmodel/Documents.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace officetest;
using office::Package;

const std::string kR = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
const std::string kChartUri = "http://schemas.openxmlformats.org/drawingml/2006/chart";

// A small column chart as Office stores it, with the values it shows.
std::string ColumnChart() {
    static const std::string chart =
        Package::OpenFile(SourceDir() + "/tests/office/corpus/xlsx/chart_column10.xlsx").ReadPart("xl/charts/chart1.xml");
    return chart;
}

std::string Relationship(const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string Rels(const std::string& entries) {
    return std::string("<Relationships xmlns=\"") + kRelsNs + "\">" + entries + "</Relationships>";
}

std::string ChartFrame(size_t i, const std::string& prefix) {
    return "<" + prefix + ":graphicFrame><" + prefix + ":nvGraphicFramePr><" + prefix + ":cNvPr id=\"" +
           std::to_string(i + 1) + "\" name=\"Chart " + std::to_string(i) + "\"/></" + prefix +
           ":nvGraphicFramePr><a:graphic><a:graphicData uri=\"" + kChartUri + "\"><c:chart xmlns:c=\"" + kChartUri +
           "\" " + kR + " r:id=\"rIdC" + std::to_string(i) + "\"/></a:graphicData></a:graphic></" + prefix +
           ":graphicFrame>";
}

// One sheet whose drawing holds `charts` charts.
Entries WorkbookOfCharts(size_t charts) {
    std::string anchors, drawingRels;
    Entries e = {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
        {"_rels/.rels", Rels(Relationship("rId1", "officeDocument", "xl/workbook.xml"))},
        {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" " + kR +
                                "><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", Rels(Relationship("rId1", "worksheet", "worksheets/sheet1.xml"))},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" " +
                                         kR + "><sheetData/><drawing r:id=\"rId1\"/></worksheet>"},
        {"xl/worksheets/_rels/sheet1.xml.rels", Rels(Relationship("rId1", "drawing", "../drawings/drawing1.xml"))},
    };
    for (size_t i = 1; i <= charts; ++i) {
        anchors += "<xdr:twoCellAnchor>" + ChartFrame(i, "xdr") + "<xdr:clientData/></xdr:twoCellAnchor>";
        drawingRels += Relationship("rIdC" + std::to_string(i), "chart", "../charts/chart" + std::to_string(i) + ".xml");
        e.emplace_back("xl/charts/chart" + std::to_string(i) + ".xml", ColumnChart());
    }
    e.emplace_back("xl/drawings/drawing1.xml",
                   "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                   "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">" + anchors + "</xdr:wsDr>");
    e.emplace_back("xl/drawings/_rels/drawing1.xml.rels", Rels(drawingRels));
    return e;
}

// `slides` slides of one chart each.
Entries DeckOfCharts(size_t slides) {
    Entries e = MinimalPresentation();
    std::string ids, presentationRels;
    for (size_t i = 1; i <= slides; ++i) {
        const std::string n = std::to_string(i);
        ids += "<p:sldId id=\"" + std::to_string(255 + i) + "\" r:id=\"rIdS" + n + "\"/>";
        presentationRels += Relationship("rIdS" + n, "slide", "slides/slide" + n + ".xml");
        e = With(e, "ppt/slides/slide" + n + ".xml",
                 "<p:sld xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                 "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><p:cSld><p:spTree>"
                 "<p:nvGrpSpPr/><p:grpSpPr/>" + ChartFrame(i, "p") + "</p:spTree></p:cSld></p:sld>");
        e = With(e, "ppt/slides/_rels/slide" + n + ".xml.rels",
                 Rels(Relationship("rIdC" + n, "chart", "../charts/chart" + n + ".xml")));
        e = With(e, "ppt/charts/chart" + n + ".xml", ColumnChart());
    }
    e = With(e, "ppt/presentation.xml",
             "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" " + kR +
                 "><p:sldIdLst>" + ids + "</p:sldIdLst></p:presentation>");
    return With(e, "ppt/_rels/presentation.xml.rels", Rels(presentationRels));
}

struct WorkPerChart {
    double parts = 0, bytes = 0;
};

WorkPerChart ReadAndCount(const Entries& entries, size_t charts) {
    const Package p = Package::OpenBytes(Zip(entries), "growth");
    const Package::ReadWork before = p.Work();  // the content types, read on opening
    size_t read = 0;
    office::DocumentVisitor v;
    v.object = [&](office::OfficeObject&& o) { read += o.charts.size(); };
    office::WalkDocument(p, v);
    EXPECT_EQ(read, charts);
    const auto perChart = [&](uint64_t now, uint64_t then) { return static_cast<double>(now - then) / charts; };
    return {perChart(p.Work().partsRead, before.partsRead), perChart(p.Work().bytesRead, before.bytesRead)};
}

TEST(ReadWork, PerChartStaysFlatAsTheFileGrows) {
    const struct {
        const char* name;
        std::function<Entries(size_t)> make;
    } cases[] = {
        {"one sheet of many charts", WorkbookOfCharts},
        {"many slides of one chart", DeckOfCharts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WorkPerChart few = ReadAndCount(c.make(10), 10), many = ReadAndCount(c.make(400), 400);
        // A part read once per chart costs the same per chart at any size; one read again for each
        // chart (a relationships part listing every chart) makes the large file's figure 40 times
        // the small one's. The fixed parts (workbook, sheet, presentation) only shrink per chart.
        EXPECT_LE(many.parts, few.parts * 1.05) << "parts read per chart: " << few.parts << " for 10, " << many.parts << " for 400";
        EXPECT_LE(many.bytes, few.bytes * 1.05) << "bytes read per chart: " << few.bytes << " for 10, " << many.bytes << " for 400";
    }
}

TEST(ReadWork, EachRelationshipsPartIsParsedOnce) {
    const Package p = Package::OpenBytes(Zip(WorkbookOfCharts(3)), "growth");
    for (int pass = 0; pass < 2; ++pass)
        for (const char* id : {"rIdC1", "rIdC2", "rIdC3"}) p.Target("xl/drawings/drawing1.xml", id);
    EXPECT_EQ(p.Work().relationshipsParsed, 1u);
    EXPECT_EQ(p.Target("xl/drawings/drawing1.xml", "rIdC2"), "xl/charts/chart2.xml");
}

}  // namespace
