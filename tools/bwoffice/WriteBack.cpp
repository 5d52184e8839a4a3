#include "tools/bwoffice/WriteBack.h"

#include "tools/deckmodel/Text.h"
#include "tools/legibility/Legibility.h"
#include "tools/chartmodel/ChartBarsAndLines.h"
#include "tools/printcopy/ChartPictures.h"
#include "tools/chartmodel/ColourContext.h"

#include "tools/printcopy/PrintCopy.h"
#include "tools/render/PictureEdit.h"
#include "tools/render/Print.h"
#include "tools/render/Render.h"
#include "tools/report/ChartSvg.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace bwoffice {

namespace {

using office::Package;

const sim::WorkbookModel* EmbeddedWorkbook(const bwpass::DeckObject& object) {
    if (!object.excel) return nullptr;
    const auto& books = object.excel->application.workbooks;
    const int i = object.excel->embeddedWorkbook;
    return i >= 0 && i < static_cast<int>(books.size()) ? books[static_cast<size_t>(i)].get() : nullptr;
}

// The part as this write-back sees it: edited already, or as stored.
std::string CurrentPart(const Package& package, const std::map<std::string, std::string>& parts,
                        const std::string& name) {
    auto it = parts.find(name);
    return it != parts.end() ? it->second : package.ReadPart(name);
}

std::string RelationshipsPartOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

std::string RelativeReference(const std::string& fromPart, const std::string& toPart) {
    // Both live below the same top folder (ppt/); climb from the source's folder to it.
    std::string from = fromPart.substr(0, fromPart.rfind('/') + 1);
    std::string prefix;
    while (!from.empty() && toPart.rfind(from, 0) != 0) {
        from.pop_back();
        from = from.substr(0, from.rfind('/') + 1);
        prefix += "../";
    }
    return prefix + toPart.substr(from.size());
}

// Re-targets the relationships of one part that lead to oldTarget; true when any did.
bool Retarget(const Package& package, const std::string& part, const std::string& oldTarget,
              const std::string& newTarget, std::map<std::string, std::string>& parts) {
    const std::string relsPart = RelationshipsPartOf(part);
    if (!package.HasPart(relsPart) && !parts.count(relsPart)) return false;
    pugi::xml_document rels = package.ParseXml(relsPart, CurrentPart(package, parts, relsPart));
    bool changed = false;
    for (pugi::xml_node r : rels.document_element().children("Relationship")) {
        if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) continue;
        if (office::ResolvePartReference(part, r.attribute("Target").value()) != oldTarget) continue;
        r.attribute("Target").set_value(RelativeReference(part, newTarget).c_str());
        changed = true;
    }
    if (changed) parts[relsPart] = office::XmlText(rels);
    return changed;
}

std::string FreshMediaName(const Package& package, const std::map<std::string, std::string>& parts) {
    for (int n = 1;; ++n) {
        const std::string name = "ppt/media/bwpreview" + std::to_string(n) + ".png";
        if (!package.HasPart(name) && !parts.count(name)) return name;
    }
}

void EnsurePngContentType(const Package& package, std::map<std::string, std::string>& parts) {
    const std::string typesPart = "[Content_Types].xml";
    pugi::xml_document types = package.ParseXml(typesPart, CurrentPart(package, parts, typesPart));
    for (pugi::xml_node d : types.document_element().children("Default"))
        if (strcasecmp(d.attribute("Extension").value(), "png") == 0) return;
    pugi::xml_node first = types.document_element().first_child();
    pugi::xml_node d = first ? types.document_element().insert_child_before("Default", first)
                             : types.document_element().append_child("Default");
    d.append_attribute("Extension") = "png";
    d.append_attribute("ContentType") = "image/png";
    parts[typesPart] = office::XmlText(types);
}

// The picture shows the sheet the workbook opens on.
const sim::SheetModel* ShownSheet(const sim::WorkbookModel& workbook) {
    const int active = workbook.activeSheet;
    return active >= 0 && active < static_cast<int>(workbook.sheets.size())
               ? workbook.sheets[static_cast<size_t>(active)].get()
               : nullptr;
}

std::vector<std::string> NewerChartsOnShownSheet(const Package& inner, const sim::WorkbookModel& workbook) {
    const sim::SheetModel* sheet = ShownSheet(workbook);
    return sheet ? office::NewerChartsShown(inner, bwpass::Utf8(sheet->name)) : std::vector<std::string>();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

class WriteBack::Writer {
public:
    Writer(const Package& package, const std::string& workFolder, bool collectCharts)
        : package_(package), workFolder_(workFolder), collectCharts_(collectCharts) {}

    void Object(size_t index, const office::OfficeObject& record, const bwpass::DeckObject& before,
                const bwpass::DeckObject& after);
    WriteBackResult& Result() { return result_; }

private:
    // Rewrites the changed charts of one workbook held in `holder`; returns its changed parts.
    std::map<std::string, std::string> Charts(size_t index, const Package& holder, const office::OfficeObject& record,
                                              const sim::WorkbookModel& before, const sim::WorkbookModel& after);
    void Preview(const Package& inner, const office::OfficeObject& record, const sim::WorkbookModel& after,
                 const std::map<std::string, std::string>& innerParts, const std::string& converted);
    // The picture of what the object shows, drawn from the converted workbook; what could not be
    // drawn goes to problems.
    bool DrawShownSheet(const office::OfficeObject& record, const std::string& sheet, const std::string& converted,
                        const std::string& png, std::vector<std::string>& problems);
    bool DrawChart(const Package& inner, const office::OfficeObject& record, const std::string& chartPart,
                   const std::string& chartXml,
                   const std::string& png, std::vector<std::string>& problems);
    void LeftInColour(const office::OfficeObject& record, const std::string& why);

    // Keeps bytes in a new file of the work folder and returns its name.
    std::string Save(const std::string& bytes);
    std::string ThemeFile(const Package& holder, const std::string& themePart);
    std::string PrintPicture(const std::string& chartPart, const sim::ChartModel& after, const pugi::xml_document& xml,
                             std::vector<bwpass::DrawnKey>& keys);

    const Package& package_;
    const std::string workFolder_;
    const bool collectCharts_;
    WriteBackResult result_;
    size_t saved_ = 0;
    std::map<std::string, std::string> themeFiles_;  // "package: theme part" -> file
    std::optional<std::map<std::string, std::pair<long long, long long>>> frameSizes_;  // of the outer package's charts
};

namespace {

MoreLegibility MoreLegibilityOf(const sim::ChartModel& after, const office::BarsAndLines& elements) {
    return {!legibility::CheckLegibility(after).lookAlikes.empty(),
            legibility::CheckBarsAndLines(after, elements.upBars ? &*elements.upBars : nullptr,
                                          elements.downBars ? &*elements.downBars : nullptr, elements.lines)};
}

}  // namespace

// LibreOffice draws none of Office's 48 fill patterns, fills every marker with its line's colour
// and has no surface chart: a converted chart prints as our own drawing of it, with each
// pattern's tile at the size Office gives it on paper. Our drawing has no up and down bars,
// high-low, drop or series lines and error bars: a chart with any is left to LibreOffice, so
// that they print.
std::string WriteBack::Writer::PrintPicture(const std::string& chartPart, const sim::ChartModel& after,
                                            const pugi::xml_document& xml, std::vector<bwpass::DrawnKey>& keys) {
    if (!frameSizes_) frameSizes_ = office::ChartFrameSizes(package_);
    auto size = frameSizes_->find(chartPart);
    const bool known = size != frameSizes_->end() && size->second.first > 0;
    const long long width = known ? size->second.first : render::kChartSlideWidth;
    const long long height = known ? size->second.second : render::kChartSlideHeight;
    const office::AxisTitles axes = office::ChartAxisTitles(xml);
    bwpass::ChartLook look;
    look.patternPixel = bwpass::PrintPatternPixel(width);
    look.title = office::ChartTitleText(xml);
    look.leftTitle = axes.left;
    look.bottomTitle = axes.bottom;
    look.bitmapPatterns = true;
    look.height = bwpass::DrawingHeight(width, height);
    return Save(bwpass::ChartSvg(after, "print", look, &keys));
}

std::string WriteBack::Writer::Save(const std::string& bytes) {
    const std::string file = workFolder_ + "/part" + std::to_string(++saved_);
    std::string error;
    if (!bwpass::WriteWholeFile(bwpass::Wide(file), bytes, error))
        throw std::runtime_error(file + ": cannot be written: " + error);
    return file;
}

std::string WriteBack::Writer::ThemeFile(const Package& holder, const std::string& themePart) {
    if (themePart.empty()) return {};
    const std::string key = holder.DisplayName() + ": " + themePart;
    auto it = themeFiles_.find(key);
    if (it != themeFiles_.end()) return it->second;
    return themeFiles_[key] = Save(holder.ReadPart(themePart));
}

std::map<std::string, std::string> WriteBack::Writer::Charts(size_t index, const Package& holder,
                                                             const office::OfficeObject& record,
                                                             const sim::WorkbookModel& before,
                                                             const sim::WorkbookModel& after) {
    const std::string theme = collectCharts_ ? ThemeFile(holder, record.themePart) : std::string();
    std::map<std::string, std::string> changed;
    for (const office::ChartLocation& location : record.charts) {
        const sim::ChartModel* b = office::FindChart(before, location);
        const sim::ChartModel* a = office::FindChart(after, location);
        if (!b || !a) {
            result_.notes.push_back(record.where + ": " + location.chartPart +
                                    " is missing from the converted deck; left unchanged");
            continue;
        }
        const std::string stored = holder.ReadPart(location.chartPart);
        pugi::xml_document xml = holder.ParseXml(location.chartPart, stored);
        const size_t written = office::WriteChartChanges(xml, *b, *a, record.theme);
        const std::string rewritten = written ? office::XmlText(xml) : std::string();
        const int chart = ChartIndex(before, location);
        const office::BarsAndLines elements = written ? office::ReadBarsAndLines(xml, record.theme) : office::BarsAndLines{};
        const bool drawnWhole = !elements.upBars && !elements.downBars && elements.lines.empty();
        std::vector<bwpass::DrawnKey> keys;
        const std::string print = written && record.embeddedPart.empty() && drawnWhole
                                      ? PrintPicture(location.chartPart, *a, xml, keys)
                                      : std::string();
        if (!print.empty()) result_.printPictures[location.chartPart] = print;
        if (collectCharts_ && chart >= 0)
            result_.charts.push_back({index, static_cast<size_t>(chart), Save(stored),
                                      written ? Save(rewritten) : std::string(), theme,
                                      ThemeFile(holder, office::ThemeOverridePart(holder, location.chartPart)),
                                      office::ColourMapChanges(record.theme), print, std::move(keys)});
        if (written && chart >= 0) result_.legibility[{index, static_cast<size_t>(chart)}] = MoreLegibilityOf(*a, elements);
        if (written == 0) continue;
        changed[location.chartPart] = rewritten;
        ++result_.chartsRewritten;
    }
    return changed;
}

void WriteBack::Writer::Object(size_t index, const office::OfficeObject& record, const bwpass::DeckObject& before,
                               const bwpass::DeckObject& after) {
    const sim::WorkbookModel* b = EmbeddedWorkbook(before);
    const sim::WorkbookModel* a = EmbeddedWorkbook(after);
    if (!b && !record.showAsIcon && !record.previewPart.empty() &&
        bwpass::Utf8(before.progId).find("Excel") != std::string::npos)
        LeftInColour(record, "its workbook is not read");
    if (!b || !a || (record.charts.empty() && !record.newerChartsShown)) return;
    if (record.embeddedPart.empty()) {
        for (auto& [name, text] : Charts(index, package_, record, *b, *a)) result_.parts[name] = std::move(text);
        return;
    }
    const Package inner = Package::OpenBytes(package_.ReadPart(record.embeddedPart),
                                             package_.DisplayName() + ": " + record.embeddedPart);
    const std::map<std::string, std::string> innerParts = Charts(index, inner, record, *b, *a);
    // A preview that shows a chart of the newer kinds keeps its colour: drawn anew it would show
    // a "not available" box where the chart was.
    if (record.newerChartsShown && !record.showAsIcon && !record.previewPart.empty()) {
        const std::vector<std::string> newer = NewerChartsOnShownSheet(inner, *a);
        if (!newer.empty()) {
            std::string names;
            for (const std::string& n : newer) names += (names.empty() ? "" : ", ") + n;
            LeftInColour(record, "it shows a chart of the newer kinds (cx:chart: " + names +
                                     "), which is not converted and which a picture drawn anew would show as "
                                     "a \"not available\" box; the old picture is kept");
            if (!innerParts.empty()) result_.partFiles[record.embeddedPart] = Save(inner.WriteBytes(innerParts));
            return;
        }
    }
    if (innerParts.empty()) return;
    const std::string converted = inner.WriteBytes(innerParts);
    result_.partFiles[record.embeddedPart] = Save(converted);
    Preview(inner, record, *a, innerParts, converted);
}

void WriteBack::Writer::LeftInColour(const office::OfficeObject& record, const std::string& why) {
    ++result_.previewsLeftInColour;
    result_.notes.push_back(record.where + ": preview left in colour: " + why);
}

void WriteBack::Writer::Preview(const Package& inner, const office::OfficeObject& record, const sim::WorkbookModel& after,
                                const std::map<std::string, std::string>& innerParts, const std::string& converted) {
    if (record.showAsIcon) {
        if (!record.previewPart.empty()) result_.notes.push_back(record.where + ": shown as an icon; the icon is kept");
        return;
    }
    if (record.previewPart.empty()) {
        LeftInColour(record, record.previewProblem.empty() ? "no picture of it was found" : record.previewProblem);
        return;
    }
    const sim::SheetModel* sheet = ShownSheet(after);
    const office::ChartLocation* shown = nullptr;
    for (const office::ChartLocation& l : record.charts)
        if (innerParts.count(l.chartPart) && sheet && sheet->name == l.sheet) {
            shown = &l;
            break;
        }
    if (!shown) {
        result_.notes.push_back(record.where + ": the converted charts are not on the shown sheet; preview kept");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string png = workFolder_ + "/preview" + std::to_string(result_.parts.size()) + ".png";
    std::vector<std::string> problems;
    const bool drawn = sheet->kind == sim::SheetModel::Kind::ChartSheet
                           ? DrawChart(inner, record, shown->chartPart, innerParts.at(shown->chartPart), png, problems)
                           : DrawShownSheet(record, bwpass::Utf8(sheet->name), converted, png, problems);
    result_.renderSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!drawn) {
        std::string why = "it could not be drawn anew";
        for (const std::string& p : problems) why += "; " + p;
        LeftInColour(record, why);
        return;
    }
    ReplacePreview(package_, record.slidePart, record.previewPart, ReadFile(png), result_.parts, record.vmlPicturePart);
}

bool WriteBack::Writer::DrawShownSheet(const office::OfficeObject& record, const std::string& sheet,
                                       const std::string& converted, const std::string& png,
                                       std::vector<std::string>& problems) {
    const Package workbook = Package::OpenBytes(converted, package_.DisplayName() + ": " + record.embeddedPart);
    const office::SheetPrint print = office::PrintCopyOfSheet(workbook, sheet);
    if (!print.problem.empty()) {
        problems.push_back(print.problem);
        return false;
    }
    render::PrintedRange range;
    range.xlsx = print.xlsx;
    range.widthPoints = print.widthPoints;
    range.heightPoints = print.heightPoints;
    range.marked = print.marked;
    if (record.frameWidth > 0 && record.frameHeight > 0)
        range.aspect = static_cast<double>(record.frameWidth) / static_cast<double>(record.frameHeight);
    range.outputPng = png;
    problems = render::RenderPrintedRange(range, workFolder_ + "/render");
    return problems.empty();
}

// A chart sheet shows its chart, drawn at the chart's own proportions and set into the frame's.
bool WriteBack::Writer::DrawChart(const Package& inner, const office::OfficeObject& record, const std::string& chartPart,
                                  const std::string& chartXml, const std::string& png,
                                  std::vector<std::string>& problems) {
    const std::string theme = record.themePart.empty() ? std::string() : inner.ReadPart(record.themePart);
    const std::string overridePart = office::ThemeOverridePart(inner, chartPart);
    const std::string themeOverride = overridePart.empty() ? std::string() : inner.ReadPart(overridePart);
    problems = render::MakePreviewPicture(chartXml, theme, png, workFolder_ + "/render", themeOverride);
    if (!problems.empty()) return false;
    const std::optional<render::Picture> picture = render::ReadPng(png);
    if (!picture) return problems.push_back("the chart's picture cannot be read"), false;
    const double aspect = record.frameWidth > 0 && record.frameHeight > 0
                              ? static_cast<double>(record.frameWidth) / static_cast<double>(record.frameHeight)
                              : 0;
    if (!render::WritePng(render::PadToAspect(*picture, aspect), png))
        return problems.push_back("the picture cannot be written"), false;
    return true;
}

void ReplacePreview(const Package& package, const std::string& slidePart, const std::string& oldPicture,
                    std::string png, std::map<std::string, std::string>& parts, const std::string& oldVmlPicture) {
    const std::string picture = FreshMediaName(package, parts);
    parts[picture] = std::move(png);
    EnsurePngContentType(package, parts);
    Retarget(package, slidePart, oldPicture, picture, parts);
    // PowerPoint draws the object from the legacy VML shape (mc:Choice Requires="v"), whose
    // drawing has its own relationship to the picture.
    for (const office::Relationship& r : package.Relationships(slidePart))
        if (!r.external && office::IsRelationshipType(r, "vmlDrawing") && package.HasPart(r.target)) {
            Retarget(package, r.target, oldPicture, picture, parts);
            if (!oldVmlPicture.empty()) Retarget(package, r.target, oldVmlPicture, picture, parts);
        }
}

WriteBack::WriteBack(const Package& package, const std::string& workFolder, bool collectCharts)
    : writer_(std::make_unique<Writer>(package, workFolder, collectCharts)) {}

WriteBack::~WriteBack() = default;

void WriteBack::Object(size_t index, const office::OfficeObject& record, const bwpass::DeckObject& before,
                       const bwpass::DeckObject& after) {
    writer_->Object(index, record, before, after);
}

WriteBackResult& WriteBack::Result() { return writer_->Result(); }

int ChartIndex(const sim::WorkbookModel& workbook, const office::ChartLocation& location) {
    int index = 0;
    for (const auto& sheet : workbook.sheets) {
        const bool chartSheet = sheet->kind == sim::SheetModel::Kind::ChartSheet;
        if (sheet->name == location.sheet) {
            if (chartSheet) return location.chartObject < 0 ? index : -1;
            const int n = static_cast<int>(sheet->chartObjects.size());
            return location.chartObject >= 0 && location.chartObject < n ? index + location.chartObject : -1;
        }
        index += chartSheet ? 1 : static_cast<int>(sheet->chartObjects.size());
    }
    return -1;
}

}  // namespace bwoffice
