// SPDX-License-Identifier: MIT
// The order in which a plotter draws a layer's paths: greedy from the nearest free end, then
// improved by reversing runs of paths (2-opt) wherever that shortens the pen-up travel.
#pragma once

#include <vector>

#include "render/out/end_grid.h"

// One path in the drawing order, and whether it is drawn from its last point.
struct PlotStep {
    std::size_t path;
    bool reversed;
};

// The order of `paths` on an xs x ys canvas, the pen starting at the canvas's corner (0, 0).
std::vector<PlotStep> OrderForTravel(const PlotPaths& paths, int xs, int ys);
