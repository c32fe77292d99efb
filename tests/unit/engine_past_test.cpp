// SPDX-License-Identifier: MIT
// Going back in the canvas's past: a restored frame is exactly the state a fresh run reaches at
// that frame (grids, lit bits, generator, attempt count), so growing on from it matches too; and
// only frames on the session's own path are found.
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "engine/checkpoint.h"
#include "engine/frame.h"
#include "engine/journal.h"
#include "engine/random.h"
#include "engine_fixture.h"

namespace {

// Everything a frame's growth depends on, copied.
struct State {
    std::vector<std::int32_t> values;
    std::vector<float> angles;
    std::vector<bool> lit;
    CRM32Pro_Main::RandState rng{};
    int sprout = 0;
    bool operator==(const State& o) const {
        return values == o.values && angles == o.angles && lit == o.lit && sprout == o.sprout &&
               std::memcmp(rng.s, o.rng.s, sizeof rng.s) == 0;
    }
};

State Capture() {
    State s;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) {
            s.values.push_back(arr[x][y]);
            // The angle of an empty pixel is never read; a pixel drawn 0 may keep its angle.
            s.angles.push_back(arr[x][y] > 0 ? angle_map[x][y] : 0.0f);
            s.lit.push_back(IsLit(x, y));
        }
    s.rng = CRM32Pro_Main::PeekRandState();
    s.sprout = this_sprout;
    return s;
}

// Frame `frame` of a session: fill mode for frames 15..18 and a curl change at 8, so that the
// past holds both kinds of drawing and settings that changed on the way.
void RunFrame(std::uint64_t frame, CanvasPast* past) {
    if (frame == 8) rand_angle = 0.01f;
    SetFill(frame >= 15 && frame <= 18);
    CanvasFrame();
    if (past) past->FrameDone(frame);
}

// A fresh session's state after `frames` frames.
State FreshRun(std::uint64_t frames) {
    ResetEngineState();
    RequestRestart();
    CRM32Pro_Main::RandSeed(7);
    for (std::uint64_t f = 1; f <= frames; ++f) RunFrame(f, nullptr);
    return Capture();
}

using CanvasPastTest = EngineTest;

TEST_F(CanvasPastTest, RestoredFramesAreTheStateAFreshRunReaches) {
    const State at12 = FreshRun(12), at17 = FreshRun(17), at22 = FreshRun(22);
    ResetEngineState();
    RequestRestart();
    CRM32Pro_Main::RandSeed(7);
    CanvasPast past;
    past.Record();
    for (std::uint64_t f = 1; f <= 25; ++f) RunFrame(f, &past);
    ASSERT_TRUE(past.Find(17));
    past.Restore(*past.Find(17));
    EXPECT_TRUE(Capture() == at17);
    // Growing on from frame 17 with the settings of frames 18..22 gives frame 22 again; frames
    // 30.. stand for them, as the window counts on.
    for (std::uint64_t f = 18; f <= 22; ++f) RunFrame(f, nullptr);
    EXPECT_TRUE(Capture() == at22);
    past.Restore(*past.Find(17));
    // Paused frames change nothing and are not marked: frame 26 is off the path.
    SetPaused(true);
    RunFrame(26, &past);
    SetPaused(false);
    EXPECT_FALSE(past.Find(26));
    EXPECT_FALSE(past.Find(20));
    journal::Entry back;
    back.kind = journal::Kind::Back;
    back.frame = 27;
    back.target = 12;
    ASSERT_TRUE(journal::ApplyBack(past, back));
    EXPECT_TRUE(Capture() == at12);
    back.target = 20;
    EXPECT_FALSE(journal::ApplyBack(past, back));
    EXPECT_TRUE(Capture() == at12);
}

// Past its budget of marks the oldest quarter goes, with the pixels drawn before the new oldest
// mark, and a kept frame still comes back exactly. A frame of one attempt is quick.
TEST_F(CanvasPastTest, BeyondItsBudgetThePastKeepsTheNewestFramesExactly) {
    // The frame that comes back was marked before the oldest marks went.
    const std::uint64_t frames = CanvasPast::MAX_MARKS + 100, kept = CanvasPast::MAX_MARKS - 36;
    const auto run = [frames](std::uint64_t until, CanvasPast* past) {
        ResetEngineState();
        xs = ys = 256;
        tests_per_frame = 1;
        SetFill(false);
        RequestRestart();
        CRM32Pro_Main::RandSeed(3);
        if (past) past->Record();
        for (std::uint64_t f = 1; f <= until; ++f) {
            // The holes the strands left are filled in the last frames, so that pixels are
            // drawn after the frame that comes back.
            if (f == frames - 60) SetFill(true);
            CanvasFrame();
            if (past) past->FrameDone(f);
        }
        return Capture();
    };
    const State at_kept = run(kept, nullptr);
    CanvasPast past;
    run(frames, &past);
    EXPECT_FALSE(past.ReachesRestart());
    EXPECT_FALSE(past.Find(1));
    ASSERT_GT(past.Marks(), 1u);
    EXPECT_LE(past.Marks(), CanvasPast::MAX_MARKS);
    ASSERT_TRUE(past.Find(kept));
    EXPECT_GT(past.Mark(past.Marks() - 1).drawn, past.Mark(*past.Find(kept)).drawn);
    past.Restore(*past.Find(kept));
    EXPECT_TRUE(Capture() == at_kept);
}

// Pixels are kept by their offset from the one before when it is small, else by their place; a
// mark's pixels read back alike whichever way the first of them is kept, up to the canvas's far
// corner.
TEST_F(CanvasPastTest, EachMarkGivesBackExactlyThePixelsDrawnAfterIt) {
    xs = ys = 4096;
    using Pixels = std::vector<std::pair<int, int>>;
    const Pixels frames[] = {
        {{5, 5}, {6, 6}, {4095, 4095}},
        // A step back from the corner, the offsets at the edge of a byte's, a jump, one too far.
        {{4094, 4090}, {4087, 4083}, {0, 0}, {7, 7}, {15, 7}},
        // Next to the last pixel of the frame before.
        {{16, 8}, {16, 9}},
    };
    CanvasPast past;
    past.Record();
    std::uint64_t frame = 0;
    for (const Pixels& pixels : frames) {
        for (const auto& [x, y] : pixels) {
            SetPixelValue(x, y, 1000);
            past.PixelDrawn(x, y);
        }
        past.FrameDone(++frame);
    }
    const auto drawn = [&](std::size_t from, std::size_t to) {
        Pixels read;
        past.Drawn(from, to, [&](std::span<const std::uint32_t> batch) {
            for (const std::uint32_t p : batch)
                read.emplace_back(CanvasPast::PixelX(p), CanvasPast::PixelY(p));
        });
        return read;
    };
    ASSERT_EQ(past.Marks(), 3u);
    EXPECT_EQ(drawn(0, 1), frames[1]);
    EXPECT_EQ(drawn(1, 2), frames[2]);
    EXPECT_EQ(drawn(0, 2).size(), frames[1].size() + frames[2].size());
    past.Restore(0);
    EXPECT_EQ(arr[4095][4095], 1000);
    for (const Pixels& later : {frames[1], frames[2]})
        for (const auto& [x, y] : later) EXPECT_EQ(arr[x][y], 0) << x << ", " << y;
}

TEST_F(CanvasPastTest, ARestartForgetsThePast) {
    CanvasPast past;
    past.Record();
    RequestRestart();
    for (std::uint64_t f = 1; f <= 5; ++f) RunFrame(f, &past);
    RequestRestart();
    RunFrame(6, &past);
    EXPECT_EQ(past.Marks(), 1u);
    EXPECT_FALSE(past.Find(3));
    EXPECT_TRUE(past.Find(6));
}

}  // namespace
