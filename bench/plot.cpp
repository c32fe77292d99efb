// SPDX-License-Identifier: MIT
// Paper outputs of morvane-render at real sizes. The plot of a 2048 canvas on A3 with a 0.3 mm
// pen (seed 7, until 20% is lit) against its targets: no path shorter than the pen is wide, at
// most a third of the 150,664 paths and half of the 49 m pen-up travel of the plotter SVG before
// plot plans, at most 15 MB. Then the size and time of the saved-look SVG and PDF of a 512 and a
// 4096 canvas at the default stop.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "clocks.h"

namespace {

constexpr double PEN = 0.3;  // mm
constexpr double MAX_PATHS = 150664 / 3.0;
constexpr double MAX_PEN_UP = 49 / 2.0;  // m
constexpr double MAX_MB = 15;

std::string Scratch(const std::string& what) {
    return "/tmp/bench-plot-" + std::to_string(getpid()) + "-" + what;
}

// Runs morvane-render with `args` (standard error to `err`); the wall seconds, or -1 on failure.
double Run(const std::string& program, const std::string& args, const std::string& err) {
    const double start = WallSeconds();
    const std::string command = program + " " + args + " 2>" + err;
    if (std::system(command.c_str()) != 0) return -1;
    return WallSeconds() - start;
}

double MegaBytes(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : -1;
}

// The shortest path of a plotter SVG, in mm (its user unit), and the number of paths.
double ShortestPath(const std::string& path, long& paths) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string svg = text.str();
    double shortest = std::numeric_limits<double>::infinity();
    paths = 0;
    for (std::size_t at = svg.find("<path d=\""); at != std::string::npos;
         at = svg.find("<path d=\"", at + 1)) {
        std::istringstream d(svg.substr(at + 9, svg.find('"', at + 9) - at - 9));
        double length = 0, x0 = NAN, y0 = NAN, x = 0, y = 0;
        char letter = 0;
        while (d >> std::ws && d.peek() != EOF) {
            if (std::isalpha(d.peek())) d >> letter;
            if (!(d >> x >> y)) break;
            if (!std::isnan(x0)) length += std::hypot(x - x0, y - y0);
            x0 = x;
            y0 = y;
        }
        shortest = std::min(shortest, length);
        ++paths;
    }
    return shortest;
}

// The pen-up travel in m from the plot's closing report line.
double PenUp(const std::string& report) {
    std::ifstream in(report);
    std::string line;
    double up = -1;
    while (std::getline(in, line)) {
        const auto at = line.rfind("pen up ");
        if (line.find(" paths, pen down ") != std::string::npos && at != std::string::npos)
            up = std::atof(line.c_str() + at + 7);
    }
    return up;
}

bool WriteCanvasSize(const std::string& path, int side) {
    std::ofstream out(path);
    out << "width = " << side << "\nheight = " << side << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int, char** argv) {
    std::string program = argv[0];
    program = program.substr(0, program.find_last_of('/') + 1) + "../morvane-render";
    const std::string cfg = Scratch("size.cfg"), svg = Scratch("plot.svg"),
                      err = Scratch("err.txt");
    if (!WriteCanvasSize(cfg, 2048)) return 1;
    const double seconds = Run(program,
                               "render --settings " + cfg +
                                   " --seed 7 --lit 20 --quiet --plot --size A3 "
                                   "--pen 0.3 -o " +
                                   svg,
                               err);
    if (seconds < 0) {
        std::printf("morvane-render could not plot (%s)\n", program.c_str());
        return 1;
    }
    long paths = 0;
    const double shortest = ShortestPath(svg, paths), up = PenUp(err), mb = MegaBytes(svg);
    std::printf("plot of 2048 on A3, 0.3 mm pen: %.1f s (render included)\n", seconds);
    std::printf("  paths %ld (at most %.0f), shortest %.3f mm (at least %.1f)\n", paths, MAX_PATHS,
                shortest, PEN);
    std::printf("  pen up %.1f m (at most %.1f), file %.1f MB (at most %.0f)\n", up, MAX_PEN_UP, mb,
                MAX_MB);
    for (const int side : {512, 4096}) {
        if (!WriteCanvasSize(cfg, side)) return 1;
        for (const char* ext : {"svg", "pdf"}) {
            const std::string page = Scratch(std::string("page.") + ext);
            const double s =
                Run(program, "render --settings " + cfg + " --seed 7 --quiet -o " + page, err);
            std::printf("saved look, %d at 25%% lit, %s: %.1f MB in %.1f s (render included)\n",
                        side, ext, MegaBytes(page), s);
            unlink(page.c_str());
        }
    }
    for (const std::string& f : {cfg, svg, err}) unlink(f.c_str());
    return 0;
}
