// SaveImage against png++ alone writing the same image: the fill pass and the safe save should add
// little to the encoding. Prints each time (best of the repetitions) and the ratio per canvas size.
// Run from a folder on the disk that matters: both write their file into the working directory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <png++/png.hpp>
#include <random>
#include <string>
#include <utility>

#include "app/settings.h"
#include "engine/canvas.h"
#include "export/export.h"
#include "platform/testing.h"

namespace {

constexpr const char* SAVED_FILE = "bench_save_image.png";
constexpr const char* PLAIN_FILE = "bench_png_only.png";

// A realistic canvas: about half the pixels lit with random values, the rest empty, so half the
// pixels take the fill path.
void PrepareCanvas(int size) {
    xs = ys = size;
    file = SAVED_FILE;
    std::mt19937 rng(7);
    for (int x = 0; x < GRID_SIZE; ++x) std::fill_n(arr[x], GRID_SIZE, 0);
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) arr[x][y] = rng() % 2 ? 0 : 1 + rng() % 65535;
}

void BM_SaveImage(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    const bool window = PlatformTest::OpenWindow(xs, ys + vertical_padding);
    for (auto _ : state)
        if (!SaveImage()) state.SkipWithError("SaveImage failed");
    if (window) PlatformTest::CloseWindow();
    state.SetLabel(window ? "filled pixels drawn on a dummy window" : "no window");
}

// The same samples, already in a png++ image, written by png++ to a plain file.
void BM_PngOnly(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    if (!SaveImage()) {
        state.SkipWithError("SaveImage failed");
        return;
    }
    png::image<png::gray_pixel_16> image(SAVED_FILE);
    for (auto _ : state) image.write(PLAIN_FILE);
}

BENCHMARK(BM_SaveImage)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PngOnly)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Best times of one benchmark at one size, in ms: wall clock (what the user waits) and CPU (less
// disturbed by other work on the machine, but blind to the wait for the disk).
struct Best {
    double real = 1e300;
    double cpu = 1e300;
};

// Keeps the best times per benchmark and size while printing as usual.
class BestTimes : public benchmark::ConsoleReporter {
public:
    std::map<std::pair<std::string, long>, Best> best;  // (family, size) -> times

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            const long size = std::stol(run.run_name.args);
            Best& b = best[{name, size}];
            b.real = std::min(b.real, run.GetAdjustedRealTime());
            b.cpu = std::min(b.cpu, run.GetAdjustedCPUTime());
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    BestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const long size : {512L, 4096L}) {
        const auto save = reporter.best.find({"BM_SaveImage", size});
        const auto plain = reporter.best.find({"BM_PngOnly", size});
        if (save == reporter.best.end() || plain == reporter.best.end()) continue;
        const Best& a = save->second;
        const Best& b = plain->second;
        std::printf(
            "%ld x %ld: SaveImage %.1f ms (CPU %.1f), png++ alone %.1f ms (CPU %.1f), "
            "ratio %.3f (CPU %.3f)\n",
            size, size, a.real, a.cpu, b.real, b.cpu, a.real / b.real, a.cpu / b.cpu);
    }
    std::remove(SAVED_FILE);
    std::remove(PLAIN_FILE);
    benchmark::Shutdown();
    return 0;
}
