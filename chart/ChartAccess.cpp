#include "chart/ChartAccess.h"

namespace qv::chart::access {

Dispatch Element(IDispatch* from, Path path) {
    Dispatch current(from);
    for (const DispMember& member : path) current = GetObject(current.get(), member);
    return current;
}

Dispatch ElementOrNothing(IDispatch* from, Path path) {
    Dispatch current(from);
    size_t left = path.size();
    for (const DispMember& member : path)
        current = --left ? GetObject(current.get(), member) : GetObjectOrNothing(current.get(), member);
    return current;
}

void PutOn(IDispatch* from, Path path, DispMember member, const Variant& value) {
    Put(Element(from, path).get(), member, value);
}

void CallOn(IDispatch* from, Path path, DispMember member, Args args) {
    Call(Element(from, path).get(), member, args);
}

bool TryPut(IDispatch* from, Path path, DispMember member, const Variant& value) noexcept {
    return Attempt([&] { PutOn(from, path, member, value); });
}

bool TryCall(IDispatch* from, Path path, DispMember member) noexcept {
    return Attempt([&] { CallOn(from, path, member); });
}

Dispatch ItemByRef(IDispatch* collection, short position) {
    short index = position;
    return CallObjectOrNothing(collection, excel::Member::Default, {Variant::RefI2(&index)});
}

}  // namespace qv::chart::access
