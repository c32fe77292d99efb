// SPDX-License-Identifier: MIT
// Sweeps: many pictures of one kind (seeds A..B, or the values of one or two settings), each its
// own PNG, rendered by several processes at once, then put on a contact sheet or a gallery page.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/batch/grid_layout.h"
#include "render/cli/options.h"

struct SweepItem {
    std::string
        file;  // in the sweep's folder: "seed-0007.png", "curl-0.0025_probability-0.010.png"
    std::string label;  // under its tile: "seed 7", "curl 0.0025, probability 0.010"
    std::uint32_t seed = 0;
    // The keys this picture varies and their values, exact as the journal writes them; a toggle
    // ("white", "fill-holes") holds 0 or 1.
    std::vector<std::pair<std::string, std::string>> values;
};

// The pictures of a sweep in order, a grid's row by row; a sweep along one axis leaves the grid
// empty.
struct SweepPlan {
    std::vector<SweepItem> items;
    GridLayout grid;
};

// Makes the folder `path` unless it is one already; false with the reason (a file of that name,
// or the system's) otherwise.
bool MakeFolder(const std::string& path, std::string& error);

// Plans the sweep `o` asks for at `seed` (for --vary) into `folder`. False with the reason when a
// varied key is not one of the panel's settings or toggles, or when two pictures would get the
// same name (a whole-number setting asked for more values than its range holds).
bool PlanSweep(const RenderOptions& o, std::uint32_t seed, const std::string& folder,
               SweepPlan& plan, std::string& error);

// Takes the lines of `settings` ("key = value") whose keys the sweep varies out, so that what
// remains is what all its pictures share.
std::string SharedSettings(const RenderOptions& o, const std::string& settings);

// The folder of a sweep inside `dir`: named by its stop (`stop`, "lit-25", "frames-600") and a
// hash of `shared`, the settings, toggles, stop and seed that all its pictures have in common, so
// that a sweep made another way never lands among its files.
std::string SweepFolder(const std::string& dir, const std::string& stop, const std::string& shared);
// Makes the folder (and its parent) and writes `shared` into its sweep.txt; false with the
// reason when a folder cannot be made or an existing sweep.txt records something else.
bool PrepareSweepFolder(const std::string& folder, const std::string& shared, std::string& error);

// The goal of a picture as its morvane:goal chunk names it: "lit P" when it grew until P percent
// of the canvas was lit (lit > 0), else "frames N".
std::string PictureGoal(std::uint64_t frames, double lit);

// How a sweep's picture is made: what its tEXt chunks must say for the file to count as done.
struct PictureMaking {
    std::uint32_t seed = 0;
    std::string goal;      // as PictureGoal writes it
    std::string toggles;   // "white=0 fill-holes=1"
    std::string settings;  // every setting as exact "key = value" lines
};
// True when the PNG at `path` says it was made exactly this way. A file of another seed, goal,
// toggles or settings, or one whose chunks cannot be read, is not done: the sweep renders it
// again.
bool MadeAs(const std::string& path, const PictureMaking& making);

// Renders what is missing of `items` with `render`, in up to `jobs` child processes; a picture
// whose file is there and says it was made the same way is kept. Ctrl-C (SIGINT, SIGTERM) stops
// the sweep: running renders are ended, no file is left half written, what is done stays.
// Returns 0, 1 on a failed render, or 130 when interrupted.
int RunSweep(const std::vector<SweepItem>& items, int jobs, bool quiet,
             int (*render)(const SweepItem&), bool (*is_done)(const SweepItem&));
