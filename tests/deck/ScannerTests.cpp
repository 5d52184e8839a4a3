// The scanner that cuts a JSON file into property and element texts, and the output file that
// writes through a temporary file: the texts must be exactly the file's, whatever strings and
// comments hold, and a file must appear only when its writing succeeded.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/deckmodel/DeckParts.h"
#include "tools/deck/DeckStream.h"
#include "tools/deck/Files.h"
#include "tools/deck/JsonScanner.h"
#include "tools/deck/SampleDeck.h"
#include "tools/deckmodel/Text.h"

using namespace bwpass;

namespace {

// The file's top-level keys, and the element texts of its array "a", as "key" and "[text]".
std::vector<std::string> Cut(const std::string& text) {
    const std::string path = "scanned.json";
    std::ofstream(path, std::ios::binary) << text;
    std::string error;
    FilePtr file = OpenForReading(Wide(path), error);
    JsonScanner scanner(file.get());
    std::vector<std::string> pieces;
    if (!scanner.StartObject()) return {"(not an object)"};
    std::string key, element;
    while (scanner.NextKey(key)) {
        pieces.push_back(key);
        if (key == "a" && scanner.ValueIsArray()) {
            while (scanner.NextElement(element)) pieces.push_back("[" + element + "]");
        } else {
            pieces.push_back("=" + scanner.ValueText());
        }
    }
    scanner.End();
    file.reset();
    std::remove(path.c_str());
    return pieces;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(JsonScanner, CutsPropertiesAndElementsExactlyAsWritten) {
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"empty object", "{}", {}},
        {"scalars", R"({"t": "x", "n": -1.5e3, "b": true, "z": null})", {"t", "=\"x\"", "n", "=-1.5e3", "b", "=true", "z", "=null"}},
        {"an array of objects", R"({"a": [{"k": 1}, {"k": [2, {}]}], "t": 1})", {"a", "[{\"k\": 1}]", "[{\"k\": [2, {}]}]", "t", "=1"}},
        {"brackets and quotes inside strings", R"({"a": [{"s": "]}\"{["}]})", {"a", R"([{"s": "]}\"{["}])"}},
        {"escaped backslash before a quote", R"({"a": ["x\\", "y"]})", {"a", R"(["x\\"])", R"(["y"])"}},
        {"comments between and inside", "{ // c {\n\"a\": [ /* ] */ 1 /* , */, {\"k\": /* } */ 2} ] }",
         {"a", "[1]", "[{\"k\": /* } */ 2}]"}},
        {"escaped key", R"({"\u0061": []})", {"a"}},
        {"white space everywhere", "\n{\r\n\t\"a\"\t:\n[\n1\n,\n2\n]\n}\n", {"a", "[1]", "[2]"}},
        {"an empty array", R"({"a": [], "b": [1]})", {"a", "b", "=[1]"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Cut(c.text), c.pieces) << c.what;
}

TEST(JsonScanner, StructuralFaultsAreFound) {
    for (const char* text : {"{\"a\" 1}", "{\"a\": [1 2]}", "{\"a\": [1,]}", "{\"a\": [}", "{\"a\": [1]", "{\"a\": \"x",
                             "{\"a\": 1,}", "{\"a\": 1} x", "{\"a\": {]}", "{a: 1}", "{\"a\": /x/ 1}", "{\"a\": 1 /* x"}) {
        bool refused = false;
        try {
            Cut(text);
        } catch (const detail::MalformedJson&) {
            refused = true;
        }
        EXPECT_TRUE(refused) << text;
    }
    EXPECT_EQ(Cut("[1]"), std::vector<std::string>{"(not an object)"});
    std::remove("scanned.json");
}

TEST(StreamedDeck, ALongDeckComesBackObjectByObjectWithItsTitleWhereverItStands) {
    const std::vector<DeckObject> sample = std::move(SampleDeck().objects);
    {
        DeckWriter writer(L"long-deck.json", L"Long");
        ASSERT_TRUE(writer.Open());
        for (size_t i = 0; i < 300; ++i) writer.Add(sample[i % sample.size()]);
        ASSERT_TRUE(writer.Finish());
    }
    size_t n = 0;
    bool titleBeforeObjects = false;
    ReadDeckObjects(L"long-deck.json", [&](const std::wstring& t) { titleBeforeObjects = n == 0 && t == L"Long"; },
                    [&](DeckObject&& o) {
                        EXPECT_EQ(detail::DeckObjectJson(o), detail::DeckObjectJson(sample[n % sample.size()])) << n;
                        ++n;
                    });
    EXPECT_EQ(n, 300u);
    EXPECT_TRUE(titleBeforeObjects);

    // A title after the objects is handed over after them.
    std::ofstream("long-deck.json", std::ios::binary) << R"({"objects": [{"progId": "E"}, {"progId": "F"}], "title": "Late"})";
    std::vector<std::string> order;
    ReadDeckObjects(L"long-deck.json", [&](const std::wstring& t) { order.push_back(Utf8(t)); },
                    [&](DeckObject&& o) { order.push_back(Utf8(o.progId)); });
    EXPECT_EQ(order, (std::vector<std::string>{"E", "F", "Late"}));
    std::remove("long-deck.json");
}

TEST(OutputFile, AppearsOnlyWhenCommittedAndPartsAreCopiedWhole) {
    {
        OutputFile part(L"part.txt"), whole(L"whole.txt");
        ASSERT_TRUE(part.Open());
        ASSERT_TRUE(whole.Open());
        std::string big(200000, 'x');
        part.Write(big);
        part.Flush();
        whole.Write("head:");
        whole.Append(part.partialPath());
        whole.Write(":tail");
        part.Discard();
        EXPECT_FALSE(std::ifstream("part.txt.partial").good());
        EXPECT_FALSE(std::ifstream("whole.txt").good()) << "visible before Commit";
        ASSERT_TRUE(whole.Commit()) << whole.error();
        EXPECT_EQ(Slurp("whole.txt"), "head:" + big + ":tail");
    }
    // A part that is gone makes the whole fail, and nothing is left.
    OutputFile broken(L"broken.txt");
    ASSERT_TRUE(broken.Open());
    broken.Append(L"no-such-part.partial");
    EXPECT_FALSE(broken.Commit());
    EXPECT_FALSE(broken.error().empty());
    EXPECT_FALSE(std::ifstream("broken.txt").good());
    EXPECT_FALSE(std::ifstream("broken.txt.partial").good());
    std::remove("whole.txt");
}
