#include "tools/render/Session.h"

#include "tools/render/Process.h"

#include <sys/wait.h>

#include <atomic>
#include <filesystem>

namespace render {
namespace {

std::atomic<Session*> current{nullptr};

}  // namespace

std::string FileUrl(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
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
        if (i.pid > 0) StopProcess(i.pid);
}

Session* Session::Current() { return current.load(); }

void Session::Start(Instance& instance) {
    // Without LibreOffice each rendering says so as it does without a session.
    if (soffice_.empty()) return;
    instance.pid = StartProcess({soffice_, "--headless", "--norestore", "--nologo", "--nolockcheck",
                                 "-env:UserInstallation=" + instance.profileUrl},
                                instance.log);
}

void Session::KeepRunning(Instance& instance) {
    int status = 0;
    if (instance.pid > 0 && waitpid(instance.pid, &status, WNOHANG) == 0) return;
    if (instance.pid > 0) StopProcess(instance.pid);  // what is left of its group
    instance.pid = -1;
    Start(instance);
}

Session::Lease Session::Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    size_t index = 0;
    free_.wait(lock, [&] {
        for (index = 0; index < instances_.size(); ++index)
            if (!instances_[index].busy) return true;
        return false;
    });
    instances_[index].busy = true;
    KeepRunning(instances_[index]);
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
