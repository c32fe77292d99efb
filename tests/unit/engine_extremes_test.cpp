// SPDX-License-Identifier: MIT
// Settings outside the panel ranges (only the settings file can give them) and long runs: no
// undefined behaviour, no write outside the used area, and the same seed giving the same picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/app.h"
#include "engine/frame.h"
#include "engine/growth.h"
#include "engine/growth_pass.h"
#include "engine/random.h"
#include "engine_fixture.h"
#include "export/export.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

using ExtremeSettingsTest = EngineTest;

TEST_F(ExtremeSettingsTest, ZeroStartDirectionsActAsOneAndNegativeCountsWork) {
    rand_angle = 0.0f;
    rand_angle_probability = 0.0f;
    strand_length = 5;
    start_angle_rand = 0;  // one direction: +y
    ScriptedRandom zero;
    zero.Add(Pick(50, 512)).Add(Pick(50, 512)).Add(0.7).Steps(5);
    tests_per_frame = 1;
    RunPass(zero);
    EXPECT_EQ(zero.left(), 0u);
    EXPECT_GT(arr[50][51], 0);
    EXPECT_EQ(LitCount(), 2);

    start_angle_rand = -4;  // r = 0.3: k = -1, direction -1 / -4 = +x
    ScriptedRandom negative;
    negative.Add(Pick(50, 512)).Add(Pick(300, 512)).Add(0.3).Steps(5);
    RunPass(negative);
    EXPECT_EQ(negative.left(), 0u);
    EXPECT_GT(arr[51][300], 0);
    EXPECT_EQ(LitCount(), 4);
}

TEST_F(ExtremeSettingsTest, NonFinitePositionEndsThePathAtOnce) {
    strand_length = 10;
    tests_per_frame = 1;
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), INFINITY}) {
        start_angle = bad;
        ScriptedRandom seed;
        seed.Add(Pick(50, 512)).Add(Pick(50, 512)).Add(0.1).Steps(1);
        RunPass(seed);
        EXPECT_EQ(seed.left(), 0u);
    }
    start_angle = 0.0f;
    rand_angle = INFINITY;  // (a - b) * inf: NaN when a == b
    ScriptedRandom curl;
    curl.Add(Pick(50, 512)).Add(Pick(50, 512)).Add(0.1).Steps(1);
    RunPass(curl);
    EXPECT_EQ(curl.left(), 0u);
    EXPECT_EQ(LitCount(), 0);
    EXPECT_EQ(this_sprout, 3);
}

TEST_F(ExtremeSettingsTest, AttemptCountSaturatesInTheGrowthPhase) {
    this_sprout = INT_MAX;
    ScriptedRandom rand{Pick(7, 512), Pick(7, 512), Pick(8, 512), Pick(8, 512)};
    tests_per_frame = 2;
    RunPass(rand);  // empty start pixels: two draws each, no seeding
    EXPECT_EQ(rand.left(), 0u);
    EXPECT_EQ(this_sprout, INT_MAX);
}

struct Extreme {
    std::variant<int*, float*> setting;
    const char* name;
};

TEST_F(ExtremeSettingsTest, OutOfRangeSettingsStayInsideTheUsedArea) {
    const Extreme settings[] = {
        {&n_sprouts, "n_sprouts"},
        {&strand_length, "strand_length"},
        {&tests_per_frame, "tests_per_frame"},
        {&color_decay, "color_decay"},
        {&start_angle, "start_angle"},
        {&start_angle_rand, "start_angle_rand"},
        {&rand_angle_int, "rand_angle_int"},
        {&rand_angle_probability, "rand_angle_probability"},
        {&rand_angle, "rand_angle"},
        {&from_angle, "from_angle"},
    };
    // INT_MAX attempts per frame would only make the frame slow; it is left out.
    const std::vector<int> ints = {0, -1, INT_MIN, INT_MAX, 1000000};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> floats = {0.0f, -1.0f, 1e38f, -1e30f, nan, INFINITY, 2.0f};
    for (const Extreme& e : settings) {
        const std::size_t count =
            std::holds_alternative<int*>(e.setting) ? ints.size() : floats.size();
        for (std::size_t i = 0; i < count; ++i) {
            ResetEngineState();
            tests_per_frame = 300;
            xs = 512;
            ys = 600;
            CRM32Pro_Main::RandSeed(99);
            if (auto* p = std::get_if<int*>(&e.setting)) {
                if (*p == &tests_per_frame && ints[i] == INT_MAX) continue;
                **p = ints[i];
            } else {
                *std::get<float*>(e.setting) = floats[i];
            }
            RestartClear();
            for (int frame = 0; frame < 3; ++frame) GrowthPass();
            // The nearest cells beyond the used area: a wrong wrap would land there first.
            for (int y = 0; y < GRID_SIZE; ++y) ASSERT_EQ(arr[xs][y], 0) << e.name << " #" << i;
            for (int x = 0; x < GRID_SIZE; ++x) ASSERT_EQ(arr[x][ys], 0) << e.name << " #" << i;
            ASSERT_EQ(arr[GRID_SIZE - 1][GRID_SIZE - 1], 0) << e.name << " #" << i;
        }
    }
}

// Grids and window contents after some frames at the default settings from a fixed seed.
struct Picture {
    std::vector<std::int32_t> values;
    std::vector<float> angles;
    std::vector<int> window;
};

Picture TakePicture() {
    Picture p;
    for (int x = 0; x < xs; ++x) {
        p.values.insert(p.values.end(), arr[x], arr[x] + ys);
        p.angles.insert(p.angles.end(), angle_map[x], angle_map[x] + ys);
        for (int y = 0; y < ys; ++y) p.window.push_back(PlatformTest::ScreenGrey(x, y + 72));
    }
    return p;
}

Picture GrowFromSeed(std::uint32_t seed) {
    CRM32Pro_Main::RandSeed(seed);
    RestartClear();
    tests_per_frame = 3000;
    for (int frame = 0; frame < 12; ++frame) GrowthPass();
    return TakePicture();
}

// The lit bits that the growth pass reads agree with the grid after growth, pixel fill, a save
// (which writes no grid value) and a restart.
TEST_F(ExtremeSettingsTest, LitBitsFollowTheGrid) {
    const auto agree = [] {
        for (int x = 0; x < GRID_SIZE; ++x)
            for (int y = 0; y < GRID_SIZE; ++y)
                if (IsLit(x, y) != (arr[x][y] > 0)) return false;
        return true;
    };
    xs = 700;
    ys = 600;
    CRM32Pro_Main::RandSeed(3);
    RestartClear();
    tests_per_frame = 3000;
    for (int frame = 0; frame < 10; ++frame) GrowthPass();
    EXPECT_GT(LitCount(), 1000);
    EXPECT_TRUE(agree()) << "after growth";
    SetFill(true);
    for (int frame = 0; frame < 5; ++frame) GrowthPass();
    EXPECT_TRUE(agree()) << "after pixel fill";
    file = (std::filesystem::temp_directory_path() / ("lit_" + std::to_string(getpid()) + ".png"))
               .string();
    EXPECT_TRUE(SaveImage(file).saved);
    std::filesystem::remove(file);
    EXPECT_TRUE(agree()) << "after a save";
    // The last column and row lit, so that a clear that stops short of them shows.
    for (int y = 0; y < ys; ++y) SetPixelValue(xs - 1, y, 1000);
    for (int x = 0; x < xs; ++x) SetPixelValue(x, ys - 1, 1000);
    RestartClear();
    EXPECT_TRUE(agree()) << "after a restart";
}

TEST_F(ExtremeSettingsTest, SameSeedGivesTheSamePicture) {
    const bool window = PlatformTest::OpenWindow(512, 584);
    ShowCanvasOnWindow();
    const Picture first = GrowFromSeed(2024);
    EXPECT_GT(LitCount(), 1000);
    const Picture second = GrowFromSeed(2024);
    EXPECT_TRUE(first.values == second.values);
    EXPECT_TRUE(first.angles == second.angles);
    EXPECT_TRUE(first.window == second.window);
    if (window) {
        // The window shows exactly the grid: grey is the high byte of every value.
        for (std::size_t i = 0; i < first.values.size(); ++i) {
            ASSERT_EQ(first.window[i], (first.values[i] / 256) & 255) << i;
        }
        PlatformTest::CloseWindow();
    }
    canvas_view = CanvasView{};
    const Picture other = GrowFromSeed(2025);
    EXPECT_FALSE(first.values == other.values);
}

// A seed keeps its picture from one version to the next: the grids grown from seed 2024 hash to
// what they did when pictures were first saved with their seeds. A change to any draw, step or
// value of the growth pass shows here.
TEST_F(ExtremeSettingsTest, TheSeedStillGivesItsPicture) {
    const Picture picture = GrowFromSeed(2024);
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto mix = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    };
    mix(picture.values.data(), picture.values.size() * sizeof(picture.values[0]));
    mix(picture.angles.data(), picture.angles.size() * sizeof(picture.angles[0]));
    EXPECT_EQ(hash, 0xb2ae2af09f86d61aull);
}

// A pass puts off writing its angles while no start reads them: with branching lines (from angle
// above 0) a start reads the angle of a pixel drawn earlier in the same pass, so the picture must
// not depend on where one pass ends and the next begins.
TEST_F(ExtremeSettingsTest, BranchingGrowthIsTheSameInPassesOfAnyLength) {
    from_angle = 30;
    const auto grow = [](int passes) {
        CRM32Pro_Main::RandSeed(77);
        RestartClear();
        tests_per_frame = 36000 / passes;
        for (int pass = 0; pass < passes; ++pass) GrowthPass();
        return TakePicture();
    };
    const Picture whole = grow(1);
    EXPECT_GT(LitCount(), 1000);
    const Picture split = grow(12);
    EXPECT_TRUE(whole.values == split.values);
    EXPECT_TRUE(whole.angles == split.angles);
}

// The step without the C library gives the library's floats, bit for bit. Directions: of every
// size up to far beyond the fast path's limit, near table steps and near half turns (where the
// sine is small and its float finest), and edge values. Positions: across the canvas, and near 0
// at every scale, where a sine off by far less than its interval already shows.
TEST(StepAlong, GivesTheLibrarysFloats) {
    CRM32Pro_Main::RandState rand{{1, 2, 3, 4}};
    const auto tiny = [&rand] {
        return (rand() - 0.5) * std::ldexp(1.0, -TruncToInt(rand() * 30));
    };
    const float edges[] = {0.0f, -0.0f, 64.0f, -64.0f, 64.00001f, 1e30f, 0.125f, 0.25f, -0.75f};
    int wrong = 0;
    for (int i = 0; i < 2000000; ++i) {
        const double wide = rand() * 140 - 70;
        double ang = wide;
        if (i % 6 == 1) ang = rand() * 2e4 - 1e4;
        if (i % 6 == 2) ang = std::floor(wide * 256) / 256 + tiny() / 256;
        if (i % 6 == 3) ang = std::floor(wide * 2) / 2 + tiny();
        if (i % 6 == 4) ang = edges[i / 6 % std::size(edges)];
        const auto position = [&](int k) { return k == 0 ? rand() * 4200 - 10 : tiny(); };
        const float x = static_cast<float>(position(i % 3)),
                    y = static_cast<float>(position(i % 5 % 3));
        float x1 = x, y1 = y, x2 = x, y2 = y;
        growth::StepAlongByLibrary(x1, y1, static_cast<float>(ang));
        growth::StepAlong(x2, y2, static_cast<float>(ang));
        if (std::memcmp(&x1, &x2, sizeof x1) != 0 || std::memcmp(&y1, &y2, sizeof y1) != 0) {
            if (++wrong <= 5) ADD_FAILURE() << "direction " << ang << " from " << x << ", " << y;
        }
    }
    EXPECT_EQ(wrong, 0);
}

// The look-ahead only looks into the generator: on a canvas large enough for it, the library's
// generator gives the same pixels and leaves the same state as the same generator behind a source
// that cannot be looked into, from the seeding phase to a tenth lit and more.
TEST_F(ExtremeSettingsTest, LookingAheadChangesNothing) {
    struct Unpeekable {
        double operator()() const { return CRM32Pro_Main::RandReal(); }
    };
    xs = ys = 1040;
    ASSERT_TRUE(growth::LooksAhead(xs, ys));
    const auto grow = [](auto rand) {
        CRM32Pro_Main::RandSeed(5);
        RestartClear();
        tests_per_frame = 20000;
        std::vector<std::uint64_t> states;
        for (int frame = 0; frame < 30; ++frame) {
            growth::GrowthPassWith(rand);
            const CRM32Pro_Main::RandState state = CRM32Pro_Main::PeekRandState();
            states.insert(states.end(), state.s, state.s + 4);
        }
        return std::make_pair(TakePicture().values, states);
    };
    const auto fetching = grow(growth::LibraryRandom{});
    EXPECT_GT(LitCount(), xs * ys / 10);
    const auto plain = grow(Unpeekable{});
    EXPECT_TRUE(fetching.first == plain.first);
    EXPECT_TRUE(fetching.second == plain.second);
}

}  // namespace
