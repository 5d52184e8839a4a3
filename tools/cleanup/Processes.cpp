#include "tools/cleanup/Processes.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

namespace cleanup {
namespace fs = std::filesystem;
namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<pid_t> AllProcesses() {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
            pids.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return pids;
}

// The parent in /proc/PID/stat, after the name in parentheses (which may hold anything).
pid_t ParentOf(pid_t pid) {
    const std::string text = ReadAll("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = text.rfind(')');
    char state = 0;
    int parent = -1;
    if (paren == std::string::npos || std::sscanf(text.c_str() + paren + 1, " %c %d", &state, &parent) != 2) return -1;
    return parent;
}

}  // namespace

std::vector<pid_t> Descendants(pid_t root) {
    std::multimap<pid_t, pid_t> children;
    for (pid_t p : AllProcesses()) children.emplace(ParentOf(p), p);
    std::vector<pid_t> found = {root};
    for (size_t i = 0; i < found.size(); ++i) {
        auto [from, to] = children.equal_range(found[i]);
        for (auto it = from; it != to; ++it) found.push_back(it->second);
    }
    found.erase(found.begin());
    return found;
}

void KillDescendants() {
    for (int round = 0; round < 5; ++round) {
        const std::vector<pid_t> left = Descendants(getpid());
        // Zombies of ours are reaped by their waiters; only the living count.
        bool living = false;
        for (pid_t p : left) {
            const std::string text = ReadAll("/proc/" + std::to_string(p) + "/stat");
            const size_t paren = text.rfind(')');
            if (paren != std::string::npos && text.size() > paren + 2 && text[paren + 2] == 'Z') continue;
            living = true;
            kill(p, SIGKILL);
        }
        if (!living) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

namespace {

// The folder Wine keeps its servers' folders in, as a program started now would: Debian's Wine
// makes it below TMPDIR (TMPDIR/wine-XXXXXX), so that two TMPDIRs mean two servers for one prefix.
bool OursToJoin(const fs::path& serverFolder) {
    const fs::path holder = serverFolder.parent_path();
    if (holder.filename().string().rfind(".wine-", 0) == 0) return true;  // /tmp/.wine-UID, whatever TMPDIR
    const char* tmp = std::getenv("TMPDIR");
    std::error_code ec;
    return fs::equivalent(holder.parent_path(), tmp && *tmp ? tmp : "/tmp", ec);
}

// The value of a variable in a process's environment, or null.
std::optional<std::string> Variable(const std::string& environment, const std::string& name) {
    const std::string start = name + "=";
    for (size_t at = 0; at < environment.size();) {
        size_t end = environment.find('\0', at);
        if (end == std::string::npos) end = environment.size();
        if (environment.compare(at, start.size(), start) == 0)
            return environment.substr(at + start.size(), end - at - start.size());
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace

pid_t WineServerOf(const std::string& prefix) {
    struct stat st {};
    if (stat(prefix.c_str(), &st) != 0) return -1;
    char folder[64];
    std::snprintf(folder, sizeof folder, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    for (pid_t p : AllProcesses()) {
        const std::string base = "/proc/" + std::to_string(p);
        if (ReadAll(base + "/comm").rfind("wineserver", 0) != 0) continue;
        std::error_code ec;
        const fs::path cwd = fs::read_symlink(base + "/cwd", ec);
        if (cwd.filename() == folder && OursToJoin(cwd)) return p;
    }
    return -1;
}

std::vector<pid_t> WineClientsOf(const std::string& prefix, const std::vector<pid_t>& except) {
    struct stat wanted {};
    if (stat(prefix.c_str(), &wanted) != 0) return {};
    const char* tmp = std::getenv("TMPDIR");
    const std::optional<std::string> ourTmp = tmp ? std::optional<std::string>(tmp) : std::nullopt;
    std::vector<pid_t> clients;
    for (pid_t p : AllProcesses()) {
        if (p == getpid() || std::find(except.begin(), except.end(), p) != except.end()) continue;
        const std::string base = "/proc/" + std::to_string(p);
        // Wine's programs run in its loader (wine, wine64, their preloaders); a shell that merely
        // has WINEPREFIX set is no client.
        std::error_code ec;
        const std::string loader = fs::read_symlink(base + "/exe", ec).filename().string();
        if (loader.rfind("wine", 0) != 0 || loader.rfind("wineserver", 0) == 0) continue;
        const std::string environment = ReadAll(base + "/environ");
        // The same folder however it was spelt (through a link, with a trailing slash), and the
        // same TMPDIR: with another one, a program has a server of its own.
        const std::optional<std::string> uses = Variable(environment, "WINEPREFIX");
        struct stat st {};
        if (!uses || stat(uses->c_str(), &st) != 0 || st.st_dev != wanted.st_dev || st.st_ino != wanted.st_ino) continue;
        if (Variable(environment, "TMPDIR") != ourTmp) continue;
        const std::string command = ReadAll(base + "/cmdline");
        if (command.size() > 10 && (command[0] == 'C' || command[0] == 'c') && command[1] == ':' &&
            (command.compare(3, 7, "windows") == 0 || command.compare(3, 7, "Windows") == 0))
            continue;
        clients.push_back(p);
    }
    return clients;
}

}  // namespace cleanup
