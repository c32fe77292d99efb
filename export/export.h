// PNG export of the canvas.
#pragma once

#include <string>

#include "config/save_result.h"

// Writes the canvas as a 16-bit greyscale PNG to `path`, filling empty pixels from their lit
// neighbours (shown on the view, not stored in the grids). On failure the previous file stays
// whole and the result says why.
SaveResult SaveImage(const std::string& path);
