// A structure-aware fuzzer for Office files: real presentations and workbooks with their parts
// spoiled the ways a hostile or broken writer would: elements nested far too deep, huge numbers
// of attributes, very long names, many parts, many relationships, flipped bytes. Each case is
// told by its content, opened, walked as a conversion walks it and written again; it may be
// refused with an OfficeFileError, but must never crash, hang or fail any other way.
// A longer run: QV_FUZZ_CASES=5000 QV_FUZZ_SEED=n; one case again: QV_FUZZ_FIRST=n QV_FUZZ_CASES=1.
#include "tests/office/OfficeFiles.h"
#include "tools/chartmodel/Documents.h"
#include "tools/package/FileKind.h"
#include "tools/package/Package.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>

namespace {

using namespace officetest;

long Setting(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

Entries EntriesOf(const std::string& path) {
    Entries entries;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(static_cast<size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        zip_fread(f, data.data(), data.size());
        zip_fclose(f);
        entries.emplace_back(st.name, std::move(data));
    }
    if (z) zip_discard(z);
    return entries;
}

using Random = std::mt19937;

size_t Pick(Random& random, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

template <typename T, size_t N>
T PickOf(Random& random, const T (&values)[N]) { return values[Pick(random, N)]; }

// An XML part of the package, most often one that the walk reads.
std::string& SomeXmlPart(Random& random, Entries& entries) {
    std::vector<size_t> xml;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].first;
        if (name.size() > 4 && (name.compare(name.size() - 4, 4, ".xml") == 0 || name.compare(name.size() - 5, 5, ".rels") == 0))
            xml.push_back(i);
    }
    for (size_t i : xml)
        if (entries[i].first.find("chart") != std::string::npos && Pick(random, 2) == 0) return entries[i].second;
    return entries[xml[Pick(random, xml.size())]].second;
}

// Just after the name of a random start tag: where attributes or content may be put.
size_t SomeTagEnd(Random& random, const std::string& xml) {
    std::vector<size_t> tags;
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1))
        if (at + 1 < xml.size() && xml[at + 1] != '/' && xml[at + 1] != '?' && xml[at + 1] != '!')
            tags.push_back(xml.find_first_of(" />", at + 1));
    if (tags.empty()) return std::string::npos;
    return tags[Pick(random, tags.size())];
}

void InsertContent(Random& random, std::string& xml, const std::string& content) {
    size_t at = SomeTagEnd(random, xml);
    if (at == std::string::npos) return;
    at = xml.find('>', at);
    if (at == std::string::npos || xml[at - 1] == '/' || xml[at - 1] == '?') return;
    xml.insert(at + 1, content);
}

struct Mutation {
    const char* name;
    std::function<void(Random&, Entries&, std::string&)> apply;  // appends what it did
};

const Mutation kMutations[] = {
    {"deep nesting",
     [](Random& r, Entries& e, std::string& did) {
         const size_t depth = PickOf(r, {50, 999, 1000, 1001, 5000, 100000});
         const std::string name = PickOf(r, {"c:spPr", "a:p", "p:grpSp", "x"});
         std::string content;
         for (size_t i = 0; i < depth; ++i) content += "<" + name + ">";
         for (size_t i = 0; i < depth; ++i) content += "</" + name + ">";
         InsertContent(r, SomeXmlPart(r, e), content);
         did += " depth " + std::to_string(depth) + " of " + name;
     }},
    {"huge attribute count",
     [](Random& r, Entries& e, std::string& did) {
         const size_t count = PickOf(r, {100, 10000, 200000});
         std::string attributes;
         for (size_t i = 0; i < count; ++i) attributes += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
         std::string& xml = SomeXmlPart(r, e);
         const size_t at = SomeTagEnd(r, xml);
         if (at != std::string::npos) xml.insert(at, attributes);
         did += " " + std::to_string(count) + " attributes";
     }},
    {"long names",
     [](Random& r, Entries& e, std::string& did) {
         const size_t length = PickOf(r, {300, 70000, 2000000});
         const std::string name(length, PickOf(r, {'n', 'x'}));
         std::string& xml = SomeXmlPart(r, e);
         if (Pick(r, 2) == 0) {
             InsertContent(r, xml, "<c:" + name + " val=\"1\"/>");
         } else {
             const size_t at = SomeTagEnd(r, xml);
             if (at != std::string::npos) xml.insert(at, " " + name + "=\"" + name + "\"");
         }
         did += " a name of " + std::to_string(length);
     }},
    {"many parts",
     [](Random& r, Entries& e, std::string& did) {
         const size_t count = PickOf(r, {500, 5000, 20001});
         for (size_t i = 0; i < count; ++i) e.emplace_back("ppt/extra/p" + std::to_string(i) + ".xml", "<x/>");
         did += " " + std::to_string(count) + " more parts";
     }},
    {"many relationships",
     [](Random& r, Entries& e, std::string& did) {
         const size_t count = PickOf(r, {100, 3000, 30000});
         const std::string target = PickOf(r, {"../charts/chart1.xml", "missing.xml", "../../../../x", "slide1.xml", ""});
         std::vector<size_t> rels;
         for (size_t i = 0; i < e.size(); ++i)
             if (e[i].first.find(".rels") != std::string::npos) rels.push_back(i);
         std::string& xml = e[rels[Pick(r, rels.size())]].second;
         std::string more;
         for (size_t i = 0; i < count; ++i)
             more += "<Relationship Id=\"rIdF" + std::to_string(i) + "\" Type=\"" + kRelType +
                     PickOf(r, {"chart", "slide", "package", "officeDocument", "image"}) + "\" Target=\"" + target + "\"/>";
         const size_t end = xml.rfind("</Relationships>");
         if (end != std::string::npos) xml.insert(end, more);
         did += " " + std::to_string(count) + " relationships to \"" + target + "\"";
     }},
    {"same slide many times",
     [](Random& r, Entries& e, std::string& did) {
         for (auto& [name, xml] : e) {
             if (name != "ppt/presentation.xml") continue;
             const size_t at = xml.find("<p:sldId ");
             if (at == std::string::npos) return;
             const std::string one = xml.substr(at, xml.find("/>", at) + 2 - at);
             const size_t count = PickOf(r, {100, 2000});
             std::string more;
             for (size_t i = 0; i < count; ++i) more += one;
             xml.insert(at, more);
             did += " slide listed " + std::to_string(count + 1) + " times";
         }
     }},
    {"flipped bytes",
     [](Random& r, Entries& e, std::string& did) {
         std::string& xml = SomeXmlPart(r, e);
         for (size_t n = 1 + Pick(r, 8); n > 0 && !xml.empty(); --n)
             xml[Pick(r, xml.size())] = PickOf(r, {'<', '>', '"', '&', '\0', '\xff', '/', 'x'});
         did += " flipped bytes";
     }},
};

// Everything a conversion does to read a file and write it back unchanged.
void ReadAndWriteBack(const std::string& path, const std::string& output) {
    const office::FileKind kind = office::IdentifyFile(path);
    if (office::FamilyOf(kind) == office::FileFamily::None) return (void)office::DescribeRefusal(path, kind);
    const office::Package package = office::Package::OpenFile(path);
    size_t objects = 0;
    office::DocumentVisitor visitor;
    visitor.object = [&](office::OfficeObject&&) { ++objects; };
    visitor.unmodelled = [](const office::UnmodelledChart&) {};
    office::WalkDocument(package, visitor);
    package.Write(output, {});
}

TEST(PackageFuzz, SpoiledPartsAreReadOrRefusedNeverCrash) {
    const uint32_t seed = static_cast<uint32_t>(Setting("QV_FUZZ_SEED", 22));
    const long first = Setting("QV_FUZZ_FIRST", 0), cases = Setting("QV_FUZZ_CASES", 120);
    const Entries bases[] = {EntriesOf(SourceDir() + "/tests/office/corpus/pptx/cht-charts.pptx"),
                             EntriesOf(SourceDir() + "/tests/office/corpus/pptx/shp-access-ole-object.pptx"),
                             EntriesOf(SourceDir() + "/tests/office/corpus/xlsx/chart_bar03.xlsx")};
    TempFolder folder;
    const std::string path = folder.Path() + "/case.pptx", output = folder.Path() + "/out.pptx";
    long refused = 0;
    for (long n = first; n < first + cases; ++n) {
        Random random(seed * 7919u + static_cast<uint32_t>(n));
        Entries entries = bases[Pick(random, std::size(bases))];
        std::string did = "case " + std::to_string(n) + ":";
        for (size_t m = 1 + Pick(random, 2); m > 0; --m) {
            const Mutation& mutation = kMutations[Pick(random, std::size(kMutations))];
            did += std::string(" [") + mutation.name;
            mutation.apply(random, entries, did);
            did += "]";
        }
        WriteFile(path, Zip(entries));
        if (std::getenv("QV_FUZZ_VERBOSE")) std::printf("%s\n", did.c_str());
        try {
            ReadAndWriteBack(path, output);
        } catch (const office::OfficeFileError& e) {
            ++refused;
            EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << did << ": the message does not name the file: " << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << did << ": failed otherwise than as a refused file: " << e.what();
        }
        std::remove(output.c_str());
    }
    std::printf("[ figures  ] seed %u, cases %ld..%ld, %ld refused\n", seed, first, first + cases - 1, refused);
}

// Legacy files with their compound file header, allocation table and directory spoiled: telling
// what they are ends, whatever the chains and trees now say.
TEST(PackageFuzz, SpoiledCompoundFilesAreToldApart) {
    const uint32_t seed = static_cast<uint32_t>(Setting("QV_FUZZ_SEED", 22));
    const long cases = Setting("QV_FUZZ_CASES", 120) * 4;
    const std::string bases[] = {ReadFile(SourceDir() + "/tests/office/corpus/legacy/SimpleChart.xls"),
                                 ReadFile(SourceDir() + "/tests/office/corpus/legacy/ppt_with_embeded.ppt")};
    TempFolder folder;
    const std::string path = folder.Path() + "/case.ppt";
    std::map<office::FileKind, long> kinds;
    for (long n = 0; n < cases; ++n) {
        Random random(seed * 104729u + static_cast<uint32_t>(n));
        std::string bytes = bases[Pick(random, std::size(bases))];
        // Mostly the first sectors (header, allocation table, directory), sometimes anywhere.
        for (size_t flips = 1 + Pick(random, 16); flips > 0; --flips) {
            const size_t at = Pick(random, 4) ? Pick(random, std::min<size_t>(bytes.size(), 4096)) : Pick(random, bytes.size());
            bytes[at] = static_cast<char>(PickOf(random, {0x00, 0xFF, 0xFE, 0x01, 0x7F}) ^ (Pick(random, 2) ? 0 : Pick(random, 256)));
        }
        if (Pick(random, 8) == 0) bytes.resize(Pick(random, bytes.size()));
        WriteFile(path, bytes);
        const office::FileKind kind = office::IdentifyFile(path);
        ++kinds[kind];
        EXPECT_EQ(office::DescribeRefusal(path, kind).rfind(path + ": ", 0), 0u);
    }
    std::printf("[ figures  ] seed %u, %ld spoiled compound files: %ld still legacy, %ld another compound file\n", seed,
                cases, kinds[office::FileKind::LegacyPresentation] + kinds[office::FileKind::LegacyWorkbook],
                kinds[office::FileKind::OtherCompoundFile]);
}

}  // namespace
