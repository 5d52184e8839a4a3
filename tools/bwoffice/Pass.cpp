#include "tools/bwoffice/Pass.h"

#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

PassServer::PassServer(std::vector<std::string> serverArguments) : serverArguments_(std::move(serverArguments)) {}

PassServer::~PassServer() { Stop(); }

bool PassServer::Start(std::string& error) {
    const std::string exe = BwpassExe();
    if (access(exe.c_str(), R_OK) != 0) {
        error = "the pass program " + exe + " is missing; build it with scripts/build --target bwpass";
        return false;
    }
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return error = std::string("cannot make a pipe: ") + std::strerror(errno), false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]), close(in[1]);
        return error = std::string("cannot make a pipe: ") + std::strerror(errno), false;
    }
    std::vector<std::string> args = {WineRun(), exe, "--serve"};
    args.insert(args.end(), serverArguments_.begin(), serverArguments_.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string errors = folder_.Path() + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]), close(out[0]);
        pid_ = -1;
        error = "cannot start " + args[0] + ": " + std::strerror(rc);
        return false;
    }
    toServer_ = in[1];
    fromServer_ = fdopen(out[0], "r");
    return true;
}

void PassServer::Stop() {
    if (pid_ < 0) return;
    // End of input ends the server once it has answered what it was given.
    if (toServer_ >= 0) close(toServer_);
    if (fromServer_) std::fclose(fromServer_);
    toServer_ = -1;
    fromServer_ = nullptr;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    pid_ = -1;
}

// What the server wrote to stderr since the last call, as one line.
std::string PassServer::NewErrors() {
    std::ifstream in(folder_.Path() + "/stderr.txt", std::ios::binary);
    in.seekg(errorsRead_);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    errorsRead_ += static_cast<long>(text.size());
    std::string line;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        if (part.rfind("bwpass: ", 0) == 0) part.erase(0, 8);
        // The pointer to the options does not fit a batch's messages.
        if (!part.empty() && part.rfind("(bwpass --help", 0) != 0) line += (line.empty() ? "" : "; ") + part;
        start = end + 1;
    }
    return line;
}

int PassServer::Run(const std::vector<std::string>& arguments, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line;
    for (const std::string& a : arguments) line += (line.empty() ? "" : "\t") + a;
    line += '\n';
    // A server that had served before and ends during a run (its Wine server was stopped under
    // it, say) is started again for one more try; a new one that ends says what went wrong.
    for (int attempt = 0;; ++attempt) {
        const bool fresh = pid_ < 0;
        if (fresh && !Start(error)) return -1;
        // A server that ended sends no answer; SIGPIPE is ignored for the write to fail instead.
        signal(SIGPIPE, SIG_IGN);
        const bool sent = write(toServer_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        char reply[256];
        int status = -1;
        while (sent && std::fgets(reply, sizeof reply, fromServer_))
            if (std::sscanf(reply, "bwpass-done %d", &status) == 1) break;
        const std::string said = NewErrors();
        if (status >= 0) {
            if (status != 0) error = said;
            return status;
        }
        Stop();
        if (fresh || attempt > 0) {
            error = "the pass program ended unexpectedly" + (said.empty() ? std::string() : ": " + said);
            return -1;
        }
    }
}

}  // namespace bwoffice
