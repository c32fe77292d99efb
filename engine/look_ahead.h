// SPDX-License-Identifier: MIT
// The growth pass's look-ahead: a copy of the random generator running a few attempts ahead, so
// that the start pixels those attempts will test are fetched into the cache while the attempts
// before them run. It only fetches; what the pass draws and writes is the same with it or without.
#pragma once

#include <cstdint>

#include "engine/canvas.h"
#include "engine/random.h"

namespace growth {

// Canvases the pass looks ahead on. Up to 1024 x 1024 the lit bits (128 KiB there) stay in the
// level-2 cache, and predicting costs more than it saves; beyond, the start tests wait on the
// level-3 cache and the prediction pays (`scripts/bench ab` measures a build with it against one
// without, frame against frame, in both load orders).
constexpr long LOOK_AHEAD_MIN_PIXELS = 1024L * 1024 + 1;

inline bool LooksAhead(int xs, int ys) {
    return static_cast<long>(xs) * ys >= LOOK_AHEAD_MIN_PIXELS;
}

// How many attempts are predicted. A prediction k attempts ahead holds only if the k attempts
// before it all fail their start test; looking 8 ahead measured the same as 4.
constexpr int LOOK_AHEAD_DEPTH = 4;

// Start pixels predicted by a copy of the generator. An attempt whose start pixel is unlit draws
// exactly two numbers, so while the attempts fail their start test the copy, drawing two numbers
// per attempt, gives the start pixels of the attempts to come. Each prediction's lit word and
// value (and angle, when a branching line reads it) are fetched when it is made; an attempt that
// goes on draws more, so the predictions are made anew once its walk has drawn its last number.
class StartLookAhead {
public:
    StartLookAhead(int width, int height, bool angles) : xs_(width), ys_(height), angles_(angles) {}

    // Predicts anew from `state`, the generator as it stands before the next attempt.
    void Restart(const CRM32Pro_Main::RandState& state) {
        ahead_ = state;
        queued_ = 0;
    }

    // Before each attempt: keeps LOOK_AHEAD_DEPTH attempts predicted, the first being the coming
    // one.
    void Prefetch() {
        for (; queued_ < LOOK_AHEAD_DEPTH; ++queued_) {
            const int x = static_cast<int>(ahead_() * xs_);
            const int y = static_cast<int>(ahead_() * ys_);
            __builtin_prefetch(&lit_bits[LitIndex(x, y) >> 6]);
            __builtin_prefetch(&arr[x][y]);
            if (angles_) __builtin_prefetch(&angle_map[x][y]);
        }
    }

    // The coming attempt failed its start test: its prediction is used up, the next ones hold.
    void Next() { --queued_; }

private:
    CRM32Pro_Main::RandState ahead_{};
    int xs_, ys_;
    bool angles_;
    int queued_ = 0;
};

}  // namespace growth
