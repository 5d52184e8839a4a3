// The deck the tool runs when it is given none: one object of every chart family the
// conversion treats differently, in colours as Excel 2003 to 2016 would show them.
#pragma once

#include "tools/deckmodel/Deck.h"

namespace bwpass {

Deck SampleDeck();

}  // namespace bwpass
