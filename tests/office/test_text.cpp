// The deck library's text and file helpers on Linux, where the native tools use them.
#include "tools/deckmodel/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using bwpass::ReadWholeFile;
using bwpass::SameFile;
using bwpass::Utf8;
using bwpass::Wide;
using bwpass::WriteWholeFile;

std::string TempFolder() {
    char name[] = "/tmp/qv-text-XXXXXX";
    return mkdtemp(name);
}

TEST(Text, ConvertsBetweenUtf8AndWide) {
    struct Case { std::string utf8; std::wstring wide; };
    const Case cases[] = {
        {"", L""},
        {"Sales 2024", L"Sales 2024"},
        {"Umsatz \xC3\xBC" "ber", L"Umsatz \u00FCber"},
        {"\xE2\x82\xAC 5", L"\u20AC 5"},
        {"\xF0\x9F\x93\x88", std::wstring(1, static_cast<wchar_t>(0x1F4C8))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Wide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(Utf8(c.wide), c.utf8) << c.utf8;
    }
}

TEST(Text, IllFormedUtf8BecomesReplacementCharacters) {
    struct Case { std::string utf8; std::wstring wide; };
    const Case cases[] = {
        {"a\xFF" "b", L"a\uFFFD" "b"},
        {"\xC3", L"\uFFFD"},                      // truncated sequence
        {"\xC0\xAF", L"\uFFFD\uFFFD"},            // overlong
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // a surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(Wide(c.utf8), c.wide);
}

TEST(Text, WritesThroughATemporaryFileAndReadsBack) {
    const std::string folder = TempFolder();
    const std::wstring file = Wide(folder + "/out.json");
    std::string error;
    ASSERT_TRUE(WriteWholeFile(file, "first", error)) << error;
    ASSERT_TRUE(WriteWholeFile(file, "second", error)) << error;
    std::string contents;
    ASSERT_TRUE(ReadWholeFile(file, contents, error)) << error;
    EXPECT_EQ(contents, "second");
    struct stat st;
    EXPECT_NE(stat((folder + "/out.json.partial").c_str(), &st), 0) << "temporary file left behind";

    EXPECT_FALSE(ReadWholeFile(Wide(folder), contents, error));
    EXPECT_EQ(error, "it is a folder, not a file");
    EXPECT_FALSE(ReadWholeFile(Wide(folder + "/missing"), contents, error));
    EXPECT_FALSE(WriteWholeFile(Wide(folder + "/no/such/folder/x"), "x", error));
    std::system(("rm -rf " + folder).c_str());
}

TEST(Text, SameFileSeesThroughDifferentSpellings) {
    const std::string folder = TempFolder();
    std::string error;
    ASSERT_TRUE(WriteWholeFile(Wide(folder + "/a.pptx"), "x", error));
    ASSERT_EQ(symlink((folder + "/a.pptx").c_str(), (folder + "/link.pptx").c_str()), 0);
    EXPECT_TRUE(SameFile(Wide(folder + "/a.pptx"), Wide(folder + "/./a.pptx")));
    EXPECT_TRUE(SameFile(Wide(folder + "/a.pptx"), Wide(folder + "/link.pptx")));
    EXPECT_TRUE(SameFile(Wide(folder + "/new.pptx"), Wide(folder + "/../" +
                                                          folder.substr(folder.rfind('/') + 1) + "/new.pptx")));
    EXPECT_FALSE(SameFile(Wide(folder + "/a.pptx"), Wide(folder + "/b.pptx")));
    std::system(("rm -rf " + folder).c_str());
}

}  // namespace
