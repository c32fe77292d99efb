// SPDX-License-Identifier: MIT
// Preloaded into the window program by `scripts/bench start`: at the program's first present (the
// first frame reaching the display) it writes the process's CPU seconds so far, user and system,
// to the file MORVANE_BENCH_FIRST_FRAME names, then passes the call on to SDL. Only the first
// present is looked at; the program runs on as usual.
#include <dlfcn.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

struct SDL_Window;
struct SDL_Rect;

namespace {

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

void WriteCpuSoFar() {
    const char* path = std::getenv("MORVANE_BENCH_FIRST_FRAME");
    if (!path) return;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (FILE* out = std::fopen(path, "w")) {
        std::fprintf(out, "%.3f %.3f\n", Seconds(usage.ru_utime), Seconds(usage.ru_stime));
        std::fclose(out);
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int SDL_UpdateWindowSurfaceRects(
    SDL_Window* window, const SDL_Rect* rects, int count) {
    using Update = int (*)(SDL_Window*, const SDL_Rect*, int);
    static const auto next =
        reinterpret_cast<Update>(dlsym(RTLD_NEXT, "SDL_UpdateWindowSurfaceRects"));
    static std::atomic<bool> seen{false};
    if (!seen.exchange(true)) WriteCpuSoFar();
    return next ? next(window, rects, count) : -1;
}
