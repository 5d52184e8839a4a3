// The black-and-white pass itself runs in bwpass.exe under Wine, with the real DLL: this side
// writes the deck, runs it and reads the converted deck back.
#pragma once

#include "tools/cleanup/Cleanup.h"

#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bwoffice {

// A private folder under $TMPDIR, removed with everything in it when this goes away, or when a
// signal ends the program.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<cleanup::RemovedOnSignal> removed_;
};

// A Wine server that the run brings up (none ran for the prefix when the run's first Wine program
// started) is ended with the run, or on a signal, so that the run leaves no Wine process behind;
// a server that was running already (the tests', a warm one of scripts/wine-prefix start) is left
// to its owner.
class WineServerOfRun {
public:
    WineServerOfRun() = default;
    ~WineServerOfRun();
    WineServerOfRun(const WineServerOfRun&) = delete;
    WineServerOfRun& operator=(const WineServerOfRun&) = delete;
    // Call before each start of a Wine program; only the first one looks.
    void BeforeStart();

private:
    bool looked_ = false;
    std::string prefix_;  // set when the run brings the server up
    long hook_ = 0;
};

struct PassOptions {
    std::vector<std::string> extraArguments;  // passed through to bwpass.exe (--registered ...)
};

// Runs bwpass.exe under Wine with these arguments (file names in them as WinePath gives them).
// Returns its exit status, or -1 with error set when it could not be started or was killed.
// throughPipes: its output comes through pipes, copied to ours as it comes, so that Wine sees no
// terminal (on one, Wine's console writes escape codes around every character).
int RunPass(const std::vector<std::string>& arguments, std::string& error, bool throughPipes = false);

// How long one file's pass may take before its server is stopped: far more than the largest
// real file needs (seconds), so that a pass that hangs costs one file, not the batch.
constexpr double kPassLimitSeconds = 600;

// bwpass.exe --serve: one start of Wine for the passes of many files; a Wine server it brought up
// ends with it (WineServerOfRun). The runs are made one at a
// time (a run is short beside reading, writing and drawing, and the plug-in's log switch lives in
// the prefix's one registry); threads may share one server. Started at the first run; a server
// that ended, or was stopped because a run passed its limit, is started again at the next.
class PassServer {
public:
    explicit PassServer(std::vector<std::string> serverArguments = {}, double limitSeconds = kPassLimitSeconds);
    ~PassServer();
    PassServer(const PassServer&) = delete;
    PassServer& operator=(const PassServer&) = delete;

    // Runs bwpass.exe with these arguments as RunPass does; on a status other than 0, error holds
    // what bwpass.exe said about it. Returns -1 with error set when the server could not be
    // started, ended during the run, or did not answer within the limit.
    int Run(const std::vector<std::string>& arguments, std::string& error);

private:
    enum class Reply { kStatus, kEnded, kTimedOut };
    bool Start(std::string& error);
    void Stop();
    void Kill();
    Reply ReadStatus(int& status);
    std::string NewErrors();

    std::vector<std::string> serverArguments_;
    const double limitSeconds_;
    std::mutex mutex_;
    TempFolder folder_;       // the server's stderr
    pid_t pid_ = -1;
    int toServer_ = -1, fromServer_ = -1;
    std::string unread_;      // what the server wrote after the last line read
    long errorsRead_ = 0;
    WineServerOfRun wine_;
};

// The prefix the pass runs in: WINEPREFIX, else the one scripts/wine-run takes for bwpass.exe's
// build tree.
std::string WinePrefix();

// Ends the prefix's Wine server with its services, unless a program outside this one still uses
// it (which would lose its server; the server ends on its own soon after its last program).
void EndWineServer(const std::string& prefix);

// The name Wine gives a Linux path (Z: is the root).
std::string WinePath(const std::string& path);

// The absolute form of a path, without resolving links.
std::string Absolute(const std::string& path);

}  // namespace bwoffice
