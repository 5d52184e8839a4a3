#include "tools/chartmodel/Documents.h"

#include "tools/deckmodel/Text.h"
#include "tools/package/CaseFold.h"
#include "tools/chartmodel/LegacyDrawing.h"
#include "tools/package/XmlNames.h"
#include "tools/chartmodel/Cells.h"
#include "tools/chartmodel/ColourContext.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace office {

namespace {

using bwpass::Wide;

using xml::Child;
using xml::Is;
using xml::RelationshipAttribute;

std::string Leaf(const std::string& part) { return part.substr(part.rfind('/') + 1); }

std::string RelatedPart(const Package& package, const std::string& part, const char* type) {
    for (const Relationship& r : package.Relationships(part))
        if (!r.external && IsRelationshipType(r, type)) {
            if (!package.HasPart(r.target))
                package.Fail(part + ": its " + type + " " + r.target + " is not in the package");
            return r.target;
        }
    return {};
}

// The part a relationship leads to; "" when it leads to a file outside the package (a linked
// OLE object, a chart kept elsewhere), which is not this package's to convert.
std::string InternalTarget(const Package& package, const std::string& part, const std::string& id) {
    if (const Relationship* r = package.RelationshipById(part, id); r && r->external) return {};
    return package.Target(part, id);
}

// The graphic frames of a shape tree in drawing order, through groups. Of an mc:AlternateContent
// the Fallback is taken, since it is what every reader understands (for an OLE object it carries
// the preview picture); a Choice that holds a chartex chart is reported instead.
struct Frame {
    pugi::xml_node frame;
    bool chartex = false;
};

bool HoldsChartex(const pugi::xml_node& n) {
    for (const pugi::xpath_node& d : n.select_nodes(".//*[local-name()='graphicData']"))
        if (std::strstr(d.node().attribute("uri").value(), "chartex")) return true;
    return false;
}

// The frames of a shape tree in drawing order, through groups, anchors and the chosen branch of
// mc:AlternateContent; the walk keeps a stack of its own, so that no depth of groups can exhaust
// the call stack.
void CollectFrames(const pugi::xml_node& tree, std::vector<Frame>& frames) {
    WalkBelow(tree, [&](pugi::xml_node n) {
        if (Is(n, "graphicFrame")) {
            frames.push_back({n, HoldsChartex(n)});
            return pugi::xml_node();
        }
        if (Is(n, "grpSp") || Is(n, "twoCellAnchor") || Is(n, "oneCellAnchor") || Is(n, "absoluteAnchor")) return n;
        if (!Is(n, "AlternateContent")) return pugi::xml_node();
        pugi::xml_node chosen;
        for (pugi::xml_node branch : n.children()) {
            if (Is(branch, "Choice") && HoldsChartex(branch)) {
                for (const pugi::xpath_node& f : branch.select_nodes(".//*[local-name()='graphicFrame']"))
                    frames.push_back({f.node(), true});
                return pugi::xml_node();
            }
            if (Is(branch, "Fallback") || (!chosen && Is(branch, "Choice"))) chosen = branch;
        }
        return chosen;
    });
}

std::string FrameName(const pugi::xml_node& frame) {
    for (pugi::xml_node n : frame.children())
        if (Is(n, "nvGraphicFramePr")) return Child(n, "cNvPr").attribute("name").value();
    return {};
}

pugi::xml_node GraphicData(const pugi::xml_node& frame) { return Child(Child(frame, "graphic"), "graphicData"); }

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// The OLE object of a frame; inside mc:AlternateContent the Fallback's, which has the picture.
pugi::xml_node OleObject(const pugi::xml_node& graphicData) {
    if (pugi::xml_node direct = Child(graphicData, "oleObj")) return direct;
    pugi::xml_node found;
    for (pugi::xml_node branch : Child(graphicData, "AlternateContent").children())
        if (pugi::xml_node o = Child(branch, "oleObj"); o && (!found || Is(branch, "Fallback"))) found = o;
    return found;
}

// The VML shape that PowerPoint 2007's form of the object names, from whichever branch has it.
std::string OleShapeId(const pugi::xml_node& graphicData) {
    for (const pugi::xpath_node& o : graphicData.select_nodes(".//*[local-name()='oleObj']"))
        if (const char* spid = o.node().attribute("spid").value(); *spid) return spid;
    return {};
}

void FrameSize(const pugi::xml_node& frame, int64_t& width, int64_t& height) {
    const pugi::xml_node ext = Child(Child(frame, "xfrm"), "ext");
    width = ext.attribute("cx").as_llong(0);
    height = ext.attribute("cy").as_llong(0);
}

class Walker {
public:
    Walker(const Package& package, const DocumentVisitor& visitor) : package_(package), visitor_(visitor) {}

    void Presentation(const std::string& main);
    void Workbook(const std::string& main);

private:
    struct ChartRef {
        std::string name;
        std::string part;
    };
    struct SheetInfo {
        std::string name;
        sim::SheetModel::Kind kind = sim::SheetModel::Kind::Worksheet;
        std::vector<ChartRef> charts;
        size_t newerCharts = 0;  // cx:chart frames, which are not modelled
    };
    struct WorkbookInfo {
        std::vector<SheetInfo> sheets;
        int activeTab = 0;
        std::string themePart;
        Theme theme;
    };

    // The shapes of a slide, layout, master or notes page; `label` names it in messages.
    void Shapes(const std::string& part, Place place, const std::string& label);
    void Masters(const std::string& main, const pugi::xml_node& presentation);
    void Behind(const std::string& label, const std::function<void()>& walk);
    void NativeChart(const std::string& chartPart, const std::string& where, const std::string& themePart,
                     const Theme& theme);
    void OleFrame(const std::string& slidePart, const pugi::xml_node& frame, const std::string& where,
                  const std::string& name);
    void OlePreview(const std::string& slidePart, const pugi::xml_node& ole, const pugi::xml_node& data,
                    OfficeObject& object);
    std::pair<std::string, Theme> PartTheme(const std::string& part);
    std::string MasterOf(const std::string& part) const;

    WorkbookInfo ScanWorkbook(const Package& package, const std::string& workbookPart, const std::string& where);
    // The modelled charts of a sheet's drawing; the newer kinds are reported and counted in sheet.
    void DrawingCharts(const Package& package, const std::string& sheetPart, const std::string& where,
                       SheetInfo& sheet);
    // Fills sheet (its charts read from package); the locations go to object.
    void ReadSheetCharts(const Package& package, const SheetInfo& info, const Theme& theme, sim::SheetModel& sheet,
                         OfficeObject& object, const std::string& where);
    static std::unique_ptr<sim::SheetModel> Shell(const SheetInfo& info);

    void Unmodelled(const std::string& where, const std::string& reason) {
        if (visitor_.unmodelled) visitor_.unmodelled({where, reason});
    }

    const Package& package_;
    const DocumentVisitor& visitor_;
    std::map<std::string, std::pair<std::string, Theme>> masterThemes_;
    Place place_ = Place::Slide;  // what is being walked
    size_t slideNumber_ = 0;      // the slide being walked; 0 on a layout, master or notes page
    std::string holderPart_;      // the part being walked
};

// Slides first, then what stands behind them (masters with their layouts) and the notes pages,
// so that the objects of slides keep their places in the deck whatever else the file holds.
void Walker::Presentation(const std::string& main) {
    const pugi::xml_document presentation = package_.ParseXml(main);
    std::vector<std::string> slides;
    for (pugi::xml_node id : Child(presentation.document_element(), "sldIdLst").children())
        if (Is(id, "sldId")) slides.push_back(package_.Target(main, RelationshipAttribute(id, "id")));
    for (size_t i = 0; i < slides.size(); ++i) {
        slideNumber_ = i + 1;
        Shapes(slides[i], Place::Slide, "slide " + std::to_string(i + 1));
    }
    slideNumber_ = 0;
    Masters(main, presentation.document_element());
    for (size_t i = 0; i < slides.size(); ++i) {
        const std::string label = "notes page of slide " + std::to_string(i + 1);
        Behind(label, [&] {
            const std::string notes = RelatedPart(package_, slides[i], "notesSlide");
            if (!notes.empty()) Shapes(notes, Place::NotesPage, label);
        });
    }
}

// A file whose slides can be read is not refused for a master, layout or notes page that cannot
// be: that part is named, and its charts are left as they are.
void Walker::Behind(const std::string& label, const std::function<void()>& walk) {
    try {
        walk();
    } catch (const OfficeFileError& e) {
        Unmodelled(label, std::string("cannot be read (") + e.what() + "); its charts are left unchanged");
    }
}

void Walker::Masters(const std::string& main, const pugi::xml_node& presentation) {
    size_t masters = 0, layouts = 0;
    for (pugi::xml_node id : Child(presentation, "sldMasterIdLst").children()) {
        if (!Is(id, "sldMasterId")) continue;
        const std::string label = "slide master " + std::to_string(++masters);
        Behind(label, [&] {
            const std::string master = package_.Target(main, RelationshipAttribute(id, "id"));
            Shapes(master, Place::Master, label);
            const pugi::xml_document xml = package_.ParseXml(master);
            for (pugi::xml_node l : Child(xml.document_element(), "sldLayoutIdLst").children()) {
                if (!Is(l, "sldLayoutId")) continue;
                const std::string layoutLabel = "slide layout " + std::to_string(++layouts);
                Behind(layoutLabel, [&] {
                    Shapes(package_.Target(master, RelationshipAttribute(l, "id")), Place::Layout, layoutLabel);
                });
            }
        });
    }
}

// The master whose theme and colour map a part's charts take.
std::string Walker::MasterOf(const std::string& part) const {
    switch (place_) {
    case Place::Master: return part;
    case Place::Layout: return RelatedPart(package_, part, "slideMaster");
    case Place::NotesPage: return RelatedPart(package_, part, "notesMaster");
    default: {
        const std::string layout = RelatedPart(package_, part, "slideLayout");
        return layout.empty() ? std::string() : RelatedPart(package_, layout, "slideMaster");
    }
    }
}

std::pair<std::string, Theme> Walker::PartTheme(const std::string& part) {
    const std::string master = MasterOf(part);
    auto cached = masterThemes_.find(master);
    if (cached != masterThemes_.end()) return cached->second;
    std::string themePart;
    Theme theme;
    if (master.empty()) {
        theme = ReadTheme({}, {});
    } else {
        const pugi::xml_document masterXml = package_.ParseXml(master);
        const pugi::xml_node clrMap = Child(masterXml.document_element(), "clrMap");
        themePart = RelatedPart(package_, master, "theme");
        if (themePart.empty()) {
            theme = ReadTheme({}, clrMap);
        } else {
            const pugi::xml_document themeXml = package_.ParseXml(themePart);
            theme = ReadTheme(themeXml.document_element(), clrMap);
        }
    }
    return masterThemes_[master] = {themePart, theme};
}

void Walker::Shapes(const std::string& slidePart, Place place, const std::string& label) {
    place_ = place;
    holderPart_ = slidePart;
    const pugi::xml_document slide = package_.ParseXml(slidePart);
    std::vector<Frame> frames;
    const pugi::xml_node cSld = Child(slide.document_element(), "cSld");
    CollectFrames(Child(cSld, "spTree"), frames);
    // A layout is known by its name in PowerPoint's Layout menu.
    const std::string layoutName = place == Place::Layout ? cSld.attribute("name").value() : "";
    const std::string prefix = label + (layoutName.empty() ? "" : " (" + layoutName + ")") + ": ";
    for (const Frame& f : frames) {
        const std::string name = FrameName(f.frame);
        const std::string where = prefix + (name.empty() ? "unnamed frame" : name);
        if (f.chartex) {
            Unmodelled(where, "a chart of the newer kinds (cx:chart), which is not modelled; left unchanged");
            continue;
        }
        const pugi::xml_node data = GraphicData(f.frame);
        const std::string uri = data.attribute("uri").value();
        if (EndsWith(uri, "/chart")) {
            const std::string chartPart =
                InternalTarget(package_, slidePart, RelationshipAttribute(Child(data, "chart"), "id"));
            if (chartPart.empty()) {
                Unmodelled(where, "a chart kept in a file outside this one; left unchanged");
                continue;
            }
            const auto [themePart, theme] = PartTheme(slidePart);
            NativeChart(chartPart, where, themePart, WithSlideColourMap(package_, slidePart, theme));
        } else if (EndsWith(uri, "/ole")) {
            OleFrame(slidePart, f.frame, where, name);
        }
    }
}

void Walker::NativeChart(const std::string& chartPart, const std::string& where, const std::string& themePart,
                         const Theme& theme) {
    const pugi::xml_document xml = package_.ParseXml(chartPart);
    const std::string dataPart = RelatedPart(package_, chartPart, "package");
    // The embedded workbook is opened only for a chart that stores no values of its own.
    const WorkbookCells cells([&] {
        if (dataPart.empty()) package_.Fail(chartPart + ": no embedded workbook holds its data");
        return Package::OpenBytes(package_.ReadPart(dataPart), package_.DisplayName() + ": " + dataPart);
    });
    const Theme chartTheme = WithChartThemeOverride(package_, chartPart, theme);
    ChartReading reading = ReadChartPart(xml, chartTheme, &cells);
    if (!reading.supported) {
        Unmodelled(where, reading.reason + "; left unchanged");
        return;
    }
    OfficeObject object;
    object.where = where;
    object.themePart = themePart;
    object.theme = chartTheme;
    object.deck.name = Wide(where);
    object.deck.progId = L"Excel.Chart.8";
    object.place = place_;
    object.slide = slideNumber_;
    object.slidePart = holderPart_;
    auto workbook = std::make_unique<sim::WorkbookModel>();
    workbook->name = Wide(dataPart.empty() ? Leaf(chartPart) : Leaf(dataPart));
    auto sheet = std::make_unique<sim::SheetModel>();
    sheet->kind = sim::SheetModel::Kind::ChartSheet;
    sheet->name = L"Chart1";
    sheet->chart = std::move(reading.model);
    if (sheet->chart.name.empty()) sheet->chart.name = Wide(where);
    workbook->sheets.push_back(std::move(sheet));
    object.charts.push_back({L"Chart1", -1, chartPart});
    object.deck.excel.emplace();
    object.deck.excel->application.workbooks.push_back(std::move(workbook));
    visitor_.object(std::move(object));
}

// The picture the slide shows for the object: its p:pic, or else (PowerPoint 2007's form) the
// picture of the VML shape it names.
void Walker::OlePreview(const std::string& slidePart, const pugi::xml_node& ole, const pugi::xml_node& data,
                        OfficeObject& object) {
    const std::string spid = OleShapeId(data);
    if (pugi::xml_node blip = Child(Child(Child(ole, "pic"), "blipFill"), "blip")) {
        const std::string embed = RelationshipAttribute(blip, "embed");
        if (!embed.empty()) object.previewPart = package_.Target(slidePart, embed);
        if (!spid.empty()) {
            const VmlPicture vml = FindVmlPicture(package_, slidePart, spid);
            if (vml.picturePart != object.previewPart) object.vmlPicturePart = vml.picturePart;
        }
        return;
    }
    const VmlPicture vml = FindVmlPicture(package_, slidePart, spid);
    object.previewPart = vml.picturePart;
    object.previewDrawing = vml.drawingPart;
    object.previewProblem = vml.problem;
}

void Walker::OleFrame(const std::string& slidePart, const pugi::xml_node& frame, const std::string& where,
                      const std::string& name) {
    const pugi::xml_node data = GraphicData(frame);
    const pugi::xml_node ole = OleObject(data);
    OfficeObject object;
    object.where = where;
    object.deck.name = Wide(where);
    object.deck.progId = Wide(ole.attribute("progId").value());
    object.slidePart = slidePart;
    object.place = place_;
    object.slide = slideNumber_;
    FrameSize(frame, object.frameWidth, object.frameHeight);
    object.showAsIcon = ole.attribute("showAsIcon").as_bool();
    OlePreview(slidePart, ole, data, object);
    const std::string id = RelationshipAttribute(ole, "id");
    // Only an Excel object's embedding must be there; of any other, a missing one is no error.
    for (const Relationship& r : package_.Relationships(slidePart))
        if (r.id == id && !r.external && package_.HasPart(r.target)) object.oleEmbedding = r.target;
    const bool excel = Lower(ole.attribute("progId").value()).find("excel") != std::string::npos;
    if (!excel || id.empty()) {
        visitor_.object(std::move(object));
        return;
    }
    const std::string embedded = InternalTarget(package_, slidePart, id);
    if (embedded.empty()) {
        Unmodelled(where, "an Excel object linked to a workbook outside this file, whose charts are not read; "
                          "offered without its workbook");
        visitor_.object(std::move(object));
        return;
    }
    std::string bytes = package_.ReadPart(embedded);
    if (bytes.compare(0, 4, "\xD0\xCF\x11\xE0") == 0) {
        Unmodelled(where, "an Excel object stored in the legacy binary format (" + Leaf(embedded) +
                              "), whose workbook is not read; offered without its workbook");
        visitor_.object(std::move(object));
        return;
    }
    const Package inner = Package::OpenBytes(std::move(bytes), package_.DisplayName() + ": " + embedded);
    const std::string innerMain = inner.MainPart();
    if (KindOf(inner) != DocumentKind::Workbook) inner.Fail("an Excel object that holds no workbook");
    if (inner.ContentType(innerMain).find(".binary.") != std::string::npos) {
        Unmodelled(where, "an Excel object stored as a binary workbook (" + Leaf(embedded) +
                              "), whose charts are not read; offered without its workbook");
        visitor_.object(std::move(object));
        return;
    }
    const WorkbookInfo info = ScanWorkbook(inner, innerMain, where);
    object.embeddedPart = embedded;
    object.newerChartsShown = !info.sheets.empty() && info.sheets[static_cast<size_t>(info.activeTab)].newerCharts > 0;
    object.themePart = info.themePart;
    object.theme = info.theme;
    auto workbook = std::make_unique<sim::WorkbookModel>();
    workbook->name = Wide(name.empty() ? Leaf(embedded) : name);
    for (const SheetInfo& s : info.sheets) {
        auto sheet = Shell(s);
        ReadSheetCharts(inner, s, info.theme, *sheet, object, where);
        workbook->sheets.push_back(std::move(sheet));
    }
    workbook->activeSheet = info.sheets.empty() ? -1 : info.activeTab;
    object.deck.excel.emplace();
    object.deck.excel->application.workbooks.push_back(std::move(workbook));
    visitor_.object(std::move(object));
}

void Walker::Workbook(const std::string& main) {
    const WorkbookInfo info = ScanWorkbook(package_, main, "");
    for (size_t i = 0; i < info.sheets.size(); ++i) {
        const SheetInfo& active = info.sheets[i];
        if (active.charts.empty()) continue;
        OfficeObject object;
        object.where = "sheet " + active.name;
        object.place = Place::Sheet;
        object.themePart = info.themePart;
        object.theme = info.theme;
        object.deck.name = Wide(object.where);
        object.deck.progId = L"Excel.Sheet.12";
        auto workbook = std::make_unique<sim::WorkbookModel>();
        workbook->name = Wide(Leaf(package_.DisplayName()));
        for (size_t j = 0; j < info.sheets.size(); ++j) {
            auto sheet = Shell(info.sheets[j]);
            if (j == i) ReadSheetCharts(package_, active, info.theme, *sheet, object, object.where);
            // Another chart sheet's chart would be an empty model that the report lists.
            else sheet->kind = sim::SheetModel::Kind::Worksheet;
            workbook->sheets.push_back(std::move(sheet));
        }
        workbook->activeSheet = static_cast<int>(i);
        if (object.charts.empty()) continue;  // none of them could be modelled
        object.deck.excel.emplace();
        object.deck.excel->application.workbooks.push_back(std::move(workbook));
        visitor_.object(std::move(object));
    }
}

Walker::WorkbookInfo Walker::ScanWorkbook(const Package& package, const std::string& workbookPart,
                                          const std::string& where) {
    WorkbookInfo info;
    const pugi::xml_document workbook = package.ParseXml(workbookPart);
    const pugi::xml_node root = workbook.document_element();
    info.activeTab = Child(Child(root, "bookViews"), "workbookView").attribute("activeTab").as_int(0);
    info.themePart = RelatedPart(package, workbookPart, "theme");
    if (info.themePart.empty()) {
        info.theme = ReadTheme({}, {});
    } else {
        const pugi::xml_document theme = package.ParseXml(info.themePart);
        info.theme = ReadTheme(theme.document_element(), {});
    }
    for (pugi::xml_node s : Child(root, "sheets").children()) {
        if (!Is(s, "sheet")) continue;
        SheetInfo sheet;
        sheet.name = s.attribute("name").value();
        const std::string id = RelationshipAttribute(s, "id");
        const std::string part = package.Target(workbookPart, id);
        if (IsRelationshipType(*package.RelationshipById(workbookPart, id), "chartsheet"))
            sheet.kind = sim::SheetModel::Kind::ChartSheet;
        const std::string sheetWhere = (where.empty() ? "" : where + ": ") + "sheet " + sheet.name;
        DrawingCharts(package, part, sheetWhere, sheet);
        info.sheets.push_back(std::move(sheet));
    }
    if (info.activeTab < 0 || info.activeTab >= static_cast<int>(info.sheets.size())) info.activeTab = 0;
    return info;
}

void Walker::DrawingCharts(const Package& package, const std::string& sheetPart, const std::string& where,
                           SheetInfo& info) {
    std::vector<ChartRef>& charts = info.charts;
    const pugi::xml_document sheet = package.ParseXml(sheetPart);
    const std::string drawingId = RelationshipAttribute(Child(sheet.document_element(), "drawing"), "id");
    if (drawingId.empty()) return;
    const std::string drawingPart = package.Target(sheetPart, drawingId);
    const pugi::xml_document drawing = package.ParseXml(drawingPart);
    std::vector<Frame> frames;
    CollectFrames(drawing.document_element(), frames);
    for (const Frame& f : frames) {
        const std::string name = FrameName(f.frame);
        if (f.chartex) {
            Unmodelled(where + ": " + name, "a chart of the newer kinds (cx:chart), which is not modelled; left unchanged");
            ++info.newerCharts;
            continue;
        }
        const pugi::xml_node data = GraphicData(f.frame);
        if (!EndsWith(data.attribute("uri").value(), "/chart")) continue;
        const std::string chartPart =
            InternalTarget(package, drawingPart, RelationshipAttribute(Child(data, "chart"), "id"));
        if (chartPart.empty()) Unmodelled(where + ": " + name, "a chart kept in a file outside this one; left unchanged");
        else charts.push_back({name, chartPart});
    }
}

std::unique_ptr<sim::SheetModel> Walker::Shell(const SheetInfo& info) {
    auto sheet = std::make_unique<sim::SheetModel>();
    sheet->kind = info.kind;
    sheet->name = Wide(info.name);
    return sheet;
}

void Walker::ReadSheetCharts(const Package& package, const SheetInfo& info, const Theme& theme,
                             sim::SheetModel& sheet, OfficeObject& object, const std::string& where) {
    const std::string sheetWhere = where.rfind("sheet ", 0) == 0 ? where : where + ": sheet " + info.name;
    bool chartSheetFilled = false;
    const WorkbookCells cells(package);
    for (const ChartRef& ref : info.charts) {
        const pugi::xml_document xml = package.ParseXml(ref.part);
        ChartReading reading = ReadChartPart(xml, WithChartThemeOverride(package, ref.part, theme), &cells);
        const std::string chartWhere = sheetWhere + ": " + (ref.name.empty() ? Leaf(ref.part) : ref.name);
        if (!reading.supported) {
            Unmodelled(chartWhere, reading.reason + "; left unchanged");
            continue;
        }
        if (reading.model.name.empty()) reading.model.name = Wide(ref.name);
        // A chart sheet shows one chart; a worksheet's charts are its chart objects.
        if (info.kind == sim::SheetModel::Kind::ChartSheet) {
            if (chartSheetFilled) continue;
            chartSheetFilled = true;
            sheet.chart = std::move(reading.model);
            object.charts.push_back({sheet.name, -1, ref.part});
            continue;
        }
        object.charts.push_back({sheet.name, static_cast<int>(sheet.chartObjects.size()), ref.part});
        sheet.chartObjects.push_back({Wide(ref.name), std::move(reading.model)});
    }
}

}  // namespace

const char* PlaceName(Place place) {
    switch (place) {
    case Place::Slide: return "slides";
    case Place::Layout: return "slide layouts";
    case Place::Master: return "slide masters";
    case Place::NotesPage: return "notes pages";
    case Place::Sheet: break;
    }
    return "sheets";
}

DocumentKind KindOf(const Package& package) {
    const std::string main = package.MainPart();
    const std::string type = package.ContentType(main);
    // Macro-enabled files name their main part after the application (ms-powerpoint, ms-excel).
    if (type.find("presentationml") != std::string::npos || type.find("ms-powerpoint") != std::string::npos)
        return DocumentKind::Presentation;
    if (type.find("spreadsheetml") != std::string::npos || type.find("ms-excel") != std::string::npos)
        return DocumentKind::Workbook;
    if (type.find("wordprocessingml") != std::string::npos)
        package.Fail("a Word document: only presentations and workbooks hold charts this tool converts");
    package.Fail("not a presentation or a workbook (main part " + main + " is " +
                 (type.empty() ? std::string("of no known type") : type) + ")");
}

void WalkDocument(const Package& package, const DocumentVisitor& visitor) {
    Walker walker(package, visitor);
    const std::string main = package.MainPart();
    if (KindOf(package) == DocumentKind::Presentation) walker.Presentation(main);
    else walker.Workbook(main);
}

const sim::ChartModel* FindChart(const sim::WorkbookModel& workbook, const ChartLocation& location) {
    for (const auto& sheet : workbook.sheets) {
        if (sheet->name != location.sheet) continue;
        if (location.chartObject < 0)
            return sheet->kind == sim::SheetModel::Kind::ChartSheet ? &sheet->chart : nullptr;
        if (location.chartObject < static_cast<int>(sheet->chartObjects.size()))
            return &sheet->chartObjects[static_cast<size_t>(location.chartObject)].chart;
        return nullptr;
    }
    return nullptr;
}

}  // namespace office
