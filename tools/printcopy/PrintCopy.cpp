#include "tools/printcopy/PrintCopy.h"

#include "tools/package/XmlNames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>

namespace office {
namespace {

using xml::Child;
using xml::Is;

std::string RelationshipId(const pugi::xml_node& n) { return xml::RelationshipAttribute(n, "id"); }

// An element name in the root's namespace prefix ("pageSetup" or "x:pageSetup").
std::string Named(const pugi::xml_node& root, const char* localName) {
    const std::string name = root.name();
    const size_t colon = name.find(':');
    return colon == std::string::npos ? localName : name.substr(0, colon + 1) + localName;
}

// Column and row sizes of a worksheet in points, as Excel lays them out for Calibri 11
// (7 pixels to a character, 96 pixels to the inch).
class Grid {
public:
    explicit Grid(const pugi::xml_node& worksheet) {
        const pugi::xml_node format = Child(worksheet, "sheetFormatPr");
        if (pugi::xml_attribute w = format.attribute("defaultColWidth")) {
            defaultColumn_ = std::round(w.as_double() * 7) * 0.75;
        } else {
            const double base = format.attribute("baseColWidth").as_double(8) * 7 + 5;
            defaultColumn_ = std::ceil(base / 8) * 8 * 0.75;
        }
        defaultRow_ = format.attribute("defaultRowHeight").as_double(15);
        for (pugi::xml_node c : Child(worksheet, "cols").children()) {
            if (!Is(c, "col")) continue;
            const double width = c.attribute("hidden").as_bool() ? 0 : std::round(c.attribute("width").as_double(0) * 7) * 0.75;
            for (int i = c.attribute("min").as_int(1); i <= c.attribute("max").as_int(0) && i <= 16384; ++i)
                columns_[i - 1] = width;
        }
        for (pugi::xml_node r : Child(worksheet, "sheetData").children()) {
            if (!Is(r, "row")) continue;
            const int index = r.attribute("r").as_int(0) - 1;
            if (index < 0) continue;
            if (r.attribute("hidden").as_bool()) rows_[index] = 0;
            else if (pugi::xml_attribute ht = r.attribute("ht")) rows_[index] = ht.as_double();
        }
    }
    double Column(int i) const {
        auto it = columns_.find(i);
        return it == columns_.end() ? defaultColumn_ : it->second;
    }
    double Row(int i) const {
        auto it = rows_.find(i);
        return it == rows_.end() ? defaultRow_ : it->second;
    }
    double Width(const CellBox& b) const {
        double w = 0;
        for (int i = b.firstColumn; i <= b.lastColumn; ++i) w += Column(i);
        return w;
    }
    double Height(const CellBox& b) const {
        double h = 0;
        for (int i = b.firstRow; i <= b.lastRow; ++i) h += Row(i);
        return h;
    }
    // The column (row) in which a distance in points from the sheet's left (top) edge falls.
    int ColumnAt(double points) const { return IndexAt(points, [this](int i) { return Column(i); }); }
    int RowAt(double points) const { return IndexAt(points, [this](int i) { return Row(i); }); }

private:
    template <typename Size>
    static int IndexAt(double points, Size size) {
        int i = 0;
        for (double edge = size(0); edge < points && i < 1048575; edge += size(++i)) {}
        return i;
    }

    double defaultColumn_ = 48, defaultRow_ = 15;
    std::map<int, double> columns_, rows_;
};

struct Cell {
    int column = 0, row = 0;
};

// "AB12" (with or without $); false for anything else.
bool ParseCell(const std::string& text, Cell& cell) {
    size_t i = 0;
    int column = 0, row = 0;
    if (i < text.size() && text[i] == '$') ++i;
    const size_t letters = i;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) && column <= 16384)
        column = column * 26 + (std::toupper(static_cast<unsigned char>(text[i++])) - 'A' + 1);
    if (i == letters || i - letters > 3) return false;
    if (i < text.size() && text[i] == '$') ++i;
    const size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && row <= 1048576)
        row = row * 10 + (text[i++] - '0');
    if (i == digits || i != text.size() || row < 1 || row > 1048576 || column > 16384) return false;
    cell = {column - 1, row - 1};
    return true;
}

std::string Letters(int column) {
    std::string s;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (n - 1) % 26));
    return s;
}

struct SheetParts {
    std::string workbookPart, sheetPart;
    int index = -1;   // among the workbook's sheets
    bool active = false;
};

SheetParts FindSheet(const Package& workbook, const std::string& sheetName) {
    SheetParts found;
    found.workbookPart = workbook.MainPart();
    const pugi::xml_document xml = workbook.ParseXml(found.workbookPart);
    const pugi::xml_node root = xml.document_element();
    const int activeTab = Child(Child(root, "bookViews"), "workbookView").attribute("activeTab").as_int(0);
    int i = 0;
    for (pugi::xml_node s : Child(root, "sheets").children()) {
        if (!Is(s, "sheet")) continue;
        if (sheetName == s.attribute("name").value()) {
            found.sheetPart = workbook.Target(found.workbookPart, RelationshipId(s));
            found.index = i;
            found.active = i == activeTab;
            return found;
        }
        ++i;
    }
    return found;
}

CellBox UsedCells(const pugi::xml_node& worksheet) {
    CellBox used;
    for (pugi::xml_node r : Child(worksheet, "sheetData").children())
        for (pugi::xml_node c : r.children()) {
            Cell cell;
            if (!Is(c, "c") || !(Child(c, "v") || Child(c, "is") || Child(c, "f"))) continue;
            if (ParseCell(c.attribute("r").value(), cell)) used = Union(used, {cell.column, cell.row, cell.column, cell.row});
        }
    return used;
}

// The cells a drawing's anchor covers (an anchor ending at offset 0 of a cell ends before it).
CellBox AnchorCells(const pugi::xml_node& anchor, const Grid& grid) {
    auto corner = [](const pugi::xml_node& m, int& column, int& row) {
        column = std::atoi(Child(m, "col").child_value());
        row = std::atoi(Child(m, "row").child_value());
    };
    CellBox b;
    if (Is(anchor, "absoluteAnchor")) {
        const pugi::xml_node pos = Child(anchor, "pos"), ext = Child(anchor, "ext");
        const double x = pos.attribute("x").as_double() / 12700, y = pos.attribute("y").as_double() / 12700;
        return {grid.ColumnAt(x), grid.RowAt(y), grid.ColumnAt(x + ext.attribute("cx").as_double() / 12700),
                grid.RowAt(y + ext.attribute("cy").as_double() / 12700)};
    }
    corner(Child(anchor, "from"), b.firstColumn, b.firstRow);
    if (Is(anchor, "twoCellAnchor")) {
        const pugi::xml_node to = Child(anchor, "to");
        corner(to, b.lastColumn, b.lastRow);
        if (std::atoll(Child(to, "colOff").child_value()) == 0 && b.lastColumn > b.firstColumn) --b.lastColumn;
        if (std::atoll(Child(to, "rowOff").child_value()) == 0 && b.lastRow > b.firstRow) --b.lastRow;
        return b;
    }
    const pugi::xml_node ext = Child(anchor, "ext");
    double left = 0, top = 0;
    for (int i = 0; i < b.firstColumn; ++i) left += grid.Column(i);
    for (int i = 0; i < b.firstRow; ++i) top += grid.Row(i);
    b.lastColumn = grid.ColumnAt(left + ext.attribute("cx").as_double() / 12700);
    b.lastRow = grid.RowAt(top + ext.attribute("cy").as_double() / 12700);
    return b;
}

bool IsAnchor(const pugi::xml_node& n) {
    return Is(n, "twoCellAnchor") || Is(n, "oneCellAnchor") || Is(n, "absoluteAnchor");
}

// The anchors of a drawing; of an mc:AlternateContent (Excel wraps its newer charts in one) the
// first branch's, since every branch places the same thing.
void CollectAnchors(const pugi::xml_node& parent, std::vector<pugi::xml_node>& anchors) {
    for (pugi::xml_node n : parent.children()) {
        if (IsAnchor(n)) anchors.push_back(n);
        else if (Is(n, "AlternateContent")) CollectAnchors(n.first_child(), anchors);
    }
}

CellBox DrawingCells(const Package& workbook, const std::string& sheetPart, const pugi::xml_node& worksheet,
                     const Grid& grid) {
    CellBox cells;
    const std::string id = RelationshipId(Child(worksheet, "drawing"));
    if (id.empty()) return cells;
    const pugi::xml_document drawing = workbook.ParseXml(workbook.Target(sheetPart, id));
    std::vector<pugi::xml_node> anchors;
    CollectAnchors(drawing.document_element(), anchors);
    for (const pugi::xml_node& anchor : anchors) cells = Union(cells, AnchorCells(anchor, grid));
    return cells;
}

bool Overlap(const CellBox& a, const CellBox& b) {
    return !a.empty() && !b.empty() && a.firstColumn <= b.lastColumn && b.firstColumn <= a.lastColumn &&
           a.firstRow <= b.lastRow && b.firstRow <= a.lastRow;
}

CellBox OleSize(const Package& workbook, const std::string& workbookPart) {
    const pugi::xml_document xml = workbook.ParseXml(workbookPart);
    const std::optional<CellBox> box = ParseCellRange(Child(xml.document_element(), "oleSize").attribute("ref").value());
    return box ? *box : CellBox{};
}

void RemoveChildren(pugi::xml_node parent, std::initializer_list<const char*> names) {
    for (pugi::xml_node c = parent.first_child(); c;) {
        const pugi::xml_node next = c.next_sibling();
        for (const char* n : names)
            if (Is(c, n)) {
                parent.remove_child(c);
                break;
            }
        c = next;
    }
}

// A new child placed before the first of the elements that the schema puts after it.
pugi::xml_node InsertBefore(pugi::xml_node parent, const char* localName, std::initializer_list<const char*> later) {
    for (pugi::xml_node c : parent.children())
        for (const char* n : later)
            if (Is(c, n)) return parent.insert_child_before(Named(parent, localName).c_str(), c);
    return parent.append_child(Named(parent, localName).c_str());
}

// The page: A4, no margins, the range at the top left at the largest whole percentage that fits.
int SetUpPage(pugi::xml_node worksheet, double width, double height) {
    const bool landscape = width > height;
    const double pageWidth = landscape ? 841.89 : 595.28, pageHeight = landscape ? 595.28 : 841.89;
    const int scale = std::clamp(static_cast<int>(std::floor(100 * std::min(pageWidth / width, pageHeight / height))), 10, 400);
    RemoveChildren(worksheet, {"printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks"});
    if (pugi::xml_node setUp = Child(Child(worksheet, "sheetPr"), "pageSetUpPr")) setUp.remove_attribute("fitToPage");
    const std::initializer_list<const char*> later = {"customProperties", "cellWatches", "ignoredErrors", "smartTags",
                                                      "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF",
                                                      "picture", "oleObjects", "controls", "webPublishItems",
                                                      "tableParts", "extLst"};
    pugi::xml_node margins = InsertBefore(worksheet, "pageMargins", later);
    for (const char* side : {"left", "right", "top", "bottom", "header", "footer"}) margins.append_attribute(side) = "0";
    pugi::xml_node page = InsertBefore(worksheet, "pageSetup", later);
    page.append_attribute("paperSize") = "9";
    page.append_attribute("scale") = scale;
    page.append_attribute("orientation") = landscape ? "landscape" : "portrait";
    InsertBefore(worksheet, "headerFooter", later);
    return scale;
}

constexpr int kMostRows = 2000, kMostColumns = 200;

const char kStylesType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char kMarkerFill[] = "FFFF00FF";  // magenta: a colour no converted chart or cell keeps

void AppendMarkerFill(pugi::xml_node fills) {
    pugi::xml_node pattern = fills.append_child(Named(fills, "fill").c_str()).append_child(Named(fills, "patternFill").c_str());
    pattern.append_attribute("patternType") = "solid";
    pattern.append_child(Named(fills, "fgColor").c_str()).append_attribute("rgb") = kMarkerFill;
}

int CountChildren(const pugi::xml_node& n, const char* localName) {
    int count = 0;
    for (pugi::xml_node c : n.children()) count += Is(c, localName) ? 1 : 0;
    return count;
}

// A cell format that fills with the marker colour, added to the workbook's styles (created when
// the workbook has none); returns its index, the edits going into parts.
int MarkerStyle(const Package& workbook, const std::string& workbookPart, std::map<std::string, std::string>& parts) {
    std::string stylesPart;
    for (const Relationship& r : workbook.Relationships(workbookPart))
        if (!r.external && IsRelationshipType(r, "styles") && workbook.HasPart(r.target)) stylesPart = r.target;
    pugi::xml_document styles;
    if (!stylesPart.empty()) {
        styles = workbook.ParseXml(stylesPart);
    } else {
        stylesPart = workbookPart.substr(0, workbookPart.rfind('/') + 1) + "bwprint-styles.xml";
        styles.load_string("<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                           "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
                           "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>"
                           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
                           "</cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
                           "borderId=\"0\" xfId=\"0\"/></cellXfs></styleSheet>");
        const std::string relsPart = workbookPart.substr(0, workbookPart.rfind('/') + 1) + "_rels/" +
                                     workbookPart.substr(workbookPart.rfind('/') + 1) + ".rels";
        pugi::xml_document rels = workbook.ParseXml(relsPart);
        pugi::xml_node rel = rels.document_element().append_child("Relationship");
        rel.append_attribute("Id") = "rIdBwPrintStyles";
        rel.append_attribute("Type") = kStylesType;
        rel.append_attribute("Target") = "bwprint-styles.xml";
        parts[relsPart] = XmlText(rels);
        pugi::xml_document types = workbook.ParseXml("[Content_Types].xml");
        pugi::xml_node o = types.document_element().append_child("Override");
        o.append_attribute("PartName") = ("/" + stylesPart).c_str();
        o.append_attribute("ContentType") = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
        parts["[Content_Types].xml"] = XmlText(types);
    }
    const pugi::xml_node root = styles.document_element();
    pugi::xml_node fills = Child(root, "fills"), xfs = Child(root, "cellXfs");
    if (!fills || !xfs) return -1;
    AppendMarkerFill(fills);
    const int fill = CountChildren(fills, "fill") - 1;
    fills.attribute("count").set_value(fill + 1);
    pugi::xml_node xf = xfs.append_child(Named(xfs, "xf").c_str());
    for (const char* a : {"numFmtId", "fontId", "borderId", "xfId"}) xf.append_attribute(a) = 0;
    xf.append_attribute("fillId") = fill;
    xf.append_attribute("applyFill") = 1;
    const int index = CountChildren(xfs, "xf") - 1;
    xfs.attribute("count").set_value(index + 1);
    parts[stylesPart] = XmlText(styles);
    return index;
}

int CellColumn(const pugi::xml_node& c, int previous) {
    Cell cell;
    return ParseCell(c.attribute("r").value(), cell) ? cell.column : previous + 1;
}

// Sets the style of cell (column, row), adding the cell (and its row) in order where missing.
void StyleCell(pugi::xml_node sheetData, int column, int row, int style) {
    pugi::xml_node rowNode, before;
    int implicit = -1;
    for (pugi::xml_node r : sheetData.children()) {
        if (!Is(r, "row")) continue;
        const int index = r.attribute("r") ? r.attribute("r").as_int() - 1 : implicit + 1;
        implicit = index;
        if (index == row) rowNode = r;
        if (index > row) {
            before = r;
            break;
        }
    }
    if (!rowNode) {
        rowNode = before ? sheetData.insert_child_before(Named(sheetData, "row").c_str(), before)
                         : sheetData.append_child(Named(sheetData, "row").c_str());
        rowNode.append_attribute("r") = row + 1;
    }
    pugi::xml_node cell, next;
    int previous = -1;
    for (pugi::xml_node c : rowNode.children()) {
        if (!Is(c, "c")) continue;
        previous = CellColumn(c, previous);
        if (previous == column) cell = c;
        if (previous > column) {
            next = c;
            break;
        }
    }
    if (!cell) {
        cell = next ? rowNode.insert_child_before(Named(sheetData, "c").c_str(), next)
                    : rowNode.append_child(Named(sheetData, "c").c_str());
        cell.append_attribute("r") = (Letters(column) + std::to_string(row + 1)).c_str();
    }
    cell.remove_attribute("s");
    cell.append_attribute("s") = style;
}

// The column right of the range and the row below it in the marker colour: where they start on
// the printed page is where the range ends, however LibreOffice sized the cells.
void MarkEdges(pugi::xml_node worksheet, const CellBox& range, int style) {
    pugi::xml_node sheetData = Child(worksheet, "sheetData");
    for (int row = range.firstRow; row <= range.lastRow + 1; ++row) StyleCell(sheetData, range.lastColumn + 1, row, style);
    for (int column = range.firstColumn; column <= range.lastColumn; ++column)
        StyleCell(sheetData, column, range.lastRow + 1, style);
}

// Every sheet hidden but those shown, the workbook opening on the first of them (by index);
// -1 when none is shown, and nothing is changed.
int ShowSheets(pugi::xml_node workbook, const std::function<bool(int, const char*)>& shown) {
    int first = -1, index = 0;
    for (pugi::xml_node s : Child(workbook, "sheets").children())
        if (Is(s, "sheet") && shown(index++, s.attribute("name").value()) && first < 0) first = index - 1;
    if (first < 0) return first;
    index = 0;
    for (pugi::xml_node s : Child(workbook, "sheets").children()) {
        if (!Is(s, "sheet")) continue;
        s.remove_attribute("state");
        if (!shown(index++, s.attribute("name").value())) s.append_attribute("state") = "hidden";
    }
    for (pugi::xml_node v : Child(workbook, "bookViews").children()) {
        v.remove_attribute("activeTab");
        v.remove_attribute("firstSheet");
        v.append_attribute("activeTab") = first;
        v.append_attribute("firstSheet") = first;
    }
    return first;
}

// Only the sheet at index shown and opened on, its print area the range.
void ShowOnly(pugi::xml_node workbook, int index, const std::string& printArea) {
    ShowSheets(workbook, [index](int i, const char*) { return i == index; });
    pugi::xml_node names = Child(workbook, "definedNames");
    if (!names) names = InsertBefore(workbook, "definedNames", {"calcPr", "oleSize", "customWorkbookViews", "pivotCaches",
                                                                "smartTagPr", "smartTagTypes", "webPublishing",
                                                                "fileRecoveryPr", "webPublishObjects", "extLst"});
    for (pugi::xml_node n = names.first_child(); n;) {
        const pugi::xml_node next = n.next_sibling();
        const std::string name = n.attribute("name").value();
        if (name == "_xlnm.Print_Area" || name == "_xlnm.Print_Titles") names.remove_child(n);
        n = next;
    }
    pugi::xml_node area = names.append_child(Named(workbook, "definedName").c_str());
    area.append_attribute("name") = "_xlnm.Print_Area";
    area.append_attribute("localSheetId") = index;
    area.text().set(printArea.c_str());
}

std::string QuotedSheet(const std::string& name) {
    std::string q = "'";
    for (char c : name) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::optional<CellBox> ParseCellRange(const std::string& text) {
    std::string t = text;
    if (const size_t bang = t.rfind('!'); bang != std::string::npos) t = t.substr(bang + 1);
    const size_t colon = t.find(':');
    Cell a, b;
    if (!ParseCell(t.substr(0, colon), a)) return std::nullopt;
    if (colon == std::string::npos) b = a;
    else if (!ParseCell(t.substr(colon + 1), b)) return std::nullopt;
    return CellBox{std::min(a.column, b.column), std::min(a.row, b.row), std::max(a.column, b.column),
                   std::max(a.row, b.row)};
}

std::string CellRangeText(const CellBox& box) {
    return "$" + Letters(box.firstColumn) + "$" + std::to_string(box.firstRow + 1) + ":$" + Letters(box.lastColumn) +
           "$" + std::to_string(box.lastRow + 1);
}

CellBox Union(const CellBox& a, const CellBox& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.firstColumn, b.firstColumn), std::min(a.firstRow, b.firstRow),
            std::max(a.lastColumn, b.lastColumn), std::max(a.lastRow, b.lastRow)};
}

CellBox ShownRange(const Package& workbook, const std::string& sheetName, bool withOleSize) {
    const SheetParts sheet = FindSheet(workbook, sheetName);
    if (sheet.sheetPart.empty()) return {};
    if (withOleSize && sheet.active) {
        const CellBox ole = OleSize(workbook, sheet.workbookPart);
        if (!ole.empty()) return ole;
    }
    const pugi::xml_document xml = workbook.ParseXml(sheet.sheetPart);
    const pugi::xml_node root = xml.document_element();
    if (!Is(root, "worksheet")) return {};
    const Grid grid(root);
    return Union(UsedCells(root), DrawingCells(workbook, sheet.sheetPart, root, grid));
}

SheetPrint PrintCopyOfSheet(const Package& workbook, const std::string& sheetName, CellBox range) {
    SheetPrint print;
    const SheetParts sheet = FindSheet(workbook, sheetName);
    if (sheet.sheetPart.empty()) {
        print.problem = "the workbook has no sheet " + sheetName;
        return print;
    }
    pugi::xml_document sheetXml = workbook.ParseXml(sheet.sheetPart);
    if (!Is(sheetXml.document_element(), "worksheet")) {
        print.problem = "sheet " + sheetName + " is not a worksheet";
        return print;
    }
    if (range.empty()) range = ShownRange(workbook, sheetName, true);
    if (range.empty()) {
        print.problem = "sheet " + sheetName + " shows nothing";
        return print;
    }
    const Grid grid(sheetXml.document_element());
    const double width = grid.Width(range), height = grid.Height(range);
    if (width <= 0 || height <= 0) {
        print.problem = "the range " + CellRangeText(range) + " of sheet " + sheetName + " is hidden";
        return print;
    }
    // LibreOffice lays cells out in its own fonts, wider or narrower than Excel: the range's size
    // on the page is found from the marked column and row printed beside it, and the scale
    // leaves room for the difference.
    // A picture of thousands of rows would print on many pages at the least scale and show nothing.
    if (range.lastRow - range.firstRow >= kMostRows || range.lastColumn - range.firstColumn >= kMostColumns) {
        print.problem = "the range " + CellRangeText(range) + " of sheet " + sheetName + " is too large for one picture";
        return print;
    }
    if (range.lastColumn >= 16383 || range.lastRow >= 1048575) {
        print.problem = "the range " + CellRangeText(range) + " of sheet " + sheetName + " reaches the sheet's edge";
        return print;
    }
    const CellBox printed{range.firstColumn, range.firstRow, range.lastColumn + 1, range.lastRow + 1};
    const int scale = SetUpPage(sheetXml.document_element(), grid.Width(printed) * 1.25, grid.Height(printed) * 1.25);
    std::map<std::string, std::string> parts;
    const int marker = MarkerStyle(workbook, sheet.workbookPart, parts);
    if (marker >= 0) MarkEdges(sheetXml.document_element(), range, marker);
    pugi::xml_document workbookXml = workbook.ParseXml(sheet.workbookPart);
    ShowOnly(workbookXml.document_element(), sheet.index, QuotedSheet(sheetName) + "!" + CellRangeText(printed));
    parts[sheet.sheetPart] = XmlText(sheetXml);
    parts[sheet.workbookPart] = XmlText(workbookXml);
    print.xlsx = workbook.WriteBytes(parts);
    print.widthPoints = width * scale / 100;
    print.heightPoints = height * scale / 100;
    print.marked = marker >= 0;
    return print;
}

std::vector<std::string> NewerChartsShown(const Package& workbook, const std::string& sheetName, CellBox range) {
    std::vector<std::string> names;
    const SheetParts sheet = FindSheet(workbook, sheetName);
    if (sheet.sheetPart.empty()) return names;
    const pugi::xml_document xml = workbook.ParseXml(sheet.sheetPart);
    const pugi::xml_node root = xml.document_element();
    const std::string id = RelationshipId(Child(root, "drawing"));
    if (id.empty()) return names;
    const pugi::xml_document drawing = workbook.ParseXml(workbook.Target(sheet.sheetPart, id));
    // A chart sheet shows the whole of its drawing; a worksheet the range.
    const bool worksheet = Is(root, "worksheet");
    if (worksheet && range.empty()) range = ShownRange(workbook, sheetName, true);
    const Grid grid(root);
    for (const pugi::xpath_node& d : drawing.select_nodes("//*[local-name()='graphicData']")) {
        if (!std::strstr(d.node().attribute("uri").value(), "chartex")) continue;
        pugi::xml_node frame = d.node().parent().parent(), anchor = frame;
        while (anchor && !IsAnchor(anchor)) anchor = anchor.parent();
        if (worksheet && (!anchor || !Overlap(AnchorCells(anchor, grid), range))) continue;
        const char* name = frame.select_node(".//*[local-name()='cNvPr']").node().attribute("name").value();
        names.push_back(*name ? name : "unnamed chart");
    }
    return names;
}

std::string CopyShowingSheets(const Package& workbook, const std::set<std::string>& shownSheets) {
    const std::string main = workbook.MainPart();
    pugi::xml_document xml = workbook.ParseXml(main);
    if (ShowSheets(xml.document_element(), [&](int, const char* name) { return shownSheets.count(name) > 0; }) < 0)
        return workbook.WriteBytes({});
    return workbook.WriteBytes({{main, XmlText(xml)}});
}

}  // namespace office
