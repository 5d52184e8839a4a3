// A JSON file whose top level is an object, walked property by property without parsing it
// whole: a property's value comes as its text, and an array value element by element, so that
// a file of any length is held one element at a time. The texts are parsed by the caller.
//
// The scanner knows only the structure (strings, comments, brackets, commas and colons); a
// structural fault throws detail::MalformedJson and the caller names it by checking the file's
// syntax properly.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bwpass {

class JsonScanner {
public:
    explicit JsonScanner(std::FILE* file) : file_(file) {}

    // Skips to the first value; true when it is an object (entered), false otherwise.
    bool StartObject();
    // The rest of the file as text, from the current position.
    std::string Rest();

    // The next property's key (decoded), or false at the end of the object.
    bool NextKey(std::string& key);
    // After NextKey: true when the value is an array, which is then entered.
    bool ValueIsArray();
    // After NextKey (or a false ValueIsArray): the value's text.
    std::string ValueText();
    // Inside an array: the next element's text, or false at its end.
    bool NextElement(std::string& text);
    // After the top-level object: nothing but white space and comments may follow.
    void End();

private:
    int Peek();
    int Get();
    void SkipSpace();
    void Expect(char c);
    void CopyString(std::string& out);
    void CopyComment(std::string& out);
    void CopyValue(std::string& out);
    // Before an element or a property: the separator, or the closing bracket (then false).
    bool NextItem(char close, bool& first);

    std::FILE* file_;
    char buffer_[65536];
    size_t pos_ = 0, len_ = 0;
    bool firstKey_ = true, firstElement_ = true;
};

}  // namespace bwpass
