// Registry, path and module-identity services of the diagnostic log.
//
// Stateless and never failing: every service answers with its documented default (the given
// default, an empty string, 0, false) instead of reporting an error. Registry and file-system
// calls use the ANSI forms of the Windows functions, so text crosses between these wide strings
// and the system's ANSI code page at each call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qv::diag {

// Text between these wide strings and the system's ANSI code page (characters the code page
// lacks become its default character). May throw std::bad_alloc.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const char* text, size_t length);

// Registry roots as the callers pass them: the predefined handles as 32-bit integers.
constexpr long kHkeyCurrentUser = static_cast<long>(0x80000001);
constexpr long kHkeyLocalMachine = static_cast<long>(0x80000002);

// The value's bytes read as ANSI text and cut at the first NUL, whatever its registry type.
// def when the key or value cannot be read or the data holds no NUL at all.
std::wstring RegGetString(long root, const std::wstring& key, const std::wstring& name,
                          const std::wstring& def) noexcept;

// The value's raw bytes as a little-endian 32-bit number when they fit in 4 bytes, whatever
// the registry type (a string "1" reads 49); def otherwise. status receives the Windows result
// of the open, or of the query when the open succeeded (ERROR_MORE_DATA for larger values).
long RegGetDword(long root, const std::wstring& key, const std::wstring& name, long def,
                 long* status = nullptr) noexcept;

// One part of PathCombine: a piece of text, or a list of parts (nested to any depth).
class PathPart {
public:
    PathPart(std::wstring text) : text_(std::move(text)) {}
    PathPart(const wchar_t* text) : text_(text ? text : L"") {}
    PathPart(std::vector<PathPart> list) : list_(std::move(list)), isList_(true) {}
    PathPart(std::initializer_list<PathPart> list) : list_(list), isList_(true) {}

    bool isList() const { return isList_; }
    const std::wstring& text() const { return text_; }
    const std::vector<PathPart>& list() const { return list_; }

private:
    std::wstring text_;
    std::vector<PathPart> list_;
    bool isList_ = false;
};
using PathList = std::vector<PathPart>;

// Joins base and the parts with single backslashes: lists are flattened depth first, empty
// parts skipped, every trailing backslash of the result and every leading backslash of a part
// dropped at each join; an empty result takes the part alone. "\" + "x" gives "x".
std::wstring PathCombineList(const std::wstring& base, const PathList& parts) noexcept;

template <class... Parts>
std::wstring PathCombine(const std::wstring& base, const Parts&... parts) noexcept {
    return PathCombineList(base, PathList{PathPart(parts)...});
}

// The user's temporary folder without its trailing backslash; the Windows folder when the
// reported one does not exist.
std::wstring TempFolder() noexcept;
// The Windows folder as the system reports it.
std::wstring WindowsFolder() noexcept;

// True when the path's attributes can be read and it is not / is a folder.
bool FileExists(const std::wstring& path) noexcept;
bool FolderExists(const std::wstring& path) noexcept;

// The component's own file: its base name without folder and extension, and its folder
// without a trailing backslash. They describe the module given to SetModuleInstance, or, before
// that, the module that contains this code (the DLL, not the host process).
std::wstring ModuleName() noexcept;
std::wstring ModuleFolder() noexcept;

// Called by the DLL's entry point with its own module handle.
void SetModuleInstance(HINSTANCE instance) noexcept;

}  // namespace qv::diag
