// The file a module was loaded from, in full (wide characters: registration and type library
// loading must work for any path).
#pragma once

#include <windows.h>

#include <string>

namespace qv {

// Empty when the path cannot be read.
std::wstring ModuleFilePath(HMODULE module);

// The module this code is linked into: the DLL in the server, the program in a test that links
// the code statically.
HMODULE ModuleOfThisCode();

}  // namespace qv
