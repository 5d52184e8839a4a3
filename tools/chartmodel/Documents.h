// The charts of a presentation or a workbook as the add-in host would offer them, one deck
// object at a time, each with the parts its charts came from so that the converted charts can
// be written back to the same places.
//
// - A presentation, slide by slide in presentation order, then each slide master with its
//   layouts, then the notes pages in slide order (all of them print): a native chart (p:graphicFrame with
//   c:chart) becomes an embedded Excel chart, ProgID Excel.Chart.8, whose workbook has one chart
//   sheet, active, holding that chart; an OLE object (p:oleObj) is offered with its own ProgID,
//   and when it is an Excel object embedded as a package its workbook is read as it is stored
//   (sheets, charts, active sheet); other OLE objects are offered without a workbook.
// - A workbook: one object, ProgID Excel.Sheet.12, for each sheet that holds charts, with that
//   sheet active. The other sheets are present by name only, as worksheets without charts: the
//   plug-in converts the charts of the active sheet alone, so a copy of every other sheet's
//   charts would only cost memory.
// Charts that cannot be modelled (chartex, cx:chart) are reported and left as they are.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/chartmodel/ChartPart.h"
#include "tools/package/Package.h"

#include <functional>
#include <string>
#include <vector>

namespace office {

enum class DocumentKind { Presentation, Workbook };

// The kind of the package's main part; OfficeFileError for anything else (a Word document ...).
DocumentKind KindOf(const Package& package);

// Where one chart of an object's workbook is stored.
struct ChartLocation {
    std::wstring sheet;        // the sheet of the object's workbook that shows it
    int chartObject = -1;      // its place among that sheet's chart objects; -1 on a chart sheet
    std::string chartPart;     // the chart part, in the outer package or in embeddedPart
};

// Where an object stands: charts of layouts, masters and notes pages print like those of slides.
enum class Place { Slide, Layout, Master, NotesPage, Sheet };
constexpr size_t kPlaces = 5;
// "slides", "slide layouts", "slide masters", "notes pages", "sheets".
const char* PlaceName(Place place);

struct OfficeObject {
    bwpass::DeckObject deck;
    Place place = Place::Slide;
    std::string where;         // "slide 2: Chart 1", "sheet Sales": for messages and the report
    std::string embeddedPart;  // the embedded workbook holding the charts; "" when they are outer parts
    std::string oleEmbedding;  // whatever an OLE object embeds (of any kind); "" when linked or none
    std::string slidePart;     // the slide, layout, master or notes page the object stands on; "" on a sheet
    std::string previewPart;   // the OLE object's preview picture; "" when none
    // Where the picture was found only in the slide's legacy VML drawing (PowerPoint 2007's form),
    // that drawing; "" otherwise. previewProblem says why no picture was found, when none was.
    std::string previewDrawing, previewProblem;
    // The picture of the object's VML shape where it is another part than previewPart (the 2010
    // form, whose mc:Fallback p:pic may show a copy): it is replaced too.
    std::string vmlPicturePart;
    int64_t frameWidth = 0, frameHeight = 0;  // the object's frame on the slide, in EMU; 0 when unknown
    size_t slide = 0;          // the slide's number, from 1, for an object on a slide
    // The shown sheet of the object's workbook holds charts of the newer kinds (cx:chart), which
    // neither the pass nor a picture drawn anew can show.
    bool newerChartsShown = false;
    bool showAsIcon = false;   // the preview is an icon, not a picture of the chart
    std::string themePart;     // the charts' theme part (beside the charts); "" for Office's default
    Theme theme;
    std::vector<ChartLocation> charts;
};

// A chart left unchanged because it cannot be modelled, or an object whose charts cannot be read.
struct UnmodelledChart {
    std::string where;
    std::string reason;
};

struct DocumentVisitor {
    std::function<void(OfficeObject&&)> object;
    std::function<void(const UnmodelledChart&)> unmodelled;
};

// Walks the document in order: slides in presentation order and the shapes of each in drawing
// order, or sheets in workbook order. Throws OfficeFileError for a part that cannot be read.
void WalkDocument(const Package& package, const DocumentVisitor& visitor);

// The chart model at a location of a converted workbook (sheets may have been rotated, so the
// sheet is found by name); nullptr when it is not there.
const sim::ChartModel* FindChart(const sim::WorkbookModel& workbook, const ChartLocation& location);

}  // namespace office
