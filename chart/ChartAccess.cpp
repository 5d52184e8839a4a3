#include "chart/ChartAccess.h"

namespace qv::chart::access {

Dispatch Element(Step& s, IDispatch* from, Path path) {
    Dispatch current(from);
    for (const DispMember& member : path) current = s.GetObject(current.get(), member);
    return current;
}

Dispatch ElementOrNothing(Step& s, IDispatch* from, Path path) {
    Dispatch current(from);
    size_t left = path.size();
    for (const DispMember& member : path)
        current = --left ? s.GetObject(current.get(), member) : s.GetObjectOrNothing(current.get(), member);
    return current;
}

void PutOn(Step& s, IDispatch* from, Path path, DispMember member, const Variant& value) {
    s.Put(Element(s, from, path).get(), member, value);
}

void CallOn(Step& s, IDispatch* from, Path path, DispMember member, Args args) {
    s.Call(Element(s, from, path).get(), member, args);
}

bool TryPut(IDispatch* from, Path path, DispMember member, const Variant& value) noexcept {
    return Attempt([&](Step& s) { PutOn(s, from, path, member, value); });
}

bool TryCall(IDispatch* from, Path path, DispMember member) noexcept {
    return Attempt([&](Step& s) { CallOn(s, from, path, member); });
}

Dispatch ItemByRef(Step& s, IDispatch* collection, short position) {
    short index = position;
    return s.CallObjectOrNothing(collection, excel::Member::Default, {Variant::RefI2(&index)});
}

}  // namespace qv::chart::access
