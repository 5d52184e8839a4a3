#include "tools/bwbatch/Record.h"

#include "tools/bwbatch/Index.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace bwbatch {
namespace {

using nlohmann::json;

const char* StatusName(Outcome o) {
    switch (o) {
    case Outcome::kConverted: return "converted";
    case Outcome::kNotConverted: return "not converted";
    case Outcome::kUpToDate: return "up to date";
    case Outcome::kReportMissing: case Outcome::kNotReached: return "interrupted";
    case Outcome::kPlanned: return "planned";
    }
    return "";
}

// The outputs that are there for the file (or, planned, would be).
json Outputs(const FileResult& r, const PathStyle& path) {
    json outputs = json::object();
    const bool written = r.outcome == Outcome::kConverted || r.outcome == Outcome::kUpToDate ||
                         r.outcome == Outcome::kReportMissing || r.outcome == Outcome::kPlanned;
    if (!written || r.file.output.empty()) return outputs;
    outputs["file"] = path(r.file.output);
    if (!r.file.report.empty() && r.outcome != Outcome::kReportMissing) outputs["report"] = path(r.file.report);
    if (!r.file.pdf.empty() && (r.summary.pdfWritten || r.outcome == Outcome::kPlanned)) outputs["pdf"] = path(r.file.pdf);
    return outputs;
}

json Counts(const bwoffice::ConversionSummary& s) {
    return {{"objects", s.objects},
            {"charts", s.charts},
            {"charts_converted", s.chartsConverted},
            {"properties_changed", s.propertiesChanged},
            {"look_alikes", s.chartsWithLookAlikes},
            {"vanishing", Vanishing(s)},
            {"previews_left_in_colour", s.previewsLeftInColour},
            {"not_modelled", s.unmodelled.size()}};
}

json Record(const FileResult& r, const PathStyle& path) {
    json j = {{"input", r.file.input}, {"status", StatusName(r.outcome)}, {"exit_status", r.status}};
    j["outputs"] = Outputs(r, path);
    if (!r.message.empty()) j["message"] = Reason(r);
    if (const std::string why = WrittenAs(r.file); !why.empty() && !j["outputs"].empty()) j["written_as"] = why;
    if (r.countsKnown && r.outcome != Outcome::kNotConverted && r.outcome != Outcome::kNotReached &&
        r.outcome != Outcome::kPlanned) {
        j["counts"] = Counts(r.summary);
        if (const std::string warning = WarningOf(r); !warning.empty()) j["warning"] = warning;
        json unmodelled = json::array();
        for (const office::UnmodelledChart& u : r.summary.unmodelled)
            unmodelled.push_back({{"where", u.where}, {"reason", u.reason}});
        if (!unmodelled.empty()) j["not_modelled"] = unmodelled;
    }
    j["notes"] = r.summary.notes;
    return j;
}

// Text that is not UTF-8 (a file name in another encoding) is written with replacement
// characters rather than refused.
std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string Text(const json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

size_t Number(const json& counts, const char* key) {
    const auto it = counts.find(key);
    return it != counts.end() && it->is_number_unsigned() ? it->get<size_t>() : 0;
}

// The summary a record of a converted file gives back; false for any other record.
bool SummaryOf(const json& record, bwoffice::ConversionSummary& s) {
    const auto counts = record.find("counts");
    if (counts == record.end() || !counts->is_object()) return false;
    s.objects = Number(*counts, "objects");
    s.charts = Number(*counts, "charts");
    s.chartsConverted = Number(*counts, "charts_converted");
    s.propertiesChanged = Number(*counts, "properties_changed");
    s.chartsWithLookAlikes = Number(*counts, "look_alikes");
    s.chartsWithVanishingText = Number(*counts, "vanishing");
    s.previewsLeftInColour = Number(*counts, "previews_left_in_colour");
    if (const auto u = record.find("not_modelled"); u != record.end() && u->is_array())
        for (const json& chart : *u)
            if (chart.is_object()) s.unmodelled.push_back({Text(chart, "where"), Text(chart, "reason")});
    if (const auto notes = record.find("notes"); notes != record.end() && notes->is_array())
        for (const json& n : *notes)
            if (n.is_string()) s.notes.push_back(n.get<std::string>());
    return true;
}

// The array between the page's records element and its end.
constexpr const char* kRecordsStart = "<script type=\"application/json\" id=\"bwpass-records\">";
constexpr size_t kMostIndexBytes = 64u << 20;

}  // namespace

std::string RecordJson(const FileResult& r, const PathStyle& path) { return Dump(Record(r, path)); }

std::string RecordsForHtml(const std::vector<FileResult>& results, const PathStyle& path) {
    json all = json::array();
    for (const FileResult& r : results) all.push_back(Record(r, path));
    // "</" would end the script element early: every "<" (only ever inside a string) is written
    // as JSON's escape of it, which reads back as the same text.
    std::string safe;
    for (const char c : Dump(all)) safe += c == '<' ? std::string("\\u003c") : std::string(1, c);
    return std::string(kRecordsStart) + safe + "</script>";
}

std::vector<EarlierRecord> EarlierRecords(const std::string& indexPath) {
    // A page of ours is far below the bound; anything larger is not read at all.
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(indexPath, ec);
    if (ec || size > kMostIndexBytes) return {};
    std::ifstream in(indexPath, std::ios::binary);
    std::string page(static_cast<size_t>(size), '\0');
    if (!in.read(page.data(), static_cast<std::streamsize>(page.size()))) return {};
    const size_t start = page.find(kRecordsStart);
    if (start == std::string::npos) return {};
    const size_t from = start + std::char_traits<char>::length(kRecordsStart);
    const size_t end = page.find("</script>", from);
    if (end == std::string::npos) return {};
    const json all = json::parse(page.begin() + static_cast<std::ptrdiff_t>(from),
                                 page.begin() + static_cast<std::ptrdiff_t>(end), nullptr, false);
    std::vector<EarlierRecord> records;
    if (!all.is_array()) return records;
    for (const json& j : all) {
        EarlierRecord e;
        if (!j.is_object() || !j.contains("outputs") || !j["outputs"].is_object() || !SummaryOf(j, e.summary)) continue;
        e.output = Text(j["outputs"], "file");
        if (!e.output.empty()) records.push_back(std::move(e));
    }
    return records;
}

void TakeEarlierCounts(FileResult& r, const std::vector<EarlierRecord>& earlier, const std::string& indexPath) {
    if (r.outcome != Outcome::kUpToDate) return;
    const std::string path = RelativePath(indexPath, r.file.output);
    for (const EarlierRecord& e : earlier) {
        if (e.output != path) continue;
        const bool pdf = r.summary.pdfWritten;
        r.summary = e.summary;
        r.summary.pdfWritten = pdf;
        r.countsKnown = true;
        return;
    }
}

}  // namespace bwbatch
