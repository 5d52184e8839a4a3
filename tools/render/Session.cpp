#include "tools/render/Session.h"

#include "tools/cleanup/Cleanup.h"

#include "tools/render/Presentation.h"
#include "tools/render/Process.h"
#include "tools/render/Profile.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
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
    // Processes come and go while /proc is read: every step takes an error code, since the
    // throwing increment of a range-for would end the program from a drawing thread.
    std::error_code ec;
    for (fs::directory_iterator p("/proc", ec), end; !ec && p != end; p.increment(ec)) {
        const std::string pid = p->path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(p->path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t paren = text.rfind(')');  // the name may hold spaces
        std::istringstream rest(paren == std::string::npos ? std::string() : text.substr(paren + 1));
        std::string state;
        long parent = 0, pgrp = 0;
        if (!(rest >> state >> parent >> pgrp) || pgrp != group) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(p->path() / "fd", fdError), none; !fdError && fd != none; fd.increment(fdError)) {
            std::error_code linkError;
            const std::string target = fs::read_symlink(fd->path(), linkError).string();
            unsigned long inode = 0;
            if (std::sscanf(target.c_str(), "socket:[%lu]", &inode) == 1 && inodes.count(inode)) return true;
        }
    }
    return false;
}

// A headless LibreOffice ends as soon as a conversion handed to it leaves it with no document
// open, and the next conversion would wait for a new start (a second and more). An empty
// presentation held open keeps it running, and loading it readies Impress meanwhile.
std::string WriteKeepOpenDocument(const std::filesystem::path& path) {
    PresentationContent content;
    content.slides.emplace_back();
    const std::string bytes = office::ZipToBytes(PresentationEntries(content));
    std::ofstream out(path, std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) return {};
    return path.string();
}

// LibreOffice's lock file beside a document it has open.
std::filesystem::path LockFileOf(const std::string& document) {
    const std::filesystem::path p(document);
    return p.parent_path() / (".~lock." + p.filename().string() + "#");
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
    folder_ = folder.string();
    soffice_ = FindOnPath("soffice");
    // LibreOffice runs in groups of its own, which a Ctrl-C at the terminal misses.
    cleanup::OnSignals();
    instances_.resize(std::max<size_t>(1, instances));
    for (size_t i = 0; i < instances_.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        instances_[i].kept = KeptProfile::Take(soffice_);
        instances_[i].profile = instances_[i].kept ? instances_[i].kept->Path() : folder / ("lo-profile-" + n);
        instances_[i].log = (folder / ("soffice-" + n + ".log")).string();
        instances_[i].keepOpen = WriteKeepOpenDocument(folder / ("keep-open-" + n + ".pptx"));
        Start(instances_[i]);
    }
    previous_ = current.exchange(this);
}

Session::~Session() {
    current.store(previous_);
    for (Instance& i : instances_) Stop(i);
}

Session* Session::Current() { return current.load(); }

void Session::Start(Instance& instance) {
    // Without LibreOffice each rendering says so as it does without a session.
    if (soffice_.empty()) return;
    std::vector<std::string> argv = OfficeCommand(soffice_, instance.profile, folder_);
    if (!instance.keepOpen.empty()) {
        std::error_code ec;
        std::filesystem::remove(LockFileOf(instance.keepOpen), ec);  // left by an instance that was killed
        argv.push_back(instance.keepOpen);
    }
    instance.pid = StartProcess(argv, instance.log);
    if (instance.pid > 0) cleanup::KillGroupOnSignal(instance.pid);
}

void Session::Stop(Instance& instance) {
    if (instance.pid > 0) {
        StopProcess(instance.pid);
        cleanup::ForgetGroup(instance.pid);
    }
    instance.pid = -1;
    instance.ready = false;
}

void Session::KeepRunning(Instance& instance) {
    int status = 0;
    if (instance.pid > 0 && waitpid(instance.pid, &status, WNOHANG) == 0) return;
    Stop(instance);  // what is left of its group
    Start(instance);
}

// A conversion started before the instance listens would become an instance itself, convert,
// and leave; the session's own start would then hand its (empty) command line to it and leave
// too. So the first conversion waits until the instance listens, and until it has opened its
// document (it locks it then): a conversion that came first would leave it with no document.
void Session::WaitUntilReady(Instance& instance) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    int status = 0;
    while (!instance.ready && instance.pid > 0 && Clock::now() < deadline) {
        if (waitpid(instance.pid, &status, WNOHANG) != 0) {
            // Ended before it was ready: the conversion starts a LibreOffice of its own, and a
            // kept profile it could not start with is built anew next time.
            if (instance.kept) instance.kept->Discard();
            return;
        }
        std::error_code ec;
        instance.ready = GroupHolds(instance.pid, OfficePipes()) &&
                         (instance.keepOpen.empty() || std::filesystem::exists(LockFileOf(instance.keepOpen), ec));
        if (!instance.ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

struct Session::Request {
    const std::vector<std::pair<std::string, std::string>>* files;
    std::string format;  // LibreOffice's --convert-to: "pdf", or "pptx"/"xlsx" for an import
    double limit;
    std::string log;
    bool done = false;
    ProcessResult result;
};

namespace {

// The files of a run go into a folder of its own under names of its own, since different
// callers' files may share a name; each PDF is then moved to where its caller wants it.
bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (!ec) return true;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

constexpr size_t kFilesPerRun = 60;

}  // namespace

void Session::Convert(Instance& instance, const std::vector<Request*>& requests) {
    namespace fs = std::filesystem;
    KeepRunning(instance);
    WaitUntilReady(instance);
    const fs::path run = fs::path(folder_) / ("run-" + std::to_string(++runs_));
    std::error_code ec;
    fs::create_directories(run, ec);
    std::vector<std::string> argv = OfficeCommand(soffice_, instance.profile, folder_);
    const std::string format = requests.front()->format;
    argv.insert(argv.end(), {"--convert-to", format, "--outdir", run.string()});
    std::vector<std::pair<fs::path, std::string>> pdfs;  // LibreOffice's PDF -> the caller's
    double limit = 0;
    for (Request* r : requests) {
        limit = std::max(limit, r->limit);
        for (const auto& [input, pdf] : *r->files) {
            const std::string stem = "file" + std::to_string(pdfs.size() + 1);
            const fs::path moved = run / (stem + fs::path(input).extension().string());
            if (!MoveFile(input, moved)) continue;
            argv.push_back(moved.string());
            pdfs.emplace_back(run / (stem + "." + format), pdf);
        }
    }
    // The limit of the largest request and a wide margin for each further file.
    limit += 10.0 * static_cast<double>(pdfs.size());
    const ProcessResult result = RunProcess(argv, limit, requests.front()->log);
    if (result.timedOut) Stop(instance);  // it may hang: the next conversion starts it anew
    for (const auto& [made, wanted] : pdfs)
        if (fs::exists(made, ec)) MoveFile(made, wanted);
    fs::remove_all(run, ec);
    for (Request* r : requests) r->result = result;
}

ProcessResult Session::ConvertToPdf(const std::vector<std::pair<std::string, std::string>>& files,
                                    double limitSeconds, const std::string& logPath) {
    return ConvertTo(files, "pdf", limitSeconds, logPath);
}

ProcessResult Session::ConvertTo(const std::vector<std::pair<std::string, std::string>>& files,
                                 const std::string& format, double limitSeconds, const std::string& logPath) {
    Request mine{&files, format, limitSeconds, logPath, false, {}};
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&mine);
    while (!mine.done) {
        auto free = std::find_if(instances_.begin(), instances_.end(), [](const Instance& i) { return !i.busy; });
        if (queue_.empty() || free == instances_.end()) {
            changed_.wait(lock);
            continue;
        }
        // Whoever finds an instance free converts what waits, up to a bound; while other
        // instances are free too, just the first request, leaving the others to them.
        const bool othersFree = std::count_if(instances_.begin(), instances_.end(),
                                              [](const Instance& i) { return !i.busy; }) > 1;
        std::vector<Request*> taken;
        // One run converts to one format.
        for (size_t n = 0; !queue_.empty() && (taken.empty() || (!othersFree && queue_.front()->format == taken.front()->format &&
                                                                 n + queue_.front()->files->size() <= kFilesPerRun));) {
            n += queue_.front()->files->size();
            taken.push_back(queue_.front());
            queue_.pop_front();
        }
        free->busy = true;
        lock.unlock();
        Convert(*free, taken);
        lock.lock();
        free->busy = false;
        for (Request* r : taken) r->done = true;
        changed_.notify_all();
    }
    return mine.result;
}

}  // namespace render
