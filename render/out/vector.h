// SPDX-License-Identifier: MIT
// The recorded strands as vector pages: SVG (graded, or plain paths for a pen plotter) and PDF,
// streamed to the file as they are traced, so that no page is ever held whole in memory.
#pragma once

#include <ostream>
#include <span>

#include "export/export.h"
#include "render/out/print.h"
#include "render/out/strands.h"

// Each writes the page to `out`; the text chunks become the file's metadata.
void WriteSvg(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out);
void WritePdf(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out);
// The plotter SVG: one colour, the pieces ordered to keep the pen's travel short. Returns the
// pen-down length in mm and sets `travel` to the pen-up length.
double WritePlotSvg(const PrintPlan& plan, const StrandRecord& record,
                    std::span<const TextChunk> text, std::ostream& out, double& travel);
