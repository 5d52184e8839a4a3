// LibreOffice's user profiles for our runs, and the command line that starts it with one.
//
// A new profile costs LibreOffice about half a second to build, and a profile that never names
// the version it last ran under costs a second at every start: LibreOffice takes each such start
// for the first after an upgrade and runs its graphics self-tests again. So profiles are kept
// between runs in the user's cache folder, and every profile is given that version first.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace render {

// Gives a profile that has no settings yet the one that spares LibreOffice its first-start work
// (the version of the LibreOffice that soffice starts). Leaves a profile with settings as it is.
void SeedProfile(const std::filesystem::path& profile, const std::string& soffice);

// A profile kept between runs, under $XDG_CACHE_HOME (or ~/.cache) /bwpass/libreoffice, held by
// this process alone while the object lives: one LibreOffice runs per profile, and a second
// started on it would hand its work to the first and leave.
class KeptProfile {
public:
    // The first free one of the kept profiles, seeded, or null when none is free or the cache
    // folder cannot be used (the caller then makes a profile of its own).
    static std::unique_ptr<KeptProfile> Take(const std::string& soffice);
    ~KeptProfile();
    KeptProfile(const KeptProfile&) = delete;
    KeptProfile& operator=(const KeptProfile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Removes the profile, for one that LibreOffice could not start with: the next run builds
    // it anew.
    void Discard();

private:
    KeptProfile(std::filesystem::path path, int lock) : path_(std::move(path)), lock_(lock) {}
    std::filesystem::path path_;
    int lock_;
};

// The profiles kept at most: as many LibreOffices as this can run at once with a kept one.
constexpr int kKeptProfiles = 16;

// soffice headless on profile (seeded here), with the options every run of ours takes, and its
// temporary files (the lu*.tmp folders it leaves when it is killed, and even when it is not) in
// temporaryFolder, one of ours that goes with the run.
std::vector<std::string> OfficeCommand(const std::string& soffice, const std::filesystem::path& profile,
                                       const std::filesystem::path& temporaryFolder);

}  // namespace render
