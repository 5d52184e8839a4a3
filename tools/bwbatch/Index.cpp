#include "tools/bwbatch/Index.h"

#include "tools/bwbatch/Record.h"
#include "tools/deckmodel/Text.h"
#include "tools/render/Session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace bwbatch {
namespace fs = std::filesystem;
namespace {

using bwpass::HtmlEscape;

// Below 60em (a phone, a narrow window) each row becomes a card of labelled lines, so that the
// file and its result stay readable however narrow the window.
const char* kStyle =
    "body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
    "th,td{border:1px solid #999;padding:.3em .6em;text-align:left;vertical-align:top;overflow-wrap:break-word}"
    "td.n{text-align:right;white-space:nowrap}tr.problem{background:#fbe3e3}tr.warning{background:#fff1cc}"
    "tr.interrupted{background:#eee}p.interrupted{font-weight:bold}"
    "@media (max-width:60em){body{margin:.6em}h1{font-size:1.5em}table,tbody,tr,td{display:block}tr.head{display:none}"
    "tr{border:1px solid #999;margin:0 0 .8em}td{border:0;padding:.15em .5em;overflow-wrap:anywhere}"
    "td.n{display:inline-block;text-align:left;padding-right:.3em}td.file{font-weight:bold}"
    "td[data-l]::before{content:attr(data-l) \": \";font-weight:normal;color:#555}td:empty{display:none}}";

std::string Number(size_t n) { return std::to_string(n); }

// Problems first: files not converted, then those the run left unfinished, then warnings, then
// files whose summary flags something, then the rest; files not reached last of all.
int Rank(const FileResult& r) {
    if (r.status != 0 && r.outcome != Outcome::kNotReached) return 0;
    switch (r.outcome) {
    case Outcome::kNotConverted: return 0;
    case Outcome::kReportMissing: return 1;
    case Outcome::kNotReached: return 5;
    default: break;
    }
    if (!r.countsKnown) return 4;
    if (!WarningOf(r).empty()) return 2;
    return FlagsOf(r.summary).empty() ? 4 : 3;
}

const char* RowClass(int rank) {
    switch (rank) {
    case 0: return "problem";
    case 1: case 5: return "interrupted";
    case 2: return "warning";
    default: return "";
    }
}

std::string Anchor(const std::string& index, const std::string& path, const std::string& text) {
    return "<a href=\"" + HtmlEscape(Link(index, path)) + "\">" + HtmlEscape(text) + "</a>";
}

std::string Cell(const char* label, const std::string& html, const char* cls = nullptr) {
    std::string cell = "<td";
    if (cls) cell += std::string(" class=\"") + cls + "\"";
    if (label) cell += std::string(" data-l=\"") + label + "\"";
    return cell + ">" + html + "</td>";
}

std::string Result(const FileResult& r, const std::string& index) {
    const std::string output = r.file.output.empty() ? std::string()
                                                     : Anchor(index, r.file.output, fs::path(r.file.output).filename().string());
    std::string html;
    switch (r.outcome) {
    case Outcome::kNotConverted: return "not converted: " + HtmlEscape(Reason(r));
    case Outcome::kNotReached: return "not converted: the run was interrupted before it";
    case Outcome::kReportMissing: html = output + "<br>its report was not written: the run was interrupted"; break;
    case Outcome::kUpToDate: html = "up to date, kept from an earlier run: " + output; break;
    default: html = output; break;
    }
    if (const std::string why = WrittenAs(r.file); !why.empty()) html += " (" + HtmlEscape(why) + ")";
    if (r.status != 0) html += "<br>" + HtmlEscape(Reason(r));
    if (const std::string warning = WarningOf(r); !warning.empty()) html += "<br><strong>warning: " + HtmlEscape(warning) + "</strong>";
    for (const std::string& n : r.summary.notes) html += "<br>" + HtmlEscape(WithoutName(r, n));
    for (const office::UnmodelledChart& u : r.summary.unmodelled)
        html += "<br>left unchanged, not modelled: " + HtmlEscape(u.where + ": " + u.reason);
    return html;
}

std::string Row(const FileResult& r, const std::string& index, bool pdf) {
    const int rank = Rank(r);
    const bool counted = r.countsKnown && (r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate ||
                                           r.outcome == Outcome::kReportMissing);
    const bwoffice::ConversionSummary& s = r.summary;
    auto n = [&](const char* label, const std::string& value) { return Cell(label, counted ? value : "", "n"); };
    std::string row = std::string("<tr") + (*RowClass(rank) ? std::string(" class=\"") + RowClass(rank) + "\"" : "") + ">";
    row += Cell(nullptr, HtmlEscape(r.file.shown), "file");
    row += n("charts converted", Number(s.chartsConverted) + " of " + Number(s.charts)) +
           n("properties changed", Number(s.propertiesChanged)) + n("look-alike series", Number(s.chartsWithLookAlikes)) +
           n("vanishing", Number(Vanishing(s))) + n("previews left in colour", Number(s.previewsLeftInColour));
    row += Cell("result", Result(r, index));
    const bool reportThere = !r.file.report.empty() && (r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate);
    row += Cell("report", reportThere ? Anchor(index, r.file.report, "report") : "");
    if (pdf) {
        const bool pdfThere = !r.file.pdf.empty() && s.pdfWritten &&
                              (r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate ||
                               r.outcome == Outcome::kReportMissing);
        row += Cell("PDF", pdfThere ? Anchor(index, r.file.pdf, "PDF") : "");
    }
    return row + "</tr>\n";
}

std::string Plural(size_t n, const char* one, const char* many) { return Number(n) + " " + (n == 1 ? one : many); }

// The counts over the files, as the console's batch summary gives them.
std::string Summary(const Totals& t) {
    std::string text = Number(t.converted) + " of " + Plural(t.files, "file", "files") + " converted";
    if (t.upToDate) text += ", " + Number(t.upToDate) + " up to date";
    if (t.notConverted) text += ", " + Number(t.notConverted) + " not converted";
    if (t.reportMissing)
        text += ", " + Number(t.reportMissing) + " written without " + (t.reportMissing == 1 ? "its report" : "their reports");
    if (t.interrupted > t.reportMissing) text += ", " + Number(t.interrupted - t.reportMissing) + " not reached (interrupted)";
    text += "; " + Number(t.chartsConverted) + " of " + Plural(t.charts, "chart", "charts") + " converted, " +
            Plural(t.propertiesChanged, "property", "properties") + " changed";
    text += "; look-alike series: " + Plural(t.lookAlikes, "chart", "charts") + ", vanishing: " +
            Plural(t.vanishing, "chart", "charts") + ", previews left in colour: " + Number(t.previewsLeftInColour);
    if (t.warnings) text += "; nothing converted in " + Plural(t.warnings, "file", "files");
    return text + ".";
}

}  // namespace

std::string RelativePath(const std::string& fromFile, const std::string& path) {
    const fs::path from = fs::absolute(fromFile).lexically_normal().parent_path();
    return fs::absolute(path).lexically_normal().lexically_relative(from).generic_string();
}

std::string Link(const std::string& fromFile, const std::string& path) {
    return render::UrlPath(RelativePath(fromFile, path));
}

std::string IndexHtml(const IndexContent& content, const std::string& indexPath) {
    const Totals totals = TotalsOf(content.results);
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Black-and-white charts: " + Plural(content.results.size(), "file", "files") + "</title><style>" +
        kStyle + "</style></head><body>\n<h1>Black-and-white charts</h1>\n";
    if (content.interrupted)
        page += "<p class=\"interrupted\">Interrupted: the run was stopped before it finished. The files it did not "
                "finish are listed last; the same command with -u converts them and leaves the others.</p>\n";
    page += "<p>" + HtmlEscape(Summary(totals)) + "</p>\n";
    page += "<table>\n<tr class=\"head\"><th>file</th><th>charts converted</th><th>properties changed</th>"
            "<th>look-alike series</th><th>vanishing</th><th>previews left in colour</th><th>result</th><th>report</th>" +
            std::string(content.pdf ? "<th>PDF</th>" : "") + "</tr>\n";
    std::vector<const FileResult*> order;
    for (const FileResult& r : content.results) order.push_back(&r);
    std::stable_sort(order.begin(), order.end(), [](const FileResult* a, const FileResult* b) { return Rank(*a) < Rank(*b); });
    for (const FileResult* r : order) page += Row(*r, indexPath, content.pdf);
    page += "</table>\n";
    if (!content.leftOut.empty()) {
        page += "<h2>Left out: " + Plural(content.leftOut.size(), "file", "files") + " of the folders that are not "
                "presentations or workbooks</h2>\n<ul>\n";
        for (const std::string& l : content.leftOut) page += "<li>" + HtmlEscape(l) + "</li>\n";
        page += "</ul>\n";
    }
    // What a rerun with -u reads back for the files it leaves alone.
    page += RecordsForHtml(content.results, [&](const std::string& p) { return RelativePath(indexPath, p); }) + "\n";
    return page + "</body></html>\n";
}

bool WriteIndex(const IndexContent& content, const std::string& indexPath, std::string& error) {
    const std::string page = IndexHtml(content, indexPath);
    std::error_code ec;
    const fs::path folder = fs::absolute(indexPath).parent_path();
    fs::create_directories(folder, ec);
    const std::string temp = indexPath + ".partial";
    {
        std::ofstream out(temp, std::ios::binary);
        if (!out.write(page.data(), static_cast<std::streamsize>(page.size())).flush()) {
            error = indexPath + ": cannot be written";
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), indexPath.c_str()) != 0) {
        error = indexPath + ": cannot be written: " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace bwbatch
