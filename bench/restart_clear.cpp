// SPDX-License-Identifier: MIT
// The restart clear of the largest canvas (4096 x 4096) against a plain memset of the same bytes
// (both grids, 128 MiB), in one run, with the ratio. BM_RestartClearWindow adds the window fill.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "summary.h"

namespace {

void LargestCanvas() {
    xs = ys = GRID_SIZE;
    vertical_padding = 72;
}

void BM_RestartClear(benchmark::State& state) {
    LargestCanvas();
    for (auto _ : state) {
        RestartClear();
        benchmark::ClobberMemory();
    }
}

void BM_Memset(benchmark::State& state) {
    for (auto _ : state) {
        std::memset(arr, 0, sizeof arr);
        std::memset(angle_map, 0, sizeof angle_map);
        benchmark::ClobberMemory();
    }
}

// The same clear with a 4096 x 4168 window open, so the black box is really filled.
void BM_RestartClearWindow(benchmark::State& state) {
    LargestCanvas();
    if (!PlatformTest::OpenWindow(GRID_SIZE, GRID_SIZE + 72)) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        RestartClear();
        benchmark::ClobberMemory();
    }
    PlatformTest::CloseWindow();
}

BENCHMARK(BM_RestartClear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestartClearWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const BestRun* clear = reporter.Find("BM_RestartClear");
    const BestRun* plain = reporter.Find("BM_Memset");
    const BestRun* window = reporter.Find("BM_RestartClearWindow");
    if (clear && plain) {
        std::printf(
            "summary: restart clear of 4096x4096 %.2f ms, memset of the same 128 MiB %.2f ms, "
            "ratio %.2f (CPU time, best run)\n",
            clear->cpu, plain->cpu, clear->cpu / plain->cpu);
    }
    if (window) std::printf("with the window filled too: %.2f ms\n", window->cpu);
    benchmark::Shutdown();
    return 0;
}
