// SPDX-License-Identifier: MIT
// Growth pass speed: seed lines per step on an empty canvas, and growth lines per attempt and per
// step on half-grown canvases of 512, 1024 and 4096, each next to two floors: the latency floor
// (the work every attempt and every step must do, one random read after the other) and the
// in-cache floor (the same pass on a piece of that canvas that fits the cache). Pass --no-window
// to run without a window.
#include "engine/growth.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "engine/canvas.h"
#include "engine/growth_pass.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "summary.h"

namespace {

void DefaultSettings(int size = 512) {
    ResetSettings();
    xs = ys = size;
    vertical_padding = 72;
}

int LitPercent() {
    long lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return static_cast<int>(100 * lit / (static_cast<long>(xs) * ys));
}

// A canvas region's values and angles, column by column, and the attempt count it was grown to.
struct Snapshot {
    int width = 0, height = 0;
    std::vector<std::int32_t> values;
    std::vector<float> angles;
    int this_sprout = 0;
};

Snapshot Take(int width, int height) {
    Snapshot s;
    s.width = width;
    s.height = height;
    for (int x = 0; x < width; ++x) {
        s.values.insert(s.values.end(), arr[x], arr[x] + height);
        s.angles.insert(s.angles.end(), angle_map[x], angle_map[x] + height);
    }
    s.this_sprout = this_sprout;
    return s;
}

// Writes the snapshot back at the top left, with the canvas size set to its size.
void Restore(const Snapshot& s) {
    xs = s.width;
    ys = s.height;
    for (int x = 0; x < xs; ++x) {
        const std::size_t at = static_cast<std::size_t>(x) * ys;
        std::memcpy(arr[x], &s.values[at], ys * sizeof(int));
        std::memcpy(angle_map[x], &s.angles[at], ys * sizeof(float));
    }
    SyncLitBits();
    this_sprout = s.this_sprout;
}

// A canvas of `size` grown from a fixed seed until half its pixels are lit (the larger ones at
// "runs / frame" 100000, so that they grow in a reasonable time).
const Snapshot& HalfGrown(int size) {
    static std::map<int, Snapshot> grown;
    if (grown.count(size)) return grown[size];
    DefaultSettings(size);
    if (size > 512) tests_per_frame = 100000;
    CRM32Pro_Main::RandSeed(12345);
    RestartClear();
    while (LitPercent() < 50) GrowthPass();
    return grown[size] = Take(size, size);
}

// The default settings on the half-grown canvas of `size`; returns it for restoring it again.
const Snapshot& UseHalfGrown(int size) {
    const Snapshot& grown = HalfGrown(size);
    DefaultSettings(size);
    Restore(grown);
    return grown;
}

// The in-cache canvas: the top-left TILE_WIDTH x TILE_HEIGHT corner of the half-grown canvas of
// `size`, as a canvas of its own. It has that canvas's lit share and the shape of its lines, so
// an attempt there does the same work, but its values fit in the level-2 cache: a column is 16
// KiB apart from the next in the grid, so that cache holds only a few hundred of them, and the
// tile is narrow and tall.
constexpr int TILE_WIDTH = 32;
constexpr int TILE_HEIGHT = 2048;
const Snapshot& UseTile(int size) {
    static std::map<int, Snapshot> tiles;
    if (!tiles.count(size)) {
        UseHalfGrown(size);
        tiles[size] = Take(std::min(TILE_WIDTH, size), std::min(TILE_HEIGHT, size));
    }
    DefaultSettings(size);
    Restore(tiles[size]);
    return tiles[size];
}

void PerStepCounters(benchmark::State& state, std::uint64_t steps) {
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["ns_per_step"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void PerAttemptCounters(benchmark::State& state, std::uint64_t steps) {
    PerStepCounters(state, steps);
    const double attempts = static_cast<double>(state.iterations()) * tests_per_frame;
    state.counters["attempts"] = attempts;
    state.counters["attempts_per_s"] = benchmark::Counter(attempts, benchmark::Counter::kIsRate);
}

void BM_SeedLines(benchmark::State& state) {
    DefaultSettings();
    n_sprouts = tests_per_frame = 20;
    CRM32Pro_Main::RandSeed(1);
    std::uint64_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RestartClear();
        state.ResumeTiming();
        steps += GrowthPass();
    }
    PerStepCounters(state, steps);
}

// Frames of growth lines at the default settings on `grown`, restored every few frames so that
// the canvas stays about half lit: a frame lights some 6000 pixels, which would fill a 1024
// canvas within the run. The restore comes every frame at 512 and once per 64 frames at 4096
// (a growth of about 2% at each size), as copying 128 MiB before each frame there would leave
// every frame cold in the cache, which no live frame is.
void GrowthFrames(benchmark::State& state, const Snapshot& grown) {
    const long restore_every =
        std::max(1L, static_cast<long>(grown.width) * grown.height / (512L * 512));
    std::uint64_t steps = 0;
    long frames = 0;
    for (auto _ : state) {
        if (frames++ % restore_every == 0) {
            state.PauseTiming();
            Restore(grown);
            state.ResumeTiming();
        }
        steps += GrowthPass();
    }
    PerAttemptCounters(state, steps);
}

// The pass on the half-grown canvas of size range(0).
void BM_GrowthLines(benchmark::State& state) {
    GrowthFrames(state, UseHalfGrown(static_cast<int>(state.range(0))));
}

// The same pass on the in-cache tile of that canvas: what its attempts cost without waiting on
// memory.
void BM_InCacheFloor(benchmark::State& state) {
    GrowthFrames(state, UseTile(static_cast<int>(state.range(0))));
}

// What every step must do: the same draws at the default probability, the step along the
// direction (the pass's own, whose sine and cosine are the library's), one grid read.
void BM_StepFloor(benchmark::State& state) {
    DefaultSettings();
    const double threshold = 1.0 - static_cast<double>(rand_angle_probability);
    const double curl = rand_angle;
    constexpr int STEPS = 100000;
    float ang = 0.1f, xv = 100.5f, yv = 100.5f;
    std::int64_t sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < STEPS; ++i) {
            if (CRM32Pro_Main::RandReal() > threshold) {
                ang = static_cast<float>(CRM32Pro_Main::RandReal() > 0.5 ? ang + 0.1 : ang - 0.1);
            }
            const double a = CRM32Pro_Main::RandReal();
            const double b = CRM32Pro_Main::RandReal();
            ang = static_cast<float>(ang + (a - b) * curl);
            growth::StepAlong(xv, yv, ang);
            sum += arr[static_cast<int>(xv) & 511][static_cast<int>(yv) & 511];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_step"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * STEPS,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The latency floor of an attempt on the half-grown canvas of size range(0): the two draws of the
// start pixel, one random read of its lit bit (what the pass's start test reads: the 2 MiB
// bitmap, not the 64 MiB value grid), and for a lit one the draw and arithmetic of the start
// direction, one attempt after the other.
void BM_AttemptFloor(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    UseHalfGrown(size);
    constexpr int ATTEMPTS = 100000;
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < ATTEMPTS; ++i) {
            const int x = static_cast<int>(CRM32Pro_Main::RandReal() * xs);
            const int y = static_cast<int>(CRM32Pro_Main::RandReal() * ys);
            if (IsLit(x, y)) sum += static_cast<int>(CRM32Pro_Main::RandReal() * 6) / 6.0f;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_attempt"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * ATTEMPTS,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One size's summary: the pass per attempt against the latency floor (the attempt floor plus its
// steps at the step floor) and against the in-cache floor.
void PrintGrowthSummary(const SummaryReporter& reporter, const std::string& size, double step_ns) {
    const BestRun* g = reporter.Find("BM_GrowthLines/" + size);
    const BestRun* a = reporter.Find("BM_AttemptFloor/" + size);
    const BestRun* c = reporter.Find("BM_InCacheFloor/" + size);
    if (!g || !a || !c) return;
    const auto per_attempt = [](const BestRun* run) {
        return 1e9 / run->Counter("attempts_per_s");
    };
    const auto steps_per_attempt = [](const BestRun* run) {
        const double attempts = run->Counter("attempts");
        return attempts > 0 ? run->Counter("steps") / attempts : 0.0;
    };
    const double pass = per_attempt(g);
    const double latency = a->Counter("ns_per_attempt") * 1e9 + steps_per_attempt(g) * step_ns;
    const double in_cache = per_attempt(c);
    std::printf(
        "summary %s x %s: growth lines %.1f ns/attempt (%.2f steps), %.2fx the latency floor of "
        "%.1f, %.2fx the in-cache floor of %.1f (%.2f steps); %.1f ns/step, %.2fM attempts/s\n",
        size.c_str(), size.c_str(), pass, steps_per_attempt(g), pass / latency, latency,
        pass / in_cache, in_cache, steps_per_attempt(c), g->Counter("ns_per_step") * 1e9,
        g->Counter("attempts_per_s") / 1e6);
}

BENCHMARK(BM_SeedLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthLines)->Arg(512)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InCacheFloor)->Arg(512)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttemptFloor)->Arg(512)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bool window = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-window") == 0) window = false;
    benchmark::Initialize(&argc, argv);
    if (window && !PlatformTest::OpenWindow(512, 584)) {
        std::printf("no window could be opened; pixels are not drawn\n");
        window = false;
    }
    if (window) ShowCanvasOnWindow();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const BestRun* seed = reporter.Find("BM_SeedLines");
    const BestRun* step = reporter.Find("BM_StepFloor");
    if (step) {
        const double step_ns = step->Counter("ns_per_step") * 1e9;
        if (seed) {
            const double seed_ns = seed->Counter("ns_per_step") * 1e9;
            std::printf("summary (%s): seed lines %.1f ns/step, %.2fx the step floor of %.1f ns\n",
                        window ? "window open" : "no window", seed_ns, seed_ns / step_ns, step_ns);
        }
        for (const char* size : {"512", "1024", "4096"})
            PrintGrowthSummary(reporter, size, step_ns);
    }
    if (window) PlatformTest::CloseWindow();
    benchmark::Shutdown();
    return 0;
}
