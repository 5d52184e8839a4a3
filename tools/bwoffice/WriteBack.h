// The converted charts back into the package: each chart part that the pass changed is
// rewritten through the chart part layer (only what changed, in DrawingML); a workbook embedded
// in a presentation is rewritten inside and re-zipped into the outer package; a converted OLE
// object gets a new preview picture when a renderer is there, since the slide shows only that.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/legibility/Legibility.h"
#include "tools/chartmodel/Documents.h"
#include "tools/package/Package.h"
#include "tools/report/ChartSvg.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace bwoffice {

// A chart to draw for the report: its part before and after (after empty when it was not
// rewritten) with its theme, keyed as the report keys charts.
// The parts are in files of the work folder, so that a file's charts need not be held at once.
struct ChartToDraw {
    size_t object = 0;   // index of the deck object
    size_t chart = 0;    // index among the charts of its workbook, in sheet order
    std::string beforeFile, afterFile, themeFile;  // afterFile empty when not rewritten, themeFile for none
    std::string themeOverrideFile;                 // the chart's theme override; empty for none
    // The colour map of the chart's slide where it differs from the identity map (name -> scheme
    // colour): the pictures must show the chart in the colours its slide gives it.
    std::map<std::string, std::string> colourMap;
    // The chart as it prints (an SVG picture in place of the chart part: ChartsAsPictures); empty
    // where LibreOffice prints the chart part itself.
    std::string printFile{};
    std::vector<bwpass::DrawnKey> printKeys{};  // its legend's keys in the picture, for the page check
};

// What the legibility check finds in a rewritten chart beyond its series: up and down bars,
// high-low, drop and series lines, error bars (legibility::CheckBarsAndLines).
struct MoreLegibility {
    bool seriesAlike = false;                    // the model's own check found look-alikes
    std::vector<legibility::Finding> found;
};

struct WriteBackResult {
    std::map<std::string, std::string> parts;  // replaced and added parts of the outer package
    std::map<std::string, std::string> partFiles;  // the same, in files: re-zipped embedded workbooks
    size_t chartsRewritten = 0;
    // OLE objects whose picture on the slide still shows colour: not redrawn, each with a note.
    size_t previewsLeftInColour = 0;
    std::vector<std::string> notes;            // for the report and the summary
    std::vector<ChartToDraw> charts;           // when asked for
    // The rewritten charts of the outer package as they print: chart part -> file of its SVG.
    std::map<std::string, std::string> printPictures;
    // Keyed as ChartToDraw is, (object, chart): every rewritten chart of a modelled workbook.
    std::map<std::pair<size_t, size_t>, MoreLegibility> legibility;
    double renderSeconds = 0;
};

// Object by object, in deck order, so that only one object's models are held at a time.
class WriteBack {
public:
    WriteBack(const office::Package& package, const std::string& workFolder, bool collectCharts);
    ~WriteBack();
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;

    // record describes the deck object before the pass; after is what the pass made of it.
    void Object(size_t index, const office::OfficeObject& record, const bwpass::DeckObject& before,
                const bwpass::DeckObject& after);
    WriteBackResult& Result();

private:
    class Writer;
    std::unique_ptr<Writer> writer_;
};

// The place of a chart among the charts of its workbook as the report lists them: chart sheets
// and the chart objects of worksheets, in sheet order; -1 when it is not there.
int ChartIndex(const sim::WorkbookModel& workbook, const office::ChartLocation& location);

// Points the OLE object's picture at a new PNG part: the picture is added under a fresh name in
// ppt/media (the old one may be shared with other objects), the relationships of the slide and
// of its legacy VML drawing that led to the old picture lead to the new one, and png gets a
// content type. Edits go into parts (on top of edits already there). oldVmlPicture: another old
// picture that only the VML drawing shows, led to the new one too; "" for none.
void ReplacePreview(const office::Package& package, const std::string& slidePart, const std::string& oldPicture,
                    std::string png, std::map<std::string, std::string>& parts, const std::string& oldVmlPicture = "");

}  // namespace bwoffice
