// SPDX-License-Identifier: MIT
// The recorded strands as vector pages: SVG (graded strokes over the saved picture, or a plot's
// layers) and PDF. The strokes are streamed to the file as they are traced, so that no page is
// ever held whole in memory; only the image of the saved picture is, at canvas resolution.
#pragma once

#include <ostream>
#include <span>

#include "export/export.h"
#include "render/out/plot.h"
#include "render/out/print.h"
#include "render/out/strands.h"

// Each writes the page to `out`; the text chunks become the file's metadata.
void WriteSvg(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out);
void WritePdf(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out);
// The plotter SVG of `plot`: one Inkscape layer per pen, its paths in the pen's colour.
void WritePlotSvg(const PrintPlan& plan, const PlotPlan& plot, std::span<const TextChunk> text,
                  std::ostream& out);
