// LibreOffice's profiles for our runs: seeded so that LibreOffice skips its first-start work,
// kept between runs with one process holding each, and a session's LibreOffice kept running
// from one drawing to the next.
#include "tests/office/test_render_support.h"
#include "tools/render/Profile.h"
#include "tools/render/Render.h"
#include "tools/render/Session.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <set>
#include <thread>

namespace {

using namespace rendertest;
namespace fs = std::filesystem;

// An installation as far as seeding reads it: program/soffice and share/registry/main.xcd.
std::string FakeInstallation(const std::string& root, const std::string& xcd) {
    fs::create_directories(root + "/program");
    fs::create_directories(root + "/share/registry");
    WriteFile(root + "/program/soffice", "#!/bin/sh\n");
    WriteFile(root + "/share/registry/main.xcd", xcd);
    return root + "/program/soffice";
}

std::string VersionXcd(const std::string& value) {
    return "<oor:component-data oor:name=\"Setup\"><node oor:name=\"Product\"><prop oor:name=\"ooName\"><value>"
           "LibreOffice</value></prop><prop oor:name=\"ooSetupVersion\">\n  <value>" + value +
           "</value>\n</prop></node></oor:component-data>";
}

std::string Settings(const std::string& profile) { return ReadFile(profile + "/user/registrymodifications.xcu"); }

TEST(SeedProfile, GivesANewProfileTheInstalledVersionAndLeavesOtherProfilesAlone) {
    struct Case {
        const char* name;
        std::string xcd;
        const char* existing;     // settings the profile has already, or null
        bool throughLink;         // soffice reached through a symbolic link, as /usr/bin/soffice is
        const char* expected;     // the settings afterwards: a part of them, or "" for none
    } cases[] = {
        {"new profile", VersionXcd("7.4"), nullptr, false, "<prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\"><value>7.4</value>"},
        {"soffice through a link", VersionXcd("24.2"), nullptr, true, "<value>24.2</value>"},
        {"profile with settings", VersionXcd("7.4"), "<mine/>", false, "<mine/>"},
        {"no version in the installation", "<oor:component-data/>", nullptr, false, ""},
        {"a version that is not one", VersionXcd("7.4 beta"), nullptr, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        std::string soffice = FakeInstallation(t / "lo", c.xcd);
        if (c.throughLink) {
            fs::create_symlink(soffice, t / "soffice");
            soffice = t / "soffice";
        }
        const std::string profile = t / "profile";
        if (c.existing) {
            fs::create_directories(profile + "/user");
            WriteFile(profile + "/user/registrymodifications.xcu", c.existing);
        }
        render::SeedProfile(profile, soffice);
        if (*c.expected) EXPECT_NE(Settings(profile).find(c.expected), std::string::npos) << Settings(profile);
        else EXPECT_FALSE(fs::exists(profile + "/user/registrymodifications.xcu"));
    }
}

TEST(KeptProfile, LivesInTheUsersCacheFolderOneHolderEach) {
    struct Case {
        const char* name;
        const char* cacheHome;    // XDG_CACHE_HOME, relative to the test's folder when not absolute
        const char* home;
        const char* expectedFolder;  // relative to the test's folder, or null for no kept profile
    } cases[] = {
        {"XDG_CACHE_HOME", "/xdg", "/home", "/xdg/bwpass/libreoffice"},
        {"HOME when XDG_CACHE_HOME is not set", nullptr, "/home", "/home/.cache/bwpass/libreoffice"},
        {"HOME when XDG_CACHE_HOME is relative", "xdg", "/home", "/home/.cache/bwpass/libreoffice"},
        {"neither", nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        const std::string soffice = FakeInstallation(t / "lo", VersionXcd("7.4"));
        const std::string cacheHome = c.cacheHome && *c.cacheHome == '/' ? t.path() + c.cacheHome : c.cacheHome ? c.cacheHome : "";
        const std::string home = c.home ? t.path() + c.home : "";
        ScopedEnv xdg("XDG_CACHE_HOME", c.cacheHome ? cacheHome.c_str() : nullptr);
        ScopedEnv homeEnv("HOME", c.home ? home.c_str() : nullptr);
        std::unique_ptr<render::KeptProfile> first = render::KeptProfile::Take(soffice);
        if (!c.expectedFolder) {
            EXPECT_FALSE(first);
            continue;
        }
        ASSERT_TRUE(first);
        EXPECT_EQ(first->Path(), fs::path(t.path() + c.expectedFolder) / "profile-1");
        EXPECT_NE(Settings(first->Path()).find("<value>7.4</value>"), std::string::npos) << "not seeded";
        // Held: the next taker gets another; let go: it is free again.
        std::unique_ptr<render::KeptProfile> second = render::KeptProfile::Take(soffice);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->Path(), fs::path(t.path() + c.expectedFolder) / "profile-2");
        first.reset();
        const std::unique_ptr<render::KeptProfile> third = render::KeptProfile::Take(soffice);
        ASSERT_TRUE(third);
        EXPECT_EQ(third->Path(), fs::path(t.path() + c.expectedFolder) / "profile-1");
    }
}

// A run killed outright leaves its LibreOffice running on the profile; the next run to take the
// profile ends it, or its own start would hand everything to it and it would never end.
TEST(KeptProfile, EndsWhatAKilledRunLeftRunningOnIt) {
    TempFolder t;
    ScopedEnv xdg("XDG_CACHE_HOME", t.path().c_str());
    const std::string soffice = FakeInstallation(t / "lo", VersionXcd("7.4"));
    const fs::path profile = fs::path(t.path()) / "bwpass" / "libreoffice" / "profile-1";
    const pid_t left = render::StartProcess(
        {"/usr/bin/python3", "-c", "import time; time.sleep(60)", "-env:UserInstallation=" + render::FileUrl(profile.string())},
        t / "left.log");
    const pid_t other = render::StartProcess(
        {"/usr/bin/python3", "-c", "import time; time.sleep(60)", "-env:UserInstallation=" + render::FileUrl(profile.string() + "0")},
        t / "other.log");
    ASSERT_GT(left, 0);
    ASSERT_GT(other, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // until python3 runs with that command line
    const std::unique_ptr<render::KeptProfile> taken = render::KeptProfile::Take(soffice);
    ASSERT_TRUE(taken);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (waitpid(left, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the left-over process still runs";
    EXPECT_EQ(waitpid(other, &status, WNOHANG), 0) << "a process of another profile was ended";
    render::StopProcess(other);
}

// The processes whose command line holds text.
std::set<std::string> ProcessesNaming(const std::string& text) {
    std::set<std::string> found;
    for (const fs::directory_entry& p : fs::directory_iterator("/proc")) {
        const std::string command = ReadFile(p.path() / "cmdline");
        if (command.find(text) != std::string::npos) found.insert(p.path().filename().string());
    }
    return found;
}

// LibreOffice ends by itself when a conversion leaves it with no document open; the session's
// must still run after a drawing, or every later drawing waits for a new start. Its profile is
// a kept one, seeded: LibreOffice did not run its first-start self-tests on it.
TEST(RenderSession, KeepsItsLibreOfficeRunningFromOneDrawingToTheNext) {
    QV_REQUIRE_RENDERER();
    TempFolder t;
    ScopedEnv xdg("XDG_CACHE_HOME", t.path().c_str());
    const auto parts = Unzip(Corpus("xlsx/chart_area01.xlsx"));
    const render::ChartToRender chart{parts.at("xl/charts/chart1.xml"), parts.at("xl/theme/theme1.xml"), t / "a.png"};
    const std::string profile = t / "bwpass/libreoffice/profile-1";
    render::Session session(t / "session", 1);
    ASSERT_TRUE(render::RenderCharts({chart}, t / "lo").empty());
    const std::set<std::string> running = ProcessesNaming(render::FileUrl(profile));
    ASSERT_FALSE(running.empty()) << "LibreOffice ended after the first drawing";
    render::ChartToRender again = chart;
    again.outputPng = t / "b.png";
    ASSERT_TRUE(render::RenderCharts({again}, t / "lo").empty());
    for (const std::string& pid : running) EXPECT_TRUE(fs::exists("/proc/" + pid)) << "process " << pid << " ended";
    EXPECT_TRUE(fs::exists(t / "b.png"));
    EXPECT_FALSE(fs::exists(profile + "/user/GraphicsRenderTests.log")) << "LibreOffice took the profile for a new one";
}

}  // namespace
