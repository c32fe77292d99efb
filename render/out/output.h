// SPDX-License-Identifier: MIT
// The one picture a render, replay or from writes: planned from the options once the canvas
// size is known (before any frame runs, so that a bad page costs nothing), then written whole.
#pragma once

#include <span>
#include <string>

#include "export/export.h"
#include "render/cli/options.h"

// Plans the output for the current canvas size and starts recording the strands when the output
// needs them. False, with one line on standard error, when the options do not fit the canvas.
bool PlanOutputFor(const RenderOptions& o);
// Writes the planned output with Ctrl-C held back, so that an interrupt never leaves the
// temporary file of a half-done save behind; it takes effect right after.
bool WriteOutputWhole(const std::string& path, int thumb, std::span<const TextChunk> text);
// False, with one line, when any output of the run is one of its inputs (the same file under
// any name): writing it would destroy what is being read.
bool OutputsApart(const RenderOptions& o);
