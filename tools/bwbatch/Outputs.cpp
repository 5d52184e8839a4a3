#include "tools/bwbatch/Outputs.h"

#include "tools/bwbatch/Inputs.h"
#include "tools/package/CaseFold.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace bwbatch {
namespace fs = std::filesystem;
namespace {

// The folders that must be made for path, outermost first.
std::vector<fs::path> MissingFolders(const fs::path& path) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path p = fs::absolute(path).lexically_normal().parent_path(); !p.empty() && !fs::exists(p, ec);
         p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path()) break;
    }
    return missing;
}

// The path as the user gave it where it lies below what they named, else absolute.
std::string Shown(const fs::path& p) {
    std::error_code ec;
    const fs::path relative = p.lexically_relative(fs::current_path(ec));
    return !relative.empty() && *relative.begin() != ".." ? relative.string() : p.string();
}

}  // namespace

std::string OutputTypeProblem(const std::string& input, const std::string& output) {
    const std::string wanted = Extension(DefaultOutput(input));
    const std::string given = Extension(output);
    if (office::Lower(given) == office::Lower(wanted)) return {};
    // A name without an extension that does not exist may have been meant as a folder.
    std::error_code ec;
    const bool folderMeant = given.empty() && !fs::exists(output, ec);
    return output + ": " + fs::path(input).filename().string() + " converts to a " + wanted + " file; name the output " +
           wanted + (given.empty() ? std::string() : ", not " + given) +
           (folderMeant ? ", or give " + output + "/ for a folder to put it in" : std::string());
}

std::string BatchOutputProblem(const std::string& output) {
    std::error_code ec;
    if (output.empty() || output.back() == '/' || fs::is_directory(output, ec)) return {};
    const std::string name = fs::path(output).filename().string();
    const bool extension = name.size() > 1 && name.find('.', 1) != std::string::npos;  // ".out" has none
    if (fs::exists(output, ec) || extension)
        return "-o names one file; give a folder ending in / for several inputs (" + output + " is " +
               (fs::exists(output, ec) ? "a file)" : "a file's name)");
    return {};
}

bool UpToDate(const std::string& input, const std::vector<std::string>& outputs) {
    std::error_code ec;
    const fs::file_time_type source = fs::last_write_time(input, ec);
    if (ec) return false;
    for (const std::string& out : outputs) {
        if (out.empty()) continue;
        const fs::file_time_type target = fs::last_write_time(out, ec);
        if (ec || target < source) return false;
    }
    return true;
}

void MarkUpToDate(BatchPlan& plan) {
    for (BatchFile& f : plan.files)
        f.upToDate = f.refused.empty() && !f.output.empty() && UpToDate(f.input, {f.output, f.report, f.pdf});
}

std::string WritableProblem(const std::string& path) {
    std::error_code ec;
    fs::path folder = fs::absolute(path).lexically_normal().parent_path();
    while (!fs::exists(folder, ec) && folder != folder.parent_path()) folder = folder.parent_path();
    if (!fs::is_directory(folder, ec)) return Shown(folder) + " is not a folder, so " + path + " cannot be written";
    std::string probe = (folder / ".bwpass-probe-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return path + ": cannot write in " + Shown(folder) + ": " + std::strerror(errno);
    close(fd);
    unlink(probe.c_str());
    return {};
}

MadeFolders::MadeFolders(const std::vector<std::string>& outputs) {
    for (const std::string& out : outputs) {
        if (out.empty()) continue;
        for (const fs::path& p : MissingFolders(out)) {
            std::error_code ec;
            if (fs::create_directory(p, ec)) {
                made_.push_back(p.string());
                onSignal_.push_back(std::make_unique<cleanup::RemovedOnSignal>(p.string(), cleanup::RemovedOnSignal::What::kIfEmpty));
            } else if (ec && problem_.empty()) {
                problem_ = Shown(p) + ": cannot be made: " + ec.message();
            }
        }
    }
}

void MadeFolders::RemoveEmpty() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
        std::error_code ec;
        if (fs::is_empty(*it, ec)) fs::remove(*it, ec);
    }
}

}  // namespace bwbatch
