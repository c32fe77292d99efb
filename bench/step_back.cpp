// SPDX-License-Identifier: MIT
// Stepping back in the window, at 512 x 512 and 4096 x 4096: a step of a second of growth (60
// frames) shown and presented, the first step after a save (whose filled pixels are shown, so
// the whole canvas is painted again from the grids), and growing on from the moment shown. The
// canvas grows from a fixed seed until about a third is lit (the larger with the most attempts
// per frame the panel allows); the summary gives the memory the canvas's past takes then.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "app/app.h"
#include "app/journal.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "summary.h"

namespace {

constexpr double LIT_SHARE = 0.33;
constexpr int MAX_FRAMES = 4000;

struct Grown {
    double lit = 0;
    int frames = 0;
    std::size_t past_bytes = 0;
};
std::map<int, Grown> grown;

double LitShare() {
    long lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return static_cast<double>(lit) / (static_cast<double>(xs) * ys);
}

// A frame as the window renders it, without the panel and the wait.
void Frame() {
    TimelineBeforeFrame();
    JournalFrameDone(CanvasFrame());
    TimelineFrameDone(JournalFrames());
}

// Opens a window of the size and grows its canvas, keeping the past as the window does; a canvas
// of the size grown last is kept as it is.
bool Grow(int size) {
    static int last = 0;
    vertical_padding = 72;
    if (!PlatformTest::OpenWindow(size, size + vertical_padding)) return false;
    // The view and the past it keeps stay from the last growth.
    if (size == last) return true;
    last = size;
    ShowCanvasOnWindow();
    ResetSettings();
    xs = ys = size;
    file = "bench-step-back.png";
    if (size > 512) tests_per_frame = 100000;
    StartTimeline();
    CRM32Pro_Main::RandSeed(7);
    SetPaused(false);
    RequestRestart();
    Grown g;
    // The first frame clears the canvas, which may hold another size's picture.
    do {
        Frame();
        ++g.frames;
    } while (g.frames < MAX_FRAMES && (g.frames % 16 != 0 || LitShare() < LIT_SHARE));
    PlatformTest::PresentFrame();
    g.lit = LitShare();
    g.past_bytes = TimelineBytes();
    if (!grown.contains(size)) grown[size] = g;
    return true;
}

void Close() {
    PlatformTest::CloseWindow();
}

// One step back shown and presented; the step forward that undoes it is not timed.
void BM_StepBack(benchmark::State& state) {
    if (!Grow(static_cast<int>(state.range(0)))) return state.SkipWithError("no window");
    for (auto _ : state) {
        StepBackCommand();
        PlatformTest::PresentFrame();
        state.PauseTiming();
        StepForwardCommand();
        PlatformTest::PresentFrame();
        state.ResumeTiming();
    }
    Close();
}

// The first step back after a save has shown its filled pixels.
void BM_StepBackAfterSave(benchmark::State& state) {
    if (!Grow(static_cast<int>(state.range(0)))) return state.SkipWithError("no window");
    for (auto _ : state) {
        state.PauseTiming();
        SetPaused(true);
        if (!SaveImageCommand()) state.SkipWithError("the save failed");
        state.ResumeTiming();
        StepBackCommand();
        PlatformTest::PresentFrame();
        state.PauseTiming();
        StepForwardCommand();
        state.ResumeTiming();
    }
    Close();
}

// Growing on from a step back: the engine's state goes back to the frame shown. The second of
// growth it leaves behind is grown again between the runs.
void BM_GrowOn(benchmark::State& state) {
    if (!Grow(static_cast<int>(state.range(0)))) return state.SkipWithError("no window");
    for (auto _ : state) {
        state.PauseTiming();
        StepBackCommand();
        state.ResumeTiming();
        GrowOnFromShownMoment();
        state.PauseTiming();
        SetPaused(false);
        for (int i = 0; i < 60; ++i) Frame();
        state.ResumeTiming();
    }
    Close();
}

BENCHMARK(BM_StepBack)->Arg(512)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepBackAfterSave)->Arg(512)->Arg(4096)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowOn)->Arg(512)->Arg(4096)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    CRM32Pro_ILogSystem::Init("bench-step-back.log", "bench_step_back");
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [size, g] : grown) {
        const BestRun* step = reporter.Find("BM_StepBack/" + std::to_string(size));
        const BestRun* saved = reporter.Find("BM_StepBackAfterSave/" + std::to_string(size));
        const BestRun* on = reporter.Find("BM_GrowOn/" + std::to_string(size));
        std::printf(
            "summary: %d x %d, %.0f%% lit after %d frames: the past takes %.1f MiB; a step back "
            "%.1f ms, after a save %.1f ms, growing on %.1f ms (wall, best run; goal %s)\n",
            size, size, 100 * g.lit, g.frames, static_cast<double>(g.past_bytes) / (1 << 20),
            step ? step->real : -1.0, saved ? saved->real : -1.0, on ? on->real : -1.0,
            size > 512 ? "1000 ms" : "200 ms");
    }
    benchmark::Shutdown();
    return 0;
}
