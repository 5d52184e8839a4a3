// bwsample OUT.pptx [WORK_FOLDER]: writes the built-in sample presentation. Exit 0 when written
// (what could not be drawn is printed on stderr), 1 when the file could not be written.
#include "tools/render/ZipWriter.h"
#include "tools/sample/SamplePresentation.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]).rfind('-', 0) == 0) {
        std::fprintf(stderr, "usage: bwsample OUT.pptx [WORK_FOLDER]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string work = argc > 2 ? argv[2] : out + ".work";
    try {
        for (const std::string& problem : sample::WriteSamplePresentation(out, work))
            std::fprintf(stderr, "bwsample: %s\n", problem.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bwsample: %s\n", e.what());
        return 1;
    }
    return 0;
}
