// SPDX-License-Identifier: MIT
// The growth pass's look-ahead: a copy of the random generator running a few attempts ahead, so
// that the start pixels those attempts will test are fetched into the cache while the attempts
// before them run. It only fetches; what the pass draws and writes is the same with it or without.
#pragma once

#include <cstdint>

#include "engine/canvas.h"
#include "engine/numeric.h"
#include "engine/random.h"

namespace growth {

// Whether the pass looks ahead: where it pays (Auto, see LooksAhead), or always, or never (tests
// compare the two). Set by tests only.
enum class LookAheadUse { Auto, Always, Never };
inline LookAheadUse look_ahead_use = LookAheadUse::Auto;

// The share of the last pass's strand attempts whose start pixel was lit (or that were seed
// lines): the next pass chooses how far to look ahead from it.
inline double last_pass_lit_share = 0.5;

// Whether the pass looks ahead on a canvas of xs x ys. Up to 512 x 512 the values every attempt
// tests (1 MiB there) stay in the level-2 cache, and predicting costs more than it saves (0.90x
// at 512); beyond, the start tests wait on the level-3 cache or on memory (1.12x at 1024,
// 1.04-1.10x at 4096; bench_growth's look-ahead lines, quiet machine).
constexpr long LOOK_AHEAD_MIN_PIXELS = 512L * 512 + 1;

inline bool LooksAhead(int xs, int ys) {
    if (look_ahead_use != LookAheadUse::Auto) return look_ahead_use == LookAheadUse::Always;
    return static_cast<long>(xs) * ys >= LOOK_AHEAD_MIN_PIXELS;
}

// How many attempts to predict: a prediction k attempts ahead holds only if the k attempts before
// it all fail their start test, so the fewer starts are lit, the further ahead it pays to look.
inline int LookAheadDepth(double lit_share) {
    return lit_share < 0.25 ? 6 : 4;
}

// The word of lit_bits that holds pixel (x, y)'s bit.
inline const std::uint64_t* LitWord(int x, int y) {
    return &lit_bits[PixelIndex(x, y) >> 6];
}

// Fetches the columns beside a lit start pixel (x, y): the probe reads their lit bits and the
// stop value and the drawing's neighbour blend their values.
inline void PrefetchNeighbours(int x, int y, int xs) {
    const int left = WrapIndex(x - 1, xs), right = WrapIndex(x + 1, xs);
    __builtin_prefetch(&arr[left][y]);
    __builtin_prefetch(&arr[right][y]);
    __builtin_prefetch(LitWord(left, y));
    __builtin_prefetch(LitWord(right, y));
    __builtin_prefetch(&angle_map[x][y], 1);
}

// Start pixels predicted by a copy of the generator. An attempt whose start pixel is unlit draws
// exactly two numbers, so while the attempts fail their start test the copy, drawing two numbers
// per attempt, gives the start pixels of the attempts to come. Each prediction's lit word and
// value (and angle, when a branching line reads it) are fetched when it is made; an attempt that
// goes on draws more, so the predictions are made anew after it.
class StartLookAhead {
public:
    StartLookAhead(int width, int height, int depth, bool angles)
        : xs_(width), ys_(height), depth_(depth), angles_(angles) {}

    // Predicts anew from the library's generator as it stands before the next attempt.
    void Restart() {
        ahead_ = CRM32Pro_Main::GetRandState();
        queued_ = 0;
    }

    // Before each attempt: keeps `depth` attempts predicted, the first being the coming one.
    void Prefetch() {
        for (; queued_ < depth_; ++queued_) {
            const int x = static_cast<int>(ahead_() * xs_);
            const int y = static_cast<int>(ahead_() * ys_);
            __builtin_prefetch(LitWord(x, y));
            __builtin_prefetch(&arr[x][y]);
            if (angles_) __builtin_prefetch(&angle_map[x][y]);
        }
    }

    void AtLitStart(int x, int y) const { PrefetchNeighbours(x, y, xs_); }

    // The coming attempt failed its start test: its prediction is used up, the next ones hold.
    void Next() { --queued_; }

private:
    CRM32Pro_Main::RandState ahead_{};
    int xs_, ys_, depth_;
    bool angles_;
    int queued_ = 0;
};

// What the pass runs with when it does not look ahead.
struct NoLookAhead {
    void Prefetch() {}
    void AtLitStart(int, int) const {}
    void Restart() {}
    void Next() {}
};

}  // namespace growth
