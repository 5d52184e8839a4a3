#include "tools/bwoffice/Pass.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace bwoffice {

namespace {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string p(path, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/'));
}

// bwpass.exe is the cross build's, one folder up from the native build (build/native/bwoffice,
// build/bwpass.exe); QV_BWPASS_EXE names another.
std::string BwpassExe() {
    if (const char* e = std::getenv("QV_BWPASS_EXE"); e && *e) return e;
    return ProgramFolder() + "/../bwpass.exe";
}

std::string WineRun() {
    if (const char* e = std::getenv("QV_WINE_RUN"); e && *e) return e;
    return std::string(QV_SOURCE_DIR) + "/scripts/wine-run";
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/bwoffice-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error(std::string("cannot create a temporary folder: ") + std::strerror(errno));
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

std::string WinePath(const std::string& path) {
    std::string w = "Z:" + Absolute(path);
    for (char& c : w)
        if (c == '/') c = '\\';
    return w;
}

int RunPass(const std::vector<std::string>& arguments, std::string& error) {
    const std::string exe = BwpassExe();
    if (access(exe.c_str(), R_OK) != 0) {
        error = "the pass program " + exe + " is missing; build it with scripts/build --target bwpass";
        return -1;
    }
    std::vector<std::string> args = {WineRun(), exe};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        error = "cannot start " + args[0] + ": " + std::strerror(rc);
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = std::string("waiting for the pass failed: ") + std::strerror(errno);
            return -1;
        }
    }
    if (WIFSIGNALED(status)) {
        error = "the pass was ended by signal " + std::to_string(WTERMSIG(status));
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace bwoffice
