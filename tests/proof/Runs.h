// Running the plug-in over the stand-ins and checking what every run must leave behind.
//
// The checks return problems as text rather than asserting, so that the GoogleTest programs and
// the long fuzz run from scripts/fuzz share them.
#pragma once

#include "tests/proof/Deck.h"

#include <string>
#include <vector>

namespace proof {

using Problems = std::vector<std::string>;

std::string Narrow(const std::wstring& w);
std::string HexOf(HRESULT hr);

// One conversion of the chart through a ChartHandler; the member's HRESULT.
HRESULT ConvertChart(LiveChart& live);

// A whole host pass with a fresh plug-in on the calling thread: start-up, the objects of the
// deck, all-complete and Terminate. The plug-in is released and the thread's slots emptied
// before this returns, so that every reference handed out must be back.
struct PassRun {
    sim::StartResult start;
    sim::PassResult pass;
};
PassRun RunHostPass(LiveDeck& deck, sim::Host& host);

// Nothing referenced, nothing released twice, nothing saved.
void CheckBalanced(const sim::Excel& excel, const std::string& where, Problems& problems);
void CheckBalanced(const sim::Host& host, Problems& problems);
void CheckBalanced(const LiveDeck& deck, const sim::Host& host, Problems& problems);

sim::Fault MakeFault(sim::FaultKind kind);
const char* KindName(sim::FaultKind kind);
extern const sim::FaultKind kFaultKinds[3];

// The same call: object path, member, kind and arguments.
bool SameCall(const sim::CallRecord& a, const sim::CallRecord& b);
std::string Describe(const sim::CallRecord& call);

// The writes of the unfaulted run after its call k that the fault injected at call k must not
// have cost: every write of a later step that does not depend on what call k delivered. They must
// appear in the faulted run, in order, after its call k. Returns the ones missing.
//
// A write depends on call k when it goes to the object call k was made on, to the object (or
// anything below the object) that call k returned, to an item of the collection whose Count call
// k read, to the chart or series whose ChartType or Parent call k read (the route or converter
// that depends on it), to the element whose fill or border an element test could not read (the
// test then answers that it is not there), or when it is one of the steps a trapping procedure
// abandons at its first error: the sheet moves after a fault in the sheet rotation and the closes
// after a failed Close. A spare workbook that a fault kept from being added is not closed either.
std::vector<std::string> MissingLaterWrites(const std::vector<sim::CallRecord>& baseline,
                                            const std::vector<sim::CallRecord>& faulted, long k);

}  // namespace proof
