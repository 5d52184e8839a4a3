// LibreOffice started once for all the pictures of a run: one or a few instances, each in the
// background with a profile of its own. A `soffice --convert-to` with the same profile hands its
// files to the running instance and waits for them, instead of starting LibreOffice anew (a
// second or more each time).
#pragma once

#include "tools/render/Process.h"
#include "tools/render/Profile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace render {

class Session {
public:
    // Starts `instances` LibreOffices now, when it is installed, on profiles kept between runs
    // where they are free (else on profiles in workFolder) and with their other files in
    // workFolder (which must stay until the session ends); the start overlaps whatever the caller
    // does next. While the session lives, RenderCharts goes through it. An instance works
    // through its files one at a time: threads that draw at once want one each.
    explicit Session(const std::string& workFolder, size_t instances = 1);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The session that RenderCharts uses, or null.
    static Session* Current();

    // How many LibreOffices convert at once.
    size_t Instances() const { return instances_.size(); }

    // Converts each file (a presentation or workbook) to the PDF paired with it, with one of the instances, and
    // says how LibreOffice's run went. Files that threads hand in while every instance is busy
    // wait and are then converted together, in one run: LibreOffice takes a run of many files
    // for much less than as many runs of one.
    ProcessResult ConvertToPdf(const std::vector<std::pair<std::string, std::string>>& files, double limitSeconds,
                               const std::string& logPath);
    // The same to another of LibreOffice's --convert-to formats ("pptx", "xlsx": a legacy
    // file imported to Office Open XML). The input files are moved away; copies are the caller's.
    ProcessResult ConvertTo(const std::vector<std::pair<std::string, std::string>>& files, const std::string& format,
                            double limitSeconds, const std::string& logPath);

private:
    struct Instance {
        std::unique_ptr<KeptProfile> kept;  // the profile kept between runs, when one was free
        std::filesystem::path profile;
        std::string log;
        std::string keepOpen;  // the document it holds open, or empty
        pid_t pid = -1;
        bool busy = false;
        bool ready = false;   // it listens for the files of later conversions
    };
    struct Request;
    void Start(Instance& instance);
    void Stop(Instance& instance);
    void KeepRunning(Instance& instance);
    void WaitUntilReady(Instance& instance);
    void Convert(Instance& instance, const std::vector<Request*>& requests);

    std::string soffice_, folder_;
    std::vector<Instance> instances_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Request*> queue_;
    std::atomic<size_t> runs_{0};  // instances convert at once
    Session* previous_ = nullptr;
};

// A path %-encoded for a URL: letters, digits, "/-_.~" as they are, every other byte encoded.
std::string UrlPath(const std::string& path);
// A file: URL for LibreOffice's -env:UserInstallation, which wants one even for a local path.
std::string FileUrl(const std::string& path);

}  // namespace render
