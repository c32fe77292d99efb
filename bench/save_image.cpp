// SPDX-License-Identifier: MIT
// The PNG writer against bare single-threaded libpng writing the same samples with its default
// settings: WriteImage (what a save runs on its worker) fills, filters and compresses on every
// core, so it should take well under libpng's time for a file of about libpng's size; SaveImage
// adds the snapshot and the filled pixels drawn on a window, on the calling thread. The canvas is
// grown by the real growth pass from a fixed seed until about half its pixels are lit, so the
// samples compress as a real picture does (random samples would not). Prints each time (best of the
// repetitions) and the ratio per canvas size; the CPU times are the whole process's, the
// compression threads' included. Run from a folder on the disk that matters: both write their
// file into the working directory.
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <png++/png.hpp>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/growth_pass.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/export.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "summary.h"

namespace {

constexpr const char* SAVED_FILE = "bench_save_image.png";
constexpr const char* PLAIN_FILE = "bench_png_only.png";

// File size of each benchmark's last file, by benchmark name.
std::map<std::string, long> file_sizes;

void NoteSize(const benchmark::State& state, const char* name, const char* path) {
    struct stat st {};
    if (stat(path, &st) == 0)
        file_sizes[name + std::string("/") + std::to_string(state.range(0))] = st.st_size;
}

struct LibraryRandom {
    double operator()() const { return CRM32Pro_Main::RandReal(); }
};

double LitShare() {
    long lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return static_cast<double>(lit) / (static_cast<double>(xs) * ys);
}

// Grows the canvas at the default settings until half of it is lit; the larger canvas with the
// most attempts per frame the panel allows, so that it takes some hundreds of passes as well.
// Each size is grown once and kept: the growth of 4096 x 4096 takes a while.
void PrepareCanvas(int size) {
    static int grown = 0;
    if (grown == size) return;
    ResetSettings();
    xs = ys = size;
    file = SAVED_FILE;
    if (size > 512) tests_per_frame = 100000;
    CRM32Pro_Main::RandSeed(7);
    RestartClear();
    LibraryRandom rand;
    int passes = 0;
    while (passes < 4000 && LitShare() < 0.5) {
        growth::GrowthPassWith(rand);
        ++passes;
    }
    std::printf("%d x %d canvas: %d growth passes, %.0f%% lit\n", size, size, passes,
                100 * LitShare());
    grown = size;
}

void BM_SaveImage(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    const bool window = PlatformTest::OpenWindow(xs, ys + vertical_padding);
    if (window) ShowCanvasOnWindow();
    for (auto _ : state)
        if (!SaveImage(file).saved) state.SkipWithError("SaveImage failed");
    if (window) PlatformTest::CloseWindow();
    canvas_view = CanvasView{};
    NoteSize(state, "BM_SaveImage", SAVED_FILE);
    state.SetLabel(window ? "filled pixels drawn on a dummy window" : "no window");
}

// What a save runs on its worker: the file written from a snapshot of the canvas (taken once,
// outside the timing), filled, filtered and compressed on every core.
void BM_WriteImage(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    const CanvasSnapshot snapshot = TakeSnapshot();
    for (auto _ : state)
        if (!WriteImage(SAVED_FILE, snapshot).saved) state.SkipWithError("WriteImage failed");
    NoteSize(state, "BM_WriteImage", SAVED_FILE);
}

// Writes 16-bit grey samples (host order, row-major) as a PNG with libpng's defaults.
bool WritePlain(const std::vector<png_uint_16>& samples, int w, int h) {
    std::FILE* out = std::fopen(PLAIN_FILE, "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, out);
        png_set_IHDR(png, info, w, h, 16, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_swap(png);  // PNG samples are big-endian
        for (int y = 0; y < h; ++y)
            png_write_row(png, reinterpret_cast<png_const_bytep>(&samples[std::size_t(y) * w]));
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && ok;
}

// The samples SaveImage wrote, written again by bare libpng to a plain file.
void BM_LibpngOnly(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    if (!SaveImage(file).saved) {
        state.SkipWithError("SaveImage failed");
        return;
    }
    const png::image<png::gray_pixel_16> image(SAVED_FILE);
    std::vector<png_uint_16> samples(static_cast<std::size_t>(xs) * ys);
    for (int y = 0; y < ys; ++y)
        for (int x = 0; x < xs; ++x) samples[std::size_t(y) * xs + x] = image[y][x];
    for (auto _ : state)
        if (!WritePlain(samples, xs, ys)) state.SkipWithError("libpng write failed");
    NoteSize(state, "BM_LibpngOnly", PLAIN_FILE);
}

// What a save holds the window's frame for: the snapshot of the canvas, into memory made ahead
// as the window makes it (on a low-priority thread, before the save), against its floor, a copy
// of every value narrowed to 16 bits (what the snapshot was before it kept only the lit ones).
void BM_Snapshot(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    CanvasSnapshot taken;
    for (auto _ : state) {
        state.PauseTiming();
        taken = CanvasSnapshot{};
        CanvasSnapshot memory = SnapshotMemory(xs, ys, SnapshotNeedsNow().values);
        state.ResumeTiming();
        taken = TakeSnapshot(std::move(memory));
    }
}

void BM_DenseCopy(benchmark::State& state) {
    PrepareCanvas(static_cast<int>(state.range(0)));
    std::vector<std::uint16_t> dense(static_cast<std::size_t>(xs) * ys, 1);
    for (auto _ : state) {
        std::uint16_t* out = dense.data();
        for (int x = 0; x < xs; ++x, out += ys)
            for (int y = 0; y < ys; ++y) out[y] = static_cast<std::uint16_t>(arr[x][y]);
        benchmark::DoNotOptimize(dense.data());
        benchmark::ClobberMemory();
    }
}

// Both benchmarks of one size before the next size, so that each canvas is grown once.
// The CPU time of each is the process's, every thread's: the writer's work is mostly on its
// compression threads.
BENCHMARK(BM_SaveImage)
    ->Arg(512)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_WriteImage)
    ->Arg(512)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_LibpngOnly)
    ->Arg(512)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_SaveImage)
    ->Arg(4096)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_WriteImage)
    ->Arg(4096)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_LibpngOnly)
    ->Arg(4096)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(BM_Snapshot)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_DenseCopy)->Arg(4096)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* size : {"512", "4096"}) {
        const BestRun* libpng = reporter.Find(std::string("BM_LibpngOnly/") + size);
        if (!libpng) continue;
        const long plain = file_sizes[std::string("BM_LibpngOnly/") + size];
        std::printf("%s x %s: bare libpng %.1f ms (CPU %.1f), %ld bytes\n", size, size,
                    libpng->real, libpng->cpu, plain);
        for (const char* name : {"WriteImage", "SaveImage"}) {
            const BestRun* run = reporter.Find(std::string("BM_") + name + "/" + size);
            if (!run) continue;
            const long bytes = file_sizes[std::string("BM_") + name + "/" + size];
            std::printf(
                "  %-10s %.1f ms (CPU of every thread %.1f), wall ratio %.3f, CPU ratio %.3f; "
                "%ld bytes, size ratio %.4f\n",
                name, run->real, run->cpu, run->real / libpng->real, run->cpu / libpng->cpu, bytes,
                plain > 0 ? static_cast<double>(bytes) / plain : 0.0);
        }
    }
    const BestRun* snapshot = reporter.Find("BM_Snapshot/4096");
    const BestRun* dense = reporter.Find("BM_DenseCopy/4096");
    if (snapshot && dense)
        std::printf(
            "4096 x 4096 snapshot on the window's thread %.2f ms, floor (a dense 16-bit "
            "copy) %.2f ms, ratio %.2f\n",
            snapshot->real, dense->real, snapshot->real / dense->real);
    std::fflush(stdout);
    // The load of the machine while the figures were taken.
    if (std::system("uptime") != 0) std::printf("(no uptime)\n");
    std::remove(SAVED_FILE);
    std::remove(PLAIN_FILE);
    benchmark::Shutdown();
    return 0;
}
