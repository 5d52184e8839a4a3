#include "tools/bwbatch/Index.h"

#include "tools/deckmodel/Text.h"
#include "tools/render/Session.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace bwbatch {
namespace fs = std::filesystem;
namespace {

using bwpass::HtmlEscape;

const char* kStyle =
    "body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse}"
    "th,td{border:1px solid #999;padding:.3em .6em;text-align:left;vertical-align:top}"
    "td.n{text-align:right}tr.refused td{background:#eee}";

std::string Number(size_t n) { return std::to_string(n); }

std::string Row(const FileResult& r, const std::string& index) {
    const bwoffice::ConversionSummary& s = r.summary;
    std::string row = r.status == 0 ? "<tr>" : "<tr class=\"refused\">";
    row += "<td>" + HtmlEscape(r.file.shown) + "</td>";
    if (r.status != 0) {
        return row + "<td class=\"n\"></td><td class=\"n\"></td><td class=\"n\"></td><td class=\"n\"></td><td class=\"n\"></td>"
                     "<td>not converted: " + HtmlEscape(r.message) + "</td><td></td></tr>\n";
    }
    row += "<td class=\"n\">" + Number(s.charts) + "</td><td class=\"n\">" + Number(s.chartsConverted) +
           "</td><td class=\"n\">" + Number(s.propertiesChanged) + "</td><td class=\"n\">" + Number(s.previewsLeftInColour) + "</td><td class=\"n\">" +
           Number(s.chartsWithLookAlikes) + "</td>";
    std::string notes = "<a href=\"" + HtmlEscape(Link(index, r.file.output)) + "\">" +
                        HtmlEscape(fs::path(r.file.output).filename().string()) + "</a>";
    for (const std::string& n : s.notes) notes += "<br>" + HtmlEscape(n);
    for (const office::UnmodelledChart& u : s.unmodelled)
        notes += "<br>left unchanged, not modelled: " + HtmlEscape(u.where + ": " + u.reason);
    row += "<td>" + notes + "</td><td>";
    if (!r.file.report.empty()) row += "<a href=\"" + HtmlEscape(Link(index, r.file.report)) + "\">report</a>";
    return row + "</td></tr>\n";
}

}  // namespace

std::string Link(const std::string& fromFile, const std::string& path) {
    const fs::path from = fs::absolute(fromFile).lexically_normal().parent_path();
    const std::string relative = fs::absolute(path).lexically_normal().lexically_relative(from).generic_string();
    return render::UrlPath(relative);
}

std::string IndexHtml(const std::vector<FileResult>& results, const std::string& indexPath) {
    size_t converted = 0, charts = 0;
    for (const FileResult& r : results) {
        converted += r.status == 0;
        charts += r.summary.chartsConverted;
    }
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Black-and-white charts: " +
                       Number(results.size()) + " files</title><style>" + kStyle + "</style></head><body>\n";
    page += "<h1>Black-and-white charts</h1>\n<p>" + Number(converted) + " of " + Number(results.size()) +
            " files converted, " + Number(charts) + " charts converted.</p>\n";
    page += "<table>\n<tr><th>file</th><th>charts</th><th>converted</th><th>properties changed</th><th>previews left in colour</th>"
            "<th>charts with look-alike series</th><th>result</th><th>report</th></tr>\n";
    for (const FileResult& r : results) page += Row(r, indexPath);
    return page + "</table>\n</body></html>\n";
}

bool WriteIndex(const std::vector<FileResult>& results, const std::string& indexPath, std::string& error) {
    const std::string page = IndexHtml(results, indexPath);
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
