// Where a run's outputs go, checked before any file is converted: the output keeps the input's
// file type, its folder can be written to, and the folders it needs are made (and taken away
// again when nothing was written into them).
#pragma once

#include "tools/bwbatch/Inputs.h"
#include "tools/cleanup/Cleanup.h"

#include <memory>
#include <string>
#include <vector>

namespace bwbatch {

// Empty when output may hold what input converts to; else why not. The converted file keeps the
// input's type, so its extension must be the one DefaultOutput(input) gives (in any case): a
// workbook written under a presentation's name would not open.
std::string OutputTypeProblem(const std::string& input, const std::string& output);

// Empty when -o may name the folder of a batch of several inputs; else why not. A name that
// ends in "/" or is a folder is one; a missing name without an extension is made as one; a file,
// or a missing name with an extension, names one file ("out.xlsx" would become a folder).
std::string BatchOutputProblem(const std::string& output);

// Whether every one of outputs is there and none is older than input, as cp -u and make judge a
// target: what -u leaves alone.
bool UpToDate(const std::string& input, const std::vector<std::string>& outputs);

// -u: marks each file of the plan whose outputs (the converted file, and its report and PDF when
// they are asked for) are up to date.
void MarkUpToDate(BatchPlan& plan);

// Empty when a file can be created at path: the nearest folder of it that exists is a folder
// and a file can be made in it (tried, not judged from permissions, which root ignores); else
// why not, naming that folder.
std::string WritableProblem(const std::string& path);

// The folders that the outputs need, made now, outermost first; those still empty go when a
// signal ends the program.
class MadeFolders {
public:
    explicit MadeFolders(const std::vector<std::string>& outputs);
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    // Empty when every folder was made; else the first failure.
    const std::string& Problem() const { return problem_; }
    // Removes, innermost first, the folders made here that are still empty.
    void RemoveEmpty();

private:
    std::vector<std::string> made_;
    std::vector<std::unique_ptr<cleanup::RemovedOnSignal>> onSignal_;  // innermost last
    std::string problem_;
};

}  // namespace bwbatch
