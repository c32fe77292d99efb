// morvane-render against the bare engine doing the same work in one run: 600 frames at the
// default settings on a 512 x 512 canvas from seed 1, then the PNG save. The renderer's overhead
// (process start, settings load, its lit-counting view, progress) should stay under 5%.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "engine/frame.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/export.h"

extern char** environ;

namespace {

constexpr int FRAMES = 600;
constexpr int RUNS = 5;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double BareEngine(const std::string& out) {
    ResetSettings();
    canvas_view = CanvasView{};
    init = 0;
    paused = do_fill = white_sprouts = 0;
    CRM32Pro_Main::RandSeed(1);
    const double start = CpuSeconds();
    for (int f = 0; f < FRAMES; ++f) CanvasFrame();
    SaveImage(out);
    return CpuSeconds() - start;
}

// CPU seconds (user + system) of one run of the renderer, as its parent sees them.
double Renderer(const std::string& program, const std::string& out) {
    const std::string frames = std::to_string(FRAMES);
    const char* argv[] = {program.c_str(), "--seed",     "1",         "--frames", frames.c_str(),
                          "--quiet",       "--settings", "/dev/null", "-o",       out.c_str(),
                          nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ))
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int, char** argv) {
    std::string program = argv[0];
    program = program.substr(0, program.find_last_of('/') + 1) + "../morvane-render";
    const std::string out = "/tmp/bench-render-" + std::to_string(getpid()) + ".png";
    double bare = 1e9, render = 1e9;
    for (int run = 0; run < RUNS; ++run) {
        bare = std::min(bare, BareEngine(out));
        const double r = Renderer(program, out);
        if (r < 0) {
            std::printf("morvane-render could not be run at %s\n", program.c_str());
            return 1;
        }
        render = std::min(render, r);
    }
    unlink(out.c_str());
    const double attempts = 5000.0 * FRAMES;
    std::printf("morvane-render %d frames: %.3f s CPU, %.0f frames/s, %.2fM attempts/s\n", FRAMES,
                render, FRAMES / render, attempts / render / 1e6);
    std::printf("bare engine, same work:  %.3f s CPU, %.0f frames/s, %.2fM attempts/s\n", bare,
                FRAMES / bare, attempts / bare / 1e6);
    std::printf("renderer overhead: %+.1f%% (goal under 5%%), best of %d runs each\n",
                100.0 * (render / bare - 1), RUNS);
    return 0;
}
