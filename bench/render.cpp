// SPDX-License-Identifier: MIT
// morvane-render against the bare engine doing the same work in one run: 600 frames at the
// default settings on a 512 x 512 and on a 4096 x 4096 canvas from seed 1, then the PNG save. The
// renderer's overhead (process start, settings load, its lit-counting view, progress, the
// fingerprint) should stay under 5%. The bare engine runs in a process of its own too (this
// program, started again with --bare), which like the renderer starts with none of its memory
// brought in: run in this process, a run could find what an earlier one had brought in (the
// save's buffers, its threads' stacks). Then a sweep of 16 seeds on every core against one
// process, and the contact sheet of 64 renders of 1024 x 1024.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "clocks.h"
#include "engine/frame.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/export.h"

extern char** environ;

namespace {

constexpr int FRAMES = 600;
constexpr int RUNS = 9;

// The renderer's work on the engine alone, in the process started with --bare.
void BareEngine(const std::string& out, int size) {
    ResetSettings();
    xs = ys = size;
    canvas_view = CanvasView{};
    init = 0;
    paused = do_fill = white_sprouts = 0;
    CRM32Pro_Main::RandSeed(1);
    for (int f = 0; f < FRAMES; ++f) CanvasFrame();
    SaveImage(out);
}

struct Run {
    double cpu = -1, wall = -1;  // seconds; -1 when the program failed
};

// One run of `program` with `args`: its CPU (user + system, as its parent sees them, children
// included) and wall time.
Run RunProgram(const std::string& program, std::vector<std::string> args) {
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const double start = WallSeconds();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)) return {};
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};

    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), WallSeconds() - start};
}

std::string Scratch(const std::string& what) {
    return "/tmp/bench-render-" + std::to_string(getpid()) + "-" + what;
}

// The renderer against the bare engine at canvas size `size`, RUNS of each taken in turns: the
// best of each, and the median of the runs' ratios, which a run slowed by the machine moves less;
// false when the renderer could not be run.
bool CompareAtSize(const std::string& self, const std::string& program, int size) {
    const std::string out = Scratch("one.png");
    const std::string cfg = Scratch("size.cfg");
    if (std::FILE* f = std::fopen(cfg.c_str(), "w")) {
        std::fprintf(f, "width = %d\nheight = %d\n", size, size);
        std::fclose(f);
    }
    double bare = 1e9, render = 1e9;
    std::vector<double> ratios;
    for (int run = 0; run < RUNS; ++run) {
        const double b = RunProgram(self, {"--bare", std::to_string(size), out}).cpu;
        const Run r =
            RunProgram(program, {"render", "--seed", "1", "--frames", std::to_string(FRAMES),
                                 "--quiet", "--settings", cfg, "-o", out});
        if (r.cpu < 0 || b < 0) {
            std::printf("morvane-render could not be run at %s\n", program.c_str());
            return false;
        }
        bare = std::min(bare, b);
        render = std::min(render, r.cpu);
        ratios.push_back(r.cpu / b);
    }
    unlink(out.c_str());
    unlink(cfg.c_str());
    std::nth_element(ratios.begin(), ratios.begin() + RUNS / 2, ratios.end());
    const double attempts = 5000.0 * FRAMES;
    std::printf("%d x %d, morvane-render %d frames: %.3f s CPU, %.0f frames/s, %.2fM attempts/s\n",
                size, size, FRAMES, render, FRAMES / render, attempts / render / 1e6);
    std::printf("%d x %d, bare engine, same work:  %.3f s CPU, %.0f frames/s, %.2fM attempts/s\n",
                size, size, bare, FRAMES / bare, attempts / bare / 1e6);
    std::printf(
        "%d x %d, renderer overhead: %+.1f%% best against best, %+.1f%% the median of %d "
        "runs' ratios (goal under 5%%)\n",
        size, size, 100.0 * (render / bare - 1), 100.0 * (ratios[RUNS / 2] - 1), RUNS);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--bare") {
        BareEngine(argv[3], std::atoi(argv[2]));
        return 0;
    }
    const std::string self = argv[0];
    const std::string program = self.substr(0, self.find_last_of('/') + 1) + "../morvane-render";
    for (const int size : {512, 4096})
        if (!CompareAtSize(self, program, size)) return 1;

    // 16 seeds at the default settings, 600 frames each: every core against one process. The CPU
    // seconds show whether the renders slow each other down; the wall time also depends on the
    // share of the machine this session gets, which under the scheduler's autogroups is one
    // session's share however many processes it runs, so the load is printed beside it.
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    // An empty settings file: the defaults, whatever defaults.cfg the folder holds.
    const std::string defaults = Scratch("defaults.cfg");
    if (std::FILE* f = std::fopen(defaults.c_str(), "w")) std::fclose(f);
    const auto sweep = [&](const std::string& jobs) {
        const std::string dir = Scratch("sweep-" + jobs);
        const Run r =
            RunProgram(program, {"sweep", "1..16", "--frames", std::to_string(FRAMES), "-j", jobs,
                                 "--dir", dir, "--quiet", "--settings", defaults});
        std::filesystem::remove_all(dir);
        return r;
    };
    const Run one = sweep("1");
    const Run all = sweep(std::to_string(cores));
    unlink(defaults.c_str());
    if (one.cpu < 0 || all.cpu < 0) {
        std::printf("the sweep could not be run\n");
        return 1;
    }
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    std::printf(
        "sweep of 16 seeds x 600 frames at 512: %.2f s (CPU %.2f s) on %ld cores, %.2f s (CPU "
        "%.2f s) in one process: %.2fx; load %.2f\n",
        all.wall, all.cpu, cores, one.wall, one.cpu, one.wall / all.wall, load);

    // The sheet of 64 renders of 1024 x 1024 (grown 60 frames each), timed alone.
    const std::string dir = Scratch("sheet");
    const std::string cfg = Scratch("1024.cfg");
    if (std::FILE* f = std::fopen(cfg.c_str(), "w")) {
        std::fputs("width = 1024\nheight = 1024\n", f);
        std::fclose(f);
    }
    RunProgram(program,
               {"sweep", "1..64", "--frames", "60", "--settings", cfg, "--dir", dir, "--quiet"});
    // The sweep names its folder and files itself; the sheet takes whatever PNGs it wrote.
    std::vector<std::string> pictures;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.path().extension() == ".png") pictures.push_back(entry.path().string());
    std::sort(pictures.begin(), pictures.end());
    std::vector<std::string> args = {"sheet", "-o", dir + "/sheet.png", "--quiet"};
    args.insert(args.end(), pictures.begin(), pictures.end());
    const Run sheet = RunProgram(program, args);
    std::printf("sheet of %zu renders of 1024 x 1024: %.2f s (CPU %.2f s)\n", pictures.size(),
                sheet.wall, sheet.cpu);
    std::filesystem::remove_all(dir);
    unlink(cfg.c_str());
    return 0;
}
