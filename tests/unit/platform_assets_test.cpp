// SPDX-License-Identifier: MIT
// Buttons, font and log against the package the build makes (Data/gfx.dpf in the build folder,
// the tests' working folder), and against missing or damaged packages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "platform/testing.h"
#include "test_files.h"

namespace {

constexpr const char* PACKAGE = "Data/gfx.dpf";
// CTest runs each test in its own process, several at once in the same folder: the scratch files
// carry the process id so that parallel tests never share them.
const std::string SCRATCH = "platform_assets_test." + std::to_string(getpid());
const std::string LOG_FILE = SCRATCH + ".log";
const char* const LOG = LOG_FILE.c_str();
constexpr int W = 240;
constexpr int H = 120;

std::string ReadLog() {
    return ReadFile(LOG);
}

class PlatformAssets : public ::testing::Test {
protected:
    void SetUp() override {
        CRM32Pro_ILogSystem::Init(LOG, "test");
        ASSERT_TRUE(PlatformTest::OpenWindow(W, H));
    }
    void TearDown() override {
        CRM32Pro_IButton::RemoveAll();
        PlatformTest::CloseWindow();
        std::remove(LOG);
        std::remove((SCRATCH + ".dpf").c_str());
    }
    static void Pump() {
        Event e;
        while (CRM32Pro_Main::Update(&e)) {
        }
    }
    static void Click(int x, int y) {
        PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, x, y);
        PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, x, y);
    }
    // Count of lit pixels inside [x0, x1) x [y0, y1), and in the whole window.
    static int Lit(int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += PlatformTest::ScreenGrey(x, y) > 0;
        return n;
    }
    static int LitAll() { return Lit(0, 0, W, H); }
};

TEST_F(PlatformAssets, PushButtonReadsPressedWhileHeldAndNotAfter) {
    const int save = CRM32Pro_IButton::Load(PACKAGE, "save");
    CRM32Pro_IButton::SetPosition(save, 100, 50);
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_OFF);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, 110, 55);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_ON);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_ON);
    // Dragging off the button lets it go up; back on, it is down again.
    PlatformTest::PushMouse(EVENT_MOUSEMOTION, 10, 10);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_OFF);
    PlatformTest::PushMouse(EVENT_MOUSEMOTION, 111, 56);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_ON);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, 111, 56);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_OFF);
    // A press beside the button does nothing.
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, 99, 55);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(save), CRM32Pro_IButton::STATE_OFF);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, 99, 55);
    Pump();
}

TEST_F(PlatformAssets, ClickWithinOneFrameReadsPressedForExactlyOnePoll) {
    const int redo = CRM32Pro_IButton::Load(PACKAGE, "redo");
    CRM32Pro_IButton::SetPosition(redo, 0, 0);
    Click(5, 5);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(redo), CRM32Pro_IButton::STATE_ON);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(redo), CRM32Pro_IButton::STATE_OFF);
}

TEST_F(PlatformAssets, ToggleFlipsOnEachPressAndFollowsSetState) {
    const int fill = CRM32Pro_IButton::Load(PACKAGE, "checkwhite");
    CRM32Pro_IButton::SetPosition(fill, 40, 40);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, 45, 45);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(fill), CRM32Pro_IButton::STATE_ON);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, 45, 45);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(fill), CRM32Pro_IButton::STATE_ON);
    Click(45, 45);
    Pump();
    EXPECT_EQ(CRM32Pro_IButton::GetState(fill), CRM32Pro_IButton::STATE_OFF);
    CRM32Pro_IButton::SetState(fill, CRM32Pro_IButton::STATE_ON);
    EXPECT_EQ(CRM32Pro_IButton::GetState(fill), CRM32Pro_IButton::STATE_ON);
    CRM32Pro_IButton::SetState(fill, CRM32Pro_IButton::STATE_OFF);
    EXPECT_EQ(CRM32Pro_IButton::GetState(fill), CRM32Pro_IButton::STATE_OFF);
}

TEST_F(PlatformAssets, DrawRedrawsOnlyChangedButtonsUnlessForced) {
    const int exit = CRM32Pro_IButton::Load(PACKAGE, "exit");
    CRM32Pro_IButton::SetPosition(exit, 180, 100);
    EXPECT_EQ(LitAll(), 0) << "Load must not draw";
    CRM32Pro_IButton::Draw();
    const int drawn = Lit(180, 100, 225, 118);
    EXPECT_GT(drawn, 100);
    EXPECT_EQ(LitAll(), drawn) << "drawn outside its 45 x 18 box";
    // The panel clears its band every frame and then calls ForceDraw and Draw.
    CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, W, H, 0);
    CRM32Pro_IButton::Draw();
    EXPECT_EQ(LitAll(), 0) << "an unchanged button was drawn again";
    CRM32Pro_IButton::ForceDraw();
    CRM32Pro_IButton::Draw();
    EXPECT_EQ(LitAll(), drawn);
    // Pressed looks different; a button hanging over the window's edge is clipped.
    CRM32Pro_IButton::SetPosition(exit, 220, 110);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONDOWN, 225, 115);
    Pump();
    CRM32Pro_IButton::Draw();
    EXPECT_GT(Lit(220, 110, W, H), 50);
    PlatformTest::PushMouse(EVENT_MOUSEBUTTONUP, 225, 115);
    Pump();
}

TEST_F(PlatformAssets, MissingOrDamagedPackageLeavesAnInertButtonAndOneLogLine) {
    const std::string garbage_package = SCRATCH + ".dpf";
    {
        std::ofstream garbage(garbage_package, std::ios::binary);
        garbage << "PK\x03\x04 this is not really a zip archive";
    }
    const std::pair<const char*, const char*> broken[] = {
        {"Data/no_such_package.dpf", "save"},
        {PACKAGE, "no_such_image"},
        {garbage_package.c_str(), "save"},
        {PACKAGE, "font"},  // an entry that is not a PNG
    };
    for (const auto& [package, name] : broken) {
        const std::string before = ReadLog();
        const int id = CRM32Pro_IButton::Load(package, name);
        EXPECT_GE(id, 0);
        const std::string added = ReadLog().substr(before.size());
        EXPECT_NE(added.find(name), std::string::npos) << package;
        EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1) << added;
        CRM32Pro_IButton::SetPosition(id, 0, 0);
        Click(5, 5);
        Pump();
        EXPECT_EQ(CRM32Pro_IButton::GetState(id), CRM32Pro_IButton::STATE_OFF);
        CRM32Pro_IButton::ForceDraw();
        CRM32Pro_IButton::Draw();
        EXPECT_EQ(LitAll(), 0);
    }
}

TEST_F(PlatformAssets, FontDrawsWhiteTextInsideItsBoxAndClips) {
    CRM32Pro_CFont font;
    ASSERT_TRUE(font.Load(PACKAGE, "font"));
    const int width = font.TextWidth("strand length");
    EXPECT_GE(width, 55);
    EXPECT_LE(width, 73);
    EXPECT_LT(font.TextWidth("pixel fill"), 45);
    font.PutString(CRM32Pro_Main::screen, 20, 30, "strand length", nullptr);
    const int inside = Lit(20, 30, 20 + width + 2, 30 + 14);
    EXPECT_GT(inside, 60);
    EXPECT_EQ(LitAll(), inside);
    int brightest = 0;
    for (int y = 30; y < 44; ++y)
        for (int x = 20; x < 20 + width; ++x)
            brightest = std::max(brightest, PlatformTest::ScreenGrey(x, y));
    EXPECT_EQ(brightest, 255);
    // Text running off any edge is cut, never written outside the surface.
    font.PutString(CRM32Pro_Main::screen, W - 10, H - 4, "strand length", nullptr);
    font.PutString(CRM32Pro_Main::screen, -30, -6, "strand length", nullptr);
    font.PutString(CRM32Pro_Main::screen, -32768, 32767, "\xB7\xB4\x01", nullptr);
    font.PutString(nullptr, 0, 0, "x", nullptr);
    EXPECT_GT(Lit(0, 0, 40, 8), 0);
}

TEST_F(PlatformAssets, FontFromAMissingPackageLogsAndDrawsNothing) {
    CRM32Pro_CFont font;
    const std::string before = ReadLog();
    EXPECT_FALSE(font.Load("Data/no_such_package.dpf", "font"));
    EXPECT_NE(ReadLog().substr(before.size()).find("font"), std::string::npos);
    font.PutString(CRM32Pro_Main::screen, 10, 10, "pixel fill", nullptr);
    EXPECT_EQ(LitAll(), 0);
    EXPECT_EQ(font.TextWidth("pixel fill"), 0);
}

TEST_F(PlatformAssets, LogWritesOneStampedLinePerMessage) {
    const std::string before = ReadLog();
    CRM32Pro_ILogSystem::Msg(" \xB7 [LOG] - value %d\n", 42);
    const std::string added = ReadLog().substr(before.size());
    EXPECT_NE(added.find(" \xB7 [LOG] - value 42\n"), std::string::npos);
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1);
}

TEST(PlatformVideo, MissingSoundStillStartsTheProgramAndIsLogged) {
    CRM32Pro_ILogSystem::Init(LOG, "test");
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no_such_audio_driver", 1);
    const int result = CRM32Pro_Main::Init(CRM32Pro_Main::INIT_TIMER | CRM32Pro_Main::INIT_AUDIO |
                                           CRM32Pro_Main::INIT_VIDEO);
    old ? setenv("SDL_AUDIODRIVER", saved.c_str(), 1) : unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(result, 0);
    EXPECT_NE(ReadLog().find("audio unavailable"), std::string::npos);
    CRM32Pro_Main::window.width = 64;
    CRM32Pro_Main::window.height = 64;
    EXPECT_NE(CRM32Pro_Main::SetVideoMode(), 0);
    CRM32Pro_Main::Quit();
    std::remove(LOG);
}

TEST(PlatformVideo, EveryNewWindowStartsBlack) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(PlatformTest::OpenWindow(W, H));
        for (int y = 0; y < H; y += 7)
            for (int x = 0; x < W; x += 7) ASSERT_EQ(PlatformTest::ScreenGrey(x, y), 0) << round;
        CRM32Pro_IPrimitives::BoxColor(CRM32Pro_Main::screen, 0, 0, W, H, 0xFFFFFFFF);
        PlatformTest::CloseWindow();
    }
}

TEST(PlatformVideo, ZeroSizedWindowIsRefused) {
    EXPECT_FALSE(PlatformTest::OpenWindow(0, 100));
    CRM32Pro_Main::window.width = 0;
    CRM32Pro_Main::window.height = 100;
    EXPECT_EQ(CRM32Pro_Main::SetVideoMode(), 0);
    EXPECT_EQ(CRM32Pro_Main::screen, nullptr);
    CRM32Pro_Main::Quit();
}

}  // namespace
