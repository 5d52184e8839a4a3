// Bad input through bwoffice: each case is refused with exit status 1, a message naming the
// file and what is wrong, and nothing written beside it. The refusal comes before the pass, so
// no Wine is needed.
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

std::string CompoundFile(bool encrypted) {
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes.resize(4096, '\0');
    if (encrypted)
        for (const char* name : {"EncryptionInfo", "EncryptedPackage"}) {
            bytes.resize(bytes.size() + 64, '\0');
            for (size_t i = 0; name[i]; ++i) bytes[bytes.size() - 64 + 2 * i] = name[i];
        }
    return bytes;
}

struct Case {
    const char* what;
    const char* fileName;
    std::function<std::string()> make;
    const char* message;
};

const Case kCases[] = {
    {"not a zip", "notes.pptx", [] { return std::string("just some text\n"); }, "not a zip file"},
    {"empty file", "empty.xlsx", [] { return std::string(); }, "the file is empty"},
    {"legacy .ppt renamed", "old.pptx", [] { return CompoundFile(false); }, "legacy binary Office file"},
    {"encrypted", "secret.xlsx", [] { return CompoundFile(true); }, "encrypted"},
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
    {"absurd size", "huge.pptx", ClaimingHugeSize, "bytes uncompressed, more than the limit"},
    {"zip bomb", "bomb.xlsx",
     [] { return Presentation(With(MinimalPresentation(), "ppt/media/zeros.bin", std::string(8u << 20, '\0'))); },
     "a zip bomb"},
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
        const std::string command = "'" + Bwoffice() + "' '" + path + "' 2>&1";
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
    const std::string deck = folder.Path() + "/deck.json";
    WriteFile(deck, "{}");
    const std::string input = folder.Path() + "/a.pptx";
    WriteFile(input, Zip(MinimalPresentation()));
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {"", "no file given"},
        {"'" + deck + "'", "not a .pptx, .pptm, .xlsx or .xlsm file"},
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
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 2u) << "something was written";
}

}  // namespace
