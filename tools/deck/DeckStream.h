// Deck files read and written one object at a time, so that a deck of any length needs memory
// for its largest object only. The checks and messages are ParseDeck's; the file written is
// DeckToJson's, byte for byte.
//
// A streamed reader hands out the objects before it has seen the end of the file, so a deck
// with several faults is refused for the first one in file order (ParseDeck names a syntax
// fault first, wherever it is); a deck with one fault gets the same message either way.
#pragma once

#include "tools/deckmodel/Deck.h"

#include <functional>
#include <memory>
#include <string>

namespace bwpass {

class DeckObjectReader {
public:
    // Throws DeckError ("FILE: cannot read the deck: ...") when the file cannot be opened.
    explicit DeckObjectReader(const std::wstring& path);
    ~DeckObjectReader();
    DeckObjectReader(const DeckObjectReader&) = delete;
    DeckObjectReader& operator=(const DeckObjectReader&) = delete;

    // The next object, checked; false after the last one, once the rest of the file is checked
    // too. Throws DeckError.
    bool Next(DeckObject& object);

    // The deck's title: known once it has been read, which is before the first object when the
    // file gives it first (as the writer does), and at the end otherwise.
    bool titleRead() const;
    const std::wstring& title() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Reads the deck at path, calling onTitle once (before the objects when the file gives the title
// first) and onObject for each object in order. Throws DeckError.
void ReadDeckObjects(const std::wstring& path, const std::function<void(const std::wstring& title)>& onTitle,
                     const std::function<void(DeckObject&& object)>& onObject);

// Writes a deck file object by object through a temporary file that Finish renames into place;
// a writer destroyed without a successful Finish leaves nothing behind.
class DeckWriter {
public:
    DeckWriter(const std::wstring& path, const std::wstring& title);
    ~DeckWriter();
    DeckWriter(const DeckWriter&) = delete;
    DeckWriter& operator=(const DeckWriter&) = delete;

    // False with error() set when the file cannot be created; Add and Finish then do nothing.
    bool Open();
    void Add(const DeckObject& object);
    // False with error() set when anything could not be written.
    bool Finish();
    const std::string& error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bwpass
