#include "tools/render/Process.h"

#include "tools/cleanup/Cleanup.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace render {
namespace {

// Between fork and exec only async-signal-safe calls: everything is prepared before the fork.
[[noreturn]] void ExecChild(char* const* args, const char* logPath) {
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int log = open(logPath, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in >= 0) dup2(in, 0);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    execv(args[0], args);
    _exit(127);
}

}  // namespace

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string folders = path;
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds, const std::string& logPath) {
    ProcessResult result;
    if (argv.empty()) return result;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    {
        const cleanup::StartingProcess starting;
        if (!starting.Allowed()) return result;
        pid = fork();
    }
    if (pid < 0) return result;
    if (pid == 0) ExecChild(args.data(), logPath.c_str());
    setpgid(pid, pid);  // also here: the kill below must not race the child's own call
    result.started = true;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return result;
        if (Clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    // The launcher may end while a child it started still runs: the group goes with it.
    kill(-pid, SIGKILL);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

pid_t StartProcess(const std::vector<std::string>& argv, const std::string& logPath) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    {
        const cleanup::StartingProcess starting;
        if (!starting.Allowed()) return -1;
        pid = fork();
    }
    if (pid < 0) return -1;
    if (pid == 0) ExecChild(args.data(), logPath.c_str());
    setpgid(pid, pid);
    return pid;
}

void StopProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(-pid, SIGTERM);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The launcher may be gone while LibreOffice itself still runs in the group.
    kill(-pid, SIGKILL);
}


}  // namespace render
