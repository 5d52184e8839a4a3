#include "tools/render/Session.h"

#include "tools/render/Process.h"

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace render {
namespace {

std::atomic<Session*> current{nullptr};

// The process groups of the running instances, for a signal that ends the program before the
// sessions end: LibreOffice runs in groups of its own, which a Ctrl-C at the terminal misses.
constexpr size_t kMostGroups = 64;
std::atomic<pid_t> groups[kMostGroups];

void Remember(pid_t group) {
    for (std::atomic<pid_t>& g : groups) {
        pid_t empty = 0;
        if (g.compare_exchange_strong(empty, group)) return;
    }
}

void Forget(pid_t group) {
    for (std::atomic<pid_t>& g : groups) {
        pid_t known = group;
        if (g.compare_exchange_strong(known, 0)) return;
    }
}

extern "C" void StopInstancesAndEnd(int signal) {
    for (std::atomic<pid_t>& g : groups)
        if (const pid_t group = g.load(); group > 0) kill(-group, SIGKILL);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void StopInstancesOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int s : {SIGINT, SIGTERM, SIGHUP})
            if (std::signal(s, StopInstancesAndEnd) == SIG_IGN) std::signal(s, SIG_IGN);
    });
}

// The inodes of the sockets on which LibreOffice instances listen for the command lines of later
// starts (OSL_PIPE_<uid>_SingleOfficeIPC_<hash of the profile>).
std::set<unsigned long> OfficePipes() {
    std::set<unsigned long> inodes;
    std::ifstream in("/proc/net/unix");
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("SingleOfficeIPC_") == std::string::npos) continue;
        std::istringstream fields(line);
        std::string num, refs, protocol, flags, type, state;
        unsigned long inode = 0;
        if ((fields >> num >> refs >> protocol >> flags >> type >> state >> inode) && flags == "00010000")
            inodes.insert(inode);
    }
    return inodes;
}

// Whether a process of the group holds one of these sockets.
bool GroupHolds(pid_t group, const std::set<unsigned long>& inodes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const fs::directory_entry& p : fs::directory_iterator("/proc", ec)) {
        const std::string pid = p.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(p.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t paren = text.rfind(')');  // the name may hold spaces
        std::istringstream rest(paren == std::string::npos ? std::string() : text.substr(paren + 1));
        std::string state;
        long parent = 0, pgrp = 0;
        if (!(rest >> state >> parent >> pgrp) || pgrp != group) continue;
        std::error_code fdError;
        for (const fs::directory_entry& fd : fs::directory_iterator(p.path() / "fd", fdError)) {
            std::error_code linkError;
            const std::string target = fs::read_symlink(fd.path(), linkError).string();
            unsigned long inode = 0;
            if (std::sscanf(target.c_str(), "socket:[%lu]", &inode) == 1 && inodes.count(inode)) return true;
        }
    }
    return false;
}

}  // namespace

std::string FileUrl(const std::string& path) { return "file://" + UrlPath(path); }

std::string UrlPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url;
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

Session::Session(const std::string& workFolder, size_t instances) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(workFolder, ec);
    const fs::path folder = fs::absolute(workFolder, ec);
    soffice_ = FindOnPath("soffice");
    StopInstancesOnSignals();
    instances_.resize(std::max<size_t>(1, instances));
    for (size_t i = 0; i < instances_.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        instances_[i].profileUrl = FileUrl((folder / ("lo-profile-" + n)).string());
        instances_[i].log = (folder / ("soffice-" + n + ".log")).string();
        Start(instances_[i]);
    }
    previous_ = current.exchange(this);
}

Session::~Session() {
    current.store(previous_);
    for (Instance& i : instances_)
        if (i.pid > 0) {
            StopProcess(i.pid);
            Forget(i.pid);
        }
}

Session* Session::Current() { return current.load(); }

void Session::Start(Instance& instance) {
    // Without LibreOffice each rendering says so as it does without a session.
    if (soffice_.empty()) return;
    instance.pid = StartProcess({soffice_, "--headless", "--norestore", "--nologo", "--nolockcheck",
                                 "-env:UserInstallation=" + instance.profileUrl},
                                instance.log);
    if (instance.pid > 0) Remember(instance.pid);
}

void Session::KeepRunning(Instance& instance) {
    int status = 0;
    if (instance.pid > 0 && waitpid(instance.pid, &status, WNOHANG) == 0) return;
    if (instance.pid > 0) {
        StopProcess(instance.pid);  // what is left of its group
        Forget(instance.pid);
    }
    instance.pid = -1;
    instance.ready = false;
    Start(instance);
}

// A conversion started before the instance listens would become an instance itself, convert,
// and leave; the session's own start would then hand its (empty) command line to it and leave
// too. So the first conversion waits until the instance listens.
void Session::WaitUntilReady(Instance& instance) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    int status = 0;
    while (!instance.ready && instance.pid > 0 && Clock::now() < deadline) {
        if (waitpid(instance.pid, &status, WNOHANG) != 0) return;  // ended: the conversion starts its own
        instance.ready = GroupHolds(instance.pid, OfficePipes());
        if (!instance.ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

Session::Lease Session::Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    size_t index = 0;
    free_.wait(lock, [&] {
        for (index = 0; index < instances_.size(); ++index)
            if (!instances_[index].busy) return true;
        return false;
    });
    Instance& instance = instances_[index];
    instance.busy = true;
    lock.unlock();  // the instance is this lease's alone now
    KeepRunning(instance);
    WaitUntilReady(instance);
    Lease lease;
    lease.session_ = this;
    lease.index_ = index;
    return lease;
}

void Session::Give(size_t index) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        instances_[index].busy = false;
    }
    free_.notify_one();
}

Session::Lease& Session::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        if (session_) session_->Give(index_);
        session_ = other.session_;
        index_ = other.index_;
        other.session_ = nullptr;
    }
    return *this;
}

Session::Lease::~Lease() {
    if (session_) session_->Give(index_);
}

const std::string& Session::Lease::ProfileUrl() const { return session_->instances_[index_].profileUrl; }

}  // namespace render
