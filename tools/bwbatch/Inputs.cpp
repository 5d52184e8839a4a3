#include "tools/bwbatch/Inputs.h"

#include "tools/bwbatch/Outputs.h"

#include "tools/package/CaseFold.h"
#include "tools/package/FileKind.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace bwbatch {
namespace fs = std::filesystem;
namespace {

using office::Lower;

std::string WithoutExtension(const std::string& path) { return path.substr(0, path.size() - Extension(path).size()); }

// Names that a user would take for a presentation or workbook: such a file is named as refused
// when it cannot be converted, where any other file that is no Office file is only left out.
bool HasOfficeExtension(const std::string& name) {
    static const std::set<std::string> extensions = {".pptx", ".pptm", ".ppsx", ".ppsm", ".potx", ".potm", ".ppt",
                                                     ".pps",  ".pot",  ".xlsx", ".xlsm", ".xltx", ".xltm", ".xls",
                                                     ".xlt",  ".xlsb", ".docx", ".docm", ".doc",  ".odp",  ".ods"};
    return extensions.count(Lower(Extension(name))) > 0;
}

// A file found in a folder is the batch's when it is an Office file by its content or its name.
bool IsCandidate(const std::string& name, office::FileKind kind) {
    switch (kind) {
    case office::FileKind::NotOffice: case office::FileKind::Empty: case office::FileKind::Deck:
    case office::FileKind::Unreadable:
        return HasOfficeExtension(name);
    default:
        return true;
    }
}

struct Found {
    fs::path path;
    office::FileKind kind;
};

// The files below folder, sorted so that a batch runs and lists them the same each time; the
// other files go to leftOut, named with what they are.
std::vector<Found> FilesBelow(const fs::path& folder, std::string& error, std::vector<std::string>& leftOut) {
    std::vector<Found> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        // Hidden files, our own outputs and Office's lock files (~$...) go unmentioned.
        if (!it->is_regular_file(kind) || name[0] == '.' || IsOwnOutputName(name) || name.rfind("~$", 0) == 0)
            continue;
        const office::FileKind k = office::IdentifyFile(it->path());
        if (IsCandidate(name, k)) found.push_back({it->path(), k});
        else leftOut.push_back(office::DescribeRefusal(it->path(), k));
    }
    if (ec) error = folder.string() + ": cannot be searched: " + ec.message();
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
    std::sort(leftOut.begin(), leftOut.end());
    return found;
}

bool IsAtOrBelow(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

std::string CommonFolder(const std::vector<BatchFile>& files) {
    fs::path common;
    bool first = true;
    for (const BatchFile& f : files) {
        if (!f.refused.empty()) continue;
        const fs::path folder = fs::absolute(f.output).lexically_normal().parent_path();
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        fs::path shared;
        for (auto a = common.begin(), b = folder.begin(); a != common.end() && b != folder.end() && *a == *b; ++a, ++b)
            shared /= *a;
        common = shared;
    }
    return first ? fs::current_path().string() : common.string();
}

class Planner {
public:
    Planner(const std::string& outputFolder, bool report, bool pdf)
        : outputFolder_(outputFolder), report_(report), pdf_(pdf) {}

    void Argument(const std::string& argument) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(argument, ec).lexically_normal();
        if (fs::is_directory(argument, ec)) {
            named_.push_back(absolute);
            std::string error;
            for (const Found& f : FilesBelow(argument, error, plan_.leftOut))
                Add(f.path.string(), f.path.lexically_relative(argument).string(), f.kind);
            if (!error.empty()) Refuse(argument, argument, error);
        } else if (!fs::exists(argument, ec)) {
            Refuse(argument, argument, argument + ": no such file or folder");
        } else {
            named_.push_back(absolute.parent_path());
            Add(argument, fs::path(argument).filename().string(), office::IdentifyFile(argument));
        }
    }

    BatchPlan Finish() {
        RefuseUnwritable();
        plan_.index = ((outputFolder_.empty() ? IndexFolder() : fs::path(outputFolder_)) / "bwpass-index.html").string();
        return std::move(plan_);
    }

private:
    // The outputs' common folder when it lies in a folder the user named (a folder argument, or
    // the folder of a file argument) or in the current folder; else the current folder, rather
    // than a parent the user never chose (a shared temporary folder, or "/" for files on two disks).
    fs::path IndexFolder() const {
        const fs::path common = fs::path(CommonFolder(plan_.files)).lexically_normal();
        std::error_code ec;
        const fs::path here = fs::current_path(ec);
        // Below the current folder it is named as the outputs beside the inputs are: relatively.
        if (IsAtOrBelow(common, here)) {
            const fs::path relative = common.lexically_relative(here);
            return relative == "." ? fs::path() : relative;
        }
        for (const fs::path& named : named_)
            if (IsAtOrBelow(common, named)) return common;
        return {};
    }

    void Add(const std::string& input, const std::string& relative, office::FileKind kind) {
        if (office::FamilyOf(kind) != office::FileFamily::Presentation && office::FamilyOf(kind) != office::FileFamily::Workbook)
            return Refuse(input, relative, office::DescribeRefusal(input, kind));
        BatchFile f;
        f.input = input;
        f.shown = relative;
        f.kind = kind;
        f.output = outputFolder_.empty()
                       ? DefaultOutput(input, kind)
                       : (fs::path(outputFolder_) / DefaultOutput(relative, kind)).lexically_normal().string();
        if (report_) f.report = ReportBeside(f.output);
        if (pdf_) f.pdf = PdfBeside(f.output);
        const std::string key = fs::absolute(f.output).lexically_normal().string();
        if (!taken_.insert(key).second) {
            f.refused = input + ": its outputs would take the names of another file's (" + f.output + ")";
            f.output.clear();
            f.report.clear();
            f.pdf.clear();
        }
        plan_.files.push_back(std::move(f));
    }

    // A file whose outputs cannot be written is named before any conversion starts, not after
    // its pass; folders are tried once each.
    void RefuseUnwritable() {
        std::map<std::string, std::string> problems;
        for (BatchFile& f : plan_.files) {
            if (!f.refused.empty()) continue;
            const std::string folder = fs::absolute(f.output).lexically_normal().parent_path().string();
            auto it = problems.find(folder);
            if (it == problems.end()) it = problems.emplace(folder, WritableProblem(f.output)).first;
            if (it->second.empty()) continue;
            f.refused = it->second;
            f.output.clear();
            f.report.clear();
            f.pdf.clear();
        }
    }

    void Refuse(const std::string& input, const std::string& shown, const std::string& why) {
        BatchFile f;
        f.input = input;
        f.shown = shown;
        f.refused = why;
        plan_.files.push_back(std::move(f));
    }

    const std::string outputFolder_;
    const bool report_, pdf_;
    std::vector<fs::path> named_;  // the folders the user named, absolute
    BatchPlan plan_;
    std::set<std::string> taken_;
};

}  // namespace

bool IsOfficeFileName(const std::string& path) {
    static const std::set<std::string> extensions = {".pptx", ".pptm", ".ppsx", ".ppsm", ".potx", ".potm", ".ppt", ".pps",
                                                     ".pot",  ".xlsx", ".xlsm", ".xltx", ".xltm", ".xls",  ".xlt"};
    return extensions.count(Lower(Extension(path))) > 0;
}

bool IsConvertedFileName(const std::string& path) {
    const std::string stem = Lower(WithoutExtension(fs::path(path).filename().string()));
    return stem.size() > 3 && stem.compare(stem.size() - 3, 3, ".bw") == 0;
}

bool IsOwnOutputName(const std::string& path) {
    const std::string name = Lower(fs::path(path).filename().string());
    auto ours = [](const std::string& n) {
        auto endsWith = [&](const char* end) {
            const size_t size = std::char_traits<char>::length(end);
            return n.size() > size && n.compare(n.size() - size, size, end) == 0;
        };
        return IsConvertedFileName(n) || endsWith(".report.html") || n == "bwpass-index.html";
    };
    if (ours(name)) return true;
    // What a run writes through before renaming it: TARGET.partial, TARGET.part-rows.partial ...
    for (size_t part = name.find(".part"); part != std::string::npos; part = name.find(".part", part + 1))
        if (ours(name.substr(0, part))) return true;
    return false;
}

std::string Extension(const std::string& path) {
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

std::string DefaultOutput(const std::string& input) { return DefaultOutput(input, office::IdentifyFile(input)); }

std::string DefaultOutput(const std::string& name, office::FileKind kind) {
    const std::string own = Extension(name), kept = office::ExtensionOf(kind);
    const std::string extension = kept.empty() || Lower(own) == kept ? own : kept;
    return WithoutExtension(name) + ".bw" + extension;
}

namespace {

// The output's name without its extension and its ".bw" ending.
std::string StemOfOutput(const std::string& output) {
    std::string stem = WithoutExtension(output);
    if (stem.size() > 3 && Lower(stem.substr(stem.size() - 3)) == ".bw") stem.resize(stem.size() - 3);
    return stem;
}

}  // namespace

std::string ReportBeside(const std::string& output) { return StemOfOutput(output) + ".report.html"; }

std::string PdfBeside(const std::string& output) { return StemOfOutput(output) + ".bw.pdf"; }

BatchPlan PlanBatch(const std::vector<std::string>& arguments, const std::string& outputFolder, bool report, bool pdf) {
    Planner planner(outputFolder, report, pdf);
    for (const std::string& a : arguments) planner.Argument(a);
    return planner.Finish();
}

}  // namespace bwbatch
