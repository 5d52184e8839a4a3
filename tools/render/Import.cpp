#include "tools/render/Import.h"

#include "tools/render/Process.h"
#include "tools/render/Profile.h"
#include "tools/render/Session.h"

#include <filesystem>
#include <fstream>

namespace render {
namespace fs = std::filesystem;
namespace {

// LibreOffice takes a second or two for a legacy file of a few megabytes; a hung import is
// given up long after that.
constexpr double kImportSeconds = 180;

// What LibreOffice said last, for the message: its log goes with the work folder.
std::string LastLine(const std::string& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    if (last.size() > 200) last = last.substr(0, 200) + "...";
    return last;
}

std::string Import(const std::string& input, const std::string& output, const std::string& workFolder) {
    const std::string soffice = FindOnPath("soffice");
    if (soffice.empty()) return "LibreOffice (soffice) is not on PATH, and only its import reads legacy binary files";
    const fs::path work = fs::absolute(workFolder) / "import";
    std::error_code ec;
    fs::create_directories(work, ec);
    if (ec) return "cannot create " + work.string() + ": " + ec.message();
    const std::string format = fs::path(output).extension().string().substr(1);
    // The session moves its inputs away: it gets a copy, under a name LibreOffice takes as it is.
    const fs::path copy = work / ("legacy" + fs::path(input).extension().string());
    const fs::path made = work / ("legacy." + format);
    fs::copy_file(input, copy, fs::copy_options::overwrite_existing, ec);
    if (ec) return "cannot be copied for LibreOffice's import: " + ec.message();
    const std::string log = (work / "soffice.log").string();
    ProcessResult result;
    if (Session* session = Session::Current()) {
        result = session->ConvertTo({{copy.string(), made.string()}}, format, kImportSeconds, log);
    } else {
        std::vector<std::string> argv = OfficeCommand(soffice, work / "lo-profile", work);
        argv.insert(argv.end(), {"--convert-to", format, "--outdir", work.string(), copy.string()});
        result = RunProcess(argv, kImportSeconds, log);
    }
    fs::remove(copy, ec);
    if (!fs::is_regular_file(made, ec) || fs::file_size(made, ec) == 0) {
        if (!result.started) return "LibreOffice could not be started to import it";
        if (result.timedOut) return "LibreOffice's import did not finish within " + std::to_string(int(kImportSeconds)) + " s";
        const std::string said = LastLine(log);
        return "LibreOffice could not import it (damaged, or not what it seems)" + (said.empty() ? "" : ": " + said);
    }
    fs::rename(made, output, ec);
    if (ec) {
        fs::remove(made, ec);
        return "the imported file cannot be written: " + ec.message();
    }
    return {};
}

}  // namespace

std::string ImportToOpenXml(const std::string& input, const std::string& output, const std::string& workFolder) {
    try {
        return Import(input, output, workFolder);
    } catch (const std::exception& e) {
        return std::string("LibreOffice's import failed: ") + e.what();
    }
}

}  // namespace render
