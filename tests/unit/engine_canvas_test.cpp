// SPDX-License-Identifier: MIT
// Canvas helpers: wrap, lerp, neighbour blend, the display rule and the restart clear.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "app/app.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine_fixture.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

using CanvasTest = EngineTest;

TEST_F(CanvasTest, WrapGivesTheToroidalIndexForEveryInt) {
    xs = 512;
    ys = 1000;  // different sizes catch a wrapX/wrapY mix-up
    EXPECT_EQ(wrapX(-1), 511);
    EXPECT_EQ(wrapX(512), 0);
    EXPECT_EQ(wrapX(-8 * 512), 0);
    EXPECT_EQ(wrapX(3 * 512 + 5), 5);
    EXPECT_EQ(wrapY(-1), 999);
    EXPECT_EQ(wrapY(3 * 1000 + 5), 5);
    for (int a : {INT_MIN, INT_MIN + 1, -8 * 512 - 1, -100000, INT_MAX, INT_MAX - 1}) {
        const int wx = wrapX(a);
        const int wy = wrapY(a);
        EXPECT_TRUE(wx >= 0 && wx < xs) << a << " -> " << wx;
        EXPECT_TRUE(wy >= 0 && wy < ys) << a << " -> " << wy;
        // Same residue as the argument: the index is the toroidal one, not just some index.
        EXPECT_EQ((static_cast<long long>(a) - wx) % xs, 0) << a;
        EXPECT_EQ((static_cast<long long>(a) - wy) % ys, 0) << a;
    }
    for (int a = -8 * 512; a < 4 * 512; a += 7) EXPECT_EQ(wrapX(a), (a + 8 * 512) % 512) << a;
}

TEST_F(CanvasTest, LerpTruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(lerp(0, 65535, 0.5f), 32767);
    EXPECT_EQ(lerp(1234, -77, 0.0f), 1234);
    EXPECT_EQ(lerp(10, 20, 1.0f), 20);
    EXPECT_EQ(lerp(0, 65535, -1.0f), -65535);  // t is not clamped
    EXPECT_EQ(lerp(0, -3, 0.5f), -1);          // -1.5 truncates toward zero
    EXPECT_EQ(lerp(40000, 20000, 0.25f), 35000);
    EXPECT_EQ(lerp(0, INT_MAX, 4.0f), INT_MAX);
    EXPECT_EQ(lerp(0, INT_MAX, -4.0f), INT_MIN);
    EXPECT_EQ(lerp(5, 6, std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(CanvasTest, BlendIsTheDecayedMeanOfLitEdgeNeighbours) {
    arr[9][20] = 100;     // left
    arr[11][20] = 0;      // right
    arr[10][19] = 201;    // up
    arr[10][21] = -5;     // down: negative counts as not lit
    arr[10][20] = 60000;  // the pixel itself is not read
    EXPECT_EQ(GetBlendedPixel(10, 20), 150);
    color_decay = 0.5f;
    EXPECT_EQ(GetBlendedPixel(10, 20), 75);
    color_decay = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(GetBlendedPixel(10, 20), 0);
    color_decay = -1e30f;
    EXPECT_EQ(GetBlendedPixel(10, 20), INT_MAX);
    color_decay = 0.0f;
    // Neighbours all empty: 0 even though the pixel is lit.
    EXPECT_EQ(GetBlendedPixel(200, 200), 0);
    arr[200][200] = 9;
    EXPECT_EQ(GetBlendedPixel(200, 200), 0);
}

TEST_F(CanvasTest, BlendWrapsAtTheEdgesAndCannotOverflow) {
    ys = 600;
    arr[511][0] = 4;
    arr[1][0] = 8;
    arr[0][599] = 12;
    arr[0][1] = 16;
    EXPECT_EQ(GetBlendedPixel(0, 0), 10);
    EXPECT_EQ(GetBlendedPixel(512, 600), 10);
    EXPECT_EQ(GetBlendedPixel(INT_MIN, INT_MIN), GetBlendedPixel(wrapX(INT_MIN), wrapY(INT_MIN)));
    arr[99][50] = INT_MAX;
    arr[101][50] = INT_MAX;
    arr[100][49] = INT_MAX;
    arr[100][51] = INT_MAX;
    EXPECT_EQ(GetBlendedPixel(100, 50), INT_MAX);
}

TEST_F(CanvasTest, RestartClearEmptiesTheUsedAreaAndResetsTheCounters) {
    xs = 600;
    for (int height : {1000, GRID_SIZE}) {  // column runs, and one block at full height
        ys = height;
        for (int x : {0, 1, 599}) {
            for (int y : {0, 513, height - 1}) {
                arr[x][y] = 77;
                angle_map[x][y] = 0.3f;
            }
        }
        this_sprout = 42;
        SetFill(true);
        RequestRestart();
        RestartClear();
        for (int x : {0, 1, 599}) {
            for (int y : {0, 513, height - 1}) {
                EXPECT_EQ(arr[x][y], 0) << x << "," << y;
                EXPECT_EQ(angle_map[x][y], 0.0f) << x << "," << y;
            }
        }
        EXPECT_EQ(this_sprout, 0);
        EXPECT_EQ(do_fill, 0);
        EXPECT_EQ(init, 1);
    }
}

TEST_F(CanvasTest, PausedRestartStillClearsAndDrawsNothing) {
    arr[5][5] = 1000;
    this_sprout = 9;
    RequestRestart();
    SetPaused(true);
    RenderGraphics();
    EXPECT_EQ(arr[5][5], 0);
    EXPECT_EQ(this_sprout, 0);
    EXPECT_EQ(init, 1);
    // No attempts while paused, nor with tests_per_frame 0 or less.
    RenderGraphics();
    EXPECT_EQ(this_sprout, 0);
    SetPaused(false);
    for (int count : {0, -5, INT_MIN}) {
        tests_per_frame = count;
        RenderGraphics();
        EXPECT_EQ(this_sprout, 0);
    }
}

// The window view of the canvas, read back from the window.
class CanvasWindowTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(PlatformTest::OpenWindow(512, 584));
        ShowCanvasOnWindow();
    }
    void TearDown() override {
        PlatformTest::CloseWindow();
        vertical_padding = 72;
        EngineTest::TearDown();
    }
};

TEST_F(CanvasWindowTest, ShowPixelDrawsTheHighByteAsGreyBelowThePanel) {
    ShowPixel(3, 4, 65535);
    ShowPixel(5, 6, 300);
    ShowPixel(7, 8, 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(3, 4 + 72), 255);
    EXPECT_EQ(PlatformTest::ScreenGrey(5, 6 + 72), 1);
    EXPECT_EQ(PlatformTest::ScreenGrey(7, 8 + 72), 0);
    vertical_padding = 0;
    ShowPixel(9, 10, 0x8000);
    EXPECT_EQ(PlatformTest::ScreenGrey(9, 10), 128);
}

// The panel draws only what changes on its band, so a restart that painted the band black too
// would leave the panel blank until a value changed.
TEST_F(CanvasWindowTest, RestartClearPaintsTheCanvasBlackAndLeavesTheBand) {
    for (int y = 72; y < 584; y += 50) ShowPixel(511, y - 72, 65535);
    ShowPixel(0, -72, 65535);
    RestartClear();
    for (int y = 72; y < 584; y += 50) EXPECT_EQ(PlatformTest::ScreenGrey(511, y), 0) << y;
    EXPECT_EQ(PlatformTest::ScreenGrey(511, 583), 0);
    EXPECT_EQ(PlatformTest::ScreenGrey(0, 0), 255) << "the band was cleared";
}

}  // namespace
