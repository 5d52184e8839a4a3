// Bad input through bwoffice: each case is refused with exit status 1, a message naming the
// file and what is wrong, and nothing written beside it. The refusal comes before the pass, so
// no Wine is needed.
#include "tests/office/CompoundFiles.h"
#include "tests/office/OfficeFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

using namespace officetest;

std::string Bwoffice() {
    const char* b = std::getenv("QV_NATIVE_BUILD_DIR");
    return std::string(b ? b : ".") + "/bwoffice";
}

std::string CorpusFile(const char* name) { return ReadFile(SourceDir() + "/tests/office/corpus/" + name); }

std::string Presentation(const Entries& e) { return Zip(e); }

// Stored entries, one of them spoiled after zipping: its CRC no longer matches.
std::string WithCrcError() {
    std::string bytes = Zip(MinimalPresentation(), true);
    const size_t at = bytes.find("<p:spTree>");
    bytes[at + 1] = 'q';
    return bytes;
}

// A zip whose only entry claims 2 GB uncompressed, in its local header and the central directory.
std::string ClaimingHugeSize() {
    std::string bytes = Zip(MinimalPresentation());
    auto patch = [&](const char* signature, size_t offset) {
        for (size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
            const unsigned char v[4] = {0xFF, 0xFF, 0xFF, 0x7F};
            std::memcpy(&bytes[at + offset], v, 4);
        }
    };
    patch("PK\x03\x04", 22);
    patch("PK\x01\x02", 24);
    return bytes;
}

std::string Encrypted() {
    return CompoundFile({{"\x06" "DataSpaces", true}, {"EncryptionInfo"}, {"EncryptedPackage"}});
}

// A presentation whose one slide shows a chart part nested 100,000 elements deep (about 1 MB).
std::string DeeplyNestedChart() {
    const std::string slide =
        "<p:sld xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><p:cSld><p:spTree>"
        "<p:nvGrpSpPr/><p:grpSpPr/><p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"2\" name=\"Chart\"/>"
        "</p:nvGraphicFramePr><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
        "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rIdC\"/></a:graphicData>"
        "</a:graphic></p:graphicFrame></p:spTree></p:cSld></p:sld>";
    const std::string rels = std::string("<Relationships xmlns=\"") + kRelsNs + "\"><Relationship Id=\"rIdC\" Type=\"" +
                             kRelType + "chart\" Target=\"../charts/chart1.xml\"/></Relationships>";
    std::string chart = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>";
    for (int i = 0; i < 100000; ++i) chart += "<c:x>";
    for (int i = 0; i < 100000; ++i) chart += "</c:x>";
    chart += "</c:chart></c:chartSpace>";
    Entries e = With(MinimalPresentation(), "ppt/slides/slide1.xml", slide);
    e = With(e, "ppt/slides/_rels/slide1.xml.rels", rels);
    return Zip(With(e, "ppt/charts/chart1.xml", chart));
}

struct Case {
    const char* what;
    const char* fileName;
    std::function<std::string()> make;
    const char* message;
};

const Case kCases[] = {
    {"not a zip", "notes.pptx", [] { return std::string("just some text\n"); }, "not an Office file"},
    {"empty file", "empty.xlsx", [] { return std::string(); }, "the file is empty"},
    {"another program's compound file", "mail.pptx", [] { return CompoundFile({{"__properties_version1.0"}}); },
     "a compound file, but not a PowerPoint or Excel file"},
    {"a legacy Word document", "letter.pptx", [] { return CompoundFile({{"WordDocument"}, {"1Table"}}); },
     "a Word document"},
    {"encrypted", "secret.xlsx", Encrypted, "encrypted (saved with a password); save it without a password"},
    {"truncated zip", "cut.pptx",
     [] { std::string b = CorpusFile("pptx/cht-charts.pptx"); return b.substr(0, b.size() / 2); },
     "damaged: it is truncated"},
    {"CRC error", "crc.pptx", WithCrcError, "ppt/slides/slide1.xml is damaged (CRC error)"},
    {"zip without content types", "plain.pptx",
     [] { return Zip({{"hello.txt", "hello"}}); }, "no [Content_Types].xml"},
    {"no main part", "nomain.pptx",
     [] { return Presentation(Without(MinimalPresentation(), "_rels/.rels")); }, "names no main document part"},
    {"part not well-formed", "badxml.pptx",
     [] { return Presentation(With(MinimalPresentation(), "ppt/slides/slide1.xml", "<p:sld>\n<p:cSld></p:sld>")); },
     "ppt/slides/slide1.xml is not well-formed XML: Start-end tags mismatch at line 2"},
    {"missing relationship target", "noslide.pptx",
     [] { return Presentation(Without(MinimalPresentation(), "ppt/slides/slide1.xml")); },
     "relationship rId2 names ppt/slides/slide1.xml, which is not in the package"},
    {"entry name with ..", "dotdot.pptx",
     [] { return Presentation(With(MinimalPresentation(), "ppt/../../evil.xml", "x")); }, "leads out of the package"},
    {"absolute entry name", "absolute.pptx",
     [] { return Presentation(With(MinimalPresentation(), "/etc/evil.xml", "x")); }, "an absolute name"},
    {"backslash entry name", "backslash.pptx",
     [] { return Presentation(With(MinimalPresentation(), "ppt\\..\\..\\evil.xml", "x")); }, "a backslash in its name"},
    {"absurd size", "huge.pptx", ClaimingHugeSize, "would inflate to 2048 MB, beyond the limit of 4 MB for one entry"},
    // The test runs with BWPASS_MAX_PART_MB=4.
    {"entry beyond the size limit", "bomb.xlsx",
     [] { return Presentation(With(MinimalPresentation(), "ppt/media/zeros.bin", std::string(8u << 20, '\0'))); },
     "\"ppt/media/zeros.bin\" would inflate to 8 MB, beyond the limit of 4 MB for one entry (set BWPASS_MAX_PART_MB"},
    {"chart part nested 100,000 deep", "deep.pptx", DeeplyNestedChart,
     "ppt/charts/chart1.xml nests its XML elements more than 1000 deep"},
    {"a Word document", "letter.pptx",
     [] {
         Entries e = MinimalPresentation();
         std::string& types = e[0].second;
         types.replace(types.find("presentationml.presentation.main"), 32, "wordprocessingml.document.main");
         return Presentation(e);
     },
     "a Word document"},
};

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

TEST(BadInput, IsRefusedWithItsReasonAndNothingWritten) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string path = folder.Path() + "/" + c.fileName;
        WriteFile(path, c.make());
        const std::string command = "BWPASS_MAX_PART_MB=4 '" + Bwoffice() + "' '" + path + "' 2>&1";
        FILE* p = popen(command.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string output;
        char buffer[4096];
        while (fgets(buffer, sizeof buffer, p)) output += buffer;
        const int status = pclose(p);
        EXPECT_EQ(WEXITSTATUS(status), 1) << output;
        EXPECT_NE(output.find(path + ": "), std::string::npos) << "the message does not name the file: " << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{c.fileName}) << "something was written";
    }
}

TEST(BadInput, UsageErrorsExitWithTwo) {
    TempFolder folder;
    const std::string input = folder.Path() + "/a.pptx";
    WriteFile(input, Zip(MinimalPresentation()));
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {"", "no file given"},
        {"'" + input + "' -j -1", "-j needs a number from 0 (one per core) to 256, got -1"},
        {"'" + input + "' -o '" + folder.Path() + "/a.xlsx'", "a.pptx converts to a .pptx file; name the output .pptx, not .xlsx"},
        {"'" + input + "' --frobnicate", "unknown option --frobnicate"},
        {"'" + input + "' -o '" + input + "'", "an output would overwrite the input"},
        {"'" + input + "' --pass-limit 0", "--pass-limit needs a number of seconds from 1 to 86400, got 0"},
        {"'" + input + "' --pass-limit soon", "--pass-limit needs a number of seconds from 1 to 86400, got soon"},
    };
    for (const auto& c : cases) {
        FILE* p = popen(("'" + Bwoffice() + "' " + c.arguments + " 2>&1").c_str(), "r");
        std::string output;
        char buffer[4096];
        while (fgets(buffer, sizeof buffer, p)) output += buffer;
        EXPECT_EQ(WEXITSTATUS(pclose(p)), 2) << c.arguments;
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
    }
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 1u) << "something was written";
}

}  // namespace
