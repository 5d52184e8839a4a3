// The black-and-white pass itself runs in bwpass.exe under Wine, with the real DLL: this side
// writes the deck, runs it and reads the converted deck back.
#pragma once

#include <string>
#include <vector>

namespace bwoffice {

// A private folder under $TMPDIR, removed with everything in it when this goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

struct PassOptions {
    std::vector<std::string> extraArguments;  // passed through to bwpass.exe (--registered ...)
};

// Runs bwpass.exe under Wine with these arguments (file names in them as WinePath gives them).
// Returns its exit status, or -1 with error set when it could not be started or was killed.
int RunPass(const std::vector<std::string>& arguments, std::string& error);

// The name Wine gives a Linux path (Z: is the root).
std::string WinePath(const std::string& path);

// The absolute form of a path, without resolving links.
std::string Absolute(const std::string& path);

}  // namespace bwoffice
