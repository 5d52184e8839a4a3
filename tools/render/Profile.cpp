#include "tools/render/Profile.h"

#include "tools/render/Session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace render {
namespace fs = std::filesystem;
namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The version LibreOffice records as the one it last ran under (ooSetupVersion, "7.4"), from
// the installation's own configuration beside the program that soffice leads to.
std::string InstalledVersion(const std::string& soffice) {
    std::error_code ec;
    const fs::path program = fs::canonical(soffice, ec).parent_path();
    if (ec) return {};
    const std::string xcd = ReadFile(program.parent_path() / "share" / "registry" / "main.xcd");
    const size_t prop = xcd.find("oor:name=\"ooSetupVersion\">");
    if (prop == std::string::npos) return {};
    const size_t open = xcd.find("<value>", prop), close = xcd.find("</value>", prop);
    if (open == std::string::npos || close == std::string::npos || close < open) return {};
    const std::string version = xcd.substr(open + 7, close - open - 7);
    return version.find_first_not_of("0123456789.") == std::string::npos ? version : std::string();
}

fs::path CacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return fs::path(cache) / "bwpass" / "libreoffice";
    if (const char* home = std::getenv("HOME"); home && *home == '/') return fs::path(home) / ".cache" / "bwpass" / "libreoffice";
    return {};
}

// LibreOffices still running on a profile whose lock was free: left by a run that was killed
// outright. A new start on the profile would hand its work to them, and they would never end.
void EndOrphans(const fs::path& profile) {
    const std::string option = "-env:UserInstallation=" + FileUrl(profile.string());
    std::error_code ec;  // every step: processes come and go while /proc is read
    for (fs::directory_iterator p("/proc", ec), end; !ec && p != end; p.increment(ec)) {
        const std::string pid = p->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = ReadFile(p->path() / "cmdline");
        std::istringstream args(cmdline);
        for (std::string arg; std::getline(args, arg, '\0');)
            if (arg == option) {
                kill(static_cast<pid_t>(std::stol(pid)), SIGKILL);
                break;
            }
    }
}

}  // namespace

void SeedProfile(const fs::path& profile, const std::string& soffice) {
    const fs::path settings = profile / "user" / "registrymodifications.xcu";
    std::error_code ec;
    if (fs::exists(settings, ec)) return;
    const std::string version = InstalledVersion(soffice);
    if (version.empty()) return;
    fs::create_directories(settings.parent_path(), ec);
    std::ofstream out(settings, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\">"
           "<value>" << version << "</value></prop></item>\n"
           "</oor:items>\n";
}

std::unique_ptr<KeptProfile> KeptProfile::Take(const std::string& soffice) {
    const fs::path folder = CacheFolder();
    std::error_code ec;
    if (folder.empty() || (fs::create_directories(folder, ec), ec)) return nullptr;
    for (int n = 1; n <= kKeptProfiles; ++n) {
        const fs::path path = folder / ("profile-" + std::to_string(n));
        const int lock = open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock < 0) return nullptr;
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
            EndOrphans(path);
            SeedProfile(path, soffice);
            return std::unique_ptr<KeptProfile>(new KeptProfile(path, lock));
        }
        close(lock);
    }
    return nullptr;
}

KeptProfile::~KeptProfile() { close(lock_); }

void KeptProfile::Discard() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<std::string> OfficeCommand(const std::string& soffice, const fs::path& profile,
                                       const fs::path& temporaryFolder) {
    SeedProfile(profile, soffice);
    return {"/usr/bin/env", "TMPDIR=" + temporaryFolder.string(), soffice, "--headless", "--norestore", "--nologo", "--nolockcheck",
            "-env:UserInstallation=" + FileUrl(profile.string())};
}

}  // namespace render
