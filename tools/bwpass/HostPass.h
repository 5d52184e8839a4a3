// The add-in host's black-and-white pass over a deck, with the real plug-in DLL.
//
// The plug-in is loaded through COM, registration-free (LoadLibrary and DllGetClassObject) or
// through the registry (CoCreateInstance), then parented, initialised with a PowerPoint
// stand-in and offered every object of the deck in order. Each Excel object gets its own Excel
// stand-in over the deck's model, so the conversion changes the deck in place.
#pragma once

#include "tools/deck/Deck.h"
#include "tools/report/Report.h"

#include <functional>
#include <string>

namespace bwpass {

struct HostOptions {
    std::wstring dllPath;
    bool registered = false;    // CoCreateInstance; registers the DLL for the run when needed
    bool log = true;            // switch the plug-in's log on for the run and collect its lines
    // Excel in a process of its own (tools/simexcel's local server), as in PowerPoint: every
    // call the plug-in makes crosses processes.
    bool excelOutOfProcess = false;
    // Called after each object with (objects done, objects in all); may be empty.
    std::function<void(size_t, size_t)> progress;
};

// Runs the pass. On success the deck holds the converted models and result describes the
// pass. When the plug-in cannot be loaded or created, returns false with the reason in error;
// no object has been offered then and the deck is unchanged.
bool RunHostPass(Deck& deck, const HostOptions& options, PassResult& result, std::string& error);

}  // namespace bwpass
