#include "tools/render/Session.h"

#include "tools/render/Process.h"

#include <atomic>
#include <filesystem>

#include <sys/wait.h>

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

Session::Session(const std::string& workFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(workFolder, ec);
    const fs::path folder = fs::absolute(workFolder, ec);
    folder_ = folder.string();
    profileUrl_ = FileUrl((folder / "lo-profile").string());
    soffice_ = FindOnPath("soffice");
    Start();
    previous_ = current.exchange(this);
}

void Session::Start() {
    // Without LibreOffice each rendering says so as it does without a session.
    if (soffice_.empty()) return;
    pid_ = StartProcess({soffice_, "--headless", "--norestore", "--nologo", "--nolockcheck",
                         "-env:UserInstallation=" + profileUrl_},
                        folder_ + "/soffice.log");
}

void Session::KeepRunning() {
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0) return;
    if (pid_ > 0) StopProcess(pid_);  // what is left of its group
    pid_ = -1;
    Start();
}

Session::~Session() {
    current.store(previous_);
    if (pid_ > 0) StopProcess(pid_);
}

Session* Session::Current() { return current.load(); }

}  // namespace render
