// SPDX-License-Identifier: MIT
// The cost of a live frame as the process and the X server pay it: CPU seconds per frame of the
// program's frame loop (Update: event pump, frame wait, render callback, present) over a few
// seconds at 60 frames per second, next to floors: minimal SDL2 window-surface programs at the
// same window size and rate that draw the same changed pixels and send them as one 1 x 1
// rectangle per pixel, or one rectangle per run of the 8 x 8 blocks they touch along a row (from
// its first changed row to its last), and one that sends a single 64 x 64 square. At 512 x 584 and
// 4096 x 4168, the canvas shown 1:1 and zoomed. Run it under an X server large enough for 1:1 at
// 4096 (scripts/bench starts a private 4200 x 4300 Xvfb and passes its pid in XVFB_PID, so the X
// server's CPU is printed for each run too); on the dummy driver it measures only the copying. The
// render callback draws what a growth frame on a grown canvas changes: a few thousand scattered
// pixels in short strokes (the panel draws nothing in a frame where none of its values changed).
#include <SDL2/SDL.h>  // the floor is a bare SDL2 program
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "clocks.h"
#include "engine/settings.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "platform/testing.h"

namespace {

constexpr int FRAMES = 240;  // 4 s at 60 frames per second
constexpr int BAND = 72;
// Strokes of a growth frame: short runs of pixels at scattered places, as strand lines land; 1800
// pixels, about what a frame changes on a half-lit 4096 canvas.
constexpr int STROKES = 30;
constexpr int STROKE_PIXELS = 60;

int frame_w = 0, frame_h = 0;
std::uint32_t seed = 1;

// One pixel a growth frame draws.
struct Dot {
    int x, y;
    std::uint8_t grey;
};

// The pixels of the next growth frame: STROKES short strokes at scattered places below the band,
// steep and shallow in turn, as strands run every way.
std::vector<Dot> NextStrokes() {
    std::vector<Dot> dots;
    for (int k = 0; k < STROKES; ++k) {
        seed = seed * 1664525u + 1013904223u;
        const int x = static_cast<int>(seed % static_cast<std::uint32_t>(frame_w - STROKE_PIXELS));
        const int y = BAND + static_cast<int>((seed >> 12) % (frame_h - BAND - STROKE_PIXELS));
        const auto grey = static_cast<std::uint8_t>(64 + (seed >> 24) % 192);
        for (int i = 0; i < STROKE_PIXELS; ++i)
            dots.push_back(k % 2 ? Dot{x + i / 3, y + i, grey} : Dot{x + i, y + i / 3, grey});
    }
    return dots;
}

void GrowthFrame() {
    for (const Dot& d : NextStrokes())
        CRM32Pro_IPrimitives::PutPixelRGBA(CRM32Pro_Main::screen, static_cast<std::int16_t>(d.x),
                                           static_cast<std::int16_t>(d.y), d.grey, d.grey, d.grey,
                                           255, 1);
}

// CPU seconds (user + system) the X server has used, or -1 without XVFB_PID.
double ServerCpu() {
    const char* pid = std::getenv("XVFB_PID");
    if (!pid) return -1;
    std::ifstream stat(std::string("/proc/") + pid + "/stat");
    std::string field;
    // utime and stime are fields 14 and 15; the command name (field 2) has no spaces for Xvfb.
    for (int i = 1; i <= 13 && stat >> field; ++i) {
    }
    long utime = 0, stime = 0;
    if (!(stat >> utime >> stime)) return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Cost {
    double cpu_ms = 0;     // this process's CPU per frame
    double server_ms = 0;  // the X server's CPU per frame, -1 when unknown
    double fps = 0;
};

template <typename Frame>
Cost Measure(Frame frame) {
    for (int i = 0; i < 30; ++i) frame();  // the first whole-window present and warm-up
    const double cpu0 = ProcessCpuSeconds(), wall0 = WallSeconds(), x0 = ServerCpu();
    for (int i = 0; i < FRAMES; ++i) frame();
    const double cpu = ProcessCpuSeconds() - cpu0, wall = WallSeconds() - wall0,
                 x = ServerCpu() - x0;
    return {1000 * cpu / FRAMES, x0 < 0 ? -1 : 1000 * x / FRAMES, FRAMES / wall};
}

// The program's frame loop; `zoom` steps in from the fitted view first (0: as it opens).
Cost ProgramFrames(int w, int h, int zoom) {
    if (!PlatformTest::OpenWindow(w, h)) return {};
    frame_w = w;
    frame_h = h;
    seed = 1;
    CRM32Pro_Main::SetRenderCallback(GrowthFrame);
    CRM32Pro_ITimeSystem::Init();
    CRM32Pro_Main::ZoomView(zoom);
    const Cost cost = Measure([] {
        Event e;
        while (CRM32Pro_Main::Update(&e)) {
        }
    });
    CRM32Pro_Main::SetRenderCallback(nullptr);
    PlatformTest::CloseWindow();
    return cost;
}

// How a floor program sends a frame's changed pixels.
enum class Send { OnePixelRects, BlockRects, OneSquare };

// A floor: the least a program can do per frame through SDL2's window surface: draw the frame's
// pixels (or fill one 64 x 64 square), send them, drain the events, wait for the next 1/60 s.
Cost MinimalSdl2Frames(int w, int h, Send send) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return {};
    SDL_Window* win =
        SDL_CreateWindow("minimal", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h, 0);
    SDL_Surface* s = win ? SDL_GetWindowSurface(win) : nullptr;
    if (!s) {
        SDL_Quit();
        return {};
    }
    frame_w = w;
    frame_h = h;
    seed = 1;
    auto next = std::chrono::steady_clock::now();
    int n = 0;
    std::vector<SDL_Rect> rects;
    const Cost cost = Measure([&] {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        next += std::chrono::microseconds(16667);
        std::this_thread::sleep_until(next);
        ++n;
        rects.clear();
        if (send == Send::OneSquare) {
            rects.push_back({(n * 64) % (w - 64), BAND + (n * 7) % (h - BAND - 64), 64, 64});
            SDL_FillRect(s, rects.data(), SDL_MapRGB(s->format, n & 255, 128, 255 - (n & 255)));
        } else {
            // Each block touched, with the first and last of its rows that changed.
            std::map<std::pair<int, int>, std::pair<int, int>> blocks;
            for (const Dot& d : NextStrokes()) {
                auto* row =
                    reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + d.y * s->pitch);
                row[d.x] = SDL_MapRGB(s->format, d.grey, d.grey, d.grey);
                if (send == Send::OnePixelRects) rects.push_back({d.x, d.y, 1, 1});
                if (send == Send::BlockRects) {
                    auto& rows = blocks.try_emplace({d.y / 8, d.x / 8}, 8, -1).first->second;
                    rows = {std::min(rows.first, d.y % 8), std::max(rows.second, d.y % 8)};
                }
            }
            // A run of blocks along a row is one rectangle, over the rows changed in any of them.
            int run_y = -1, run_x = 0, run_end = 0, top = 0, bottom = 0;
            const auto send_run = [&] {
                if (run_y >= 0)
                    rects.push_back(
                        {run_x * 8, run_y * 8 + top, (run_end - run_x) * 8, bottom - top + 1});
            };
            for (const auto& [block, rows] : blocks) {
                if (block.first == run_y && block.second == run_end) {
                    ++run_end;
                    top = std::min(top, rows.first);
                    bottom = std::max(bottom, rows.second);
                    continue;
                }
                send_run();
                run_y = block.first, run_x = block.second, run_end = run_x + 1;
                top = rows.first, bottom = rows.second;
            }
            send_run();
        }
        SDL_UpdateWindowSurfaceRects(win, rects.data(), static_cast<int>(rects.size()));
    });
    SDL_DestroyWindow(win);
    SDL_Quit();
    return cost;
}

void Print(const char* what, const Cost& c) {
    std::printf("  %-34s %7.3f ms CPU/frame", what, c.cpu_ms);
    if (c.server_ms >= 0) std::printf("  X server %7.3f ms/frame", c.server_ms);
    std::printf("  %5.1f fps\n", c.fps);
}

// CPU microseconds of one DrawPanel on a w x h window when nothing on the panel changed (the
// package is read from Data/gfx.dpf, as in build/), or -1 without the package's font.
double UnchangedPanelMicros(int w, int h) {
    if (!PlatformTest::OpenWindow(w, h)) return -1;
    xs = w;
    display_GUI = true;
    StartPanel("Data/gfx.dpf", PanelCommands{});
    DrawPanel();
    constexpr int CALLS = 600;
    const double cpu0 = ProcessCpuSeconds();
    for (int i = 0; i < CALLS; ++i) DrawPanel();
    const double micros = 1e6 * (ProcessCpuSeconds() - cpu0) / CALLS;
    StopPanel();
    PlatformTest::CloseWindow();
    return micros;
}

double Total(const Cost& c) {
    return c.cpu_ms + std::max(c.server_ms, 0.0);
}

}  // namespace

int main() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("present: %d frames each, %d strokes of %d pixels a frame, video driver %s\n",
                FRAMES, STROKES, STROKE_PIXELS, driver ? driver : "(SDL's choice)");
    for (const int size : {512, 4096}) {
        const int w = size, h = size + BAND;
        const Cost program = ProgramFrames(w, h, 0);
        const Cost zoomed = ProgramFrames(w, h, 1);
        const Cost pixels = MinimalSdl2Frames(w, h, Send::OnePixelRects);
        const Cost blocks = MinimalSdl2Frames(w, h, Send::BlockRects);
        const Cost square = MinimalSdl2Frames(w, h, Send::OneSquare);
        std::printf("%d x %d window:\n", w, h);
        Print("program frame (growth strokes)", program);
        Print("program frame, zoomed in one step", zoomed);
        Print("floor: same pixels as 1x1 rects", pixels);
        Print("floor: same pixels as block runs", blocks);
        Print("floor: one 64x64 square", square);
        const double panel = UnchangedPanelMicros(w, h);
        std::printf(
            "  panel with nothing changed: %.1f us CPU per frame (%.1f%% of the program's"
            " frame)\n",
            panel, panel / (10 * program.cpu_ms));
        const double best = std::min(Total(pixels), Total(blocks));
        if (best > 0)
            std::printf("  program + X server against the better floor: %.2f; zoomed/fitted %.2f\n",
                        Total(program) / best, Total(zoomed) / std::max(Total(program), 1e-9));
    }
    return 0;
}
