// SPDX-License-Identifier: MIT
// A plot plan: the recorded strands as a pen plotter draws them. Their segments are sorted by
// grey into one layer per pen; within a layer, paths that meet end to end are joined, each path
// is simplified within a tolerance, paths shorter than a minimum are dropped, and the rest are
// ordered (and turned round) so that the pen travels little between them. The plotter SVG and
// HPGL are both written from this plan.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "render/out/end_grid.h"
#include "render/out/print.h"
#include "render/out/strands.h"

struct PlotLayer {
    // The grey band of its segments, canvas values low..high - 1, and its pen's grey: the mean
    // value over its line length, so that the layer drawn in that grey keeps the band's tone.
    int low = 0, high = 0, grey = 0;
    PlotPaths paths;          // in drawing order, each drawn from its first point
    double down = 0, up = 0;  // pen-down and pen-up length in mm, from the page's corner
};

// The layers, faintest first: where lines of two pens cross, the stronger ends on top, as the
// brighter line does on the canvas.
struct PlotPlan {
    std::vector<PlotLayer> layers;
};

// Plans the plot of `record` as `print` sets it out (pens, grey threshold, tolerances).
PlotPlan PlanPlot(const PrintPlan& print, const StrandRecord& record);
// Simplifies the polyline in place (Douglas-Peucker): no point removed lies further than
// `tolerance` from the line that replaces it. The ends are kept.
void SimplifyPath(std::vector<StrandPoint>& points, double tolerance);
// One line per layer (paths, pen down, pen up) and a total line, on `out`.
void ReportPlot(const PlotPlan& plot, std::FILE* out);
// The label of a layer: its pen and grey band, as the plotter tools show it.
std::string LayerLabel(const PlotLayer& layer, std::size_t index);
