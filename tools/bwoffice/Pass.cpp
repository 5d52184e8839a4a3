#include "tools/bwoffice/Pass.h"

#include "tools/cleanup/Processes.h"

#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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
    removed_ = std::make_unique<cleanup::RemovedOnSignal>(path_);
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

namespace {

// Copies what the two pipes carry to our stdout and stderr until both are closed.
void CopyUntilClosed(int out, int err) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = write(i + 1, chunk + done, static_cast<size_t>(n - done));
                if (w <= 0 && errno != EINTR) break;
                if (w > 0) done += w;
            }
        }
    }
}

}  // namespace

int RunPass(const std::vector<std::string>& arguments, std::string& error, bool throughPipes) {
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
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (throughPipes && (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)) {
        for (int fd : {out[0], out[1], err[0], err[1]})
            if (fd >= 0) close(fd);
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (throughPipes) {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    }
    pid_t pid = 0;
    int rc = ECANCELED;
    {
        const cleanup::StartingProcess starting;
        if (starting.Allowed()) rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (throughPipes) {
        close(out[1]);
        close(err[1]);
        if (rc == 0) CopyUntilClosed(out[0], err[0]);
        else close(out[0]), close(err[0]);
    }
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

PassServer::PassServer(std::vector<std::string> serverArguments, double limitSeconds)
    : serverArguments_(std::move(serverArguments)), limitSeconds_(limitSeconds) {}

PassServer::~PassServer() { Stop(); }

std::string WinePrefix() {
    if (const char* e = std::getenv("WINEPREFIX"); e && *e) return e;
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::path dir = fs::absolute(BwpassExe(), ec).parent_path(); !dir.empty() && dir != dir.parent_path();
         dir = dir.parent_path())
        if (fs::exists(dir / "CMakeCache.txt", ec)) return (dir / "wineprefix").string();
    return {};
}

void EndWineServer(const std::string& prefix) {
    if (cleanup::WineServerOf(prefix) < 0) return;
    if (!cleanup::WineClientsOf(prefix, cleanup::Descendants(getpid())).empty()) return;
    std::string wineserver = "wineserver", kill = "-k";
    char* argv[] = {wineserver.data(), kill.data(), nullptr};
    const std::string setting = "WINEPREFIX=" + prefix;
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "WINEPREFIX=", 11) != 0) environment.push_back(*e);
    environment.push_back(const_cast<char*>(setting.c_str()));
    environment.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environment.data()) == 0)
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    posix_spawn_file_actions_destroy(&actions);
    // The server and its services take a moment to go.
    for (int i = 0; i < 100 && cleanup::WineServerOf(prefix) >= 0; ++i) usleep(50000);
}

void WineServerOfRun::BeforeStart() {
    if (looked_) return;
    looked_ = true;
    const std::string prefix = WinePrefix();
    if (prefix.empty() || cleanup::WineServerOf(prefix) >= 0) return;
    prefix_ = prefix;
    hook_ = cleanup::AtSignal([prefix] { EndWineServer(prefix); });
}

// Through the hook: a signal's clean-up, which kills what we start, must not run beside it.
WineServerOfRun::~WineServerOfRun() {
    if (!prefix_.empty()) cleanup::RunHookNow(hook_);
}

bool PassServer::Start(std::string& error) {
    const std::string exe = BwpassExe();
    if (access(exe.c_str(), R_OK) != 0) {
        error = "the pass program " + exe + " is missing; build it with scripts/build --target bwpass";
        return false;
    }
    wine_.BeforeStart();
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
    // A group of its own, for Kill to reach whatever wine-run started (Wine's server and
    // services detach into sessions of their own and are not in it).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    int rc = ECANCELED;
    {
        const cleanup::StartingProcess starting;
        if (starting.Allowed()) rc = posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
    }
    posix_spawnattr_destroy(&attributes);
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
    fromServer_ = out[0];
    unread_.clear();
    return true;
}

void PassServer::Stop() {
    if (pid_ < 0) return;
    // End of input ends the server once it has answered what it was given.
    if (toServer_ >= 0) close(toServer_);
    if (fromServer_ >= 0) close(fromServer_);
    toServer_ = fromServer_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    pid_ = -1;
}

void PassServer::Kill() {
    if (pid_ > 0) kill(-pid_, SIGKILL);
    Stop();
}

// Reads the server's lines until its answer to a run ("bwpass-done STATUS"), its end, or the limit.
PassServer::Reply PassServer::ReadStatus(int& status) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(limitSeconds_);
    for (;;) {
        for (size_t end; (end = unread_.find('\n')) != std::string::npos;) {
            const std::string line = unread_.substr(0, end);
            unread_.erase(0, end + 1);
            if (std::sscanf(line.c_str(), "bwpass-done %d", &status) == 1) return Reply::kStatus;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return Reply::kTimedOut;
        pollfd readable{fromServer_, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) continue;  // the deadline is checked above
        char chunk[512];
        const ssize_t n = ready > 0 ? read(fromServer_, chunk, sizeof chunk) : -1;
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Reply::kEnded;
        unread_.append(chunk, static_cast<size_t>(n));
    }
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
        int status = -1;
        const Reply reply = sent ? ReadStatus(status) : Reply::kEnded;
        const std::string said = NewErrors();
        if (reply == Reply::kStatus) {
            if (status != 0) error = said;
            return status;
        }
        if (reply == Reply::kTimedOut) {
            // A pass that hangs is not tried again: the next file gets a new server.
            Kill();
            error = "the pass did not finish within " + std::to_string(static_cast<long>(limitSeconds_)) +
                    " s and was stopped" + (said.empty() ? std::string() : ": " + said);
            return -1;
        }
        Stop();
        if (fresh || attempt > 0) {
            error = "the pass program ended unexpectedly" + (said.empty() ? std::string() : ": " + said);
            return -1;
        }
    }
}

}  // namespace bwoffice
