// What a run checks before it converts and what it clears away after: the output's type and
// folder, the folders made for it, half-written outputs, the processes the program started, and
// the progress line with its estimate.
#include "tests/office/OfficeFiles.h"
#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Results.h"
#include "tools/bwbatch/Progress.h"
#include "tools/cleanup/Cleanup.h"
#include "tools/cleanup/Processes.h"
#include "tools/deck/ExitStatus.h"
#include "tools/deckmodel/Text.h"
#include "tools/report/Report.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace officetest;
namespace fs = std::filesystem;

TEST(Outputs, TypeOfTheOutput) {
    struct Case {
        const char* input;
        const char* output;
        bool refused;
        bool folderMeant;  // the message suggests OUTPUT/
    };
    const Case cases[] = {
        {"book.xlsx", "out.xlsx", false, false},  {"book.xlsx", "dir/OUT.XLSX", false, false},
        {"talk.PPTM", "x.pptm", false, false},    {"book.xlsx", "out.pptx", true, false},
        {"book.xlsx", "out.xlsm", true, false},   {"talk.pptm", "talk.pptx", true, false},
        {"book.xlsx", "newdir2", true, true},     {"book.xlsx", "out.xlsx.bak", true, false},
    };
    for (const Case& c : cases) {
        const std::string problem = bwbatch::OutputTypeProblem(c.input, c.output);
        EXPECT_EQ(!problem.empty(), c.refused) << c.input << " -o " << c.output << ": " << problem;
        if (c.refused) {
            EXPECT_EQ(problem.rfind(c.output, 0), 0u) << "the message names the output: " << problem;
        }
        EXPECT_EQ(problem.find(std::string("give ") + c.output + "/ for a folder") != std::string::npos, c.folderMeant)
            << problem;
    }
}

// -o of several inputs must be a folder: one named as a file, or that is one, is refused.
TEST(Outputs, FolderOfABatch) {
    TempFolder t;
    WriteFile(t.Path() + "/afile", "x");
    fs::create_directories(t.Path() + "/folder.d");
    struct Case {
        std::string output;
        bool refused;
    };
    const Case cases[] = {
        {t.Path() + "/one.xlsx", true},  {t.Path() + "/afile", true},      {t.Path() + "/one.xlsx/", false},
        {t.Path() + "/newdir2", false},  {t.Path() + "/folder.d", false},  {t.Path() + "/.hidden", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const std::string problem = bwbatch::BatchOutputProblem(c.output);
        EXPECT_EQ(!problem.empty(), c.refused) << c.output << ": " << problem;
        if (c.refused) {
            EXPECT_EQ(problem.rfind("-o names one file; give a folder ending in /", 0), 0u) << problem;
        }
    }
}

// -u leaves a file whose outputs are all there and none older than it, as cp -u and make do.
TEST(Outputs, UpToDateAsMakeJudges) {
    TempFolder t;
    const std::string in = t.Path() + "/talk.pptx", out = t.Path() + "/talk.bw.pptx", report = t.Path() + "/talk.report.html";
    for (const std::string& f : {in, out, report}) WriteFile(f, "x");
    const auto now = fs::last_write_time(in);
    struct Case {
        const char* what;
        int outputAge, reportAge;  // seconds after the input (negative: older)
        bool withReport;
        bool upToDate;
    };
    const Case cases[] = {
        {"newer outputs", 5, 5, true, true},
        {"as old as the input", 0, 0, true, true},
        {"an output older", -5, 5, true, false},
        {"the report older", 5, -5, true, false},
        {"the report older, but not asked for", 5, -5, false, true},
    };
    for (const Case& c : cases) {
        fs::last_write_time(out, now + std::chrono::seconds(c.outputAge));
        fs::last_write_time(report, now + std::chrono::seconds(c.reportAge));
        EXPECT_EQ(bwbatch::UpToDate(in, {out, c.withReport ? report : ""}), c.upToDate) << c.what;
    }
    EXPECT_FALSE(bwbatch::UpToDate(in, {out, t.Path() + "/missing.report.html"})) << "a missing output";
    EXPECT_FALSE(bwbatch::UpToDate(t.Path() + "/missing.pptx", {out}));
}

TEST(Outputs, WritableBeforeAnythingIsMade) {
    TempFolder t;
    WriteFile(t.Path() + "/file", "x");
    struct Case {
        std::string output;
        const char* says;  // empty: writable
    };
    const Case cases[] = {
        {t.Path() + "/out.xlsx", ""},
        {t.Path() + "/not/made/yet/out.xlsx", ""},
        {t.Path() + "/file/out.xlsx", "is not a folder"},
        {"/proc/out.xlsx", "cannot write in /proc"},
    };
    for (const Case& c : cases) {
        const std::string problem = bwbatch::WritableProblem(c.output);
        if (!*c.says) {
            EXPECT_EQ(problem, "") << c.output;
        } else {
            EXPECT_NE(problem.find(c.says), std::string::npos) << c.output << ": " << problem;
        }
    }
    EXPECT_FALSE(fs::exists(t.Path() + "/not")) << "checking made a folder";
    EXPECT_EQ(std::distance(fs::directory_iterator(t.Path()), fs::directory_iterator()), 1) << "the probe stayed";
}

TEST(Outputs, MadeFoldersGoAgainWhenEmpty) {
    TempFolder t;
    fs::create_directories(t.Path() + "/was");
    {
        bwbatch::MadeFolders made({t.Path() + "/was/a/b/out.xlsx", t.Path() + "/was/a/c/out.report.html"});
        ASSERT_EQ(made.Problem(), "");
        ASSERT_TRUE(fs::is_directory(t.Path() + "/was/a/b"));
        WriteFile(t.Path() + "/was/a/c/kept", "x");
        made.RemoveEmpty();
    }
    EXPECT_FALSE(fs::exists(t.Path() + "/was/a/b")) << "an empty folder it made stayed";
    EXPECT_TRUE(fs::exists(t.Path() + "/was/a/c/kept")) << "a folder with a file in it went";
    EXPECT_TRUE(fs::exists(t.Path() + "/was")) << "a folder it did not make went";
    bwbatch::MadeFolders blocked({"/proc/x/out.xlsx"});
    EXPECT_NE(blocked.Problem(), "");
}

TEST(Cleanup, PartialsOfATargetAndNothingElse) {
    TempFolder t;
    const std::string out = t.Path() + "/talk.bw.pptx";
    for (const char* f : {"talk.bw.pptx.partial", "talk.bw.pptx.part123", "talk.bw.pptx.part123.Ab3dEf",
                          "talk.bw.pptx", "talk.bw.pptx2.partial", "other.pptx.partial", "talk.report.html"})
        WriteFile(t.Path() + "/" + f, "x");
    cleanup::RemovePartials(out);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(t.Path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"other.pptx.partial", "talk.bw.pptx", "talk.bw.pptx2.partial",
                                              "talk.report.html"}));
}

// A report half-written: every piece it is written through goes with the report's partials.
TEST(Cleanup, PartialsOfAReportBeingWritten) {
    TempFolder t;
    const std::string report = t.Path() + "/talk.report.html";
    bwpass::ReportWriter writer(bwpass::Wide(report), 10);
    ASSERT_TRUE(writer.Open());
    writer.Add(bwpass::ObjectResult{});
    ASSERT_GT(std::distance(fs::directory_iterator(t.Path()), fs::directory_iterator()), 1) << "written in pieces";
    cleanup::RemovePartials(report);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(t.Path())) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{}) << "pieces of the report stayed";
}

// A child that starts a grandchild in a session of its own (as a daemon would) and waits.
pid_t StartFamily() {
    const pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            setsid();
            for (;;) pause();
        }
        for (;;) pause();
    }
    return child;
}

TEST(Cleanup, DescendantsAndTheirEnd) {
    const pid_t child = StartFamily();
    std::vector<pid_t> found;
    for (int i = 0; i < 100 && found.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        found = cleanup::Descendants(getpid());
    }
    ASSERT_EQ(found.size(), 2u) << "the child and the grandchild in a session of its own";
    EXPECT_EQ(found.front(), child) << "nearest first";
    cleanup::KillDescendants();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    // Alive: there, and not a zombie waiting for whoever reaps orphans.
    auto alive = [](pid_t p) {
        const std::string stat = ReadFile("/proc/" + std::to_string(p) + "/stat");
        const size_t paren = stat.rfind(')');
        return paren != std::string::npos && stat.size() > paren + 2 && stat[paren + 2] != 'Z';
    };
    for (int i = 0; i < 100 && alive(found[1]); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(alive(found[1])) << "the grandchild outlived the clean-up";
}

// Runs body in a child process whose SIGINT clean-up is installed; returns its wait status.
template <typename Body>
int InterruptedChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        cleanup::OnSignals();
        body();
        raise(SIGINT);
        for (;;) pause();
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(Cleanup, ASignalRemovesWhatIsRegisteredAndEndsByIt) {
    TempFolder t;
    const std::string kept = t.Path() + "/kept", removed = t.Path() + "/removed", out = t.Path() + "/out.xlsx";
    const std::string made = t.Path() + "/made", shared = t.Path() + "/shared";
    fs::create_directories(kept);
    fs::create_directories(removed + "/deep");
    WriteFile(out + ".part42", "half");
    const int status = InterruptedChild([&] {
        static cleanup::RemovedOnSignal folder(removed);
        static cleanup::RemovedOnSignal partials(out, cleanup::RemovedOnSignal::What::kPartials);
        static cleanup::RemovedOnSignal first(made + "/a/out.xlsx", cleanup::RemovedOnSignal::What::kPartials);
        static bwbatch::MadeFolders folders({made + "/a/out.xlsx", shared + "/out.xlsx"});
        WriteFile(made + "/a/out.xlsx.part7", "half");
        WriteFile(shared + "/done.xlsx", "a complete output of another file");
        { cleanup::RemovedOnSignal gone(kept); }  // let go of before the signal
        cleanup::AtSignal([&] { WriteFile(t.Path() + "/hook-ran", "x"); });
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_FALSE(fs::exists(removed));
    EXPECT_FALSE(fs::exists(out + ".part42"));
    EXPECT_TRUE(fs::exists(kept)) << "a folder no longer registered was removed";
    EXPECT_FALSE(fs::exists(made)) << "empty folders made for outputs stayed";
    EXPECT_TRUE(fs::exists(shared + "/done.xlsx")) << "a folder made for outputs went with a complete one";
    EXPECT_TRUE(fs::exists(t.Path() + "/hook-ran"));
}

// An output being written when the signal comes is finished before the clean-up looks for
// partial files; one that would begin after it does not begin; and a failure that the clean-up
// may have caused is not taken into a batch's ledger, while a success is.
TEST(Cleanup, WritesUnderWayFinishAndNoneBegins) {
    TempFolder t;
    const std::string out = t.Path() + "/out.xlsx", late = t.Path() + "/late.xlsx", marks = t.Path() + "/marks";
    const int status = InterruptedChild([&] {
        static cleanup::RemovedOnSignal partials(out, cleanup::RemovedOnSignal::What::kPartials);
        static cleanup::RemovedOnSignal latePartials(late, cleanup::RemovedOnSignal::What::kPartials);
        static bwbatch::BatchPlan plan;
        plan.files.resize(2);
        static bwbatch::Ledger ledger(plan);
        std::atomic<bool> writing{false};
        std::thread([&] {
            const cleanup::WritingOutput gate;
            WriteFile(out + ".partial", "half");
            writing = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            std::rename((out + ".partial").c_str(), out.c_str());
        }).detach();
        while (!writing) std::this_thread::yield();
        cleanup::AtSignal([&] {
            // The writer above has finished by now; this one comes too late.
            const cleanup::WritingOutput gate;
            if (gate.Allowed()) WriteFile(late + ".partial", "half");
            bwbatch::FileResult failed, done;
            failed.status = bwpass::kExitNoPass;
            WriteFile(marks, std::string(ledger.Record(0, failed) ? "failure taken" : "failure left") +
                                 (ledger.Record(1, done) ? ", success taken" : ", success left"));
        });
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_EQ(ReadFile(out), "half") << "the write under way was not finished";
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(t.Path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"marks", "out.xlsx"}));
    EXPECT_EQ(ReadFile(marks), "failure left, success taken");
}

bwbatch::ProgressState Batch(size_t files, size_t converted, double convertSeconds) {
    bwbatch::ProgressState s;
    s.files = files;
    s.converted = converted;
    s.convertSeconds = convertSeconds;
    s.chartsKnown = converted * 10;
    s.reports = converted;
    return s;
}

TEST(Progress, EstimateCountsEveryStage) {
    // 10 of 20 files converted in 10 s, each with 10 charts and a report.
    bwbatch::ProgressState converting = Batch(20, 10, 10);
    bwbatch::ProgressState noPictures = converting;
    noPictures.render = false;
    bwbatch::ProgressState allConverted = Batch(20, 20, 20);
    allConverted.stage = bwbatch::ProgressState::Stage::kDrawing;
    bwbatch::ProgressState halfDrawn = allConverted;
    halfDrawn.chartsDrawn = 100;
    halfDrawn.drawSeconds = 50;  // 0.5 s a chart
    bwbatch::ProgressState allDrawn = halfDrawn;
    allDrawn.chartsDrawn = 200, allDrawn.drawSeconds = 100, allDrawn.reportSeconds = 2, allDrawn.reportsWritten = 20;
    // Converting and drawing measured: 10 s of files and 100 charts at 0.5 s left, 20 reports at 0.2 s.
    EXPECT_NEAR(bwbatch::SecondsLeft(halfDrawn), 50 + 20 * 0.2, 1e-9);
    EXPECT_GT(bwbatch::SecondsLeft(allConverted), 40) << "every file converted, 200 charts to draw: far from done";
    EXPECT_GT(bwbatch::SecondsLeft(converting), bwbatch::SecondsLeft(noPictures) + 50) << "the drawing to come is left out";
    EXPECT_NEAR(bwbatch::SecondsLeft(noPictures), 10 + 20 * 0.2, 1e-9);
    EXPECT_NEAR(bwbatch::SecondsLeft(allDrawn), 0, 1e-9);
    EXPECT_LT(bwbatch::SecondsLeft(Batch(20, 0, 0)), 0) << "nothing to go on before the first file";
}

TEST(Progress, LineFitsTheTerminal) {
    bwbatch::ProgressState s = Batch(1000, 500, 500);
    s.stage = bwbatch::ProgressState::Stage::kDrawing;
    s.chartsDrawn = 1234, s.drawSeconds = 600;
    for (size_t width : {200, 80, 60, 40, 20, 1}) {
        const std::string line = bwbatch::ProgressLine(s, width);
        EXPECT_LT(line.size(), std::max<size_t>(width, 1)) << "width " << width << ": " << line;
        EXPECT_EQ(line.find('\n'), std::string::npos);
    }
    EXPECT_NE(bwbatch::ProgressLine(s, 80).find("[#"), std::string::npos) << "an 80-column line has its bar";
    EXPECT_NE(bwbatch::ProgressLine(s, 80).find("drawing 1234/5000 charts"), std::string::npos);
    EXPECT_EQ(bwbatch::ProgressLine(s, 40).find('['), std::string::npos) << "the bar goes first";
}

TEST(Progress, BarMovesThroughEveryStage) {
    // Half the files converted and nothing drawn fills less of the bar than every file converted
    // and half the charts drawn, which fills less than everything drawn.
    bwbatch::ProgressState a = Batch(20, 10, 10), b = Batch(20, 20, 20), c;
    b.chartsDrawn = 100, b.drawSeconds = 50;
    c = b;
    c.chartsDrawn = 200, c.drawSeconds = 100;
    auto filled = [](const bwbatch::ProgressState& s) {
        const std::string line = bwbatch::ProgressLine(s, 120);
        return std::count(line.begin(), line.end(), '#');
    };
    EXPECT_LT(filled(a), filled(b));
    EXPECT_LT(filled(b), filled(c));
    EXPECT_GT(filled(a), 0) << "time spent converting fills the bar";
}

}  // namespace
