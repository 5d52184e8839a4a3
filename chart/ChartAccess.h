// How the chart conversion reaches chart elements and writes to them.
//
// Every element is fetched afresh from the chart or series it belongs to, for every step: the
// conversion holds no element across steps (Excel may rebuild an element after a write, and a
// held reference would keep talking to the old one). Each helper named Try... is one step under
// the resume-next rule: it reports whether it completed and never throws. The others take the
// Step they are part of: after a failure in it they make no call.
#pragma once

#include "excel/ExcelObjectModel.h"

#include <initializer_list>

namespace qv::chart::access {

using Path = std::initializer_list<DispMember>;

// Follows a chain of object-valued properties from `from`. Nothing on the way fails as "object
// not set", as a member called on Nothing does.
Dispatch Element(Step& s, IDispatch* from, Path path);
// The same, but an absent last element (Nothing) comes back empty rather than failing, so that
// an element test can answer for an absent element.
Dispatch ElementOrNothing(Step& s, IDispatch* from, Path path);

void PutOn(Step& s, IDispatch* from, Path path, DispMember member, const Variant& value);
void CallOn(Step& s, IDispatch* from, Path path, DispMember member, Args args = {});

bool TryPut(IDispatch* from, Path path, DispMember member, const Variant& value) noexcept;
bool TryCall(IDispatch* from, Path path, DispMember member) noexcept;

// A collection's item through its default member (DISPID 0), the position passed by reference.
// The reference points at a copy, so that a server writing through it cannot move the caller's
// loop.
Dispatch ItemByRef(Step& s, IDispatch* collection, short position);

// The length of one walk over a collection: the count is read once and must fit a 16-bit
// position; a count that cannot be read or does not fit walks zero times. readCount(Step&)
// answers the count as read.
template <class ReadCount>
int WalkLength(ReadCount&& readCount) noexcept {
    short count = 0;
    Attempt([&](Step& s) {
        const Variant read = readCount(s);
        count = s.ToInt16(read);
    });
    return count;
}

// Values as they are written, each with its width: black goes to Color and PatternColor as a
// 16-bit integer, white and colours built from red, green and blue as 32-bit integers.
inline Variant Black16() { return Variant::I2(0); }
inline Variant Black32() { return Variant::I4(0); }
inline Variant White() { return Variant::I4(0xFFFFFF); }

}  // namespace qv::chart::access
