// SPDX-License-Identifier: MIT
// The growth pass as a template over its random source: production instantiates it with
// CRM32Pro_Main::RandReal inlined (growth.cpp), tests with a scripted sequence. Read from
// GrowthPassWith near the end: one attempt per iteration, a strand attempt walks then draws.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/look_ahead.h"
#include "engine/numeric.h"
#include "engine/random.h"
#include "engine/step_along.h"

// The most steps a strand attempt takes. A larger strand_length (only the settings file can give
// one) acts as this: the path lists hold 12 bytes per step, so 2^31 steps would exhaust memory,
// while 2^20 steps already cross the largest canvas more than a hundred times.
constexpr int MAX_STRAND_LENGTH = 1 << 20;

namespace growth {

// Degrees to turns by multiplication (start angle, sharp turns); branches divide by 360.0.
constexpr double TIMES_1_360 = 0.002777777777777778;
// A finite position stays far below this (a step moves half a pixel and the walk is bounded);
// beyond it, or not finite, the position cannot be truncated to a pixel.
constexpr float POSITION_LIMIT = 1.0e9f;

// The settings the pass reads, taken once per pass (nothing changes them during a pass), with the
// file-only values that would be undefined made sound: 0 start directions act as 1 and the strand
// length is bounded by MAX_STRAND_LENGTH.
struct PassSettings {
    int xs, ys;
    int n_sprouts, strand_length, tests_per_frame, start_dirs, from_angle;
    double start_turn;      // start_angle times 1/360
    double turn_threshold;  // 1 - rand_angle_probability: r1 above it turns sharply
    double sharp_turn;      // rand_angle_int times 1/360
    double branch_turn;     // from_angle divided by 360
    double curl;            // rand_angle
    double decay;           // 1 - color_decay
    bool white_sprouts, fill;
    static PassSettings Current();
};

// The x, y and angle lists of one pass: sized once for the longest path, emptied (n = 0) after
// every attempt and freed when the pass ends, so the step loop never allocates.
struct PathLists {
    explicit PathLists(int capacity)
        : x(Size(capacity)), y(Size(capacity)), angle(Size(capacity)) {}
    std::vector<int> x;
    std::vector<int> y;
    std::vector<float> angle;
    int n = 0;

private:
    static std::size_t Size(int capacity) {
        return static_cast<std::size_t>(std::max(capacity, 0));
    }
};

// The scratch state of one strand attempt.
struct Attempt {
    int x = 0, y = 0;  // start pixel
    bool seeding = false;
    float ang = 0.0f;  // direction in turns
    int c1 = 0, c2 = 0;
    int stop_x = 0, stop_y = 0;  // the wrapped pixel the path stopped at
    float stop_ang = 0.0f;       // direction of the step that stopped the path
};

// Told of every path the pass is about to draw, with its final c1 and c2 (the renderer records
// the strands' geometry for vector output). Null, the default, costs one test per drawn path.
// Written only by SetStrandObserver.
using StrandObserver = void (*)(const PassSettings& s, const Attempt& a, const PathLists& path);
inline StrandObserver strand_observer = nullptr;
inline void SetStrandObserver(StrandObserver observer) {
    strand_observer = observer;
}

// The pixels a pass has drawn and not yet finished: their angles still to be written to the
// angle grid, their grey still to be shown on the view. On a large canvas each of the two is a
// wait on memory (a line of the angle grid, one of the window surface); done a batch at a time,
// with each pixel's lines asked for a few pixels ahead, the waits overlap one another instead of
// holding up the walks and draws in between. During a pass only a branching start (from angle
// above 0) reads the angle grid, so the angles wait only when no start reads them. The view
// shows each pixel once all the same, as a pass draws a pixel only while it is empty. Whatever
// is queued is finished when the queue goes out of scope, so a pass ends with its angles in the
// grid and its pixels on the view.
class DrawnQueue {
public:
    explicit DrawnQueue(bool defer_angles) : angles_(defer_angles) {}
    DrawnQueue(const DrawnQueue&) = delete;
    DrawnQueue& operator=(const DrawnQueue&) = delete;
    ~DrawnQueue() { Flush(); }
    // Pixel (x, y) was drawn with value v along `angle`: the angle is written now when it may
    // not wait.
    void Add(int x, int y, int v, float angle) {
        if (!angles_) {
            angle_map[x][y] = angle;
            if (!canvas_view.show_pixel) return;
        }
        if (n_ == CAPACITY) Flush();
        at_[n_++] = {x, y, v, angle};
    }
    void Flush();

private:
    static constexpr int CAPACITY = 1024;
    struct Pixel {
        int x, y, v;
        float angle;
    };
    bool angles_;
    Pixel at_[CAPACITY];
    int n_ = 0;
};

// Writes the path's entries that land on empty pixels: graded from c1 to c2 (or tent shaded).
void DrawPath(const PassSettings& s, const Attempt& a, const PathLists& path, DrawnQueue& drawn);
// Sets an empty pixel at (x, y) from its lit neighbours.
void FillPixel(int x, int y);
// Counts one strand attempt (saturating) and tells whether it is a seeding attempt.
bool CountStrandAttempt(int n_sprouts);

template <class Random>
float StartDirection(Random& rand, const PassSettings& s, const Attempt& a) {
    const double r = rand();
    if (s.from_angle <= 0 || a.seeding) {
        const int k = TruncToInt(r * s.start_dirs);
        const float ang = static_cast<float>(static_cast<double>(k) / s.start_dirs);
        return static_cast<float>(ang + s.start_turn);
    }
    const float ang = angle_map[a.x][a.y];
    return static_cast<float>(r > 0.5 ? ang + s.branch_turn : ang - s.branch_turn);
}

// The step loop: walks from the centre of the start pixel in half-pixel steps until the path meets
// a lit pixel other than its own start pixel (or a seed line runs out of length). Returns
// draw_OK; stores the pixel met in a.stop_x and a.stop_y. `steps` counts the steps taken.
template <class Random>
bool WalkPath(Random& rand, const PassSettings& s, Attempt& a, PathLists& path,
              std::uint64_t& steps) {
    float ang = a.ang;
    float xv = static_cast<float>(a.x + 0.5);
    float yv = static_cast<float>(a.y + 0.5);
    // The step index at which a seed line stops (none for a growth line or an empty length).
    const int last = a.seeding && s.strand_length > 0 ? s.strand_length - 1 : -1;
    int* const px_list = path.x.data();
    int* const py_list = path.y.data();
    float* const ang_list = path.angle.data();
    int n = 0;
    bool draw = false;
    for (int v2 = 0; v2 < s.strand_length; ++v2) {
        ++steps;
        if (rand() > s.turn_threshold) {
            ang = static_cast<float>(rand() > 0.5 ? ang + s.sharp_turn : ang - s.sharp_turn);
        }
        const double minuend = rand();
        const double subtrahend = rand();
        ang = static_cast<float>(ang + (minuend - subtrahend) * s.curl);
        StepAlong(xv, yv, ang);
        // A position that is not finite (from NaN or infinite settings) ends the path as if its
        // length ran out: a seed line is drawn, a growth line is discarded.
        if (!(std::fabs(xv) < POSITION_LIMIT && std::fabs(yv) < POSITION_LIMIT)) {
            draw = a.seeding;
            break;
        }
        const int px = static_cast<int>(xv);
        const int py = static_cast<int>(yv);
        // The lit bit answers the stop test; the value is read only where the path stops.
        const int wx = WrapIndex(px, s.xs), wy = WrapIndex(py, s.ys);
        if ((IsLit(wx, wy) && (px != a.x || py != a.y)) || v2 == last) {
            a.stop_x = wx;
            a.stop_y = wy;
            draw = true;
            break;
        }
        px_list[n] = px;
        py_list[n] = py;
        ang_list[n] = ang;
        ++n;
    }
    path.n = n;
    a.stop_ang = ang;
    return draw;
}

// Whether every entry of the path lies on a lit pixel.
inline bool AllLit(const PassSettings& s, const PathLists& path) {
    for (int i = 0; i < path.n; ++i)
        if (!IsLit(WrapIndex(path.x[i], s.xs), WrapIndex(path.y[i], s.ys))) return false;
    return true;
}

// One strand attempt. Returns whether it went on past its start test, that is, drew more than
// the two numbers of its start pixel.
//
// On a large canvas the values of the start and stop pixels are each a wait on memory, and so are
// the neighbour columns the drawing reads and blends. The walk reads neither value and changes
// nothing, so both are read after it: the start's value and its neighbour columns are fetched
// when the start test passes and arrive while the walk runs, where a read there would hold the
// attempt until they came. The walk draws the attempt's last random number, so the look-ahead
// predicts the next attempts' start pixels as soon as it ends, and their fetches overlap the read
// of the stop value and the drawing.
template <class Random, class Ahead>
bool StrandAttempt(Random& rand, const PassSettings& s, PathLists& path, DrawnQueue& drawn,
                   std::uint64_t& steps, Ahead* ahead) {
    Attempt a;
    a.seeding = CountStrandAttempt(s.n_sprouts);
    a.x = static_cast<int>(rand() * s.xs);
    a.y = static_cast<int>(rand() * s.ys);
    if (!a.seeding && !IsLit(a.x, a.y)) return false;
    __builtin_prefetch(&arr[a.x][a.y]);
    __builtin_prefetch(&arr[WrapIndex(a.x - 1, s.xs)][a.y]);
    __builtin_prefetch(&arr[WrapIndex(a.x + 1, s.xs)][a.y]);
    a.ang = StartDirection(rand, s, a);
    const bool draw = WalkPath(rand, s, a, path, steps);
    if constexpr (requires { rand.Peek(); }) {
        if (ahead) {
            ahead->Restart(rand.Peek());
            ahead->Prefetch();
        }
    }
    if (!draw) return true;
    // Only empty pixels are drawn, and a lit pixel is never empty: a path that lies on lit pixels
    // alone (one that stops at the first pixel past its start, on a well grown canvas) writes
    // nothing, and its start and stop values are not read.
    if (!strand_observer && AllLit(s, path)) return true;
    a.c1 = arr[a.x][a.y];
    a.c2 = arr[a.stop_x][a.stop_y];
    if (a.seeding) {
        a.c2 = 65535;
        if (s.white_sprouts) a.c1 = 65535;
    }
    if (strand_observer) strand_observer(s, a, path);
    DrawPath(s, a, path, drawn);
    return true;
}

// How a pass may end before its tests_per_frame attempts: after `limit` attempts (when 0 or
// more), or when `requested` says so; it is asked every CHECK_ATTEMPTS attempts and every
// CHECK_STEPS steps, so even the longest paths leave it asked often. The pass reports how many
// attempts it made and whether it was cut short.
struct PassStop {
    bool (*requested)() = nullptr;
    long limit = -1;
    long attempts = 0;
    bool cut = false;
};
constexpr int CHECK_ATTEMPTS = 256;
constexpr std::uint64_t CHECK_STEPS = 1 << 16;

// The attempts of one pass, with `ahead` predicting and fetching their start pixels when not null
// (only for a source that can be looked into).
template <class Random, class Ahead>
std::uint64_t RunAttempts(Random& rand, const PassSettings& s, PassStop* stop, Ahead* ahead) {
    PathLists path(s.strand_length);
    DrawnQueue drawn(s.from_angle <= 0);
    std::uint64_t steps = 0;
    std::uint64_t check_at = CHECK_STEPS;
    long count = s.tests_per_frame;
    if (stop && stop->limit >= 0 && stop->limit < count) count = stop->limit;
    long v = 0;
    for (; v < count; ++v) {
        if (stop && stop->requested && ((v % CHECK_ATTEMPTS == 0 && v > 0) || steps >= check_at)) {
            check_at = steps + CHECK_STEPS;
            if (stop->requested()) break;
        }
        if (s.fill) {
            const int x = static_cast<int>(rand() * s.xs);
            const int y = static_cast<int>(rand() * s.ys);
            FillPixel(x, y);
            continue;
        }
        if (ahead) ahead->Prefetch();
        const bool went_on = StrandAttempt(rand, s, path, drawn, steps, ahead);
        path.n = 0;
        if (ahead && !went_on) ahead->Next();
    }
    if (stop) {
        stop->attempts = v;
        stop->cut = v < s.tests_per_frame;
    }
    return steps;
}

// One growth pass of tests_per_frame attempts. Returns the number of steps walked. A source that
// can be looked into without being used up (the library's generator) is looked ahead of on the
// canvases where that pays.
template <class Random>
std::uint64_t GrowthPassWith(Random& rand, PassStop* stop = nullptr) {
    const PassSettings s = PassSettings::Current();
    if constexpr (requires { rand.Peek(); }) {
        if (!s.fill && LooksAhead(s.xs, s.ys)) {
            StartLookAhead ahead(s.xs, s.ys, s.from_angle > 0);
            ahead.Restart(rand.Peek());
            return RunAttempts(rand, s, stop, &ahead);
        }
    }
    return RunAttempts(rand, s, stop, static_cast<StartLookAhead*>(nullptr));
}

// The production random source: the library's generator, inlined into the step loop.
struct LibraryRandom {
    double operator()() const { return CRM32Pro_Main::RandReal(); }
    CRM32Pro_Main::RandState Peek() const { return CRM32Pro_Main::PeekRandState(); }
};

}  // namespace growth
