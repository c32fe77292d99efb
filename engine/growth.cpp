// SPDX-License-Identifier: MIT
// The non-template half of the growth pass: the settings snapshot, the drawing of a finished path,
// pixel fill and the attempt count. The step loop and the order of random draws live in
// growth_pass.h; GrowthPass at the bottom runs one pass.
#include "engine/growth.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/canvas.h"
#include "engine/canvas_inline.h"
#include "engine/frame.h"
#include "engine/growth_pass.h"
#include "engine/random.h"
#include "engine/settings.h"

namespace growth {

namespace {

// Tent shading of seed lines: 65535 at entry n/2, falling linearly toward both ends. n/2 and
// 65536/n are unsigned divisions; |(i - n/2) * (65536/n)| never exceeds 32768, so 64-bit
// arithmetic gives the same product as 32-bit. Powers of two would give -1 at entry 0, which
// is clamped to 0 so that no pixel holds a value that is neither empty nor lit.
int TentShade(int i, unsigned half, unsigned slope) {
    const long long product = (static_cast<long long>(i) - half) * slope;
    return std::max(0, static_cast<int>(65535 - 2 * std::llabs(product)));
}

// The value of entry i of a line graded from c1 to c2: lerp, decay, cap, then the mean with the
// blend of its lit neighbours (which include the line's own earlier entries).
int GradedValue(const PassSettings& s, const Attempt& a, const PathLists& path, int i) {
    const float t = static_cast<float>(static_cast<float>(i) / static_cast<double>(path.n));
    int col = TruncToInt(LerpValue(a.c1, a.c2, t) * s.decay);
    if (col > 65535) col = 65535;
    const int col2 = BlendedValue(path.x[i], path.y[i], s.xs, s.ys, s.decay);
    if (col2 > 0) col = static_cast<int>((static_cast<long long>(col) + col2) / 2);
    return col;
}

}  // namespace

PassSettings PassSettings::Current() {
    PassSettings s;
    s.xs = ::xs;
    s.ys = ::ys;
    s.n_sprouts = ::n_sprouts;
    s.strand_length = std::min(::strand_length, MAX_STRAND_LENGTH);
    s.tests_per_frame = ::tests_per_frame;
    s.start_dirs = start_angle_rand == 0 ? 1 : start_angle_rand;
    s.from_angle = ::from_angle;
    s.start_turn = start_angle * TIMES_1_360;
    s.turn_threshold = 1.0 - static_cast<double>(rand_angle_probability);
    s.sharp_turn = rand_angle_int * TIMES_1_360;
    s.branch_turn = ::from_angle / 360.0;
    s.curl = rand_angle;
    s.decay = 1.0 - static_cast<double>(color_decay);
    s.white_sprouts = ::white_sprouts != 0;
    s.fill = do_fill != 0;
    return s;
}

void DrawnQueue::Flush() {
    const auto show = canvas_view.show_pixel;
    const auto ask = show ? canvas_view.prefetch_pixel : nullptr;
    // Far enough ahead for a miss to arrive while the pixels before it are done.
    constexpr int AHEAD = 8;
    const auto fetch = [this, ask](const Pixel& p) {
        if (angles_) __builtin_prefetch(&angle_map[p.x][p.y], 1);
        if (ask) ask(p.x, p.y);
    };
    for (int i = 0; i < std::min(n_, AHEAD); ++i) fetch(at_[i]);
    for (int i = 0; i < n_; ++i) {
        if (i + AHEAD < n_) fetch(at_[i + AHEAD]);
        const Pixel& p = at_[i];
        if (angles_) angle_map[p.x][p.y] = p.angle;
        if (show) show(p.x, p.y, p.v);
    }
    n_ = 0;
}

void DrawPath(const PassSettings& s, const Attempt& a, const PathLists& path, DrawnQueue& drawn) {
    if (path.n == 0) return;
    const bool tent = a.seeding && !s.white_sprouts;
    const unsigned n = static_cast<unsigned>(path.n);
    for (int i = 0; i < path.n; ++i) {
        const int px = WrapIndex(path.x[i], s.xs);
        const int py = WrapIndex(path.y[i], s.ys);
        // Only empty pixels are written, so the value is worked out only for them: most entries
        // of a short growth line lie in its lit start pixel. Nothing is written in between, so
        // the blend reads the same neighbours either way.
        if (arr[px][py] != 0) continue;
        // Neither a line's grading nor its neighbour blend affects a tent-shaded line.
        const int col = tent ? TentShade(i, n / 2, 65536u / n) : GradedValue(s, a, path, i);
        SetPixelValue(px, py, col);
        drawn.Add(px, py, col, path.angle[i]);
    }
}

void FillPixel(int x, int y) {
    if (arr[x][y] != 0) return;
    const int col = GetBlendedPixel(x, y);
    if (col <= 0) return;
    SetPixelValue(wrapX(x), wrapY(y), col);
    ShowPixel(wrapX(x), wrapY(y), col);
}

bool CountStrandAttempt(int n_sprouts_now) {
    // Saturates: past INT_MAX attempts without a restart the count stays in the growth phase.
    if (this_sprout < INT_MAX) ++this_sprout;
    return this_sprout <= n_sprouts_now;
}

}  // namespace growth

std::uint64_t GrowthPass(growth::PassStop* stop) {
    growth::LibraryRandom rand;
    return growth::GrowthPassWith(rand, stop);
}
