// SPDX-License-Identifier: MIT
// What morvane-render is asked to do, as its command line says it: the job, what to render and
// where to write it. render/cli/table.h says which subcommand takes which option.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A render with neither --frames nor --lit stops once this share of the canvas is lit: at every
// canvas size from 512 to 4096 the strands still read as lines with black between them.
constexpr double DEFAULT_LIT = 25;

// One axis of a --vary sweep: `count` values of the setting `key` from `from` to `to`.
struct VaryAxis {
    std::string key;
    double from = 0, to = 0;
    int count = 0;
};

struct RenderOptions {
    // The subcommand: which job runs.
    enum class Mode { Render, Replay, From, History, Sweep, Grid, Sheet, Gallery };
    enum class Target { LastSave, Save, Frame, End, BeforeRestart };

    Mode mode = Mode::Render;
    // Render: the settings file (empty: defaults.cfg when present), the seed (none: the clock),
    // and when to stop: after `frames` frames, or once `lit` percent of the canvas is lit; the
    // window's two toggles, white sprouts and pixel fill, on from the first frame.
    std::string settings;
    std::optional<std::uint32_t> seed;
    std::optional<std::uint64_t> frames;
    std::optional<double> lit;
    bool white = false, fill_holes = false;
    // Replay: the log (a path, or @last, @2 ... for a kept session) and which state of the
    // session to write; or, with `list`, only the saves and restarts it could write.
    std::string log;
    Target target = Target::LastSave;
    std::uint64_t target_number = 0;  // K of --save K and --before-restart K, F of --frame F
    bool list = false;
    // From: a PNG the renderer wrote.
    std::string from;

    // Sweep: seeds first..last, or the values of one setting (a grid: of two) at one seed; `jobs`
    // processes at once; one PNG per picture in a folder of `dir` named by what they share.
    std::uint32_t sweep_first = 0, sweep_last = 0;
    std::vector<VaryAxis> vary;
    int jobs = 0;  // 0: one per core
    std::string dir = "sweep";
    bool dir_given = false;
    // Gallery: an index.html beside the sweep's pictures (or the files named, in --dir).
    bool gallery = false;
    // Sheet: the contact sheet to write, of the sweep's pictures, of `files`, or of the newest
    // kept sessions (History).
    std::string sheet;
    std::vector<std::string> files;
    // Video: the growth of every `every`-th frame at `fps`, in the container its extension names
    // (at most `video_size` pixels on its longer side when above 0), or as numbered PNGs in
    // `frames_dir`.
    std::string video, frames_dir;
    int fps = 30, every = 1, video_size = 0;

    std::string output = "morvane-render.png";
    bool output_given = false;  // -o: with a video, the image is written only when asked for
    bool video_wanted() const { return !video.empty() || !frames_dir.empty(); }
    int thumb = 0;  // > 0: an 8-bit thumbnail this many pixels wide instead of the 16-bit image
    bool quiet = false;
    // Print the canvas fingerprint of the picture written (FNV-1a 64 of its 16-bit values).
    bool fingerprint = false;

    // Print and vectors (render/print.h, which checks them against the canvas): the page size
    // (A4, A3, A2, WxHmm, WxHin; empty: the canvas at 96 px per inch), its margin, the paper
    // (black, white), the pen width, the DPI, the colour map, the plotter form of an SVG, and the
    // canvas as the window shows it (no hole fill).
    std::string size, paper, palette;
    std::optional<double> margin, pen, dpi;
    bool plot = false, as_shown = false;
    // A plot (render/out/plot.h): the pens, the faintest grey drawn (0..1), and in mm the gap
    // joined end to end, the simplification's tolerance and the shortest path kept (defaults
    // from the pen's width).
    std::optional<int> pens;
    std::optional<double> min_grey, merge, simplify, min_length;
    bool plot_shaped() const { return pens || min_grey || merge || simplify || min_length; }
};
