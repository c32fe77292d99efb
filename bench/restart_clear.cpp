// The restart clear of the largest canvas (4096 x 4096) against a plain memset of the same bytes
// (both grids, 128 MiB), in one run, with the ratio. BM_RestartClearWindow adds the window fill.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "engine/canvas.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

double clear_ms = 0, memset_ms = 0, window_ms = 0;

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

// Keeps the CPU time per iteration of each benchmark (the median with repetitions).
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            if (run.iterations == 0 || run.error_occurred) continue;
            const double ms = run.GetAdjustedCPUTime();  // in the benchmark's unit
            const std::string name = run.benchmark_name();
            if (name.find("RestartClearWindow") != std::string::npos)
                window_ms = ms;
            else if (name.find("RestartClear") != std::string::npos)
                clear_ms = ms;
            else if (name.find("Memset") != std::string::npos)
                memset_ms = ms;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (memset_ms > 0) {
        std::printf(
            "summary: restart clear of 4096x4096 %.2f ms, memset of the same 128 MiB %.2f ms, "
            "ratio %.2f; with the window filled too %.2f ms\n",
            clear_ms, memset_ms, clear_ms / memset_ms, window_ms);
    }
    benchmark::Shutdown();
    return 0;
}
