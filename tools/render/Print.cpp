#include "tools/render/Print.h"

#include "tools/cleanup/Cleanup.h"

#include "tools/render/PictureEdit.h"
#include "tools/render/Process.h"
#include "tools/render/Profile.h"
#include "tools/render/Session.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace render {
namespace fs = std::filesystem;
namespace {

bool NonEmptyFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && fs::file_size(p, ec) > 0;
}

// A folder of its own for one run, removed with what it holds.
class RunFolder {
public:
    explicit RunFolder(const fs::path& work) {
        std::string pattern = (work / "print-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~RunFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::string Extension(const std::string& path) {
    const fs::path p(path);
    return p.has_extension() ? p.extension().string() : ".pptx";
}

std::vector<std::string> PrintAll(const std::vector<PrintJob>& jobs, const std::string& workFolder) {
    if (jobs.empty()) return {};
    const std::string soffice = FindOnPath("soffice");
    if (soffice.empty()) return {"LibreOffice (soffice) not found on PATH: nothing printed"};
    fs::create_directories(workFolder);
    const fs::path work = fs::absolute(workFolder);
    RunFolder run(work);
    if (run.Path().empty()) return {"cannot create a folder in " + work.string() + ": nothing printed"};
    // LibreOffice names each PDF after its input: numbered copies keep them apart.
    std::vector<std::string> copies, problems;
    for (size_t i = 0; i < jobs.size(); ++i) {
        const fs::path copy = run.Path() / ("print" + std::to_string(i + 1) + Extension(jobs[i].input));
        std::error_code ec;
        fs::copy_file(jobs[i].input, copy, ec);
        if (ec) problems.push_back(jobs[i].input + ": not printed: " + ec.message());
        else copies.push_back(copy.string());
    }
    const double limit = 120.0 + 30.0 * static_cast<double>(jobs.size());
    const std::string log = (work / "soffice.log").string();
    ProcessResult result;
    // Under a session the copies go to one of its LibreOffices, which are already running.
    if (Session* session = Session::Current()) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& copy : copies) files.emplace_back(copy, fs::path(copy).replace_extension(".pdf").string());
        result = session->ConvertToPdf(files, limit, log);
    } else {
        std::vector<std::string> argv = OfficeCommand(soffice, work / "lo-profile", work);
        argv.insert(argv.end(), {"--convert-to", "pdf", "--outdir", run.Path().string()});
        argv.insert(argv.end(), copies.begin(), copies.end());
        result = RunProcess(argv, limit, log);
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        const fs::path pdf = run.Path() / ("print" + std::to_string(i + 1) + ".pdf");
        if (!NonEmptyFile(pdf)) {
            if (!result.started) problems.push_back(jobs[i].input + ": not printed: LibreOffice could not be started");
            else if (result.timedOut) problems.push_back(jobs[i].input + ": not printed: LibreOffice did not finish in time");
            else problems.push_back(jobs[i].input + ": LibreOffice made no PDF of it (see " +
                                    (work / "soffice.log").string() + ")");
            continue;
        }
        std::error_code ec;
        const fs::path target = fs::absolute(jobs[i].outputPdf);
        if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
        // Through a name beside the target, so that a failed copy leaves nothing half-written.
        const cleanup::WritingOutput writing;
        if (!writing.Allowed()) {
            problems.push_back(jobs[i].outputPdf + ": not written: the run was interrupted");
            continue;
        }
        const fs::path partial = target.string() + ".partial";
        fs::copy_file(pdf, partial, fs::copy_options::overwrite_existing, ec);
        if (!ec) fs::rename(partial, target, ec);
        if (ec) {
            fs::remove(partial, ec);
            problems.push_back(jobs[i].outputPdf + ": cannot be written: " + ec.message());
        }
    }
    return problems;
}

}  // namespace

std::vector<std::string> PrintToPdf(const std::vector<PrintJob>& jobs, const std::string& workFolder) {
    try {
        return PrintAll(jobs, workFolder);
    } catch (const std::exception& e) {
        return {std::string("nothing printed: ") + e.what()};
    }
}

std::string PagePicture(const std::string& pdf, int page, int dpi, const std::string& outputPng) {
    const std::string pdftoppm = FindOnPath("pdftoppm");
    if (pdftoppm.empty()) return "pdftoppm (poppler-utils) not found on PATH";
    std::string stem = outputPng;
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0) stem.resize(stem.size() - 4);
    const std::string p = std::to_string(page);
    const ProcessResult run = RunProcess({pdftoppm, "-r", std::to_string(dpi), "-f", p, "-l", p, "-png", "-singlefile",
                                          pdf, stem},
                                         60.0, "/dev/null");
    if (run.timedOut) return "pdftoppm did not finish within 60 s and was stopped";
    if (!NonEmptyFile(stem + ".png")) return "pdftoppm made no picture of page " + p + " of " + pdf;
    std::error_code ec;
    if (stem + ".png" != outputPng) fs::rename(stem + ".png", outputPng, ec);
    return ec ? "cannot write " + outputPng + ": " + ec.message() : std::string();
}

std::string CutPrintedRange(const std::string& pdf, const PrintedRange& range, const std::string& workFolder) {
    RunFolder run(fs::absolute(workFolder));
    if (run.Path().empty()) return "cannot create a folder in " + workFolder;
    const std::string page = (run.Path() / "page.png").string();
    if (std::string why = PagePicture(pdf, 1, range.dpi, page); !why.empty()) return why;
    const std::optional<Picture> printed = ReadPng(page);
    if (!printed) return "pdftoppm's picture cannot be read";
    const double pixelsPerPoint = range.dpi / 72.0;
    Box box{0, 0, static_cast<int>(std::ceil(range.widthPoints * pixelsPerPoint)),
            static_cast<int>(std::ceil(range.heightPoints * pixelsPerPoint))};
    if (range.marked) {
        box = MarkedRange(*printed);
        if (box.width == 0) return "the printed range's edges were not found";
    }
    Picture cut = Cut(*printed, box);
    if (range.marked) WhitenMarkEdge(cut);
    if (!WritePng(PadToAspect(cut, range.aspect), range.outputPng)) return "cannot write " + range.outputPng;
    return {};
}

std::vector<std::string> RenderPrintedRange(const PrintedRange& range, const std::string& workFolder) {
    try {
        fs::create_directories(workFolder);
        RunFolder run(fs::absolute(workFolder));
        if (run.Path().empty()) return {range.outputPng + ": not drawn: cannot create a folder in " + workFolder};
        const std::string xlsx = (run.Path() / "range.xlsx").string(), pdf = (run.Path() / "range.pdf").string();
        std::ofstream(xlsx, std::ios::binary).write(range.xlsx.data(), static_cast<std::streamsize>(range.xlsx.size()));
        std::vector<std::string> problems = PrintToPdf({{xlsx, pdf}}, workFolder);
        if (!problems.empty()) return {range.outputPng + ": not drawn: " + problems.front()};
        if (std::string why = CutPrintedRange(pdf, range, workFolder); !why.empty())
            return {range.outputPng + ": not drawn: " + why};
        return {};
    } catch (const std::exception& e) {
        return {range.outputPng + ": not drawn: " + e.what()};
    }
}

}  // namespace render
