// One LibreOffice for all the pictures of a run: started once, in the background, with a profile
// of its own. Every later `soffice --convert-to` with the same profile hands its files to it and
// waits for them, instead of starting LibreOffice anew (a second or more each time).
#pragma once

#include <mutex>
#include <string>
#include <sys/types.h>

namespace render {

class Session {
public:
    // Starts LibreOffice now, when it is installed, with its profile in workFolder (which must
    // stay until the session ends); the start overlaps whatever the caller does next. While the
    // session lives, RenderCharts goes through it.
    explicit Session(const std::string& workFolder);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The session that RenderCharts uses, or null.
    static Session* Current();

    // The -env:UserInstallation value that reaches this session's LibreOffice.
    const std::string& ProfileUrl() const { return profileUrl_; }
    // One conversion at a time: the instance works through its requests one by one anyway.
    std::mutex& Conversions() { return conversions_; }
    // Starts LibreOffice again when it has ended (a conversion that started with it may have
    // taken the profile's place and left it); call with Conversions() held.
    void KeepRunning();

private:
    void Start();

    std::string soffice_, folder_;
    std::string profileUrl_;
    pid_t pid_ = -1;
    std::mutex conversions_;
    Session* previous_ = nullptr;
};

// A file: URL for LibreOffice's -env:UserInstallation, which wants one even for a local path.
std::string FileUrl(const std::string& path);

}  // namespace render
