// The add-in host's black-and-white pass over a deck, with the real plug-in DLL.
//
// The plug-in is loaded through COM, registration-free (LoadLibrary and DllGetClassObject) or
// through the registry (CoCreateInstance), then parented, initialised with a PowerPoint
// stand-in and offered every object of the deck in order. Each Excel object gets its own Excel
// stand-in over the deck's model, so the conversion changes the deck in place.
#pragma once

#include "tools/deckmodel/Deck.h"
#include "tools/report/Report.h"

#include <functional>
#include <memory>
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

// The pass, one object at a time, so that only the object being offered is in memory: Start,
// then Offer for each object of the deck in order, then Finish.
class HostPass {
public:
    HostPass();
    ~HostPass();
    HostPass(const HostPass&) = delete;
    HostPass& operator=(const HostPass&) = delete;

    // Switches the log on, loads and creates the plug-in, parents and initialises it. When the
    // plug-in cannot be loaded or created, returns false with the reason in error; nothing has
    // been offered then.
    bool Start(const HostOptions& options, PassResult& result, std::string& error);
    // Offers one object with its own Excel stand-in over its model. Afterwards the object holds
    // the converted model and the returned entry says what the host saw; the object may go.
    ObjectResult Offer(DeckObject& object, PassResult& result);
    // ProcessingOfAllObjectsComplete and Terminate, unloading the DLL, what the plug-in kept,
    // the log's lines.
    void Finish(PassResult& result);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bwpass
