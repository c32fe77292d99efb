// The cost of a live frame as the process pays it: CPU seconds per frame of the program's frame
// loop (Update: event pump, frame wait, render callback, present) over a few seconds at 60 frames
// per second, next to the floor: a minimal SDL2 program that presents one 64 x 64 rectangle per
// frame through the window surface at the same window size and rate. Both at 512 x 584 and
// 4096 x 4168. Run it under an X server (scripts/bench starts a private Xvfb and passes its pid in
// XVFB_PID, so the X server's CPU for each run is printed too); on the dummy driver it measures
// only the copying. The render callback draws what a growth frame draws: the panel band boxed
// black (as the panel does every frame) and some thousands of scattered pixels in short strokes.
#include <SDL2/SDL.h>  // the floor is a bare SDL2 program
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/testing.h"

namespace {

constexpr int FRAMES = 240;  // 4 s at 60 frames per second
constexpr int BAND = 72;
// Strokes of a growth frame: short runs of pixels at scattered places, as strand lines land.
constexpr int STROKES = 40;
constexpr int STROKE_PIXELS = 60;

int frame_w = 0, frame_h = 0;
std::uint32_t seed = 1;

void GrowthFrame() {
    SDL_Surface* s = CRM32Pro_Main::screen;
    CRM32Pro_IPrimitives::BoxColor(s, 0, 0, static_cast<std::int16_t>(frame_w), BAND, 0);
    for (int k = 0; k < STROKES; ++k) {
        seed = seed * 1664525u + 1013904223u;
        const int x = static_cast<int>(seed % static_cast<std::uint32_t>(frame_w));
        const int y = BAND + static_cast<int>((seed >> 12) % (frame_h - BAND));
        const auto grey = static_cast<std::uint8_t>(64 + (seed >> 24) % 192);
        for (int i = 0; i < STROKE_PIXELS; ++i)
            CRM32Pro_IPrimitives::PutPixelRGBA(s, static_cast<std::int16_t>(x + i / 3),
                                               static_cast<std::int16_t>(y + i), grey, grey, grey,
                                               255, 1);
    }
}

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
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
    const double cpu0 = ProcessCpu(), wall0 = WallSeconds(), x0 = ServerCpu();
    for (int i = 0; i < FRAMES; ++i) frame();
    const double cpu = ProcessCpu() - cpu0, wall = WallSeconds() - wall0, x = ServerCpu() - x0;
    return {1000 * cpu / FRAMES, x0 < 0 ? -1 : 1000 * x / FRAMES, FRAMES / wall};
}

Cost ProgramFrames(int w, int h) {
    if (!PlatformTest::OpenWindow(w, h)) return {};
    frame_w = w;
    frame_h = h;
    CRM32Pro_Main::SetRenderCallback(GrowthFrame);
    CRM32Pro_ITimeSystem::Init();
    const Cost cost = Measure([] {
        Event e;
        while (CRM32Pro_Main::Update(&e)) {
        }
    });
    CRM32Pro_Main::SetRenderCallback(nullptr);
    PlatformTest::CloseWindow();
    return cost;
}

// The floor: the least a program can do per frame to show a change through SDL2's window
// surface: fill one 64 x 64 square, send it, drain the events, wait for the next 1/60 s.
Cost MinimalSdl2Frames(int w, int h) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return {};
    SDL_Window* win =
        SDL_CreateWindow("minimal", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h, 0);
    SDL_Surface* s = win ? SDL_GetWindowSurface(win) : nullptr;
    if (!s) {
        SDL_Quit();
        return {};
    }
    auto next = std::chrono::steady_clock::now();
    int n = 0;
    const Cost cost = Measure([&] {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        next += std::chrono::microseconds(16667);
        std::this_thread::sleep_until(next);
        ++n;
        SDL_Rect r{(n * 64) % (w - 64), BAND + (n * 7) % (h - BAND - 64), 64, 64};
        SDL_FillRect(s, &r, SDL_MapRGB(s->format, n & 255, 128, 255 - (n & 255)));
        SDL_UpdateWindowSurfaceRects(win, &r, 1);
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

}  // namespace

int main() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("present: %d frames each, video driver %s\n", FRAMES,
                driver ? driver : "(SDL's choice)");
    for (const int size : {512, 4096}) {
        const int w = size, h = size + BAND;
        const Cost program = ProgramFrames(w, h);
        const Cost floor = MinimalSdl2Frames(w, h);
        std::printf("%d x %d window:\n", w, h);
        Print("program frame (growth strokes)", program);
        Print("minimal SDL2 program (floor)", floor);
        if (floor.cpu_ms > 0)
            std::printf("  ratio to the floor: %.2f (CPU)\n", program.cpu_ms / floor.cpu_ms);
    }
    return 0;
}
