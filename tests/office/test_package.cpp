// The package layer: names, relationships, XML that writes back as it was read, limits, and new
// packages that keep every untouched entry's compressed bytes.
#include "tests/office/OfficeFiles.h"
#include "tools/package/Package.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>

namespace {

using namespace officetest;
using office::OfficeFileError;
using office::Package;

std::string Corpus(const std::string& name) { return SourceDir() + "/tests/office/corpus/" + name; }

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    for (const char* folder : {"pptx", "xlsx"}) {
        DIR* d = opendir(Corpus(folder).c_str());
        while (dirent* e = d ? readdir(d) : nullptr)
            if (e->d_name[0] != '.' && std::strcmp(e->d_name, "README.md")) files.push_back(Corpus(folder) + "/" + e->d_name);
        if (d) closedir(d);
    }
    return files;
}

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const OfficeFileError& e) {
        return e.what();
    }
    return "(no error)";
}

// The stored (compressed) bytes and header facts of one entry.
struct RawEntry {
    std::string compressed;
    uint32_t crc = 0;
    uint16_t method = 0;
    bool operator==(const RawEntry& o) const { return compressed == o.compressed && crc == o.crc && method == o.method; }
};

RawEntry Raw(const std::string& path, const std::string& name) {
    RawEntry r;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    zip_stat_t st;
    zip_stat(z, name.c_str(), 0, &st);
    r.crc = st.crc;
    r.method = st.comp_method;
    zip_file_t* f = zip_fopen(z, name.c_str(), ZIP_FL_COMPRESSED);
    r.compressed.resize(static_cast<size_t>(st.comp_size));
    zip_fread(f, r.compressed.data(), r.compressed.size());
    zip_fclose(f);
    zip_discard(z);
    return r;
}

TEST(Package, ResolvesPartReferences) {
    const struct {
        const char* source;
        const char* target;
        const char* resolved;
    } cases[] = {
        {"ppt/slides/slide1.xml", "../charts/chart1.xml", "ppt/charts/chart1.xml"},
        {"ppt/slides/slide1.xml", "/ppt/media/image1.emf", "ppt/media/image1.emf"},
        {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
        {"", "ppt/presentation.xml", "ppt/presentation.xml"},
        {"ppt/embeddings/a.xml", "./My%20Book.xlsx", "ppt/embeddings/My Book.xlsx"},
        {"ppt/slides/slide1.xml", "../../../etc/passwd", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(office::ResolvePartReference(c.source, c.target), c.resolved) << c.target;
}

TEST(Package, XmlPartsWriteBackAsTheyWereRead) {
    // Chart parts, relationships and content types are what gets rewritten: parsed and written
    // without a change, they must come out byte for byte as Office stored them.
    for (const std::string& file : CorpusFiles()) {
        const Package p = Package::OpenFile(file);
        for (const std::string& part : p.PartNames()) {
            const bool rewritable = part.find("charts/chart") != std::string::npos ||
                                    part.find(".rels") != std::string::npos || part == "[Content_Types].xml";
            if (!rewritable) continue;
            const std::string text = p.ReadPart(part);
            EXPECT_EQ(office::XmlText(p.ParseXml(part, text)), text) << file << ": " << part;
        }
    }
}

// Parts stored in another encoding are written back in UTF-8, so the declaration must say so.
TEST(Package, XmlPartsInOtherEncodingsWriteBackAsUtf8) {
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>\r\n<v>Ums\xE4tze</v>";
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<v>Umsätze</v>")) utf16 += {c, '\0'};
    utf16.replace(utf16.find("\xC3"), 4, std::string("\xE4\0", 2));  // ä as one UTF-16 unit
    const std::string expected = "\r\n<v>Ums\xC3\xA4tze</v>";
    for (const std::string& stored : {latin1, utf16}) {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_buffer(stored.data(), stored.size(), pugi::parse_default | pugi::parse_declaration));
        const std::string text = office::XmlText(doc);
        EXPECT_NE(text.find("encoding=\"UTF-8\""), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
    }
}

TEST(Package, ReadsRelationshipsContentTypesAndTheMainPart) {
    const Package p = Package::OpenFile(Corpus("pptx/shp-access-ole-object.pptx"));
    EXPECT_EQ(p.MainPart(), "ppt/presentation.xml");
    EXPECT_EQ(p.Target("ppt/slides/slide1.xml", "rId3"), "ppt/embeddings/Microsoft_Excel_Worksheet.xlsx");
    EXPECT_EQ(p.ContentType("ppt/media/image1.emf"), "image/x-emf");
    EXPECT_EQ(p.ContentType("PPT/Slides/Slide1.xml"),
              "application/vnd.openxmlformats-officedocument.presentationml.slide+xml");
    EXPECT_TRUE(p.HasPart("PPT/SLIDES/SLIDE1.XML")) << "part names ignore case";
    EXPECT_NE(Message([&] { p.Target("ppt/slides/slide1.xml", "rId99"); }).find("relationship rId99 is missing"),
              std::string::npos);
}

TEST(Package, RelationshipLeavingThePackageIsRefused) {
    Entries e = MinimalPresentation();
    e = With(e, "ppt/_rels/presentation.xml.rels",
             std::string("<Relationships xmlns=\"") + kRelsNs + "\"><Relationship Id=\"rId2\" Type=\"" + kRelType +
                 "slide\" Target=\"../../../slide1.xml\"/></Relationships>");
    const Package p = Package::OpenBytes(Zip(e), "x.pptx");
    EXPECT_NE(Message([&] { p.Relationships("ppt/presentation.xml"); }).find("leads outside the package"),
              std::string::npos);
}

TEST(Package, LimitsRefuseAbsurdEntriesFromTheDirectory) {
    const std::string bytes = Zip(With(MinimalPresentation(), "ppt/media/big.bin", std::string(3u << 20, 'x')));
    office::PackageLimits small;
    small.maxPartSize = 2u << 20;
    EXPECT_NE(Message([&] { Package::OpenBytes(bytes, "a.pptx", small); })
                  .find("ppt/media/big.bin\" would inflate to 3 MB, beyond the limit of 2 MB for one entry (set "
                        "BWPASS_MAX_PART_MB to raise it)"),
              std::string::npos);
    office::PackageLimits fewEntries;
    fewEntries.maxEntries = 3;
    EXPECT_NE(Message([&] { Package::OpenBytes(bytes, "a.pptx", fewEntries); }).find("entries, more than"),
              std::string::npos);
    office::PackageLimits smallTotal;
    smallTotal.maxTotalSize = 1u << 20;
    EXPECT_NE(Message([&] { Package::OpenBytes(bytes, "a.pptx", smallTotal); })
                  .find("would inflate to more than 1 MB in all, the limit for a whole file (set BWPASS_MAX_PACKAGE_MB"),
              std::string::npos);
    const std::string twice = Zip(With(With(MinimalPresentation(), "a.xml", "1"), "A.XML", "2"));
    EXPECT_NE(Message([&] { Package::OpenBytes(twice, "a.pptx"); }).find("two zip entries"), std::string::npos);
}

// Pictures and blank sheets deflate far beyond any ratio a zip bomb check could name: only the
// sizes count, and the environment raises them.
TEST(Package, HighlyCompressibleEntriesOpenWithinTheSizes) {
    const std::string white(3u << 20, '\xFF');  // a 3 MB white picture deflates about 1,000 to 1
    const std::string bytes = Zip(With(MinimalPresentation(), "ppt/media/image1.tiff", white));
    ASSERT_LT(bytes.size(), 20u << 10);
    EXPECT_EQ(Package::OpenBytes(bytes, "white.pptx").ReadPart("ppt/media/image1.tiff"), white);

    setenv("BWPASS_MAX_PART_MB", "2", 1);
    EXPECT_NE(Message([&] { Package::OpenBytes(bytes, "white.pptx"); }).find("beyond the limit of 2 MB"), std::string::npos);
    setenv("BWPASS_MAX_PART_MB", "4", 1);
    EXPECT_NO_THROW(Package::OpenBytes(bytes, "white.pptx"));
    unsetenv("BWPASS_MAX_PART_MB");
}

// An entry that inflates past the size its directory declares is stopped there, not read on.
TEST(Package, InflatingStopsWhereTheDeclaredSizeEnds) {
    std::string bytes = Zip(With(MinimalPresentation(), "ppt/media/big.bin", std::string(4u << 20, 'x')));
    // Both headers of the entry now claim 1 MB; the stream still inflates to 4 MB.
    const std::string name = "ppt/media/big.bin";
    for (const auto& [signature, offset] : {std::pair<const char*, size_t>{"PK\x03\x04", 22}, {"PK\x01\x02", 24}})
        for (size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
            const size_t nameAt = at + (signature[3] == '\x04' ? 30 : 46);
            if (bytes.compare(nameAt, name.size(), name) != 0) continue;
            const unsigned char size[4] = {0, 0, 0x10, 0};
            std::memcpy(&bytes[at + offset], size, 4);
        }
    const Package p = Package::OpenBytes(bytes, "liar.pptx");
    EXPECT_NE(Message([&] { p.ReadPart(name); }).find("more than the size its zip entry declares"), std::string::npos);
}

TEST(Package, XmlNestedBeyondTheDepthLimitIsRefused) {
    const auto nested = [](size_t depth) {
        std::string xml;
        for (size_t i = 0; i < depth; ++i) xml += "<a>";
        for (size_t i = 0; i < depth; ++i) xml += "</a>";
        return xml;
    };
    const Package p = Package::OpenBytes(Zip(MinimalPresentation()), "deep.pptx");
    EXPECT_EQ(office::XmlDepth(p.ParseXml("x.xml", nested(office::kMaxXmlDepth))), office::kMaxXmlDepth);
    EXPECT_EQ(Message([&] { p.ParseXml("x.xml", nested(100000)); }),
              "deep.pptx: x.xml nests its XML elements more than 1000 deep, far beyond what Office writes; "
              "refusing the file");
}

TEST(Package, NestedPackageMessagesNameBothFiles) {
    EXPECT_EQ(Message([] { Package::OpenBytes("not a zip", "deck.pptx: ppt/embeddings/Book1.xlsx"); }),
              "deck.pptx: ppt/embeddings/Book1.xlsx: not a zip package");
}

TEST(Package, WritingKeepsUntouchedEntriesAsStoredAndNeverTheInput) {
    TempFolder folder;
    const std::string input = folder.Path() + "/in.xlsx", output = folder.Path() + "/out.xlsx";
    WriteFile(input, ReadFile(Corpus("xlsx/chart_bar03.xlsx")));
    const std::string inputBytes = ReadFile(input);
    const Package p = Package::OpenFile(input);
    const std::map<std::string, std::string> replaced = {{"xl/charts/chart1.xml", "<c:chartSpace/>"},
                                                         {"xl/media/new.png", "PNG"}};
    const std::string embedded = folder.Path() + "/embedded.bin";
    WriteFile(embedded, "from a file");
    p.Write(output, replaced, {{"xl/theme/theme1.xml", embedded}});

    EXPECT_EQ(ReadFile(input), inputBytes);
    const Package q = Package::OpenFile(output);
    std::vector<std::string> expectedNames = p.PartNames();
    expectedNames.push_back("xl/media/new.png");
    EXPECT_EQ(q.PartNames(), expectedNames) << "entries keep their order; added ones come last";
    for (const std::string& part : p.PartNames()) {
        if (replaced.count(part) || part == "xl/theme/theme1.xml") continue;
        EXPECT_TRUE(Raw(input, part) == Raw(output, part)) << part << ": compressed bytes differ";
    }
    EXPECT_EQ(q.ReadPart("xl/charts/chart1.xml"), "<c:chartSpace/>");
    EXPECT_EQ(q.ReadPart("xl/media/new.png"), "PNG");
    EXPECT_EQ(q.ReadPart("xl/theme/theme1.xml"), "from a file");
    EXPECT_NE(access((output + ".part" + std::to_string(getpid())).c_str(), F_OK), 0) << "temporary file left behind";

    // The same as bytes, for a package inside another.
    const Package r = Package::OpenBytes(p.WriteBytes(replaced), "nested");
    EXPECT_EQ(r.ReadPart("xl/charts/chart1.xml"), "<c:chartSpace/>");
    EXPECT_EQ(r.ReadPart("xl/workbook.xml"), p.ReadPart("xl/workbook.xml"));
}

TEST(Package, NewPackagesHoldTheirPartsInOrderDeflatedAsFileOrBytes) {
    TempFolder folder;
    const std::string path = folder.Path() + "/new.pptx";
    const std::string big(4000, 'x');
    const std::vector<office::ZipEntry> parts = {{"[Content_Types].xml", "<Types/>"}, {"b/second.xml", big}, {"a/third.xml", ""}};
    office::WriteZipFile(path, parts);
    const Package fromFile = Package::OpenFile(path);
    const Package fromBytes = Package::OpenBytes(office::ZipToBytes(parts), "embedded");
    for (const Package* p : {&fromFile, &fromBytes}) {
        ASSERT_EQ(p->PartNames(), (std::vector<std::string>{"[Content_Types].xml", "b/second.xml", "a/third.xml"}));
        for (const office::ZipEntry& part : parts) EXPECT_EQ(p->ReadPart(part.name), part.data) << part.name;
    }
    for (const office::ZipEntry& part : parts) EXPECT_EQ(Raw(path, part.name).method, ZIP_CM_DEFLATE) << part.name;
    EXPECT_LT(Raw(path, "b/second.xml").compressed.size(), big.size());
}

TEST(Package, AFailedWriteLeavesNothing) {
    TempFolder folder;
    const Package p = Package::OpenFile(Corpus("xlsx/chart_bar03.xlsx"));
    const std::string target = folder.Path() + "/missing-folder/out.xlsx";
    EXPECT_THROW(p.Write(target, {}), office::PackageWriteError);
    DIR* d = opendir(folder.Path().c_str());
    size_t entries = 0;
    while (dirent* e = readdir(d)) entries += e->d_name[0] != '.';
    closedir(d);
    EXPECT_EQ(entries, 0u);
}

}  // namespace
