// An automation object whose every call does nothing and succeeds: the floor under any call.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace bench {

enum class Answer {
    Number,  // every call answers the 32-bit integer 0
    Itself,  // every call answers the object itself, as an element get does
    Fails,   // every call fails as Excel does: an exception with Excel's error 1004 and a text
    FailsBare,  // the same error without the texts, which the caller would have to free
};

// A new object with one reference. Made in its own file so that calls through it stay virtual.
IDispatch* NewTrivialObject(Answer answer = Answer::Number);

}  // namespace bench
