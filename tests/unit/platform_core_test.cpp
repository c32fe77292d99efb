// SPDX-License-Identifier: MIT
// The platform layer's drawing, presenting, random numbers and frame loop, on the dummy driver.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "engine/random.h"
#include "platform/internal.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

constexpr int W = 200;
constexpr int H = 150;

class PlatformWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PlatformTest::OpenWindow(W, H)); }
    void TearDown() override {
        CRM32Pro_Main::SetRenderCallback(nullptr);
        PlatformTest::CloseWindow();
    }
    // Sum of the red channel over the whole window: a cheap "did anything change" probe.
    static long Total() {
        long sum = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) sum += PlatformTest::ScreenGrey(x, y);
        return sum;
    }
    // Drains queued events, then runs one frame.
    static void Pump() {
        Event e;
        while (CRM32Pro_Main::Update(&e)) {
        }
    }
};

TEST_F(PlatformWindow, PixelsOutsideTheSurfaceAreDropped) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    const std::int16_t outside[][2] = {{-1, 0},     {0, -1},    {W, 0},     {0, H},
                                       {-32768, 5}, {32767, 5}, {5, 32767}, {W, H}};
    for (const auto& p : outside)
        CRM32Pro_IPrimitives::PutPixelRGBA(s, p[0], p[1], 255, 255, 255, 255, 1);
    EXPECT_EQ(Total(), 0);
    CRM32Pro_IPrimitives::PutPixelRGBA(s, W - 1, H - 1, 200, 200, 200, 255, 1);
    CRM32Pro_IPrimitives::PutPixelRGBA(s, 0, 0, 100, 100, 100, 255, 1);
    EXPECT_EQ(PlatformTest::ScreenGrey(W - 1, H - 1), 200);
    EXPECT_EQ(PlatformTest::ScreenGrey(0, 0), 100);
    CRM32Pro_IPrimitives::PutPixelRGBA(nullptr, 1, 1, 255, 255, 255, 255, 1);
}

TEST_F(PlatformWindow, BoxExcludesItsFarCornerAndClips) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    CRM32Pro_IPrimitives::BoxColor(s, 10, 20, 30, 40, 0xFFFFFFFF);
    EXPECT_EQ(PlatformTest::ScreenGrey(10, 20), 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(29, 39), 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(30, 39), 0);
    EXPECT_EQ(PlatformTest::ScreenGrey(29, 40), 0);
    EXPECT_EQ(Total(), 20L * 20 * 255);
    // Corners given the other way round describe the same box.
    CRM32Pro_IPrimitives::BoxColor(s, 30, 40, 10, 20, 0);
    EXPECT_EQ(Total(), 0);
    // A box hanging over every edge fills exactly the window; the program's colour 0 is black.
    CRM32Pro_IPrimitives::BoxColor(s, -500, -500, 32000, 32000, 0xFFFFFFFF);
    EXPECT_EQ(Total(), static_cast<long>(W) * H * 255);
    CRM32Pro_IPrimitives::BoxColor(s, 0, 0, W, H, 0);
    EXPECT_EQ(Total(), 0);
    CRM32Pro_IPrimitives::BoxColor(s, W, 0, W + 10, H, 0xFFFFFFFF);
    CRM32Pro_IPrimitives::BoxColor(s, 5, 5, 5, 50, 0xFFFFFFFF);
    CRM32Pro_IPrimitives::BoxColor(nullptr, 0, 0, 10, 10, 0xFFFFFFFF);
    EXPECT_EQ(Total(), 0);
}

TEST_F(PlatformWindow, VerticalLineIncludesBothEndsAndClips) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    CRM32Pro_IPrimitives::VLineRGBA(s, 73, 0, 71, 255, 255, 255, 255);
    EXPECT_EQ(Total(), 72L * 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(73, 71), 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(73, 72), 0);
    CRM32Pro_IPrimitives::VLineRGBA(s, 10, H + 5, -5, 255, 255, 255, 255);
    EXPECT_EQ(Total(), 72L * 255 + H * 255L);
    CRM32Pro_IPrimitives::VLineRGBA(s, -1, 0, H, 255, 255, 255, 255);
    CRM32Pro_IPrimitives::VLineRGBA(s, W, 0, H, 255, 255, 255, 255);
    CRM32Pro_IPrimitives::VLineRGBA(s, 20, H, H + 100, 255, 255, 255, 255);
    EXPECT_EQ(Total(), 72L * 255 + H * 255L);
}

TEST_F(PlatformWindow, FrameRendersOnceAfterTheEventsAndHandsKeysBack) {
    static int renders = 0;
    renders = 0;
    CRM32Pro_Main::SetRenderCallback([]() { ++renders; });
    Pump();
    const int before = renders;
    EXPECT_EQ(before, 1);
    PlatformTest::PushKey(KEY_S);
    Event e;
    bool saw_key = false;
    while (CRM32Pro_Main::Update(&e)) {
        EXPECT_EQ(renders, before) << "rendered while events were pending";
        if (e.type == EVENT_KEYDOWN) saw_key = e.sym == KEY_S;
    }
    EXPECT_TRUE(saw_key);
    EXPECT_EQ(renders, before + 1);
}

// Held, the step keys repeat and the others do not; a dropped file comes with its path.
TEST_F(PlatformWindow, StepKeysRepeatAndDroppedFilesArrive) {
    Pump();
    for (const SDL_Keycode key : {SDLK_s, SDLK_BACKSPACE, SDLK_RIGHTBRACKET}) {
        SDL_Event held{};
        held.type = SDL_KEYDOWN;
        held.key.repeat = 1;
        held.key.keysym.sym = key;
        SDL_PushEvent(&held);
    }
    PlatformTest::PushDrop("/tmp/a picture.png");
    Event e;
    std::vector<int> keys;
    std::string dropped;
    while (CRM32Pro_Main::NextEvent(&e)) {
        if (e.type == EVENT_KEYDOWN) keys.push_back(e.sym);
        if (e.type == EVENT_DROPFILE) dropped = e.path;
    }
    EXPECT_EQ(keys, (std::vector<int>{KEY_BACKSPACE, KEY_RIGHTBRACKET}));
    EXPECT_EQ(dropped, "/tmp/a picture.png");
}

TEST_F(PlatformWindow, TerminationSignalsArriveAsQuitEvenWhenInheritedIgnored) {
    // A script that starts the program in the background hands it SIGINT ignored.
    std::signal(SIGINT, SIG_IGN);
    ASSERT_EQ(CRM32Pro_Main::Init(SDL_INIT_VIDEO | SDL_INIT_TIMER), 0);
    Pump();
    EXPECT_FALSE(CRM32Pro_Main::QuitRequested());
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        std::raise(sig);
        // A long computation sees the request without taking it from the frame loop.
        EXPECT_TRUE(CRM32Pro_Main::QuitRequested()) << "signal " << sig;
        EXPECT_TRUE(CRM32Pro_Main::QuitRequested()) << "signal " << sig;
        Event e;
        bool quit = false;
        while (CRM32Pro_Main::Update(&e)) quit = quit || e.type == EVENT_QUIT;
        EXPECT_TRUE(quit) << "signal " << sig;
        // Once the quit is handed over it stays requested: the frame after it is cut short too.
        EXPECT_TRUE(CRM32Pro_Main::QuitRequested()) << "signal " << sig;
    }
}

TEST_F(PlatformWindow, FramesArePacedAtNoMoreThanSixtyPerSecond) {
    CRM32Pro_ITimeSystem::Init();
    // Before a whole second has been measured the target rate stands in, never 0 (the panel
    // halves it for its repeat delay).
    EXPECT_EQ(CRM32Pro_ITimeSystem::GetCurrentRFR(), 60);
    // 75 paced frames cannot take less than 74 frame times; unpaced they take milliseconds.
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < 75; ++frame) Pump();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took.count(), 74.0 / 60 - 0.02) << "frames not paced";
    const int rate = CRM32Pro_ITimeSystem::GetCurrentRFR();
    EXPECT_GT(rate, 0);
    EXPECT_LE(rate, 61) << "frames not paced";
}

TEST(PlatformPresent, ScatteredTilesBecomeFewRectsCoveringEveryTile) {
    // A 4096 x 4168 window: 64 x 66 tiles, a diagonal stroke plus a scattered column of them.
    const int tx = 64, ty = 66, w = 4096, h = 4168;
    std::vector<std::uint8_t> tiles(tx * ty, 0);
    for (int i = 0; i < 64; ++i) tiles[i * tx + i] = 1;
    for (int i = 0; i < ty; i += 5) tiles[i * tx + 50] = 1;
    const auto rects = platform::DirtyRects(tiles, tx, w, h, 32);
    EXPECT_LE(rects.size(), 32u);
    long area = 0;
    for (const SDL_Rect& r : rects) area += static_cast<long>(r.w) * r.h;
    EXPECT_LT(area, static_cast<long>(w) * h / 4) << "merged into far too large an area";
    for (int t = 0; t < tx * ty; ++t) {
        if (!tiles[t]) continue;
        const int x = (t % tx) * platform::COARSE_TILE, y = (t / tx) * platform::COARSE_TILE;
        bool covered = false;
        for (const SDL_Rect& r : rects)
            covered = covered || (x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h);
        ASSERT_TRUE(covered) << "tile " << t;
    }
    for (const SDL_Rect& r : rects) {
        EXPECT_LE(r.x + r.w, w);
        EXPECT_LE(r.y + r.h, h);
    }
}

TEST(PlatformPresent, JustOverTheCapMergesOnlyWhatItMust) {
    // 33 tiles in a row with a gap between each: one merge, over one gap, meets the cap.
    std::vector<std::uint8_t> tiles(66 * 4, 0);
    for (int k = 0; k < 33; ++k) tiles[2 * k] = 1;
    const auto rects = platform::DirtyRects(tiles, 66, 66 * 64, 4 * 64, 32);
    ASSERT_EQ(rects.size(), 32u);
    long area = 0;
    for (const SDL_Rect& r : rects) area += static_cast<long>(r.w) * r.h;
    EXPECT_EQ(area, 34L * 64 * 64);
}

TEST(PlatformPresent, TwoDistantTilesStayTwoSmallRects) {
    std::vector<std::uint8_t> tiles(8 * 10, 0);
    tiles[0] = 1;
    tiles[8 * 9 + 7] = 1;  // the last tile, cut short by the window's edge
    const auto rects = platform::DirtyRects(tiles, 8, 512, 584, 32);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].w * rects[0].h + rects[1].w * rects[1].h, 64 * 64 + 64 * 8);
    EXPECT_TRUE(platform::DirtyRects(std::vector<std::uint8_t>(80, 0), 8, 512, 584, 32).empty());
}

TEST(PlatformRandom, SeededSequenceIsRepeatableUniformAndBelowOne) {
    CRM32Pro_Main::RandSeed(12345);
    std::vector<double> first;
    for (int i = 0; i < 1000; ++i) first.push_back(CRM32Pro_Main::RandReal());
    CRM32Pro_Main::RandSeed(12345);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(CRM32Pro_Main::RandReal(), first[i]);
    CRM32Pro_Main::RandSeed(12346);
    EXPECT_NE(CRM32Pro_Main::RandReal(), first[0]);

    CRM32Pro_Main::RandSeed(0);
    double sum = 0;
    std::set<int> deciles;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double r = CRM32Pro_Main::RandReal();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        sum += r;
        deciles.insert(static_cast<int>(r * 10));
    }
    EXPECT_NEAR(sum / n, 0.5, 0.005);
    EXPECT_EQ(deciles.size(), 10u);
}

}  // namespace
