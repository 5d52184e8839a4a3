// bwsample OUT.pptx [WORK_FOLDER]: writes the built-in sample presentation. Exit 0 when written
// (what could not be drawn is printed on stderr), 1 when the file could not be written.
// WORK_FOLDER keeps LibreOffice's profile for the next run; without it a temporary one is used
// and removed.
#include "tools/sample/SamplePresentation.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]).rfind('-', 0) == 0) {
        std::fprintf(stderr, "usage: bwsample OUT.pptx [WORK_FOLDER]\n");
        return 2;
    }
    const std::string out = argv[1];
    std::string temporary = (std::filesystem::temp_directory_path() / "bwsample-XXXXXX").string();
    const bool ownWork = argc < 3;
    if (ownWork && !mkdtemp(temporary.data())) {
        std::fprintf(stderr, "bwsample: cannot create a temporary folder\n");
        return 1;
    }
    const std::string work = ownWork ? temporary : argv[2];
    int status = 0;
    try {
        for (const std::string& problem : sample::WriteSamplePresentation(out, work))
            std::fprintf(stderr, "bwsample: %s\n", problem.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwsample: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    if (ownWork) std::filesystem::remove_all(work, ec);
    return status;
}
