#include "tools/bwbatch/Progress.h"

#include "tools/bwbatch/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bwbatch {
namespace {

// Until a stage has been measured: twice what LibreOffice took per chart on a 2-core machine with
// two instances (0.15 s: `bwoffice tests/office/corpus/xlsx -o out -j 2 --timings`, render time by
// charts), and a report a fraction of that; better to promise too long than too short.
constexpr double kFirstSecondsPerChart = 0.3;
constexpr double kFirstSecondsPerReport = 0.2;

std::string Duration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s < 60) std::snprintf(text, sizeof text, "%ld s", s);
    else if (s < 3600) std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld h %02ld min", s / 3600, s / 60 % 60);
    return text;
}

}  // namespace

bool TerminalTakesControls() {
    if (isatty(2) != 1) return false;
    const char* term = std::getenv("TERM");
    return !(term && std::strcmp(term, "dumb") == 0);
}

size_t TerminalWidth() {
    winsize size {};
    if (ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const long n = std::strtol(columns, nullptr, 10);
        if (n > 0) return static_cast<size_t>(n);
    }
    return 80;
}

double SecondsLeft(const ProgressState& s) {
    if (s.converted == 0) return -1;
    const double perFile = s.convertSeconds / static_cast<double>(s.converted);
    const size_t filesLeft = s.files - s.converted;
    double left = perFile * static_cast<double>(filesLeft);
    // Files still to be converted are taken to have as many charts and reports as those done.
    const double chartsPerFile = static_cast<double>(s.chartsKnown) / static_cast<double>(s.converted);
    const double reportsPerFile = static_cast<double>(s.reports) / static_cast<double>(s.converted);
    if (s.render) {
        const double perChart = s.chartsDrawn ? s.drawSeconds / static_cast<double>(s.chartsDrawn) : kFirstSecondsPerChart;
        const double charts = static_cast<double>(s.chartsKnown - s.chartsDrawn) + chartsPerFile * static_cast<double>(filesLeft);
        left += perChart * charts;
    }
    const double perReport = s.reportsWritten ? s.reportSeconds / static_cast<double>(s.reportsWritten) : kFirstSecondsPerReport;
    left += perReport * (static_cast<double>(s.reports - s.reportsWritten) + reportsPerFile * static_cast<double>(filesLeft));
    return left;
}

std::string ProgressLine(const ProgressState& s, size_t width) {
    std::string text = " " + std::to_string(s.converted) + "/" + std::to_string(s.files) + " files";
    if (s.stage == ProgressState::Stage::kDrawing)
        text += ", drawing " + std::to_string(s.chartsDrawn) + "/" + std::to_string(s.chartsKnown) + " charts";
    else if (s.stage == ProgressState::Stage::kWritingReports)
        text += ", writing " + std::to_string(s.reportsWritten) + "/" + std::to_string(s.reports) + " reports";
    const double left = SecondsLeft(s);
    if (left >= 0) text += ", about " + Duration(left) + " left";
    // Done: the time spent of the time it will have taken, so that every stage moves the bar.
    const double spent = s.convertSeconds + s.drawSeconds + s.reportSeconds;
    const double done = left < 0 ? 0 : spent + left > 0 ? spent / (spent + left) : 1;
    const size_t room = width > 1 ? width - 1 : 0;
    if (text.size() + 2 + 10 <= room) {  // a bar of fewer than 10 says too little
        const size_t bar = std::min<size_t>(30, room - text.size() - 2);
        const size_t filled = static_cast<size_t>(std::floor(done * static_cast<double>(bar)));
        text = "[" + std::string(filled, '#') + std::string(bar - filled, '.') + "]" + text;
    } else {
        text.erase(0, 1);
    }
    if (text.size() > room) text.resize(room);
    return text;
}

Progress::Progress(size_t files, bool quiet, bool render)
    : quiet_(quiet), terminal_(TerminalTakesControls()), since_(Clock::now()) {
    state_.files = files;
    state_.render = render;
    if (terminal_) width_ = TerminalWidth();
    seconds_ = &state_.convertSeconds;
}

// The time since the last step goes to the stage that was running; from now on to `stage`.
void Progress::Enter(ProgressState::Stage stage) {
    const Clock::time_point now = Clock::now();
    *seconds_ += std::chrono::duration<double>(now - since_).count();
    since_ = now;
    state_.stage = stage;
    seconds_ = stage == ProgressState::Stage::kConverting ? &state_.convertSeconds
             : stage == ProgressState::Stage::kDrawing    ? &state_.drawSeconds
                                                          : &state_.reportSeconds;
}

void Progress::Clear() {
    if (shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
}

void Progress::Show() {
    if (!terminal_ || quiet_) return;
    width_ = TerminalWidth();  // the window may have been resized
    Clear();
    std::fputs(ProgressLine(state_, width_).c_str(), stderr);
    shown_ = true;
    std::fflush(stderr);
}

void Progress::Plain(const std::string& line) {
    Clear();
    std::fprintf(stderr, "bwpass: %s\n", line.c_str());
    std::fflush(stderr);
}

void Progress::Say(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    Plain(line);
    Show();
}

void Progress::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    Clear();
    std::fflush(stderr);
}

void Progress::Converted(const FileResult& r, size_t chartsToDraw) {
    std::lock_guard<std::mutex> lock(mutex_);
    Enter(ProgressState::Stage::kConverting);
    ++state_.converted;
    if (r.outcome == Outcome::kConverted) {
        state_.chartsKnown += state_.render ? chartsToDraw : 0;
        state_.reports += r.file.report.empty() ? 0 : 1;
    }
    Show();
}

void Progress::Finished(const FileResult& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++finished_;
    if (quiet_ && !IsError(r)) return;
    const std::string count = terminal_ ? std::string() : std::to_string(finished_) + "/" + std::to_string(state_.files) + " ";
    Plain(count + FileLine(r, (terminal_ ? width_ : 80) - std::min<size_t>(count.size(), 40)));
    Show();
}

void Progress::Drawing(size_t charts, size_t reports) {
    std::lock_guard<std::mutex> lock(mutex_);
    Enter(charts ? ProgressState::Stage::kDrawing : ProgressState::Stage::kWritingReports);
    if (!quiet_ && !terminal_ && charts)
        Plain("drawing " + std::to_string(charts) + " charts of " + std::to_string(reports) + " files with LibreOffice");
    Show();
}

void Progress::Drew(size_t charts) {
    std::lock_guard<std::mutex> lock(mutex_);
    Enter(ProgressState::Stage::kDrawing);
    state_.chartsDrawn += charts;
    if (!quiet_ && !terminal_)
        Plain("drawn " + std::to_string(state_.chartsDrawn) + " of " + std::to_string(state_.chartsKnown) + " charts");
    Show();
}

void Progress::Drawn() {
    std::lock_guard<std::mutex> lock(mutex_);
    Enter(ProgressState::Stage::kWritingReports);
    Show();
}

void Progress::ReportWritten() {
    std::lock_guard<std::mutex> lock(mutex_);
    Enter(ProgressState::Stage::kWritingReports);
    ++state_.reportsWritten;
    // The next thing after the last report of a group is the next group's conversions.
    if (state_.reportsWritten == state_.reports) Enter(ProgressState::Stage::kConverting);
    if (state_.converted == state_.files && state_.reportsWritten == state_.reports) Clear();
    else Show();
}

}  // namespace bwbatch
