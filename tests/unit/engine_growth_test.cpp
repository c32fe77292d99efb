// SPDX-License-Identifier: MIT
// The growth pass with scripted random numbers: draw order, step arithmetic, the stop rules,
// the drawing pass's grading and shading, the seeding phase and pixel fill.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "app/app.h"
#include "engine/frame.h"
#include "engine/growth_pass.h"
#include "engine/random.h"
#include "engine_fixture.h"
#include "panel/panel.h"
#include "platform/platform.h"

namespace {

using growth::Attempt;
using growth::PassSettings;
using growth::PathLists;

using GrowthTest = EngineTest;

// Straight lines: no curl and no sharp turns, four axis directions.
void StraightLines() {
    rand_angle = 0.0f;
    rand_angle_probability = 0.0f;
    start_angle_rand = 4;
    start_angle = 0.0f;
}

std::uint64_t RunAttempts(ScriptedRandom& rand, int attempts) {
    tests_per_frame = attempts;
    return RunPass(rand);
}

// A path of the given pixels with angle 0.1 * i, drawn as attempt `a`.
void Draw(const Attempt& a, const std::vector<std::pair<int, int>>& pixels) {
    PathLists path(static_cast<int>(pixels.size()));
    for (const auto& [px, py] : pixels) {
        path.x[path.n] = px;
        path.y[path.n] = py;
        path.angle[path.n] = 0.1f * path.n;
        ++path.n;
    }
    growth::DrawnQueue drawn(true);
    growth::DrawPath(PassSettings::Current(), a, path, drawn);
}

std::vector<std::pair<int, int>> SpacedPixels(int n, int y) {
    std::vector<std::pair<int, int>> pixels;
    for (int i = 0; i < n; ++i) pixels.emplace_back(10 + 2 * i, y);  // no two are neighbours
    return pixels;
}

TEST_F(GrowthTest, TentShadingPeaksAtTheMiddleEntryAndNeverGoesBelowZero) {
    const std::vector<std::pair<int, std::vector<int>>> cases = {
        {10, {5, 13111, 26217, 39323, 52429, 65535, 52429, 39323, 26217, 13111}},
        {5, {13107, 39321, 65535, 39321, 13107}},
        {1, {65535}},
        {8, {0, 16383, 32767, 49151, 65535, 49151, 32767, 16383}},  // -1 clamped
    };
    Attempt seed;
    seed.seeding = true;
    seed.c1 = 0;
    seed.c2 = 65535;
    color_decay = 0.5f;  // grading and blending do not apply to tent-shaded lines
    int row = 10;
    for (const auto& [n, expected] : cases) {
        arr[12][row - 1] = 30000;  // a lit neighbour that a blend would pick up
        Draw(seed, SpacedPixels(n, row));
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(arr[10 + 2 * i][row], expected[i]) << "n=" << n << " i=" << i;
            EXPECT_FLOAT_EQ(angle_map[10 + 2 * i][row], 0.1f * i);
        }
        row += 10;
    }
}

TEST_F(GrowthTest, GrowthLineGradesFromStartValueTowardTheValueMet) {
    Attempt line;
    line.c1 = 40000;
    line.c2 = 20000;
    Draw(line, SpacedPixels(4, 10));
    EXPECT_EQ(arr[10][10], 40000);
    EXPECT_EQ(arr[12][10], 35000);
    EXPECT_EQ(arr[14][10], 30000);
    EXPECT_EQ(arr[16][10], 25000);

    // Adjacent entries: each is averaged with the blend of its lit neighbours, earlier entries
    // included. A pixel already lit is left alone, and a repeated pixel is written only once.
    arr[12][20] = 7;
    Draw(line, {{10, 20}, {11, 20}, {11, 20}, {12, 20}});
    EXPECT_EQ(arr[10][20], 40000);
    EXPECT_EQ(arr[11][20], (35000 + (40000 + 7) / 2) / 2);
    EXPECT_FLOAT_EQ(angle_map[11][20], 0.1f);
    EXPECT_EQ(arr[12][20], 7);
    EXPECT_EQ(angle_map[12][20], 0.0f);
}

TEST_F(GrowthTest, DecayAndWhiteSproutsScaleTheGradedValue) {
    Attempt line;
    line.c1 = 40000;
    line.c2 = 20000;
    color_decay = 1.0f;  // growth lines write 0: the pixel stays empty, its angle is recorded
    Draw(line, SpacedPixels(2, 10));
    EXPECT_EQ(arr[12][10], 0);
    EXPECT_FLOAT_EQ(angle_map[12][10], 0.1f);

    color_decay = 0.5f;
    SetWhite(true);
    Attempt seed;
    seed.seeding = true;
    seed.c1 = seed.c2 = 65535;
    Draw(seed, {{10, 30}, {11, 30}});
    EXPECT_EQ(arr[10][30], 32767);
    EXPECT_EQ(arr[11][30], (32767 + 16383) / 2);
}

TEST_F(GrowthTest, StraightSeedLinesRunAlongTheAxesForExactlyTheirLength) {
    StraightLines();
    strand_length = 21;
    const int dx[4] = {0, 1, 0, -1};
    const int dy[4] = {1, 0, -1, 0};
    for (int k = 0; k < 4; ++k) {
        RestartClear();
        ScriptedRandom rand;
        rand.Add(Pick(100, 512)).Add(Pick(200, 512)).Add(Pick(k, 4)).Steps(21);
        EXPECT_EQ(RunAttempts(rand, 1), 21u) << "direction " << k;
        EXPECT_EQ(rand.left(), 0u) << "direction " << k;
        // 20 entries, two per pixel: ten pixels from the start pixel's centre outward.
        std::set<std::pair<int, int>> expected;
        for (int j = 1; j <= 20; ++j) {
            expected.emplace(static_cast<int>(100.5 + 0.5 * j * dx[k]),
                             static_cast<int>(200.5 + 0.5 * j * dy[k]));
        }
        for (const auto& [px, py] : expected) EXPECT_GT(arr[px][py], 0) << px << "," << py;
        EXPECT_EQ(LitCount(), static_cast<int>(expected.size())) << "direction " << k;
        EXPECT_EQ(this_sprout, 1);
    }
}

TEST_F(GrowthTest, AStepDrawsTheTurnTestThenItsSideOnlyOnATurnThenCurlMinuendFirst) {
    StraightLines();
    rand_angle_probability = 1.0f;
    rand_angle_int = 90;
    rand_angle = 0.5f;
    strand_length = 3;
    SetWhite(true);
    ScriptedRandom rand;
    rand.Add(Pick(100, 512)).Add(Pick(200, 512)).Add(Pick(0, 4));
    rand.Add(0.5).Add(0.9).Add(0.75).Add(0.25);  // turn +1/4, then curl +1/4: heading -y
    rand.Add(0.0).Add(0.5).Add(0.5);             // r1 of 0 is no turn, and no side is drawn
    rand.Add(0.0).Add(0.5).Add(0.5);             // the last step of the seed line
    RunAttempts(rand, 1);
    EXPECT_EQ(rand.left(), 0u);
    EXPECT_GT(arr[100][200], 0);
    EXPECT_GT(arr[100][199], 0);
    EXPECT_FLOAT_EQ(angle_map[100][199], 0.5f);
    EXPECT_EQ(LitCount(), 2);
}

TEST_F(GrowthTest, StrandLengthsOfOneAndLessDrawNothingButStillCount) {
    strand_length = 1;  // the first step is the last: no entries
    ScriptedRandom one{Pick(5, 512), Pick(5, 512), 0.1, 0.5, 0.5, 0.5};
    RunAttempts(one, 1);
    EXPECT_EQ(one.left(), 0u);
    EXPECT_EQ(this_sprout, 1);
    for (int length : {0, -3}) {
        strand_length = length;  // no steps at all
        ScriptedRandom none{Pick(5, 512), Pick(5, 512), 0.1};
        RunAttempts(none, 1);
        EXPECT_EQ(none.left(), 0u);
    }
    EXPECT_EQ(this_sprout, 3);
    EXPECT_EQ(LitCount(), 0);
}

TEST_F(GrowthTest, GrowthLineBranchesOffItsStartPixelAndIsNotStoppedByIt) {
    StraightLines();
    this_sprout = n_sprouts;  // the next attempt is in the growth phase
    from_angle = 90;
    arr[100][100] = 40000;
    angle_map[100][100] = 0.25f;  // +90 degrees: heading -y, back across the start pixel
    arr[100][95] = 20000;
    ScriptedRandom rand;
    rand.Add(Pick(100, 512)).Add(Pick(100, 512)).Add(0.9).Steps(10);
    RunAttempts(rand, 1);
    EXPECT_EQ(rand.left(), 0u);
    // Nine entries: the start pixel once (kept), then two per pixel from 99 down to 96.
    EXPECT_EQ(arr[100][100], 40000);
    EXPECT_EQ(arr[100][99], (37777 + 40000) / 2);
    EXPECT_EQ(arr[100][98], (33333 + 38888) / 2);
    EXPECT_EQ(arr[100][97], (28888 + 36110) / 2);
    EXPECT_EQ(arr[100][96], (24444 + (32499 + 20000) / 2) / 2);
    EXPECT_FLOAT_EQ(angle_map[100][96], 0.5f);
    EXPECT_EQ(LitCount(), 6);
}

TEST_F(GrowthTest, PathMeetsItsOwnStartPixelAfterWrappingAround) {
    StraightLines();
    this_sprout = n_sprouts;
    strand_length = 2000;
    arr[100][100] = 30000;
    ScriptedRandom rand;
    rand.Add(Pick(100, 512)).Add(Pick(100, 512)).Add(Pick(1, 4)).Steps(1023);
    // Heading +x: the probe reaches x = 612, the start pixel one canvas width on, at step 1023.
    EXPECT_EQ(RunAttempts(rand, 1), 1023u);
    EXPECT_EQ(rand.left(), 0u);
    for (int x = 0; x < 512; ++x) EXPECT_GT(arr[x][100], 0) << x;
    EXPECT_EQ(LitCount(), 512);
}

TEST_F(GrowthTest, GrowthPathThatMeetsNothingIsDiscarded) {
    StraightLines();
    this_sprout = n_sprouts;
    strand_length = 30;
    arr[300][300] = 5000;
    ScriptedRandom rand;
    rand.Add(Pick(300, 512)).Add(Pick(300, 512)).Add(Pick(0, 4)).Steps(30);
    RunAttempts(rand, 1);
    EXPECT_EQ(rand.left(), 0u);
    EXPECT_EQ(LitCount(), 1);
}

TEST_F(GrowthTest, SeedingPhaseFollowsTheCurrentNumberOfSprouts) {
    strand_length = 2;  // a seed line of one entry, three draws per step
    n_sprouts = 1;
    ScriptedRandom rand;
    rand.Add(Pick(10, 512)).Add(Pick(10, 512)).Add(0.0).Steps(2);  // seeds
    rand.Add(Pick(200, 512)).Add(Pick(200, 512));                  // growth: empty start
    RunAttempts(rand, 2);
    EXPECT_EQ(rand.left(), 0u);
    EXPECT_EQ(this_sprout, 2);
    EXPECT_EQ(LitCount(), 1);

    n_sprouts = 3;  // raised above the count: seeding again at once
    ScriptedRandom more;
    more.Add(Pick(300, 512)).Add(Pick(300, 512)).Add(0.0).Steps(2);
    RunAttempts(more, 1);
    EXPECT_EQ(more.left(), 0u);
    EXPECT_EQ(LitCount(), 2);

    RestartClear();
    n_sprouts = 0;  // no seeding phase: nothing ever starts on an empty canvas
    ScriptedRandom none;
    for (int i = 0; i < 5; ++i) none.Add(Pick(i, 512)).Add(Pick(i, 512));
    RunAttempts(none, 5);
    EXPECT_EQ(none.left(), 0u);
    EXPECT_EQ(LitCount(), 0);
}

TEST_F(GrowthTest, PixelFillSetsEmptyPixelsFromLitNeighboursOnly) {
    SetFill(true);
    arr[10][10] = 1000;
    arr[12][10] = 3000;
    arr[30][30] = -1;  // not empty: never filled
    arr[31][30] = 500;
    ScriptedRandom rand{Pick(11, 512), Pick(10, 512), Pick(10, 512),  Pick(10, 512),
                        Pick(30, 512), Pick(30, 512), Pick(200, 512), Pick(200, 512)};
    RunAttempts(rand, 4);
    EXPECT_EQ(rand.left(), 0u);
    EXPECT_EQ(arr[11][10], 2000);
    EXPECT_EQ(angle_map[11][10], 0.0f);
    EXPECT_EQ(arr[10][10], 1000);
    EXPECT_EQ(arr[30][30], -1);
    EXPECT_EQ(arr[200][200], 0);
    EXPECT_EQ(this_sprout, 0);
}

TEST_F(GrowthTest, PixelFillOnAnEmptyCanvasChangesNothing) {
    SetFill(true);
    tests_per_frame = 20000;
    RunPass(CRM32Pro_Main::RandReal);
    EXPECT_EQ(LitCount(), 0);
    EXPECT_EQ(this_sprout, 0);
}

}  // namespace
