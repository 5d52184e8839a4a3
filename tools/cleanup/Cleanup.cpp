#include "tools/cleanup/Cleanup.h"

#include "tools/cleanup/Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <exception>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace cleanup {
namespace fs = std::filesystem;
namespace {

struct Registry {
    std::mutex mutex;
    long next = 0;
    std::map<long, std::pair<std::string, RemovedOnSignal::What>> paths;
    std::map<long, std::function<void()>> hooks;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;  // never destroyed: the signal thread may use it at exit
    return *registry;
}

constexpr size_t kMostGroups = 64;
std::atomic<pid_t> groups[kMostGroups];

int wakeUp[2] = {-1, -1};
std::atomic<bool> ending{false};

// The processes the cleaner kills make the program's own threads fail and head for exit; one
// that gets there first waits here, so that the cleaner finishes and the program ends by the
// signal, as the shell expects of an interrupted program.
extern "C" void WaitForTheCleaner() {
    while (ending.load()) pause();
}

// A thread whose files or processes the cleaner took away may fail in a way nobody catches (an
// exception out of a thread): that waits for the cleaner too, instead of aborting the program
// before its clean-up is done.
std::terminate_handler previousTerminate = nullptr;
void TerminateUnlessEnding() {
    WaitForTheCleaner();
    if (previousTerminate) previousTerminate();
    std::abort();
}

extern "C" void WakeTheCleaner(int signal) {
    const unsigned char s = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(wakeUp[1], &s, 1);
}

std::shared_mutex& Starts() {
    static std::shared_mutex* starts = new std::shared_mutex;  // never destroyed, as the registry
    return *starts;
}

std::shared_mutex& Writes() {
    static std::shared_mutex* writes = new std::shared_mutex;  // never destroyed, as the registry
    return *writes;
}

void CleanUpAndEnd(int signal) {
    {
        std::unique_lock<std::shared_mutex> noMoreStarts(Starts());
        ending.store(true);
    }
    // The outputs being written finish, complete or failed, before their partial files are
    // looked for; any that would begin now see `ending` and do not.
    { std::unique_lock<std::shared_mutex> writesDone(Writes()); }
    // Held to the end: a hook run now by another thread finishes first, and none starts after.
    Registry& r = TheRegistry();
    std::unique_lock<std::mutex> lock(r.mutex);
    for (std::atomic<pid_t>& g : groups)
        if (const pid_t group = g.load(); group > 0) kill(-group, SIGKILL);
    KillDescendants();
    for (auto& [id, hook] : r.hooks) hook();
    // The files first, then the folders that may be empty by then, latest first: a folder made
    // inside another is gone before it.
    for (auto it = r.paths.rbegin(); it != r.paths.rend(); ++it) {
        const auto& [path, what] = it->second;
        std::error_code ec;
        if (what == RemovedOnSignal::What::kPartials) RemovePartials(path);
        else if (what == RemovedOnSignal::What::kTree) fs::remove_all(path, ec);
    }
    for (auto it = r.paths.rbegin(); it != r.paths.rend(); ++it) {
        const auto& [path, what] = it->second;
        std::error_code ec;
        if (what == RemovedOnSignal::What::kIfEmpty && fs::is_empty(path, ec)) fs::remove(path, ec);
    }
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal);
}

void Cleaner() {
    unsigned char s = 0;
    while (read(wakeUp[0], &s, 1) != 1) {}
    CleanUpAndEnd(s);
}

}  // namespace

void OnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (pipe2(wakeUp, O_CLOEXEC) != 0) return;
        std::atexit(WaitForTheCleaner);
        previousTerminate = std::set_terminate(TerminateUnlessEnding);
        std::thread(Cleaner).detach();
        for (int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction action {}, before {};
            sigaction(s, nullptr, &before);
            if (before.sa_handler == SIG_IGN) continue;  // started to ignore it (nohup): keep to that
            action.sa_handler = WakeTheCleaner;
            sigemptyset(&action.sa_mask);
            sigaction(s, &action, nullptr);
        }
    });
}

RemovedOnSignal::RemovedOnSignal(std::string path, What what) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    id_ = ++r.next;
    r.paths[id_] = {std::move(path), what};
}

RemovedOnSignal::~RemovedOnSignal() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.paths.erase(id_);
}

StartingProcess::StartingProcess() {
    Starts().lock_shared();
    allowed_ = !ending.load();
}

StartingProcess::~StartingProcess() { Starts().unlock_shared(); }

WritingOutput::WritingOutput() {
    Writes().lock_shared();
    allowed_ = !ending.load();
}

WritingOutput::~WritingOutput() { Writes().unlock_shared(); }

bool Ending() { return ending.load(); }

void KillGroupOnSignal(pid_t group) {
    for (std::atomic<pid_t>& g : groups) {
        pid_t empty = 0;
        if (g.compare_exchange_strong(empty, group)) return;
    }
}

void ForgetGroup(pid_t group) {
    for (std::atomic<pid_t>& g : groups) {
        pid_t known = group;
        if (g.compare_exchange_strong(known, 0)) return;
    }
}

long AtSignal(std::function<void()> hook) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.hooks[++r.next] = std::move(hook);
    return r.next;
}

void RunHookNow(long id) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.hooks.find(id);
    if (it == r.hooks.end()) return;
    const std::function<void()> hook = std::move(it->second);
    r.hooks.erase(it);
    hook();
}

void ForgetHook(long id) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.hooks.erase(id);
}

void RemovePartials(const std::string& target) {
    const fs::path path = fs::absolute(target);
    const std::string prefix = path.filename().string() + ".part";
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(path.parent_path(), ec)) {
        const std::string name = e.path().filename().string();
        std::error_code ignored;
        if (name.rfind(prefix, 0) == 0) fs::remove_all(e.path(), ignored);
    }
}

}  // namespace cleanup
