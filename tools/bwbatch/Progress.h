// A batch's progress on stderr. A file goes through three stages: it is converted (read, the
// pass, written), its charts are drawn with LibreOffice, and its report is written. The estimate
// adds what is left of each stage at the rate measured for it so far, so that a batch whose
// conversions are done but whose drawing has hardly begun does not read as nearly finished.
// On a terminal one line is rewritten in place, as wide as the terminal; without one, or with
// TERM=dumb, every step is a plain line of its own.
#pragma once

#include "tools/bwbatch/Results.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

namespace bwbatch {

// Where a batch stands, and the seconds each stage has taken so far.
struct ProgressState {
    size_t files = 0, converted = 0;   // converted: files through their pass, failed ones included
    size_t chartsKnown = 0;            // charts of the converted files that will be drawn
    size_t chartsDrawn = 0;
    size_t reports = 0, reportsWritten = 0;  // reports to write so far, and written
    enum class Stage { kConverting, kDrawing, kWritingReports };
    Stage stage = Stage::kConverting;  // what runs now
    double convertSeconds = 0, drawSeconds = 0, reportSeconds = 0;  // wall time spent in each stage
    bool render = true;                // charts are drawn at all
};

// Whether stderr is a terminal that takes a line rewritten in place (not one with TERM=dumb).
bool TerminalTakesControls();
// The terminal's width in columns (COLUMNS, else 80, when stderr's cannot be asked).
size_t TerminalWidth();

// Seconds left: each stage's remaining work at its measured rate, or at a cautious rate of its
// own while nothing of it has been measured; negative when there is nothing to go on yet.
double SecondsLeft(const ProgressState& s);

// The line for a terminal `width` columns wide: never wider than width - 1 (a full line would
// wrap on some terminals), the bar shrinking and then going first.
std::string ProgressLine(const ProgressState& s, size_t width);

class Progress {
public:
    // Whether stderr is a terminal that takes a line rewritten in place, and how wide.
    Progress(size_t files, bool quiet, bool render);

    // A file through its pass, with the charts it will have drawn (0 when it failed).
    void Converted(const FileResult& r, size_t chartsToDraw);
    // A file done: its line (an error's even when quiet), numbered "N/M" among plain lines.
    void Finished(const FileResult& r);
    // LibreOffice starts on the charts of a group of files (reports: how many will be written).
    void Drawing(size_t charts, size_t reports);
    // Some charts drawn.
    void Drew(size_t charts);
    // The group's pictures are drawn; its reports are being written.
    void Drawn();
    // A report written.
    void ReportWritten();
    // A line of its own ("bwpass: " before it), the bar shown again below it.
    void Say(const std::string& line);
    // The batch is done: the bar goes.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    void Enter(ProgressState::Stage stage);
    void Show();
    void Clear();
    void Plain(const std::string& line);

    std::mutex mutex_;
    ProgressState state_;
    const bool quiet_;
    bool terminal_ = false;
    size_t width_ = 80;
    bool shown_ = false;
    size_t finished_ = 0;
    Clock::time_point since_;
    double* seconds_ = nullptr;  // the stage's seconds, which the time since since_ goes to
};

}  // namespace bwbatch
