// SPDX-License-Identifier: MIT
// HPGL for pen plotters that speak it, from a plot plan: one pen per layer (SP), each path a
// pen-up move to its start and pen-down moves along it, in plotter units.
#pragma once

#include <ostream>

#include "render/out/plot.h"
#include "render/out/print.h"

// Plotter units per mm: 0.025 mm each, as HP-GL plotters count them.
constexpr double HPGL_UNITS_PER_MM = 40;

// Writes `plot` on the page of `plan`; x runs right and y up from the page's lower left corner.
void WriteHpgl(const PrintPlan& plan, const PlotPlan& plot, std::ostream& out);
