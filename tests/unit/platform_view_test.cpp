// SPDX-License-Identifier: MIT
// What a present sends for scattered changes, and the canvas view zoomed and panned, on the dummy
// driver (where the window fits, so the fitted view is 1:1).
#include <gtest/gtest.h>

#include <set>

#include "platform/internal.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

constexpr int W = 256, H = 72 + 256, BAND = 72;

// Every listed tile is sent, once, and nothing else is: the rectangles tile the listed tiles.
TEST(PlatformPresentList, RunsCoverTheListedTilesExactly) {
    const int tx = 4096 / platform::TILE, w = 4096, h = 4168;
    std::set<int> tiles;
    std::uint32_t r = 7;
    for (int k = 0; k < 300; ++k) {  // short diagonal and vertical strokes, as strands draw them
        r = r * 1664525u + 1013904223u;
        const int x = static_cast<int>(r % (tx - 8)), y = static_cast<int>((r >> 8) % 500);
        for (int i = 0; i < 6; ++i) tiles.insert((y + i) * tx + x + (k % 2 ? i / 2 : 0));
    }
    tiles.insert(tx * 521 - 1);  // the last tile, cut by the window's edges
    const std::vector<std::int32_t> list(tiles.rbegin(), tiles.rend());
    const auto rects = platform::ListedRects(list, tx, w, h, 1024);
    ASSERT_LE(rects.size(), 1024u);
    EXPECT_LT(rects.size(), tiles.size()) << "vertical runs were not joined";
    std::set<int> sent;
    for (const SDL_Rect& rc : rects) {
        ASSERT_TRUE(rc.x >= 0 && rc.y >= 0 && rc.x + rc.w <= w && rc.y + rc.h <= h);
        for (int y = rc.y; y < rc.y + rc.h; y += platform::TILE)
            for (int x = rc.x; x < rc.x + rc.w; x += platform::TILE)
                EXPECT_TRUE(sent.insert(y / platform::TILE * tx + x / platform::TILE).second)
                    << "tile sent twice";
    }
    EXPECT_EQ(sent, tiles);
    // Past the cap the cells grow, and every listed tile is still inside a rectangle.
    const auto few = platform::ListedRects(list, tx, w, h, 40);
    ASSERT_LE(few.size(), 40u);
    for (const int t : tiles) {
        const int x = t % tx * platform::TILE, y = t / tx * platform::TILE;
        bool covered = false;
        for (const SDL_Rect& rc : few)
            covered = covered || (x >= rc.x && y >= rc.y && x < rc.x + rc.w && y < rc.y + rc.h);
        ASSERT_TRUE(covered) << "tile " << t;
    }
}

class PlatformView : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PlatformTest::OpenWindow(W, H));
        PlatformTest::PresentFrame();
    }
    void TearDown() override { PlatformTest::CloseWindow(); }
    static void Dot(int x, int y, std::uint8_t g) {
        CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(x),
                                           static_cast<std::int16_t>(y + BAND), g, g, g, 255, 1);
    }
    static int Grey(int x, int y) { return PlatformTest::ScreenGrey(x, y + BAND); }
};

TEST_F(PlatformView, ZoomKeepsThePixelUnderThePointerAndPanStopsAtTheEdges) {
    Dot(100, 60, 200);
    platform::ZoomAt(1, 100, 60);  // 2:1 about canvas pixel (100, 60)
    platform::SettleView();
    EXPECT_EQ(platform::view.x0, 50);
    EXPECT_EQ(platform::view.y0, 30);
    for (int y : {60, 61})
        for (int x : {100, 101}) EXPECT_EQ(Grey(x, y), 200) << x << "," << y;
    EXPECT_EQ(Grey(102, 60), 0);
    // What grows while zoomed lands where the view shows it.
    Dot(60, 40, 150);
    EXPECT_EQ(Grey(21, 21), 150);
    // A drag far past the corner stops there; no pixel outside the canvas is read or shown.
    CRM32Pro_Main::PanView(100000, -100000);
    platform::SettleView();
    EXPECT_EQ(platform::view.x0, 0);
    EXPECT_EQ(platform::view.y0, W / 2);
    CRM32Pro_Main::PanView(-100000, 100000);
    platform::SettleView();
    EXPECT_EQ(platform::view.x0, W / 2);
    EXPECT_EQ(platform::view.y0, 0);
    // Back to fit: every pixel as drawn, and the band untouched by it all.
    CRM32Pro_Main::FitToWindow();
    platform::SettleView();
    EXPECT_EQ(Grey(100, 60), 200);
    EXPECT_EQ(Grey(101, 61), 0);
    EXPECT_EQ(Grey(60, 40), 150);
    EXPECT_EQ(PlatformTest::ScreenGrey(100, 10), 0);
}

TEST_F(PlatformView, ReducedViewShowsTheBrightestOfEachBlock) {
    platform::view.fit = 2;  // as if the canvas did not fit the screen
    Dot(10, 10, 90);
    Dot(11, 11, 180);
    Dot(13, 10, 50);
    platform::ZoomAt(-1, 0, 0);
    platform::SettleView();
    EXPECT_EQ(Grey(5, 5), 180);
    EXPECT_EQ(Grey(6, 5), 50);
    // A brighter pixel drawn while reduced shows at once; a dimmer one does not hide it.
    Dot(12, 11, 220);
    Dot(10, 11, 30);
    EXPECT_EQ(Grey(6, 5), 220);
    EXPECT_EQ(Grey(5, 5), 180);
    // The area past the canvas's reduced picture is black.
    EXPECT_EQ(Grey(W / 2 + 3, 3), 0);
}

}  // namespace
