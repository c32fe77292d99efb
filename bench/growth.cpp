// Growth pass speed: seed lines per step on an empty canvas, and growth lines per attempt and per
// step on half-grown 512 x 512 and 4096 x 4096 canvases, each next to its floor (the work every
// attempt and every step must do). Pass --no-window to run without a window.
#include <benchmark/benchmark.h>

#include <cmath>
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

struct LibraryRandom {
    double operator()() const { return CRM32Pro_Main::RandReal(); }
};

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

// A canvas of `size` grown from a fixed seed until half its pixels are lit (the larger one at
// "runs / frame" 100000, so that it grows in a reasonable time).
struct Snapshot {
    std::vector<std::int32_t> values;
    std::vector<float> angles;
    int this_sprout = 0;
};

const Snapshot& HalfGrown(int size) {
    static std::map<int, Snapshot> grown;
    if (grown.count(size)) return grown[size];
    DefaultSettings(size);
    if (size > 512) tests_per_frame = 100000;
    CRM32Pro_Main::RandSeed(12345);
    RestartClear();
    LibraryRandom rand;
    while (LitPercent() < 50) growth::GrowthPassWith(rand);
    Snapshot& s = grown[size];
    for (int x = 0; x < xs; ++x) {
        s.values.insert(s.values.end(), arr[x], arr[x] + ys);
        s.angles.insert(s.angles.end(), angle_map[x], angle_map[x] + ys);
    }
    s.this_sprout = this_sprout;
    return s;
}

void Restore(const Snapshot& s) {
    for (int x = 0; x < xs; ++x) {
        std::memcpy(arr[x], &s.values[static_cast<std::size_t>(x) * ys], ys * sizeof(int));
        std::memcpy(angle_map[x], &s.angles[static_cast<std::size_t>(x) * ys], ys * sizeof(float));
    }
    SyncLitBits();
    this_sprout = s.this_sprout;
}

// The default settings at `size` on that size's half-grown canvas. Restore copies xs columns of ys
// values, so the size is set first; returns the snapshot for restoring it again.
const Snapshot& UseHalfGrown(int size) {
    const Snapshot& grown = HalfGrown(size);
    DefaultSettings(size);
    Restore(grown);
    return grown;
}

void PerStepCounters(benchmark::State& state, std::uint64_t steps) {
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["ns_per_step"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SeedLines(benchmark::State& state) {
    DefaultSettings();
    n_sprouts = tests_per_frame = 20;
    CRM32Pro_Main::RandSeed(1);
    LibraryRandom rand;
    std::uint64_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RestartClear();
        state.ResumeTiming();
        steps += growth::GrowthPassWith(rand);
    }
    PerStepCounters(state, steps);
}

// One frame of growth lines at the default settings on the half-grown canvas of size range(0).
// The 512 canvas is restored before every frame, as a frame there grows it by a percent or so;
// the 4096 one only before the first, as a live run keeps it: restoring its 128 MiB before each
// frame would leave every frame cold in the cache, which no live frame is.
void BM_GrowthLines(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const Snapshot& grown = UseHalfGrown(size);
    LibraryRandom rand;
    std::uint64_t steps = 0;
    for (auto _ : state) {
        if (size <= 512) {
            state.PauseTiming();
            Restore(grown);
            state.ResumeTiming();
        }
        steps += growth::GrowthPassWith(rand);
    }
    PerStepCounters(state, steps);
    const double attempts = static_cast<double>(state.iterations()) * tests_per_frame;
    state.counters["attempts"] = attempts;
    state.counters["attempts_per_s"] = benchmark::Counter(attempts, benchmark::Counter::kIsRate);
}

// What every step must do: the same draws at the default probability, sin and cos in double,
// the float stores of the angle and position, one grid read.
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
            const double phase = ang * 3.141592653589793 * 2;
            xv = static_cast<float>(xv + 0.5 * std::sin(phase));
            yv = static_cast<float>(yv + 0.5 * std::cos(phase));
            sum += arr[static_cast<int>(xv) & 511][static_cast<int>(yv) & 511];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_step"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * STEPS,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// What every attempt must do on the half-grown canvas of size range(0): the two draws of the
// start pixel, one random read of the grid there, and for a lit one the draw and arithmetic of
// the start direction.
void BM_AttemptFloor(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    UseHalfGrown(size);
    constexpr int ATTEMPTS = 100000;
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < ATTEMPTS; ++i) {
            const int x = static_cast<int>(CRM32Pro_Main::RandReal() * xs);
            const int y = static_cast<int>(CRM32Pro_Main::RandReal() * ys);
            if (arr[x][y] > 0) sum += static_cast<int>(CRM32Pro_Main::RandReal() * 6) / 6.0f;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["ns_per_attempt"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * ATTEMPTS,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SeedLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthLines)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttemptFloor)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);

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
    if (seed && step) {
        const double seed_ns = seed->Counter("ns_per_step") * 1e9;
        const double step_ns = step->Counter("ns_per_step") * 1e9;
        std::printf("summary (%s): seed lines %.1f ns/step, %.2fx the step floor of %.1f ns\n",
                    window ? "window open" : "no window", seed_ns, seed_ns / step_ns, step_ns);
        // A growth attempt's floor: the per-attempt work plus its steps at the step floor.
        for (const char* size : {"512", "4096"}) {
            const BestRun* g = reporter.Find(std::string("BM_GrowthLines/") + size);
            const BestRun* a = reporter.Find(std::string("BM_AttemptFloor/") + size);
            if (!g || !a) continue;
            const double attempts = g->Counter("attempts");
            const double steps_per_attempt = attempts > 0 ? g->Counter("steps") / attempts : 0;
            const double per_attempt = 1e9 / g->Counter("attempts_per_s");
            const double floor = a->Counter("ns_per_attempt") * 1e9 + steps_per_attempt * step_ns;
            std::printf(
                "summary %s x %s: growth lines %.1f ns/attempt (%.2fx the floor of %.1f: "
                "per-attempt work and %.2f steps), %.1f ns/step, %.2fM attempts/s\n",
                size, size, per_attempt, per_attempt / floor, floor, steps_per_attempt,
                g->Counter("ns_per_step") * 1e9, g->Counter("attempts_per_s") / 1e6);
        }
    }
    if (window) PlatformTest::CloseWindow();
    benchmark::Shutdown();
    return 0;
}
