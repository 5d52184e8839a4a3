// Running the external renderers (LibreOffice, pdftoppm) with a time limit.
#pragma once

#include <string>
#include <vector>

namespace render {

struct ProcessResult {
    bool started = false;
    bool timedOut = false;      // the limit passed: the process and its children were killed
    int exitCode = -1;          // when it ended by itself; -1 when killed by a signal
};

// The full path of program found in PATH, or empty when it is not there.
std::string FindOnPath(const std::string& program);

// Runs argv (argv[0] a path) in a process group of its own, with stdin from /dev/null and
// stdout and stderr appended to logPath. After timeoutSeconds the whole group is killed:
// LibreOffice's launcher leaves the work to a child process, which must go too.
ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds, const std::string& logPath);

// A file: URL for LibreOffice's -env:UserInstallation, which wants one even for a local path.
std::string FileUrl(const std::string& path);

}  // namespace render
