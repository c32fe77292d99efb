// SPDX-License-Identifier: MIT
// The jobs that make one picture: render (settings and a seed), replay (a session's journal) and
// from (a picture's own text chunks), each written as the options ask, with its provenance.
#pragma once

#include <cstdint>
#include <string>

#include "render/cli/options.h"

// One new picture: from the current settings and `seed`, `frames` frames or until `lit` percent
// of the canvas is lit; written to `output` unless it is empty (a video alone).
struct PictureJob {
    std::uint32_t seed = 0;
    std::uint64_t frames = 0;
    double lit = DEFAULT_LIT;
    bool white = false, fill_holes = false;
    std::string output, label;
    int thumb = 0;
    bool quiet = false;
};

// The job the options of a render ask for, at `seed`.
PictureJob JobOf(const RenderOptions& o, std::uint32_t seed);
// Renders the job and writes it with its seed, settings and stop. Returns the exit code.
int RenderPicture(const PictureJob& job);
// The settings of a new picture: --settings, else defaults.cfg here when present; false, with
// one line, when --settings cannot be read.
bool LoadPictureSettings(const RenderOptions& o);
// The seed: --seed, else the clock, printed so that it can be written down.
std::uint32_t PictureSeed(const RenderOptions& o);
// The settings in force as exact "key = value" lines, which the settings reader takes back
// unchanged.
std::string ExactSettings();
// What a picture says of how it was made: its stop and its toggles.
std::string GoalText(const PictureJob& job);
std::string TogglesText(const PictureJob& job);

// The subcommands; each returns the exit code.
int RenderCommand(const RenderOptions& o);
int ReplayCommand(const RenderOptions& o);
int FromCommand(const RenderOptions& o);
