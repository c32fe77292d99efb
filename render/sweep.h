// Sweeps: many pictures of one kind (seeds A..B, or the values of one setting), each its own PNG,
// rendered by several processes at once, then put on a contact sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/options.h"

struct SweepItem {
    std::string file;   // in the sweep's folder
    std::string label;  // under its tile: "seed 7", "curl 0.0025"
    std::uint32_t seed = 0;
    std::string value;  // the varied setting's value, as the journal writes it; empty for seeds
};

// The pictures of a sweep in order. False with the reason when the varied key is not one of the
// panel's settings.
bool PlanSweep(const RenderOptions& o, std::uint32_t seed, std::vector<SweepItem>& items,
               std::string& error);

// The goal of a picture as its morvane:goal chunk names it: "lit P" when it grew until P percent
// of the canvas was lit (lit > 0), else "frames N".
std::string PictureGoal(std::uint64_t frames, double lit);

// How a sweep's picture is made: what its tEXt chunks must say for the file to count as done.
struct PictureMaking {
    std::uint32_t seed = 0;
    std::string goal;      // as PictureGoal writes it
    std::string settings;  // every setting as exact "key = value" lines
};
// True when the PNG at `path` says it was made exactly this way. A file of another seed, goal or
// settings, or one whose chunks cannot be read, is not done: the sweep renders it again.
bool MadeAs(const std::string& path, const PictureMaking& making);

// Renders what is missing of `items` with `render`, in up to `jobs` child processes; a picture
// whose file is there and says it was made the same way is kept. Ctrl-C (SIGINT, SIGTERM) stops
// the sweep: running renders are ended, no file is left half written, what is done stays.
// Returns 0, 1 on a failed render, or 130 when interrupted.
int RunSweep(const std::vector<SweepItem>& items, int jobs, bool quiet,
             int (*render)(const SweepItem&), bool (*is_done)(const SweepItem&));
