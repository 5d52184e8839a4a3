// Batches of Office files without the pass: which files a batch takes and where their outputs go,
// refusals that leave nothing behind, the index page's rows and links, and new zip entries that
// keep the time of the entry they replace so that the same input gives the same bytes.
#include "tests/office/OfficeFiles.h"
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Index.h"
#include "tools/bwbatch/Inputs.h"
#include "tools/deck/ExitStatus.h"
#include "tools/package/Package.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace officetest;
namespace fs = std::filesystem;

void Touch(const std::string& path, const std::string& bytes = "x") {
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, bytes);
}

const char* kPresentation = "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
const char* kWorkbook = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";

// A folder with Office files in any case, of every family and told by their content, a nested
// folder, our own outputs, a lock file and files of other kinds.
std::string Tree(const TempFolder& t) {
    const std::string in = t.Path() + "/in";
    const std::pair<const char*, std::string> files[] = {
        {"a.pptx", PackageOfType(kPresentation)},
        {"B.XLSX", PackageOfType(kWorkbook)},
        {"c.xlsm", PackageOfType("application/vnd.ms-excel.sheet.macroEnabled.main+xml")},
        {"show.ppsx", PackageOfType("application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml")},
        {"sub/d.pptm", PackageOfType("application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml")},
        {"sub/deeper/e.xlsx", PackageOfType(kWorkbook)},
        {"sub/old.xls", ReadFile(SourceDir() + "/tests/office/corpus/legacy/SimpleChart.xls")},
        {"a.bw.pptx", PackageOfType(kPresentation)},
        {"sub/d.BW.pptm", PackageOfType(kPresentation)},
        {"~$a.pptx", "x"},
        {"notes.txt", "x"},
        {".hidden.pptx", "x"},
        {"renamed.ppt", "x"},
        {"letter.dat", PackageOfType("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml")},
    };
    for (const auto& [name, bytes] : files) Touch(in + "/" + name, bytes);
    return in;
}

TEST(BatchPlan, FolderSearchesAndOutputNames) {
    TempFolder t;
    const std::string in = Tree(t);
    const std::string out = t.Path() + "/out";
    struct Case {
        const char* what;
        std::string outputFolder;
        std::vector<std::pair<std::string, std::string>> expected;  // input, output
        std::string index;
    };
    // A legacy file's output is of its imported kind.
    const std::vector<Case> cases = {
        {"beside each input", "",
         {{in + "/B.XLSX", in + "/B.bw.XLSX"}, {in + "/a.pptx", in + "/a.bw.pptx"}, {in + "/c.xlsm", in + "/c.bw.xlsm"},
          {in + "/show.ppsx", in + "/show.bw.ppsx"}, {in + "/sub/d.pptm", in + "/sub/d.bw.pptm"},
          {in + "/sub/deeper/e.xlsx", in + "/sub/deeper/e.bw.xlsx"}, {in + "/sub/old.xls", in + "/sub/old.bw.xlsx"}},
         in + "/bwpass-index.html"},
        {"under an output folder, keeping the paths", out,
         {{in + "/B.XLSX", out + "/B.bw.XLSX"}, {in + "/a.pptx", out + "/a.bw.pptx"}, {in + "/c.xlsm", out + "/c.bw.xlsm"},
          {in + "/show.ppsx", out + "/show.bw.ppsx"}, {in + "/sub/d.pptm", out + "/sub/d.bw.pptm"},
          {in + "/sub/deeper/e.xlsx", out + "/sub/deeper/e.bw.xlsx"}, {in + "/sub/old.xls", out + "/sub/old.bw.xlsx"}},
         out + "/bwpass-index.html"},
    };
    for (const Case& c : cases) {
        const bwbatch::BatchPlan plan = bwbatch::PlanBatch({in}, c.outputFolder, true);
        std::vector<std::pair<std::string, std::string>> got;
        std::vector<std::string> refused;
        for (const bwbatch::BatchFile& f : plan.files) {
            if (!f.refused.empty()) {
                refused.push_back(f.refused);
                continue;
            }
            got.emplace_back(f.input, f.output);
            EXPECT_EQ(f.report, bwbatch::ReportBeside(f.output)) << c.what;
        }
        EXPECT_EQ(got, c.expected) << c.what;
        EXPECT_EQ(plan.index, c.index) << c.what;
        // What looks like an Office file and cannot be converted is refused with what it is;
        // other files are named as left out.
        ASSERT_EQ(refused.size(), 2u) << c.what;
        EXPECT_EQ(refused[0], in + "/letter.dat: a Word document; only presentations and workbooks hold charts this tool converts");
        EXPECT_NE(refused[1].find(in + "/renamed.ppt: not an Office file"), std::string::npos) << refused[1];
        ASSERT_EQ(plan.leftOut.size(), 1u) << c.what;
        EXPECT_NE(plan.leftOut[0].find(in + "/notes.txt: not an Office file"), std::string::npos) << plan.leftOut[0];
    }
}

TEST(BatchPlan, RefusesWhatItCannotTake) {
    TempFolder t;
    const std::string in = Tree(t);
    const std::string out = t.Path() + "/out";
    struct Case {
        std::vector<std::string> arguments;
        std::string outputFolder;
        std::vector<std::string> refusals;  // a part of each refused file's message, in order
    };
    const std::vector<Case> cases = {
        {{in + "/notes.txt"}, "", {"notes.txt: not an Office file"}},
        {{in + "/letter.dat", in + "/sub/old.xls"}, "", {"letter.dat: a Word document", ""}},
        {{in + "/missing.pptx"}, "", {"no such file or folder"}},
        // The same file's outputs twice under one folder: the second is refused, not overwritten.
        {{in + "/a.pptx", in + "/a.pptx"}, out, {"", "would take the names of another file's"}},
        {{in + "/sub/d.pptm", in + "/a.bw.pptx"}, "", {"", ""}},  // a converted file named on its own is taken
    };
    for (const Case& c : cases) {
        const bwbatch::BatchPlan plan = bwbatch::PlanBatch(c.arguments, c.outputFolder, false);
        ASSERT_EQ(plan.files.size(), c.refusals.size()) << c.arguments.front();
        for (size_t i = 0; i < plan.files.size(); ++i) {
            const bwbatch::BatchFile& f = plan.files[i];
            if (c.refusals[i].empty()) {
                EXPECT_EQ(f.refused, "") << f.input;
                EXPECT_EQ(f.report, "") << "no report asked for: " << f.input;
            } else {
                EXPECT_NE(f.refused.find(c.refusals[i]), std::string::npos) << f.refused;
                EXPECT_EQ(f.output, "") << f.input;
            }
        }
    }
}

// A file that is not an Office file fails before the pass: status 1, its message, and not even
// the folders made for its outputs are left.
TEST(BatchConvert, RefusedFileLeavesNothing) {
    TempFolder t;
    Touch(t.Path() + "/in/bad.xlsx", "this is not a zip file");
    Touch(t.Path() + "/in/empty.pptx", "");
    const std::string out = t.Path() + "/out";
    bwoffice::PassServer server;
    for (const char* name : {"bad.xlsx", "empty.pptx"}) {
        const bwbatch::BatchPlan plan = bwbatch::PlanBatch({t.Path() + "/in"}, out + "/nested", true);
        const bwbatch::FileResult r = bwbatch::ConvertOne(
            *std::find_if(plan.files.begin(), plan.files.end(),
                          [&](const bwbatch::BatchFile& f) { return f.shown == name; }),
            bwbatch::BatchOptions{}, server);
        EXPECT_EQ(r.status, bwpass::kExitBadInput) << name;
        EXPECT_NE(r.message.find(name), std::string::npos) << r.message;
        EXPECT_FALSE(fs::exists(out)) << name << ": the output folders were left behind";
        EXPECT_EQ(bwbatch::BatchStatus({r}), bwpass::kExitBatchIncomplete);
    }
    EXPECT_EQ(bwbatch::BatchStatus({}), bwpass::kExitOk);
}

TEST(BatchIndex, RowsAndLinks) {
    TempFolder t;
    bwbatch::FileResult good;
    good.file = {t.Path() + "/in/a b.pptx", t.Path() + "/out/sub/a b.bw.pptx", t.Path() + "/out/sub/a b.report.html",
                 "sub/a b.pptx", ""};
    good.summary.charts = 7;
    good.summary.chartsRewritten = 5;  // the index counts charts converted, not parts written anew
    good.summary.chartsConverted = 6;
    good.summary.propertiesChanged = 40;
    good.summary.previewsLeftInColour = 2;
    good.summary.chartsWithLookAlikes = 3;
    bwbatch::FileResult bad;
    bad.file = {t.Path() + "/in/<bad>.xlsx", "", "", "<bad>.xlsx", ""};
    bad.status = bwpass::kExitBadInput;
    bad.message = "<bad>.xlsx: not a zip file";
    const std::string page = bwbatch::IndexHtml({good, bad}, t.Path() + "/out/bwpass-index.html");
    for (const char* expected :
         {"1 of 2 files converted, 6 charts converted", "<td>sub/a b.pptx</td><td class=\"n\">7</td><td class=\"n\">6</td>"
          "<td class=\"n\">40</td><td class=\"n\">2</td><td class=\"n\">3</td>", "href=\"sub/a%20b.bw.pptx\"", "href=\"sub/a%20b.report.html\"",
          "not converted: &lt;bad&gt;.xlsx: not a zip file", "previews left in colour", "look-alike series"})
        EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
    EXPECT_EQ(page.find("<bad>"), std::string::npos);
    EXPECT_EQ(bwbatch::Link(t.Path() + "/out/index.html", t.Path() + "/in/x#1.pptx"), "../in/x%231.pptx");
}

// The pass server against a stand-in for bwpass.exe --serve under Wine: answers in order, the
// message of a failed run, a server that ends under a run started once more, and one that ends
// at its first run reported, not waited for.
TEST(PassServer, AnswersRunsInOrderAndSurvivesAServerThatEnds) {
    TempFolder t;
    const std::string fake = t.Path() + "/fake-wine";
    WriteFile(fake,
              "#!/bin/bash\n"
              "# $1 the program, $2 --serve, then the server's own options\n"
              "[ \"$2\" = --serve ] && [ \"$3\" = --registered ] || exit 9\n"
              "while IFS= read -r line; do\n"
              "  case \"$line\" in\n"
              "    ok*) echo \"bwpass-done 0\" ;;\n"
              "    bad*) echo 'bwpass: deck.json: broken' >&2; echo '(bwpass --help lists the options)' >&2\n"
              "          echo 'bwpass-done 1' ;;\n"
              "    die-once*) [ -f \"$0.died\" ] || { touch \"$0.died\"; exit 1; }; echo 'bwpass-done 0' ;;\n"
              "    die*) echo 'bwpass: crashed' >&2; exit 1 ;;\n"
              "    hang*) echo 'bwpass: stuck' >&2; sleep 300 ;;\n"
              "  esac\n"
              "done\n");
    chmod(fake.c_str(), 0755);
    setenv("QV_WINE_RUN", fake.c_str(), 1);
    setenv("QV_BWPASS_EXE", fake.c_str(), 1);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string error;  // a part of it
    };
    const std::vector<Case> cases = {
        {{"ok", "-q"}, 0, ""},
        {{"bad"}, 1, "deck.json: broken"},
        {{"ok"}, 0, ""},
        {{"die-once"}, 0, ""},  // ended under a run after serving: started again, and the run made
        {{"ok"}, 0, ""},
    };
    bwoffice::PassServer server({"--registered"});
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(server.Run(c.arguments, error), c.status) << c.arguments.front();
        EXPECT_NE(error.find(c.error), std::string::npos) << c.arguments.front() << ": " << error;
        EXPECT_EQ(error.find("--help"), std::string::npos) << error;
    }
    // Threads take turns on one server.
    std::vector<std::thread> threads;
    std::atomic<int> fine{0};
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            std::string error;
            fine += server.Run({"ok"}, error) == 0;
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(fine, 4);

    bwoffice::PassServer fresh({"--registered"});
    std::string error;
    EXPECT_EQ(fresh.Run({"die"}, error), -1);
    EXPECT_NE(error.find("ended unexpectedly: crashed"), std::string::npos) << error;

    // A run that hangs costs its file, with what the server said, and nothing of it goes on
    // running; the next run gets a new server.
    bwoffice::PassServer limited({"--registered"}, 1);
    error.clear();
    EXPECT_EQ(limited.Run({"ok"}, error), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(limited.Run({"hang"}, error), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_NE(error.find("did not finish within 1 s and was stopped: stuck"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(limited.Run({"ok"}, error), 0) << error;
    EXPECT_EQ(std::system(("pgrep -f '^sleep 300$' >/dev/null")), 256) << "the hung pass still runs";
    unsetenv("QV_WINE_RUN");
    unsetenv("QV_BWPASS_EXE");
}

// A replaced entry keeps the time of the one it replaces, an added one the first entry's: the
// same rewrite made twice, seconds apart, gives the same bytes.
TEST(Reproducible, RewrittenPackageKeepsEntryTimes) {
    TempFolder t;
    const std::string input = t.Path() + "/in.pptx";
    WriteFile(input, Zip(MinimalPresentation()));
    const office::Package package = office::Package::OpenFile(input);
    const std::map<std::string, std::string> parts = {{"ppt/slides/slide1.xml", "<p:sld/>"}, {"ppt/media/new.png", "png"}};
    const std::string first = package.WriteBytes(parts);
    sleep(2);
    EXPECT_EQ(package.WriteBytes(parts), first);
    package.Write(t.Path() + "/out1.pptx", parts, {});
    sleep(2);
    package.Write(t.Path() + "/out2.pptx", parts, {});
    EXPECT_EQ(ReadFile(t.Path() + "/out1.pptx"), ReadFile(t.Path() + "/out2.pptx"));
}

}  // namespace
