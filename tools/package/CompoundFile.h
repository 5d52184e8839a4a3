// The directory of a compound file (the container of legacy Office files and of password-protected
// packages): just enough of it to tell what the file holds by the streams at its root.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace office {

// The file's first bytes start with the compound file signature.
bool IsCompoundFileSignature(const std::string& head);

// The names of the storages and streams directly below the root ("PowerPoint Document",
// "Workbook", "EncryptedPackage" ...), ASCII names as they are, others with '?' for each wider
// character. Empty when the file is no compound file or its directory cannot be read; a damaged
// or hostile directory (a sector chain that loops, a tree that cycles) is read only as far as it
// is sound, and never costs more than a bounded walk.
std::vector<std::string> CompoundFileRootNames(const std::filesystem::path& file);

}  // namespace office
