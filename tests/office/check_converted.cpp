// check_converted ORIGINAL CONVERTED SCHEMA_FOLDER
// What a converted Office file must be, part by part against the original:
// - a zip that opens, with every part of the original;
// - parts that were not rewritten: the same bytes;
// - rewritten parts: chart parts (and the embedded workbooks holding them, checked the same way
//   inside), and around a new OLE preview the picture, its relationships and content types;
// - in a rewritten chart part: c:numCache and c:strCache unchanged; every series of a filled
//   chart group (bar, area, doughnut, bubble, pie) with an explicit fill in grey, and the slices
//   of a pie whose colours vary by point each with one; no schema error against dml-chart.xsd
//   (once mc:AlternateContent keeps its Fallback) that the original part did not have.
// Prints one line per fault; exit status 0 when there is none, 1 otherwise.
#include "tools/package/Package.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using office::Package;

int faults = 0;
std::string schemaFolder;

void Fault(const std::string& where, const std::string& what) {
    std::printf("FAULT %s: %s\n", where.c_str(), what.c_str());
    ++faults;
}

const char* Local(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

void Collect(const pugi::xml_node& n, const char* localName, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node c : n.children()) {
        if (std::strcmp(Local(c.name()), localName) == 0) out.push_back(c);
        Collect(c, localName, out);
    }
}

std::string Text(const pugi::xml_node& n) {
    std::string s;
    struct W : pugi::xml_writer {
        std::string* s;
        void write(const void* d, size_t n) override { s->append(static_cast<const char*>(d), n); }
    } w;
    w.s = &s;
    n.print(w, "", pugi::format_raw);
    return s;
}

void CheckCaches(const std::string& where, const pugi::xml_document& a, const pugi::xml_document& b) {
    for (const char* cache : {"numCache", "strCache"}) {
        std::vector<pugi::xml_node> ca, cb;
        Collect(a, cache, ca);
        Collect(b, cache, cb);
        if (ca.size() != cb.size()) {
            Fault(where, std::string("the number of c:") + cache + " changed");
            continue;
        }
        for (size_t i = 0; i < ca.size(); ++i)
            if (Text(ca[i]) != Text(cb[i])) Fault(where, std::string("c:") + cache + " #" + std::to_string(i + 1) + " changed");
    }
}

bool Grey(const pugi::xml_node& fill) {
    std::vector<pugi::xml_node> colours;
    Collect(fill, "srgbClr", colours);
    for (pugi::xml_node c : colours) {
        const std::string v = c.attribute("val").value();
        if (v.size() != 6 || v.substr(0, 2) != v.substr(2, 2) || v.substr(0, 2) != v.substr(4, 2)) return false;
    }
    std::vector<pugi::xml_node> scheme;
    Collect(fill, "schemeClr", scheme);
    return scheme.empty();
}

// The explicit fill of an spPr: its solid, pattern or no fill, or an empty node. A series stored
// with no fill (the hidden series of a Gantt chart) shows nothing, so the plug-in leaves it as it
// is: it keeps no colour.
pugi::xml_node ExplicitFill(const pugi::xml_node& spPr) {
    for (pugi::xml_node c : spPr.children())
        if (!std::strcmp(c.name(), "a:solidFill") || !std::strcmp(c.name(), "a:pattFill") ||
            !std::strcmp(c.name(), "a:noFill"))
            return c;
    return {};
}

void CheckFills(const std::string& where, const pugi::xml_document& part) {
    static const std::set<std::string> filled = {"barChart", "bar3DChart", "areaChart", "area3DChart", "doughnutChart",
                                                 "bubbleChart", "pieChart", "pie3DChart", "ofPieChart"};
    for (pugi::xml_node g : part.document_element().child("c:chart").child("c:plotArea").children()) {
        const std::string kind = Local(g.name());
        if (!filled.count(kind)) continue;
        static const std::set<std::string> slices = {"pieChart", "pie3DChart", "ofPieChart", "doughnutChart"};
        const bool byPoint = slices.count(kind) && g.child("c:varyColors").attribute("val").as_bool();
        size_t n = 0;
        for (pugi::xml_node s : g.children("c:ser")) {
            const std::string label = where + ": " + kind + " series " + std::to_string(++n);
            if (byPoint) {
                std::vector<pugi::xml_node> points;
                Collect(s.child("c:val"), "pt", points);
                for (pugi::xml_node p : points) {
                    const std::string idx = p.attribute("idx").value();
                    bool found = false;
                    for (pugi::xml_node d : s.children("c:dPt"))
                        if (idx == d.child("c:idx").attribute("val").value()) {
                            const pugi::xml_node f = ExplicitFill(d.child("c:spPr"));
                            found = f;
                            if (f && !Grey(f)) Fault(label, "slice " + idx + " keeps a colour");
                        }
                    if (!found) Fault(label, "slice " + idx + " has no explicit fill");
                }
                continue;
            }
            const pugi::xml_node f = ExplicitFill(s.child("c:spPr"));
            if (!f) Fault(label, "no explicit fill");
            else if (!Grey(f)) Fault(label, "its fill keeps a colour");
        }
    }
}

// mc:AlternateContent replaced by its Fallback's children, as a reader without the extensions sees it.
void KeepFallbacks(pugi::xml_node n) {
    for (pugi::xml_node c = n.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (!std::strcmp(c.name(), "mc:AlternateContent")) {
            for (pugi::xml_node k : c.child("mc:Fallback").children()) n.insert_copy_before(k, c);
            n.remove_child(c);
        } else {
            KeepFallbacks(c);
        }
        c = next;
    }
}

// The schema errors of a chart part, each without the file name and line, so that the errors
// of two versions of a part compare.
std::multiset<std::string> SchemaErrors(const std::string& xml) {
    pugi::xml_document doc;
    doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata);
    KeepFallbacks(doc);
    char name[] = "/tmp/check-chart-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return {"cannot write a temporary file"};
    close(fd);
    doc.save_file(name, "", pugi::format_raw);
    const std::string command = "xmllint --noout --schema '" + schemaFolder + "/dml-chart.xsd' " + name + " 2>&1";
    std::multiset<std::string> errors;
    FILE* p = popen(command.c_str(), "r");
    char buffer[8192];
    while (p && fgets(buffer, sizeof buffer, p)) {
        std::string line = buffer;
        if (line.rfind(name, 0) != 0) continue;
        line = line.substr(std::strlen(name));
        if (line == " validates\n" || line == " fails to validate\n") continue;
        const size_t text = line.find(": ", 1);
        errors.insert(text == std::string::npos ? line : line.substr(text + 2));
    }
    if (p) pclose(p);
    unlink(name);
    return errors;
}

// A rewritten part must validate, apart from what was already invalid as Office stored it
// (PowerPoint writes negative axis ids, which the schema's unsignedInt does not allow).
void Validate(const std::string& where, const std::string& before, const std::string& after) {
    std::multiset<std::string> added = SchemaErrors(after);
    for (const std::string& e : SchemaErrors(before)) {
        auto it = added.find(e);
        if (it != added.end()) added.erase(it);
    }
    if (added.empty()) return;
    std::string text;
    for (const std::string& e : added) text += e;
    Fault(where, "does not validate against dml-chart.xsd:\n" + text);
}

bool IsChart(const Package& p, const std::string& part) {
    return p.ContentType(part).find("drawingml.chart+xml") != std::string::npos;
}

bool IsPackage(const std::string& bytes) { return bytes.compare(0, 4, "PK\x03\x04") == 0; }

void CheckPackage(const Package& original, const Package& converted);

void CheckRewritten(const Package& original, const Package& converted, const std::string& part,
                    const std::string& before, const std::string& after) {
    const std::string where = converted.DisplayName() + ": " + part;
    if (IsChart(original, part)) {
        const pugi::xml_document a = original.ParseXml(part, before);
        const pugi::xml_document b = converted.ParseXml(part, after);
        CheckCaches(where, a, b);
        CheckFills(where, b);
        Validate(where, before, after);
    } else if (IsPackage(before) && IsPackage(after)) {
        CheckPackage(Package::OpenBytes(before, original.DisplayName() + ": " + part),
                     Package::OpenBytes(after, converted.DisplayName() + ": " + part));
    } else if (part.find("_rels/") == std::string::npos && part != "[Content_Types].xml") {
        Fault(where, "rewritten although it is neither a chart, an embedded workbook nor a preview's relationship");
    }
}

void CheckPackage(const Package& original, const Package& converted) {
    for (const std::string& part : original.PartNames()) {
        if (!converted.HasPart(part)) {
            Fault(converted.DisplayName(), part + " is missing");
            continue;
        }
        const std::string before = original.ReadPart(part), after = converted.ReadPart(part);
        if (before != after) CheckRewritten(original, converted, part, before, after);
    }
    for (const std::string& part : converted.PartNames())
        if (!original.HasPart(part) && part.rfind("ppt/media/", 0) != 0)
            Fault(converted.DisplayName(), part + " was added");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: check_converted ORIGINAL CONVERTED SCHEMA_FOLDER\n");
        return 2;
    }
    schemaFolder = argv[3];
    try {
        CheckPackage(Package::OpenFile(argv[1]), Package::OpenFile(argv[2]));
    } catch (const std::exception& e) {
        Fault(argv[2], e.what());
    }
    return faults ? 1 : 0;
}
