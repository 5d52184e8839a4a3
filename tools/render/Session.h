// LibreOffice started once for all the pictures of a run: one or a few instances, each in the
// background with a profile of its own. A `soffice --convert-to` with the same profile hands its
// files to the running instance and waits for them, instead of starting LibreOffice anew (a
// second or more each time).
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace render {

class Session {
public:
    // Starts `instances` LibreOffices now, when it is installed, with their profiles in
    // workFolder (which must stay until the session ends); the start overlaps whatever the caller
    // does next. While the session lives, RenderCharts goes through it. An instance works
    // through its files one at a time: threads that draw at once want one each.
    explicit Session(const std::string& workFolder, size_t instances = 1);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The session that RenderCharts uses, or null.
    static Session* Current();

    // One instance, held for one conversion.
    class Lease {
    public:
        Lease() = default;
        Lease(Lease&& other) noexcept { *this = std::move(other); }
        Lease& operator=(Lease&& other) noexcept;
        ~Lease();
        // The -env:UserInstallation value that reaches the instance.
        const std::string& ProfileUrl() const;

    private:
        friend class Session;
        Session* session_ = nullptr;
        size_t index_ = 0;
    };

    // Waits for a free instance; starts it again when it has ended (a conversion that started
    // with it may have taken the profile's place and left with it).
    Lease Take();

private:
    struct Instance {
        std::string profileUrl, log;
        pid_t pid = -1;
        bool busy = false;
        bool ready = false;   // it listens for the files of later conversions
    };
    void Start(Instance& instance);
    void KeepRunning(Instance& instance);
    void WaitUntilReady(Instance& instance);
    void Give(size_t index);

    std::string soffice_;
    std::vector<Instance> instances_;
    std::mutex mutex_;
    std::condition_variable free_;
    Session* previous_ = nullptr;
};

// A path %-encoded for a URL: letters, digits, "/-_.~" as they are, every other byte encoded.
std::string UrlPath(const std::string& path);
// A file: URL for LibreOffice's -env:UserInstallation, which wants one even for a local path.
std::string FileUrl(const std::string& path);

}  // namespace render
