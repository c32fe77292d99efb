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

#include "engine/canvas.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/export.h"
#include "panel/panel.h"
#include "platform/testing.h"
#include "summary.h"

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
        if (!SaveImage(file).saved) state.SkipWithError("SaveImage failed");
    if (window) PlatformTest::CloseWindow();
    state.SetLabel(window ? "filled pixels drawn on a dummy window" : "no window");
}

// The same samples, already in a png++ image, written by png++ to a plain file.
void BM_PngOnly(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    if (!SaveImage(file).saved) {
        state.SkipWithError("SaveImage failed");
        return;
    }
    png::image<png::gray_pixel_16> image(SAVED_FILE);
    for (auto _ : state) image.write(PLAIN_FILE);
}

BENCHMARK(BM_SaveImage)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_PngOnly)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* size : {"512", "4096"}) {
        const BestRun* a = reporter.Find(std::string("BM_SaveImage/") + size);
        const BestRun* b = reporter.Find(std::string("BM_PngOnly/") + size);
        if (!a || !b) continue;
        std::printf(
            "%s x %s: SaveImage %.1f ms (CPU %.1f), png++ alone %.1f ms (CPU %.1f), "
            "ratio %.3f (CPU %.3f)\n",
            size, size, a->real, a->cpu, b->real, b->cpu, a->real / b->real, a->cpu / b->cpu);
    }
    std::remove(SAVED_FILE);
    std::remove(PLAIN_FILE);
    benchmark::Shutdown();
    return 0;
}
