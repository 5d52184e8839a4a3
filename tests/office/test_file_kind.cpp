// Files told by their content: each package type by its main part's content type, compound
// files by the streams at their root, deck files as JSON, whatever the file's name; and what is
// said of each refused kind.
#include "tests/office/CompoundFiles.h"
#include "tests/office/OfficeFiles.h"
#include "tools/package/FileKind.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace officetest;
using office::FileFamily;
using office::FileKind;

std::string Legacy(const std::string& name) { return SourceDir() + "/tests/office/corpus/legacy/" + name; }

FileKind KindOfBytes(const TempFolder& folder, const std::string& bytes, const std::string& name = "file.bin") {
    const std::string path = folder.Path() + "/" + name;
    WriteFile(path, bytes);
    return office::IdentifyFile(path);
}

TEST(FileKind, PackagesByMainPartContentTypeWhateverTheirName) {
    TempFolder folder;
    const struct {
        const char* type;
        FileKind kind;
        const char* extension;
    } cases[] = {
        {"application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml", FileKind::Presentation, ".pptx"},
        {"application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml", FileKind::MacroPresentation, ".pptm"},
        {"application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml", FileKind::SlideShow, ".ppsx"},
        {"application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml", FileKind::MacroSlideShow, ".ppsm"},
        {"application/vnd.openxmlformats-officedocument.presentationml.template.main+xml", FileKind::PresentationTemplate, ".potx"},
        {"application/vnd.ms-powerpoint.template.macroEnabled.main+xml", FileKind::MacroPresentationTemplate, ".potm"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml", FileKind::Workbook, ".xlsx"},
        {"application/vnd.ms-excel.sheet.macroEnabled.main+xml", FileKind::MacroWorkbook, ".xlsm"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml", FileKind::WorkbookTemplate, ".xltx"},
        {"application/vnd.ms-excel.template.macroEnabled.main+xml", FileKind::MacroWorkbookTemplate, ".xltm"},
        // MIME types ignore case.
        {"APPLICATION/VND.MS-EXCEL.SHEET.MACROENABLED.MAIN+XML", FileKind::MacroWorkbook, ".xlsm"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml", FileKind::WordDocument, ""},
        {"application/vnd.ms-word.document.macroEnabled.main+xml", FileKind::WordDocument, ""},
        {"application/vnd.ms-excel.sheet.binary.macroEnabled.main", FileKind::OtherPackage, ""},
        {"application/vnd.ms-visio.drawing.main+xml", FileKind::OtherPackage, ""},
    };
    for (const auto& c : cases) {
        // A misleading name: the content decides.
        EXPECT_EQ(KindOfBytes(folder, PackageOfType(c.type), "named.docx"), c.kind) << c.type;
        EXPECT_STREQ(office::ExtensionOf(c.kind), c.extension) << c.type;
    }
}

TEST(FileKind, CompoundFilesByTheStreamsAtTheirRoot) {
    TempFolder folder;
    const struct {
        const char* what;
        std::vector<CompoundEntry> root;
        FileKind kind;
    } cases[] = {
        {"password-protected package", {{"EncryptionInfo"}, {"EncryptedPackage"}, {"\x06" "DataSpaces", true}}, FileKind::Encrypted},
        {"PowerPoint", {{"Current User"}, {"PowerPoint Document"}, {"Pictures"}}, FileKind::LegacyPresentation},
        {"Excel 97", {{"Workbook"}, {"\x05SummaryInformation"}}, FileKind::LegacyWorkbook},
        {"Excel 5", {{"Book"}}, FileKind::LegacyWorkbook},
        {"Word with an embedded workbook", {{"WordDocument"}, {"ObjectPool", true, {{"_1", true, {{"Workbook"}}}}}}, FileKind::WordDocument},
        // A presentation embedded in a workbook is below the root: the file stays a workbook.
        {"workbook embedding a presentation", {{"MBD0001", true, {{"PowerPoint Document"}}}, {"Workbook"}}, FileKind::LegacyWorkbook},
        {"Outlook message", {{"__properties_version1.0"}}, FileKind::OtherCompoundFile},
    };
    for (const auto& c : cases) EXPECT_EQ(KindOfBytes(folder, CompoundFile(c.root), "x.pptx"), c.kind) << c.what;
}

TEST(FileKind, RealLegacyFiles) {
    for (const char* name : {"44010-SingleChart.xls", "44010-TwoCharts.xls", "SimpleChart.xls", "WithChart.xls"})
        EXPECT_EQ(office::IdentifyFile(Legacy(name)), FileKind::LegacyWorkbook) << name;
    for (const char* name : {"ole2-embedding-2003.ppt", "ppt_with_embeded.ppt"})
        EXPECT_EQ(office::IdentifyFile(Legacy(name)), FileKind::LegacyPresentation) << name;
}

TEST(FileKind, OtherContent) {
    TempFolder folder;
    const std::string presentation = Zip(MinimalPresentation());
    const struct {
        const char* what;
        std::string bytes;
        FileKind kind;
    } cases[] = {
        {"deck", "{\"objects\": []}", FileKind::Deck},
        {"deck after a byte-order mark, comments and blank lines",
         "\xEF\xBB\xBF// a deck\n/* more */\r\n  {}", FileKind::Deck},
        {"JSON that is no object", "[1, 2]", FileKind::NotOffice},
        {"text", "hello", FileKind::NotOffice},
        {"empty", "", FileKind::Empty},
        {"zip without content types", Zip({{"a.txt", "x"}}), FileKind::NotOffice},
        {"OpenDocument", Zip({{"mimetype", "application/vnd.oasis.opendocument.presentation"}}), FileKind::OpenDocument},
        {"package without a main part", Zip(Without(MinimalPresentation(), "_rels/.rels")), FileKind::OtherPackage},
        {"truncated zip", presentation.substr(0, presentation.size() / 2), FileKind::DamagedZip},
        {"compound file signature only", CompoundFile({}).substr(0, 100), FileKind::OtherCompoundFile},
    };
    for (const auto& c : cases) EXPECT_EQ(KindOfBytes(folder, c.bytes), c.kind) << c.what;
    EXPECT_EQ(office::IdentifyFile(folder.Path()), FileKind::Unreadable);
    EXPECT_EQ(office::IdentifyFile(folder.Path() + "/missing.pptx"), FileKind::Unreadable);
}

// A directory whose chains and sibling tree loop is read as far as it is sound.
TEST(FileKind, LoopingCompoundDirectoryEnds) {
    TempFolder folder;
    std::string file = CompoundFile({{"Workbook"}, {"Other"}});
    // The allocation table sends the directory sector back to itself, entry 2's right sibling
    // leads back to entry 1, and the chain of DIFAT sectors starts at the allocation table,
    // whose last entry names itself.
    detail::Put32(file, 512 + 4, 1);
    detail::Put32(file, 1024 + 2 * 128 + 0x48, 1);
    detail::Put32(file, 0x44, 0);
    detail::Put32(file, 512 + 508, 0);
    EXPECT_EQ(KindOfBytes(folder, file), FileKind::LegacyWorkbook);
}

TEST(FileKind, FamiliesAndRefusals) {
    EXPECT_EQ(office::FamilyOf(FileKind::MacroSlideShow), FileFamily::Presentation);
    EXPECT_EQ(office::FamilyOf(FileKind::LegacyPresentation), FileFamily::Presentation);
    EXPECT_EQ(office::FamilyOf(FileKind::WorkbookTemplate), FileFamily::Workbook);
    EXPECT_EQ(office::FamilyOf(FileKind::Deck), FileFamily::Deck);
    EXPECT_EQ(office::FamilyOf(FileKind::Encrypted), FileFamily::None);
    EXPECT_TRUE(office::NeedsImport(FileKind::LegacyWorkbook));
    EXPECT_FALSE(office::NeedsImport(FileKind::Workbook));

    TempFolder folder;
    const std::string path = folder.Path() + "/f.pptx";
    const struct {
        FileKind kind;
        const char* says;
    } cases[] = {
        {FileKind::Encrypted, "encrypted (saved with a password); save it without a password"},
        {FileKind::WordDocument, "a Word document"},
        {FileKind::OpenDocument, "an OpenDocument file"},
        {FileKind::OtherCompoundFile, "not a PowerPoint or Excel file"},
        {FileKind::NotOffice, "not an Office file"},
        {FileKind::Empty, "empty"},
        {FileKind::Unreadable, "no such file"},
    };
    for (const auto& c : cases) {
        const std::string message = office::DescribeRefusal(path, c.kind);
        EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
    WriteFile(path, PackageOfType("application/vnd.ms-excel.sheet.binary.macroEnabled.main"));
    EXPECT_NE(office::DescribeRefusal(path, FileKind::OtherPackage).find("binary workbook (.xlsb)"), std::string::npos);
    chmod(path.c_str(), 0);
    if (geteuid() != 0) {
        EXPECT_NE(office::DescribeRefusal(path, FileKind::Unreadable).find("Permission denied"), std::string::npos);
    }
}

}  // namespace
