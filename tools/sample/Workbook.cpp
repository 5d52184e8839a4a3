#include "tools/sample/Workbook.h"

#include "tools/render/Presentation.h"
#include "tools/package/ZipWriter.h"

namespace sample {
namespace {

using render::EscapeXml;

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const std::string kSml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

// Where a chart sits on the sheet: right of the table, ten columns wide and twenty rows tall, the
// next one below it.
struct ChartPlace {
    size_t fromColumn, toColumn, fromRow, toRow;
};

ChartPlace PlaceOf(const ChartData& data, size_t chart = 0) {
    const size_t from = data.columns.size() + 1;
    return {from, from + 9, 20 * chart, 20 * (chart + 1)};
}

std::string Rels(const std::string& id, const std::string& type, const std::string& target) {
    return std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/></Relationships>";
}

std::string Cell(size_t column, size_t row, const DataColumn& c) {
    const std::string ref = ColumnLetters(column) + std::to_string(row + 1);
    if (row == 0) return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + EscapeXml(c.header) + "</t></is></c>";
    if (c.numeric()) return "<c r=\"" + ref + "\"><v>" + NumberText(c.numbers[row - 1]) + "</v></c>";
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + EscapeXml(c.text[row - 1]) + "</t></is></c>";
}

std::string SheetXml(const ChartData& data, bool withDrawing) {
    size_t rows = 0;
    for (const DataColumn& c : data.columns) rows = std::max(rows, c.rows());
    std::string xml = std::string(kDecl) + "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelNs + "\"><sheetData>";
    for (size_t row = 0; row <= rows; ++row) {
        xml += "<row r=\"" + std::to_string(row + 1) + "\">";
        for (size_t column = 0; column < data.columns.size(); ++column)
            if (row == 0 || row <= data.columns[column].rows()) xml += Cell(column, row, data.columns[column]);
        xml += "</row>";
    }
    xml += "</sheetData>";
    if (withDrawing) xml += "<drawing r:id=\"rId1\"/>";
    return xml + "</worksheet>";
}

// The part of the sheet an embedding shows: the one chart alone, or the table with every chart.
std::string WorkbookXml(const ChartData& data, size_t charts, bool showCells) {
    std::string xml = std::string(kDecl) + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRelNs + "\">"
                      "<bookViews><workbookView/></bookViews><sheets><sheet name=\"" + EscapeXml(data.sheet) +
                      "\" sheetId=\"1\" r:id=\"rId1\"/></sheets>";
    if (charts > 0) {
        const ChartPlace last = PlaceOf(data, charts - 1);
        const std::string from = showCells ? "A1" : ColumnLetters(last.fromColumn) + "1";
        xml += "<oleSize ref=\"" + from + ":" + ColumnLetters(last.toColumn) + std::to_string(last.toRow) + "\"/>";
    }
    return xml + "</workbook>";
}

std::string Anchor(const char* end, size_t column, size_t row) {
    return std::string("<xdr:") + end + "><xdr:col>" + std::to_string(column) + "</xdr:col><xdr:colOff>0</xdr:colOff>"
           "<xdr:row>" + std::to_string(row) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + end + ">";
}

std::string DrawingXml(const ChartData& data, size_t charts) {
    std::string xml = std::string(kDecl) +
                      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\""
                      " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">";
    for (size_t i = 0; i < charts; ++i) {
        const ChartPlace place = PlaceOf(data, i);
        const std::string n = std::to_string(i + 1);
        xml += "<xdr:twoCellAnchor>" + Anchor("from", place.fromColumn, place.fromRow) +
               Anchor("to", place.toColumn + 1, place.toRow) +
               "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"" + std::to_string(i + 2) +
               "\" name=\"Chart " + n + "\"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/>"
               "<a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
               "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" xmlns:r=\"" + kRelNs +
               "\" r:id=\"rId" + n + "\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor>";
    }
    return xml + "</xdr:wsDr>";
}

std::string DrawingRels(size_t charts) {
    std::string xml = std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 1; i <= charts; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + kRelType + "chart\" Target=\"../charts/chart" +
               std::to_string(i) + ".xml\"/>";
    return xml + "</Relationships>";
}

// The sheet and, as Excel always writes one, the theme whose colours the charts' automatic
// formats come from (without it LibreOffice draws them white).
std::string WorkbookRels() {
    return std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"" + kRelType + "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"" + kRelType + "theme\" Target=\"theme/theme1.xml\"/></Relationships>";
}

std::string ContentTypes(size_t charts) {
    const bool withChart = charts > 0;
    std::string xml = std::string(kDecl) + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + kSml + "sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + kSml + "worksheet+xml\"/>"
        "<Override PartName=\"/xl/theme/theme1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>";
    if (withChart)
        xml += "<Override PartName=\"/xl/drawings/drawing1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>"
               "";
    for (size_t i = 1; i <= charts; ++i)
        xml += "<Override PartName=\"/xl/charts/chart" + std::to_string(i) +
               ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawingml.chart+xml\"/>";
    return xml + "</Types>";
}

}  // namespace

std::string WorkbookXlsx(const ChartData& data, const std::string& chartXml) {
    return WorkbookXlsx(data, chartXml.empty() ? std::vector<std::string>{} : std::vector<std::string>{chartXml}, false);
}

std::string WorkbookXlsx(const ChartData& data, const std::vector<std::string>& charts, bool showCells) {
    const bool withChart = !charts.empty();
    std::vector<office::ZipEntry> entries = {
        {"[Content_Types].xml", ContentTypes(charts.size())},
        {"_rels/.rels", Rels("rId1", "officeDocument", "xl/workbook.xml")},
        {"xl/workbook.xml", WorkbookXml(data, charts.size(), showCells)},
        {"xl/_rels/workbook.xml.rels", WorkbookRels()},
        {"xl/theme/theme1.xml", render::DefaultThemeXml()},
        {"xl/worksheets/sheet1.xml", SheetXml(data, withChart)},
    };
    if (withChart) {
        entries.push_back({"xl/worksheets/_rels/sheet1.xml.rels", Rels("rId1", "drawing", "../drawings/drawing1.xml")});
        entries.push_back({"xl/drawings/drawing1.xml", DrawingXml(data, charts.size())});
        entries.push_back({"xl/drawings/_rels/drawing1.xml.rels", DrawingRels(charts.size())});
        for (size_t i = 0; i < charts.size(); ++i)
            entries.push_back({"xl/charts/chart" + std::to_string(i + 1) + ".xml", charts[i]});
    }
    return office::ZipToBytes(entries);
}

}  // namespace sample
