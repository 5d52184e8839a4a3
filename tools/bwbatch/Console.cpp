#include "tools/bwbatch/Console.h"

#include <vector>

namespace bwbatch {
namespace {

const char* kPrefix = "bwpass: ";
const char* kEllipsis = "\xE2\x80\xA6";

std::string Plural(size_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// The first `columns` characters of text, never splitting a UTF-8 character.
std::string FirstColumns(const std::string& text, size_t columns) {
    size_t i = 0, seen = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen++ == columns) break;
    }
    return text.substr(0, i);
}

// Cut at a word boundary to `room` columns, with "…".
std::string WordsOf(const std::string& reason, size_t room) {
    if (room < 2) return kEllipsis;
    std::string cut = FirstColumns(reason, room - 1);
    const bool wholeWord = reason[cut.size()] == ' ';
    if (const size_t space = cut.rfind(' '); !wholeWord && space != std::string::npos && space > cut.size() / 2)
        cut.resize(space);
    while (!cut.empty() && (cut.back() == ' ' || cut.back() == ',' || cut.back() == ':' || cut.back() == ';')) cut.pop_back();
    return cut + kEllipsis;
}

// The reason cut to `room` columns: the whole when it fits, else its first clause (before "; ",
// or before ": " when what comes first is words, not a part's name), else its first words. A
// long file name may leave too little room for any of them: the line then runs past the
// width rather than say nothing, with at least the first clause or kLeast columns of words.
constexpr size_t kLeast = 30;
std::string Fit(const std::string& reason, size_t room) {
    if (Columns(reason) <= room) return reason;
    std::vector<std::string> clauses;
    if (const size_t semicolon = reason.find("; "); semicolon != std::string::npos) clauses.push_back(reason.substr(0, semicolon));
    if (const size_t colon = reason.find(": "); colon != std::string::npos && reason.substr(0, colon).find(' ') != std::string::npos)
        clauses.push_back(reason.substr(0, colon));
    for (const std::string& c : clauses)
        if (Columns(c) <= room) return c;
    if (room >= kLeast) return WordsOf(reason, room);
    for (const std::string& c : clauses)
        if (Columns(c) <= kLeast) return c;
    return WordsOf(reason, kLeast);
}

}  // namespace

size_t Columns(const std::string& text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool IsError(const FileResult& r) { return r.status != 0; }

std::string FileLine(const FileResult& r, size_t width) {
    const std::string& name = r.file.shown;
    // A converted file whose report could not be written is an error too, named by its message.
    if (IsError(r) && (r.outcome == Outcome::kNotConverted || r.outcome == Outcome::kConverted)) {
        const std::string head = name + (r.outcome == Outcome::kNotConverted ? ": not converted: " : ": ");
        const size_t used = Columns(kPrefix) + Columns(head);
        return head + Fit(Reason(r), width > used ? width - used : 0);
    }
    switch (r.outcome) {
    case Outcome::kNotConverted: return name + ": not converted";
    case Outcome::kUpToDate: return name + ": up to date, left as it is";
    case Outcome::kPlanned: return name;
    case Outcome::kReportMissing: case Outcome::kNotReached: return name + ": interrupted";
    case Outcome::kConverted: break;
    }
    const std::string writtenAs = WrittenAs(r.file);
    const std::string why = writtenAs.empty() ? std::string() : " (" + writtenAs + ")";
    if (const std::string warning = WarningOf(r); !warning.empty()) return name + ": warning: " + warning + why;
    const bwoffice::ConversionSummary& s = r.summary;
    const std::string flags = FlagsOf(s);
    return name + ": " + std::to_string(s.chartsConverted) + " of " + Plural(s.charts, "chart", "charts") + " converted" +
           (flags.empty() ? "" : "; " + flags) + why;
}

std::string PlannedLine(const FileResult& r) {
    const std::string& in = r.file.input;
    if (r.outcome == Outcome::kNotConverted) return in + ": not converted: " + Reason(r);
    if (r.outcome == Outcome::kUpToDate) return in + ": up to date, left as it is";
    std::string line = in + " -> " + r.file.output;
    for (const std::string* also : {&r.file.report, &r.file.pdf})
        if (!also->empty()) line += ", " + *also;
    if (const std::string why = WrittenAs(r.file); !why.empty()) line += " (" + why + ")";
    return line;
}

std::string BatchSummaryText(const Totals& t, const std::string& index) {
    std::string text = kPrefix + Plural(t.files, "file", "files") + ": " + std::to_string(t.converted) + " converted";
    if (t.upToDate) text += ", " + std::to_string(t.upToDate) + " up to date";
    text += ", " + std::to_string(t.notConverted) + " not converted\n";
    text += "  charts:           " + std::to_string(t.charts) + " read, " + std::to_string(t.chartsConverted) +
            " converted, " + std::to_string(t.propertiesChanged) + " properties changed\n";
    text += "  look-alike series: " + Plural(t.lookAlikes, "chart", "charts") + "\n";
    text += "  vanishing:        " + Plural(t.vanishing, "chart", "charts") + "\n";
    text += "  previews left in colour: " + std::to_string(t.previewsLeftInColour) + "\n";
    if (t.notModelled) text += "  not modelled:     " + Plural(t.notModelled, "chart", "charts") + " left unchanged\n";
    if (t.warnings) text += "  nothing converted: " + Plural(t.warnings, "file", "files") + " left in colour\n";
    if (!index.empty()) text += "  index:            " + index + "\n";
    return text;
}

std::string InterruptedLine(const Totals& t, const std::string& index) {
    const size_t written = t.converted + t.reportMissing;
    std::string line = "interrupted: " + std::to_string(written) + " of " + Plural(t.files, "file", "files") + " written";
    if (t.reportMissing) line += " (" + std::to_string(t.reportMissing) + " without " + (t.reportMissing == 1 ? "its report" : "their reports") + ")";
    if (t.upToDate) line += ", " + std::to_string(t.upToDate) + " up to date";
    line += ", " + std::to_string(t.notConverted + t.interrupted - t.reportMissing) + " not converted";
    if (index.empty()) return line + (written ? std::string() : "; nothing written");
    return line + "; index: " + index + " (the same command with -u resumes)";
}

}  // namespace bwbatch
