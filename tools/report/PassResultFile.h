// The pass result as a file: what the report needs beyond the deck before the pass and the
// converted deck (the host's calls and the plug-in's answers per object, writes, Excel calls,
// sheet orders, workbook states, spare workbooks, the log, the totals). bwpass writes it with
// --pass-result; a program that built the deck reads it back and writes the report itself, with
// the charts' models from the two decks (WriteReportFromFiles).
//
// JSON, written and read one object at a time: the pass's description, then "objects", then
// what is known only at the end. Charts are listed without their models.
#pragma once

#include "tools/report/Report.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace bwpass {

// A pass result file that cannot be used. what() is "FILE: what is wrong".
class PassResultError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PassResultWriter {
public:
    explicit PassResultWriter(const std::wstring& path);
    ~PassResultWriter();
    PassResultWriter(const PassResultWriter&) = delete;
    PassResultWriter& operator=(const PassResultWriter&) = delete;

    // Writes the pass's description (title, sources, plug-in, draw limit). False with error() set
    // when the file cannot be created.
    bool Open(const PassResult& pass);
    void Add(const ObjectResult& object);
    // Writes the rest (host calls, log, notes, totals) and renames the file into place.
    bool Finish(const PassResult& pass);
    const std::string& error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

class PassResultReader {
public:
    // Throws PassResultError when the file cannot be read.
    explicit PassResultReader(const std::wstring& path);
    ~PassResultReader();
    PassResultReader(const PassResultReader&) = delete;
    PassResultReader& operator=(const PassResultReader&) = delete;

    // The next object (its charts without models); false after the last. Throws PassResultError.
    bool Next(ObjectResult& object);
    // The pass without its objects: its description before the first object, all of it once
    // Next has returned false.
    const PassResult& pass() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bwpass
