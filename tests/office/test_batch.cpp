// Batches of Office files without the pass: which files a batch takes and where their outputs go,
// refusals that leave nothing behind, the index page's rows and links, and new zip entries that
// keep the time of the entry they replace so that the same input gives the same bytes.
#include "tests/office/OfficeFiles.h"
#include "tools/bwbatch/Batch.h"
#include "tools/bwbatch/Console.h"
#include "tools/bwbatch/Index.h"
#include "tools/bwbatch/Inputs.h"
#include "tools/bwbatch/Outputs.h"
#include "tools/bwbatch/Record.h"
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
        // Our own outputs of an earlier run, and what an interrupted one may have been writing.
        {"a.report.html", "<html>"},
        {"bwpass-index.html", "<html>"},
        {"sub/d.bw.pdf", "%PDF"},
        {"sub/d.report.html.part-rows.partial", "x"},
        {"B.bw.XLSX.part77.Ab3dEf", "x"},
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
        // other files are named as left out, but for our own outputs, which go unmentioned.
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
        EXPECT_EQ(r.outcome, bwbatch::Outcome::kNotConverted) << name;
        EXPECT_NE(r.message.find(name), std::string::npos) << r.message;
        EXPECT_FALSE(fs::exists(out)) << name << ": the output folders were left behind";
        EXPECT_EQ(bwbatch::BatchStatus({r}), bwpass::kExitBatchIncomplete);
    }
    EXPECT_EQ(bwbatch::BatchStatus({}), bwpass::kExitOk);
}

// The index goes where the user looks for it: into -o's folder, else the outputs' common folder
// when it lies in a folder they named or in the current one, else into the current folder.
TEST(BatchPlan, WhereTheIndexGoes) {
    TempFolder t;
    const std::string root = t.Path();
    const std::string workbook = PackageOfType(kWorkbook);
    for (const char* f : {"x/a/one.xlsx", "x/b/two.xlsx", "home/three.xlsx", "usb/four.xlsx", "named/deep/five.xlsx"})
        Touch(root + "/" + f, workbook);
    struct Case {
        const char* what;
        std::string cwd;
        std::vector<std::string> arguments;
        std::string outputFolder;
        std::string index;
    };
    const std::vector<Case> cases = {
        {"a folder named", root + "/home", {root + "/x/a"}, "", root + "/x/a/bwpass-index.html"},
        {"below a folder named", root + "/home", {root + "/named"}, "", root + "/named/deep/bwpass-index.html"},
        {"two sibling folders, their parent not named", root + "/home", {root + "/x/a", root + "/x/b"}, "",
         "bwpass-index.html"},
        {"files on two disks", root + "/home", {root + "/home/three.xlsx", root + "/usb/four.xlsx"}, "", "bwpass-index.html"},
        {"the common folder is the current one", root, {root + "/home/three.xlsx", root + "/usb/four.xlsx"}, "",
         root + "/bwpass-index.html"},
        {"below the current folder", root + "/x", {"a", "b"}, "", root + "/x/bwpass-index.html"},
        {"-o's folder", root + "/home", {root + "/x/a", root + "/x/b"}, root + "/out", root + "/out/bwpass-index.html"},
    };
    const fs::path before = fs::current_path();
    for (const Case& c : cases) {
        fs::current_path(c.cwd);
        const bwbatch::BatchPlan plan = bwbatch::PlanBatch(c.arguments, c.outputFolder, true);
        EXPECT_EQ(fs::absolute(plan.index).lexically_normal(), fs::absolute(c.index).lexically_normal()) << c.what;
    }
    fs::current_path(before);
}

bwbatch::FileResult Converted(const std::string& root, const std::string& name, size_t charts, size_t converted) {
    bwbatch::FileResult r;
    r.file.input = root + "/in/" + name;
    r.file.shown = name;
    r.file.output = bwbatch::DefaultOutput(root + "/out/" + name, office::FileKind::Presentation);
    r.file.report = bwbatch::ReportBeside(r.file.output);
    r.file.pdf = bwbatch::PdfBeside(r.file.output);
    r.file.kind = office::FileKind::Presentation;
    r.summary.charts = charts;
    r.summary.chartsConverted = converted;
    r.summary.pdfWritten = true;
    return r;
}

// Rows of every kind in one page: problems first, the counts the files' summaries have, links to
// each output, the files left out, and the records a rerun with -u reads back.
TEST(BatchIndex, ProblemsFirstWithTheSummaryCounts) {
    TempFolder t;
    const std::string root = t.Path(), index = t.Path() + "/out/bwpass-index.html";
    bwbatch::FileResult fine = Converted(root, "sub/a b.pptx", 7, 6);
    fine.summary.propertiesChanged = 40;
    bwbatch::FileResult flagged = Converted(root, "flagged.pptx", 3, 3);
    flagged.summary.chartsWithLookAlikes = 2;
    flagged.summary.chartsWithVanishingText = 1;
    flagged.summary.previewsLeftInColour = 1;
    flagged.summary.notes = {"slide 2: preview left in colour: <no picture>"};
    bwbatch::FileResult colour = Converted(root, "colour.pptx", 0, 0);
    colour.summary.previewsLeftInColour = 2;
    bwbatch::FileResult bad;
    bad.file = {root + "/in/<bad>.xlsx", "", "", "", "<bad>.xlsx", ""};
    bad.outcome = bwbatch::Outcome::kNotConverted;
    bad.status = bwpass::kExitBadInput;
    bad.message = root + "/in/<bad>.xlsx: not a zip file";
    bwbatch::FileResult kept = Converted(root, "kept.pptx", 5, 5);
    kept.outcome = bwbatch::Outcome::kUpToDate;
    kept.countsKnown = false;
    bwbatch::IndexContent content{{fine, flagged, colour, bad, kept}, {root + "/in/notes.txt: not an Office file"}, true, false};
    const std::string page = bwbatch::IndexHtml(content, index);
    const std::vector<std::string> inOrder = {
        "name=\"viewport\" content=\"width=device-width",
        "3 of 5 files converted, 1 up to date, 1 not converted; 9 of 10 charts converted, 40 properties changed; "
        "look-alike series: 2 charts, vanishing: 1 chart, previews left in colour: 3; nothing converted in 1 file.",
        "<th>vanishing</th>",
        "<th>PDF</th>",
        // the file is named once, in its own column
        "<td class=\"file\">&lt;bad&gt;.xlsx</td>", "not converted: not a zip file</td>",
        "<td class=\"file\">colour.pptx</td>", "<strong>warning: nothing converted: 2 previews left in colour</strong>",
        "<td class=\"file\">flagged.pptx</td><td class=\"n\" data-l=\"charts converted\">3 of 3</td>"
        "<td class=\"n\" data-l=\"properties changed\">0</td><td class=\"n\" data-l=\"look-alike series\">2</td>"
        "<td class=\"n\" data-l=\"vanishing\">1</td><td class=\"n\" data-l=\"previews left in colour\">1</td>",
        "preview left in colour: &lt;no picture&gt;",
        "<td class=\"file\">sub/a b.pptx</td>", "href=\"sub/a%20b.bw.pptx\"", "href=\"sub/a%20b.report.html\"",
        "href=\"sub/a%20b.bw.pdf\"",
        "<td class=\"file\">kept.pptx</td><td class=\"n\" data-l=\"charts converted\"></td>", "up to date, kept from an earlier run",
        "Left out: 1 file", "notes.txt: not an Office file",
    };
    size_t at = 0;
    for (const std::string& expected : inOrder) {
        const size_t found = page.find(expected, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << expected << "\n" << page;
        at = found + expected.size();
    }
    EXPECT_EQ(page.find("<bad>"), std::string::npos);
    EXPECT_EQ(page.find(root + "/in/&lt;bad&gt;.xlsx"), std::string::npos) << "the refused file named twice";
    EXPECT_EQ(page.find("Interrupted"), std::string::npos);
    EXPECT_EQ(bwbatch::Link(t.Path() + "/out/index.html", t.Path() + "/in/x#1.pptx"), "../in/x%231.pptx");

    // The counts the page keeps come back for a file that a rerun leaves up to date; a file the
    // page has no counts for stays without them.
    ASSERT_TRUE(fs::create_directories(t.Path() + "/out"));
    std::string error;
    ASSERT_TRUE(bwbatch::WriteIndex(content, index, error)) << error;
    const std::vector<bwbatch::EarlierRecord> earlier = bwbatch::EarlierRecords(index);
    for (const bwbatch::FileResult& was : {flagged, kept}) {
        bwbatch::FileResult again = was;
        again.outcome = bwbatch::Outcome::kUpToDate;
        again.countsKnown = false;
        again.summary = {};
        bwbatch::TakeEarlierCounts(again, earlier, index);
        EXPECT_EQ(again.countsKnown, was.countsKnown) << was.file.shown;
        if (!was.countsKnown) continue;
        EXPECT_EQ(again.summary.chartsWithLookAlikes, 2u);
        EXPECT_EQ(bwbatch::Vanishing(again.summary), 1u);
        EXPECT_EQ(again.summary.notes, was.summary.notes);
    }
    EXPECT_TRUE(bwbatch::EarlierRecords(t.Path() + "/no-such-index.html").empty());
}

// An interrupted batch's page says so at the top and lists the files it did not finish last.
TEST(BatchIndex, InterruptedRunListsWhatItFinished) {
    TempFolder t;
    const std::string root = t.Path();
    bwbatch::FileResult done = Converted(root, "done.pptx", 1, 1);
    bwbatch::FileResult drawn = Converted(root, "drawn.pptx", 2, 2);
    drawn.outcome = bwbatch::Outcome::kReportMissing;
    bwbatch::FileResult notReached = Converted(root, "later.pptx", 0, 0);
    notReached.outcome = bwbatch::Outcome::kNotReached;
    notReached.countsKnown = false;
    const std::string page =
        bwbatch::IndexHtml({{notReached, done, drawn}, {}, false, true}, root + "/out/bwpass-index.html");
    size_t at = 0;
    for (const char* expected : {"Interrupted: the run was stopped", "1 of 3 files converted, 1 written without its report, 1 not reached (interrupted)",
                                 "drawn.pptx", "its report was not written: the run was interrupted", "done.pptx",
                                 "later.pptx", "not converted: the run was interrupted before it"}) {
        const size_t found = page.find(expected, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << expected << "\n" << page;
        at = found;
    }
    EXPECT_EQ(page.find("href=\"drawn.report.html\""), std::string::npos) << "a link to a report never written";
}

// What the batch prints of each file: the single file's flags, the file named once, and error
// lines that fit 80 columns with "bwpass: " before them.
TEST(BatchConsole, OneLinePerFile) {
    bwbatch::FileResult plain = Converted("/r", "a.pptx", 3, 3);
    bwbatch::FileResult flagged = Converted("/r", "b.pptx", 4, 3);
    flagged.summary.chartsWithLookAlikes = 2;
    flagged.summary.chartsWithVanishingText = 1;
    flagged.summary.previewsLeftInColour = 1;
    bwbatch::FileResult show = Converted("/r", "show.pptx", 1, 1);
    show.file.kind = office::FileKind::SlideShow;
    show.file.output = "/r/out/show.bw.ppsx";
    bwbatch::FileResult legacy = Converted("/r", "old.ppt", 0, 0);
    legacy.file.kind = office::FileKind::LegacyPresentation;
    legacy.file.output = "/r/out/old.bw.pptx";
    legacy.summary.previewsLeftInColour = 2;
    legacy.summary.unmodelled = {{"slide 1: Chart 2", "a chart of a newer kind"}};
    bwbatch::FileResult kept = Converted("/r", "kept.pptx", 0, 0);
    kept.outcome = bwbatch::Outcome::kUpToDate;
    struct Case {
        const char* what;
        bwbatch::FileResult r;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"converted", plain, "a.pptx: 3 of 3 charts converted"},
        {"what the summary flags", flagged,
         "b.pptx: 3 of 4 charts converted; look-alike series: 2 charts, vanishing: 1 chart, previews left in colour: 1"},
        {"a slide show named .pptx", show, "show.pptx: 1 of 1 chart converted (the package is a slide show: written as .bw.ppsx)"},
        {"everything left in colour", legacy,
         "old.ppt: warning: nothing converted: 2 previews and 1 chart of a kind not modelled left in colour "
         "(a legacy PowerPoint file: written as .bw.pptx)"},
        {"up to date", kept, "kept.pptx: up to date, left as it is"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bwbatch::FileLine(c.r, 80), c.line) << c.what;
        EXPECT_FALSE(bwbatch::IsError(c.r)) << c.what;
    }

    struct Refusal {
        const char* message;  // after "INPUT: "
        std::string line;     // the whole line for 80 columns
    };
    const std::string input = "/home/someone/decks/talk.pptx", shown = "talk.pptx";
    const std::vector<Refusal> refusals = {
        {"not a zip package", "bwpass: talk.pptx: not converted: not a zip package"},
        {"the file is encrypted (saved with a password); save it without a password and convert that copy",
         "bwpass: talk.pptx: not converted: the file is encrypted (saved with a password)"},
        {"zip entry \"ppt/media/video.bin\" would inflate to 300 MB, beyond the limit of 256 MB for one entry",
         "bwpass: talk.pptx: not converted: zip entry \"ppt/media/video.bin\" would inflate\xE2\x80\xA6"},
    };
    for (const Refusal& c : refusals) {
        bwbatch::FileResult r;
        r.file.input = input;
        r.file.shown = shown;
        r.outcome = bwbatch::Outcome::kNotConverted;
        r.status = bwpass::kExitBadInput;
        r.message = input + ": " + c.message;
        const std::string line = "bwpass: " + bwbatch::FileLine(r, 80);
        EXPECT_EQ(line, c.line);
        EXPECT_LE(bwbatch::Columns(line), 80u) << line;
        EXPECT_TRUE(bwbatch::IsError(r));
        EXPECT_EQ(bwbatch::Reason(r), c.message) << "the index and --json keep the whole message";
    }
    // A name that leaves no room still gets the reason's first clause, past the width.
    bwbatch::FileResult longName;
    longName.file.input = longName.file.shown = "a-rather-long-file-name-of-the-kind-people-give-their-decks.pptx";
    longName.outcome = bwbatch::Outcome::kNotConverted;
    longName.status = bwpass::kExitBadInput;
    longName.message = longName.file.input + ": the zip file is damaged: it is truncated or its central directory is missing";
    EXPECT_EQ(bwbatch::FileLine(longName, 80), longName.file.shown + ": not converted: the zip file is damaged");
}

// The batch's summary and the index count alike, over the files converted and those left up to
// date with their earlier counts; files not converted or not finished add nothing.
TEST(BatchConsole, SummaryCountsAsTheIndex) {
    bwbatch::FileResult a = Converted("/r", "a.pptx", 4, 3);
    a.summary.propertiesChanged = 30;
    a.summary.chartsWithLookAlikes = 1;
    bwbatch::FileResult b = Converted("/r", "b.pptx", 2, 2);
    b.outcome = bwbatch::Outcome::kUpToDate;
    b.summary.chartsWithVanishingText = 2;
    b.summary.propertiesChanged = 12;
    bwbatch::FileResult c = Converted("/r", "c.ppt", 0, 0);
    c.summary.previewsLeftInColour = 1;
    bwbatch::FileResult failed = Converted("/r", "d.pptx", 9, 9);
    failed.outcome = bwbatch::Outcome::kNotConverted;
    failed.status = bwpass::kExitNoPass;
    bwbatch::FileResult unknown = Converted("/r", "e.pptx", 9, 9);
    unknown.outcome = bwbatch::Outcome::kUpToDate;
    unknown.countsKnown = false;
    const std::vector<bwbatch::FileResult> results = {a, b, c, failed, unknown};
    const std::string text = bwbatch::BatchSummaryText(bwbatch::TotalsOf(results), "out/bwpass-index.html");
    EXPECT_EQ(text,
              "bwpass: 5 files: 2 converted, 2 up to date, 1 not converted\n"
              "  charts:           6 read, 5 converted, 42 properties changed\n"
              "  look-alike series: 1 chart\n"
              "  vanishing:        2 charts\n"
              "  previews left in colour: 1\n"
              "  nothing converted: 1 file left in colour\n"
              "  index:            out/bwpass-index.html\n");
    const std::string page = bwbatch::IndexHtml({results, {}, false, false}, "/r/out/bwpass-index.html");
    EXPECT_NE(page.find("2 of 5 files converted, 2 up to date, 1 not converted; 5 of 6 charts converted, 42 properties "
                        "changed; look-alike series: 1 chart, vanishing: 2 charts, previews left in colour: 1; nothing "
                        "converted in 1 file."),
              std::string::npos)
        << page;
    EXPECT_EQ(bwbatch::BatchStatus(results), bwpass::kExitBatchIncomplete);

    // Interrupted: what was written, what was not, and where the index is.
    bwbatch::FileResult drawn = a;
    drawn.outcome = bwbatch::Outcome::kReportMissing;
    bwbatch::FileResult later = a;
    later.outcome = bwbatch::Outcome::kNotReached;
    EXPECT_EQ(bwbatch::InterruptedLine(bwbatch::TotalsOf({a, drawn, later, failed}), "out/bwpass-index.html"),
              "interrupted: 2 of 4 files written (1 without its report), 2 not converted; index: "
              "out/bwpass-index.html (the same command with -u resumes)");
    EXPECT_EQ(bwbatch::InterruptedLine(bwbatch::TotalsOf({later}), ""),
              "interrupted: 0 of 1 file written, 1 not converted; nothing written");
}

// --json's record of a file: its input, outputs, status, counts and notes, one line.
TEST(BatchRecords, OneObjectPerFile) {
    bwbatch::FileResult show = Converted("/r", "show.pptx", 2, 1);
    show.file.kind = office::FileKind::SlideShow;
    show.file.output = "/r/out/show.bw.ppsx";
    show.file.report = "/r/out/show.report.html";
    show.summary.chartsWithVanishingText = 1;
    show.summary.notes = {"a note with \"quotes\" and </script>"};
    bwbatch::FileResult bad;
    bad.file.input = "/r/in/bad.xlsx";
    bad.outcome = bwbatch::Outcome::kNotConverted;
    bad.status = bwpass::kExitBadInput;
    bad.message = "/r/in/bad.xlsx: not a zip file";
    const auto asGiven = [](const std::string& p) { return p; };
    EXPECT_EQ(bwbatch::RecordJson(show, asGiven),
              "{\"counts\":{\"charts\":2,\"charts_converted\":1,\"look_alikes\":0,\"not_modelled\":0,\"objects\":0,"
              "\"previews_left_in_colour\":0,\"properties_changed\":0,\"vanishing\":1},\"exit_status\":0,"
              "\"input\":\"/r/in/show.pptx\",\"notes\":[\"a note with \\\"quotes\\\" and </script>\"],"
              "\"outputs\":{\"file\":\"/r/out/show.bw.ppsx\",\"pdf\":\"/r/out/show.bw.pdf\",\"report\":\"/r/out/show.report.html\"},"
              "\"status\":\"converted\",\"written_as\":\"the package is a slide show: written as .bw.ppsx\"}");
    EXPECT_EQ(bwbatch::RecordJson(bad, asGiven),
              "{\"exit_status\":1,\"input\":\"/r/in/bad.xlsx\",\"message\":\"not a zip file\",\"notes\":[],"
              "\"outputs\":{},\"status\":\"not converted\"}");
    const std::string html = bwbatch::RecordsForHtml({show}, asGiven);
    EXPECT_EQ(html.find("</script>"), html.size() - 9) << "a note ended the element early: " << html;
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
              "    hang*) echo 'bwpass: stuck' >&2; sleep 300 & echo $! >\"$0.hung\"; wait ;;\n"
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
    // Its own process, by the id it wrote: other programs on the machine may sleep as long.
    const std::string hung = ReadFile(fake + ".hung");
    ASSERT_FALSE(hung.empty());
    const std::string stat = ReadFile("/proc/" + std::to_string(std::stol(hung)) + "/stat");
    EXPECT_TRUE(stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") << "the hung pass still runs: " << stat;
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
