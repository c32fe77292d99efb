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

// Every changed row of every listed tile is sent, once; a rectangle starts and ends on a changed
// row; and past the cap, coarser rectangles still cover every change.
TEST(PlatformPresentList, RunsSendTheChangedRowsOfTheListedTilesOnce) {
    constexpr int T = platform::TILE;
    const int tx = 4096 / T, w = 4096, h = 4168;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(tx) * (h + T - 1) / T, 0);
    std::set<std::pair<int, int>> changed;  // (tile, pixel row)
    const auto mark = [&](int x, int y) {
        const int tile = y / T * tx + x / T;
        rows[tile] |= static_cast<std::uint8_t>(1u << (y % T));
        changed.insert({tile, y});
    };
    std::uint32_t r = 7;
    for (int k = 0; k < 300; ++k) {  // steep, shallow and flat strokes, as strands draw them
        r = r * 1664525u + 1013904223u;
        const int x = static_cast<int>(r % (w - 64)), y = static_cast<int>((r >> 8) % 4000);
        for (int i = 0; i < 40; ++i) {
            if (k % 3 == 0) mark(x + i / 3, y + i);
            if (k % 3 == 1) mark(x + i, y + i / 5);
            if (k % 3 == 2) mark(x + i, y);
        }
    }
    mark(w - 1, h - 1);  // the last tile, cut by the window's edges
    std::set<int> tiles;
    for (const auto& [tile, y] : changed) tiles.insert(tile);
    const std::vector<std::int32_t> list(tiles.rbegin(), tiles.rend());
    const auto sent_by = [&](const SDL_Rect& rc) {
        std::set<std::pair<int, int>> sent;
        for (int y = rc.y; y < rc.y + rc.h; ++y)
            for (int x = rc.x; x < rc.x + rc.w; x += T) sent.insert({y / T * tx + x / T, y});
        return sent;
    };
    const auto rects = platform::ListedRects(list, rows, tx, w, h, 1024);
    ASSERT_LE(rects.size(), 1024u);
    EXPECT_LT(rects.size(), tiles.size()) << "runs were not joined";
    std::set<std::pair<int, int>> sent;
    for (const SDL_Rect& rc : rects) {
        ASSERT_TRUE(rc.x >= 0 && rc.y >= 0 && rc.w > 0 && rc.h > 0 && rc.x + rc.w <= w &&
                    rc.y + rc.h <= h);
        const auto mine = sent_by(rc);
        for (const auto& p : mine) EXPECT_TRUE(sent.insert(p).second) << "row sent twice";
        for (const int y : {rc.y, rc.y + rc.h - 1}) {
            bool has_change = false;
            for (int x = rc.x; x < rc.x + rc.w; x += T)
                has_change = has_change || changed.count({y / T * tx + x / T, y});
            EXPECT_TRUE(has_change) << "rectangle at " << rc.x << "," << rc.y << " row " << y;
        }
    }
    for (const auto& p : changed)
        EXPECT_TRUE(sent.count(p)) << "tile " << p.first << " row " << p.second;
    const auto few = platform::ListedRects(list, rows, tx, w, h, 40);
    ASSERT_LE(few.size(), 40u);
    std::set<std::pair<int, int>> covered;
    for (const SDL_Rect& rc : few) covered.merge(sent_by(rc));
    for (const auto& p : changed) ASSERT_TRUE(covered.count(p)) << "tile " << p.first;
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
    // The whole canvas 1:1 is the window itself: no copy beside it until a zoom leaves that view.
    EXPECT_TRUE(platform::canvas_pixels.empty());
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
    EXPECT_TRUE(platform::canvas_pixels.empty()) << "the copy outlived the zoom";
    Dot(7, 9, 99);
    EXPECT_EQ(Grey(7, 9), 99);
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
