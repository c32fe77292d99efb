// SPDX-License-Identifier: MIT
// Recording strands: the growth pass tells strand_observer of each path before drawing it; the
// positions are walked again from the path's angle list with the pass's own step, so they are the
// very floats the pass probed. A restart is seen as this_sprout falling back.
#include "render/out/strands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/canvas.h"
#include "engine/canvas_inline.h"
#include "engine/growth_pass.h"

namespace {

StrandRecord record;
// this_sprout at the last recorded strand: a smaller value later means a restart cleared the
// canvas in between.
int last_sprout = 0;

void DropIfRestarted() {
    if (this_sprout >= last_sprout) return;
    record.points.clear();
    record.strands.clear();
    ++record.restarts;
    last_sprout = this_sprout;
}

// Whether drawing the path will write a pixel: the pass writes only empty ones. On a canvas that
// is nearly full most paths lie in lit pixels and change nothing; they are not recorded.
bool WritesAPixel(const growth::PassSettings& s, const growth::PathLists& p) {
    for (int i = 0; i < p.n; ++i)
        if (arr[WrapIndex(p.x[i], s.xs)][WrapIndex(p.y[i], s.ys)] == 0) return true;
    return false;
}

void Observe(const growth::PassSettings& s, const growth::Attempt& a, const growth::PathLists& p) {
    DropIfRestarted();
    last_sprout = this_sprout;
    if (!WritesAPixel(s, p)) return;
    Strand strand;
    strand.first = record.points.size();
    strand.entries = static_cast<std::uint32_t>(p.n);
    strand.c1 = a.c1;
    strand.c2 = a.c2;
    strand.decay = s.decay;
    strand.tent = a.seeding && !s.white_sprouts;
    float xv = static_cast<float>(a.x + 0.5);
    float yv = static_cast<float>(a.y + 0.5);
    record.points.push_back({xv, yv});
    for (int i = 0; i <= p.n; ++i) {
        growth::StepAlong(xv, yv, i < p.n ? p.angle[i] : a.stop_ang);
        // Only settings outside every sane range make a position that is not finite; the strand
        // ends at its last finite point.
        if (!std::isfinite(xv) || !std::isfinite(yv)) break;
        record.points.push_back({xv, yv});
    }
    strand.points = static_cast<std::uint32_t>(record.points.size() - strand.first);
    if (strand.points < 2) {
        record.points.resize(strand.first);
        return;
    }
    record.strands.push_back(strand);
}

}  // namespace

void StartRecording() {
    record = StrandRecord{};
    last_sprout = this_sprout;
    growth::SetStrandObserver(Observe);
}

const StrandRecord& RecordedStrands() {
    DropIfRestarted();
    return record;
}

int StrandShade(const Strand& s, std::uint32_t i) {
    int col;
    if (s.tent) {
        // The pass's tent: 65535 at entry n/2, falling linearly toward both ends.
        const unsigned half = s.entries / 2, slope = 65536u / s.entries;
        const long long product = (static_cast<long long>(i) - half) * slope;
        col = static_cast<int>(65535 - 2 * std::llabs(product));
    } else {
        const float t = static_cast<float>(static_cast<float>(i) / static_cast<double>(s.entries));
        col = TruncToInt(LerpValue(s.c1, s.c2, t) * s.decay);
    }
    return std::clamp(col, 0, 65535);
}
