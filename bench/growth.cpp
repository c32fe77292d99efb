// Growth pass speed: nanoseconds per step for seed lines on an empty canvas and for growth lines
// on a half-grown 512 x 512 canvas, next to the floor (a loop doing only what every step must
// do), and attempts per second at the default settings. Pass --no-window to run without a window.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

void DefaultSettings() {
    ResetSettings();
    xs = ys = 512;
    vertical_padding = 72;
}

int LitPercent() {
    long lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return static_cast<int>(100 * lit / (static_cast<long>(xs) * ys));
}

// A canvas grown from a fixed seed at the default settings until half its pixels are lit.
struct Snapshot {
    std::vector<std::int32_t> values;
    std::vector<float> angles;
    int this_sprout = 0;
};

const Snapshot& HalfGrown() {
    static const Snapshot snapshot = [] {
        DefaultSettings();
        CRM32Pro_Main::RandSeed(12345);
        RestartClear();
        LibraryRandom rand;
        while (LitPercent() < 50) growth::GrowthPassWith(rand);
        Snapshot s;
        for (int x = 0; x < xs; ++x) {
            s.values.insert(s.values.end(), arr[x], arr[x] + ys);
            s.angles.insert(s.angles.end(), angle_map[x], angle_map[x] + ys);
        }
        s.this_sprout = this_sprout;
        return s;
    }();
    return snapshot;
}

void Restore(const Snapshot& s) {
    for (int x = 0; x < xs; ++x) {
        std::memcpy(arr[x], &s.values[static_cast<std::size_t>(x) * ys], ys * sizeof(int));
        std::memcpy(angle_map[x], &s.angles[static_cast<std::size_t>(x) * ys], ys * sizeof(float));
    }
    this_sprout = s.this_sprout;
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
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["ns_per_step"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_GrowthLines(benchmark::State& state) {
    const Snapshot& grown = HalfGrown();
    DefaultSettings();
    LibraryRandom rand;
    std::uint64_t steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Restore(grown);
        state.ResumeTiming();
        steps += growth::GrowthPassWith(rand);
    }
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["ns_per_step"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["attempts_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * tests_per_frame, benchmark::Counter::kIsRate);
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

BENCHMARK(BM_SeedLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepFloor)->Unit(benchmark::kMillisecond);

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
    const BestRun* growth = reporter.Find("BM_GrowthLines");
    const BestRun* floor = reporter.Find("BM_StepFloor");
    if (seed && growth && floor) {
        // The per-step counters are seconds per step.
        const double seed_ns = seed->Counter("ns_per_step") * 1e9;
        const double growth_ns = growth->Counter("ns_per_step") * 1e9;
        const double floor_ns = floor->Counter("ns_per_step") * 1e9;
        std::printf(
            "summary (%s): seed lines %.1f ns/step (%.2fx floor), growth lines %.1f ns/step "
            "(%.2fx floor), floor %.1f ns/step; %.0f attempts/s at the default settings on a "
            "half-grown 512x512 canvas\n",
            window ? "window open" : "no window", seed_ns, seed_ns / floor_ns, growth_ns,
            growth_ns / floor_ns, floor_ns, growth->Counter("attempts_per_s"));
    }
    if (window) PlatformTest::CloseWindow();
    benchmark::Shutdown();
    return 0;
}
