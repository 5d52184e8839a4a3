// A run ended by Ctrl-C, a terminal closed or kill leaves nothing behind: on SIGINT, SIGTERM or
// SIGHUP a thread of ours (not the handler, which only wakes it) ends every process the program
// started, runs the hooks registered for the end of the run, removes the temporary folders and
// half-written outputs registered, and the program then ends by that signal.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace cleanup {

// Installs the handlers and starts the thread, once; later calls do nothing.
void OnSignals();

// While it lives, what is at path is removed when a signal ends the program:
//   kTree      the file or folder with everything below it (a temporary folder);
//   kPartials  what is being written in place of the target path: every file beside it named
//              TARGET.part* (TARGET.partial, TARGET.partPID and libzip's TARGET.partPID.XXXXXX),
//              which is how every writer here writes through a temporary file;
//   kIfEmpty   the folder, when it is empty then (one made for outputs, which other files'
//              complete outputs may share).
class RemovedOnSignal {
public:
    enum class What { kTree, kPartials, kIfEmpty };
    explicit RemovedOnSignal(std::string path, What what = What::kTree);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

private:
    long id_;
};

// Held while a process is started: a process started while a signal's clean-up runs would be left
// behind, so once the clean-up has begun none is (Allowed() is false), and the clean-up waits for
// the starts under way before it ends what the program started.
class StartingProcess {
public:
    StartingProcess();
    ~StartingProcess();
    StartingProcess(const StartingProcess&) = delete;
    StartingProcess& operator=(const StartingProcess&) = delete;
    bool Allowed() const { return allowed_; }

private:
    bool allowed_;
};

// Held while an output beside the user's files is written (its TARGET.part* made, filled and
// renamed): a writer that began before a signal finishes first, so that the clean-up finds its
// output complete or its partial file there to remove, and none begins once the clean-up has
// (Allowed() is false; the writer then gives up without creating anything).
class WritingOutput {
public:
    WritingOutput();
    ~WritingOutput();
    WritingOutput(const WritingOutput&) = delete;
    WritingOutput& operator=(const WritingOutput&) = delete;
    bool Allowed() const { return allowed_; }

private:
    bool allowed_;
};

// Whether a signal's clean-up has begun: what a thread finishes from then on may be the
// clean-up's doing (a process it killed), not the file's.
bool Ending();

// A process group killed when a signal ends the program (one that may have left our tree of
// processes, such as LibreOffice's, whose launcher ends while the office runs on).
void KillGroupOnSignal(pid_t group);
void ForgetGroup(pid_t group);

// Run on a signal after the processes are ended and before the files are removed; the id
// takes it back.
long AtSignal(std::function<void()> hook);
void ForgetHook(long id);
// Runs the hook now, at the end of a run that was not interrupted, and forgets it; never beside a
// signal's clean-up (which then runs it, or has ended the program).
void RunHookNow(long id);

// Removes every file in target's folder named TARGET.part*.
void RemovePartials(const std::string& target);

}  // namespace cleanup
