// Legacy binary files imported to Office Open XML by LibreOffice: a real workbook becomes a
// workbook package, alone and through a running session; a file LibreOffice cannot read gives a
// reason and leaves no output.
#include "tests/office/CompoundFiles.h"
#include "tests/office/test_render_support.h"
#include "tools/package/FileKind.h"
#include "tools/render/Import.h"
#include "tools/render/Session.h"

#include <filesystem>
#include <memory>

namespace {

using rendertest::Corpus;
using rendertest::TempFolder;

TEST(Import, LegacyFilesBecomePackagesOrSayWhyNot) {
    QV_REQUIRE_RENDERER();
    TempFolder folder;
    // Streams named as Excel's, with nothing in them.
    rendertest::WriteFile(folder / "hollow.xls", officetest::CompoundFile({{"Workbook"}}));
    const struct {
        const char* what;
        std::string input;
        bool session;
        office::FileKind made;  // Empty: nothing made
    } cases[] = {
        {"workbook, LibreOffice of its own", Corpus("legacy/SimpleChart.xls"), false, office::FileKind::Workbook},
        {"workbook, through the session", Corpus("legacy/WithChart.xls"), true, office::FileKind::Workbook},
        {"presentation", Corpus("legacy/ole2-embedding-2003.ppt"), false, office::FileKind::Presentation},
        {"hollow workbook", folder / "hollow.xls", false, office::FileKind::Empty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder work;
        std::unique_ptr<render::Session> session;
        if (c.session) session = std::make_unique<render::Session>(work / "session");
        const std::string output = work / (c.made == office::FileKind::Presentation ? "out.pptx" : "out.xlsx");
        const std::string problem = render::ImportToOpenXml(c.input, output, work.path());
        if (c.made == office::FileKind::Empty) {
            EXPECT_NE(problem.find("LibreOffice could not import it"), std::string::npos) << problem;
            EXPECT_FALSE(std::filesystem::exists(output));
        } else {
            EXPECT_EQ(problem, "");
            EXPECT_EQ(office::IdentifyFile(output), c.made);
        }
        EXPECT_TRUE(std::filesystem::exists(c.input)) << "the input is the caller's";
    }
}

}  // namespace
