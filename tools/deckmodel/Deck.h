// A presentation as the host sees it during a black-and-white print: its OLE objects in order,
// each with the ProgID and option bits the host offers to the plug-in, and for Excel objects
// the Excel instance that holds the embedded workbook (sim/ExcelModel.h).
//
// Decks are read from and written to a JSON file (docs/deck-format.md). The reader checks
// every value and names the file, the JSON path and what was expected when one is wrong.
#pragma once

#include "sim/ExcelModel.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bwpass {

struct ExcelInstance {
    sim::ApplicationModel application;
    // Index into application.workbooks of the workbook the host hands to the plug-in.
    int embeddedWorkbook = 0;
};

struct DeckObject {
    std::wstring name;          // a label for the report, e.g. "Slide 3: revenue"
    std::wstring progId;        // e.g. Excel.Chart.8
    int32_t bwFlagSet = 512;    // the host's option bits; 512 asks for Excel charts
    // The object's automation object when it is an Excel workbook; without it the host hands
    // the plug-in Nothing.
    std::optional<ExcelInstance> excel;
};

struct Deck {
    std::wstring title;
    std::vector<DeckObject> objects;
};

// A bad deck file. what() is the complete message: "FILE: PATH: what was expected, got what".
class DeckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// sourceName names the text in messages (normally the file name).
Deck ParseDeck(const std::string& jsonText, const std::string& sourceName);
Deck ReadDeckFile(const std::wstring& path);

// The deck as JSON text, in the form ParseDeck reads back to an equal deck.
std::string DeckToJson(const Deck& deck);

// One chart as JSON text, in the deck file's form.
std::string ChartToJson(const sim::ChartModel& chart);

// The differences between two states of a chart: one line per changed property, as
// "series[2].interior.color: #4F81BD -> #000000".
std::vector<std::string> ChartChanges(const sim::ChartModel& before, const sim::ChartModel& after);

}  // namespace bwpass
