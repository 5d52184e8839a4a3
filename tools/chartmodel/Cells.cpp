#include "tools/chartmodel/Cells.h"
#include "tools/package/CaseFold.h"
#include "tools/package/XmlNames.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace office {

namespace {

using xml::Child;
using xml::Is;
using xml::Local;

// The text of a string item (a:si, c:is): its t, or the runs' t in turn.
std::string ItemText(const pugi::xml_node& item) {
    if (pugi::xml_node t = Child(item, "t")) return t.text().get();
    std::string text;
    for (pugi::xml_node r : item.children())
        if (Is(r, "r")) text += Child(r, "t").text().get();
    return text;
}

// "B12" or "$B$12" -> row 11, column 1; false for anything else.
bool ParseCell(const std::string& ref, int& row, int& column) {
    size_t i = 0;
    if (i < ref.size() && ref[i] == '$') ++i;
    long col = 0;
    size_t letters = 0;
    for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i, ++letters)
        col = col * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (letters == 0 || letters > 3) return false;
    if (i < ref.size() && ref[i] == '$') ++i;
    long r = 0;
    size_t digits = 0;
    for (; i < ref.size() && std::isdigit(static_cast<unsigned char>(ref[i])); ++i, ++digits) r = r * 10 + (ref[i] - '0');
    if (digits == 0 || digits > 7 || i != ref.size() || r < 1 || r > 1048576 || col > 16384) return false;
    row = static_cast<int>(r - 1);
    column = static_cast<int>(col - 1);
    return true;
}

// One "Sheet!A1:B2" reference; false when it is not one.
bool ParseReference(const std::string& text, CellRange& range) {
    std::string sheet;
    size_t i = 0;
    if (!text.empty() && text[0] == '\'') {
        // A quoted name doubles its own quotes.
        for (i = 1; i < text.size(); ++i) {
            if (text[i] != '\'') {
                sheet += text[i];
            } else if (i + 1 < text.size() && text[i + 1] == '\'') {
                sheet += '\'';
                ++i;
            } else {
                break;
            }
        }
        if (i >= text.size() || i + 1 >= text.size() || text[i + 1] != '!') return false;
        i += 2;
    } else {
        const size_t bang = text.find('!');
        if (bang == std::string::npos || bang == 0) return false;
        sheet = text.substr(0, bang);
        if (sheet.find_first_of("[]'") != std::string::npos) return false;  // another workbook
        i = bang + 1;
    }
    const std::string cells = text.substr(i);
    const size_t colon = cells.find(':');
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!ParseCell(cells.substr(0, colon), r1, c1)) return false;
    if (colon == std::string::npos) r2 = r1, c2 = c1;
    else if (!ParseCell(cells.substr(colon + 1), r2, c2)) return false;
    range = {sheet, std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    return true;
}

// Excel 2007's limit of points per series bounds what one formula may name.
constexpr long long kMaxCells = 32000;

}  // namespace

std::vector<CellRange> ParseChartFormula(const std::string& formula) {
    std::string text = formula;
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    // Split a union at the commas outside quoted sheet names.
    std::vector<CellRange> ranges;
    std::string piece;
    bool quoted = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '\'') quoted = !quoted;
        if (c != ',' || quoted) {
            piece += c;
            continue;
        }
        CellRange range;
        if (!ParseReference(piece, range)) return {};
        ranges.push_back(range);
        piece.clear();
    }
    return ranges;
}

WorkbookCells::WorkbookCells(const Package& package) : package_(&package) {}
WorkbookCells::WorkbookCells(std::function<Package()> open) : open_(std::move(open)) {}
WorkbookCells::~WorkbookCells() = default;

const Package* WorkbookCells::Workbook() const {
    if (loaded_) return package_;
    loaded_ = true;
    try {
        if (!package_ && open_) {
            owned_ = std::make_unique<Package>(open_());
            package_ = owned_.get();
        }
        if (!package_) return nullptr;
        const std::string main = package_->MainPart();
        const pugi::xml_document workbook = package_->ParseXml(main);
        for (pugi::xml_node s : Child(workbook.document_element(), "sheets").children()) {
            std::string id;
            for (pugi::xml_attribute a : s.attributes())
                if (std::strchr(a.name(), ':') && std::strcmp(Local(a.name()), "id") == 0) id = a.value();
            if (!id.empty()) sheetParts_[Lower(s.attribute("name").value())] = package_->Target(main, id);
        }
        for (const Relationship& r : package_->Relationships(main))
            if (!r.external && IsRelationshipType(r, "sharedStrings") && package_->HasPart(r.target)) {
                const pugi::xml_document strings = package_->ParseXml(r.target);
                for (pugi::xml_node si : strings.document_element().children())
                    if (Is(si, "si")) sharedStrings_.push_back(ItemText(si));
            }
    } catch (const std::exception&) {
        // A workbook that cannot be read gives no cells: the chart keeps the points it stores.
        package_ = nullptr;
    }
    return package_;
}

WorkbookCells::Sheet WorkbookCells::ReadSheet(const std::string& part) const {
    Sheet sheet;
    const pugi::xml_document xml = package_->ParseXml(part);
    for (pugi::xml_node row : Child(xml.document_element(), "sheetData").children()) {
        for (pugi::xml_node c : row.children()) {
            int r = 0, col = 0;
            if (!Is(c, "c") || !ParseCell(c.attribute("r").value(), r, col)) continue;
            const std::string type = c.attribute("t").value();
            const pugi::xml_node v = Child(c, "v");
            CellValue cell;
            if (type == "inlineStr") {
                cell.text = ItemText(Child(c, "is"));
            } else if (!v) {
                continue;
            } else if (type == "s") {
                const long i = std::strtol(v.text().get(), nullptr, 10);
                if (i < 0 || i >= static_cast<long>(sharedStrings_.size())) continue;
                cell.text = sharedStrings_[static_cast<size_t>(i)];
            } else {
                cell.text = v.text().get();
                // Numbers, and booleans, which a chart plots as 0 and 1; errors and strings are text.
                char* end = nullptr;
                cell.number = std::strtod(cell.text.c_str(), &end);
                cell.isNumber = (type.empty() || type == "n" || type == "b") && end && *end == '\0' && !cell.text.empty();
            }
            cell.present = true;
            sheet[{r, col}] = cell;
        }
    }
    return sheet;
}

const WorkbookCells::Sheet* WorkbookCells::SheetNamed(const std::string& name) const {
    const std::string key = Lower(name);
    auto cached = sheets_.find(key);
    if (cached != sheets_.end()) return &cached->second;
    auto part = sheetParts_.find(key);
    if (part == sheetParts_.end() || !package_->HasPart(part->second)) return nullptr;
    try {
        return &(sheets_[key] = ReadSheet(part->second));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::vector<CellValue> WorkbookCells::Range(const std::string& formula) const {
    const std::vector<CellRange> ranges = ParseChartFormula(formula);
    if (ranges.empty() || !Workbook()) return {};
    std::vector<CellValue> out;
    for (const CellRange& range : ranges) {
        const long long count = static_cast<long long>(range.lastRow - range.firstRow + 1) *
                                (range.lastColumn - range.firstColumn + 1);
        const Sheet* sheet = SheetNamed(range.sheet);
        if (!sheet || count + static_cast<long long>(out.size()) > kMaxCells) return {};
        for (int r = range.firstRow; r <= range.lastRow; ++r)
            for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
                auto cell = sheet->find({r, c});
                out.push_back(cell == sheet->end() ? CellValue{} : cell->second);
            }
    }
    return out;
}

}  // namespace office
