#include "tools/cleanup/Processes.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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
        if (fs::read_symlink(base + "/cwd", ec).filename() == folder) return p;
    }
    return -1;
}

std::vector<pid_t> WineClientsOf(const std::string& prefix, const std::vector<pid_t>& except) {
    struct stat wanted {};
    if (stat(prefix.c_str(), &wanted) != 0) return {};
    const std::string setting = "WINEPREFIX=";
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
        // The same folder however it was spelt (through a link, with a trailing slash).
        bool uses = false;
        for (size_t start = 0; start < environment.size() && !uses;) {
            size_t end = environment.find('\0', start);
            if (end == std::string::npos) end = environment.size();
            struct stat st {};
            uses = environment.compare(start, setting.size(), setting) == 0 &&
                   stat(environment.substr(start + setting.size(), end - start - setting.size()).c_str(), &st) == 0 &&
                   st.st_dev == wanted.st_dev && st.st_ino == wanted.st_ino;
            start = end + 1;
        }
        if (!uses) continue;
        const std::string command = ReadAll(base + "/cmdline");
        if (command.find("wineserver") != std::string::npos) continue;
        if (command.size() > 10 && (command[0] == 'C' || command[0] == 'c') && command[1] == ':' &&
            (command.compare(3, 7, "windows") == 0 || command.compare(3, 7, "Windows") == 0))
            continue;
        clients.push_back(p);
    }
    return clients;
}

}  // namespace cleanup
