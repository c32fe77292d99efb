// Cost of presenting one frame: the dirty tiles of typical growth, of the panel band, and of a
// whole-window repaint, at the smallest (512 x 584) and largest (4096 x 4168) windows. Run it
// under an X server (Xvfb) to measure the real display path; the dummy driver measures only the
// copying.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/testing.h"

namespace {

// Strokes of a growth frame: short runs of pixels at scattered places, as strand lines land.
constexpr int STROKES = 40;
constexpr int STROKE_PIXELS = 60;

enum Scene { GROWTH = 0, PANEL = 1, WHOLE = 2 };

void Draw(Scene scene, int w, int h, std::uint32_t& seed) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    switch (scene) {
        case GROWTH:
            for (int k = 0; k < STROKES; ++k) {
                seed = seed * 1664525u + 1013904223u;
                const int x = static_cast<int>(seed % static_cast<std::uint32_t>(w));
                const int y =
                    72 + static_cast<int>((seed >> 12) % static_cast<std::uint32_t>(h - 72));
                for (int i = 0; i < STROKE_PIXELS; ++i)
                    CRM32Pro_IPrimitives::PutPixelRGBA(s, static_cast<std::int16_t>(x + i / 3),
                                                       static_cast<std::int16_t>(y + i), 200, 200,
                                                       200, 255, 1);
            }
            break;
        case PANEL:
            CRM32Pro_IPrimitives::BoxColor(s, 0, 0, static_cast<std::int16_t>(w), 72, 0);
            break;
        case WHOLE:
            CRM32Pro_IPrimitives::BoxColor(s, 0, 0, static_cast<std::int16_t>(w),
                                           static_cast<std::int16_t>(h), 0);
            break;
    }
}

void BM_Present(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Scene scene = static_cast<Scene>(state.range(2));
    if (!PlatformTest::OpenWindow(w, h)) {
        state.SkipWithError("no window");
        return;
    }
    PlatformTest::PresentFrame();  // the first frame shows the whole window
    std::uint32_t seed = 1;
    std::int64_t rects = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Draw(scene, w, h, seed);
        state.ResumeTiming();
        rects += PlatformTest::PresentFrame();
    }
    state.counters["rects"] =
        benchmark::Counter(static_cast<double>(rects), benchmark::Counter::kAvgIterations);
    PlatformTest::CloseWindow();
}

}  // namespace

BENCHMARK(BM_Present)
    ->ArgNames({"w", "h", "scene"})
    ->Args({512, 584, GROWTH})
    ->Args({512, 584, PANEL})
    ->Args({512, 584, WHOLE})
    ->Args({4096, 4168, GROWTH})
    ->Args({4096, 4168, PANEL})
    ->Args({4096, 4168, WHOLE})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
