// SPDX-License-Identifier: MIT
// PNGs that the plain canvas save does not write: the canvas in colour or as the window shows it,
// and the recorded strands drawn anti-aliased at print resolution.
#pragma once

#include <ostream>
#include <span>

#include "export/export.h"
#include "render/out/print.h"
#include "render/out/strands.h"

// The canvas, xs x ys: without the hole fill when plan.as_shown, through plan.colours.
void WriteCanvasPng(const PrintPlan& plan, std::span<const TextChunk> text, std::ostream& out);
// The strands on the page, plan.raster_w x plan.raster_h pixels.
void WriteRasterPng(const PrintPlan& plan, const StrandRecord& record,
                    std::span<const TextChunk> text, std::ostream& out);
