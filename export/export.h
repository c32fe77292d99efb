// PNG export of the canvas.
#pragma once

// Writes the canvas as a 16-bit greyscale PNG to `file`, filling empty pixels from their lit
// neighbours (shown on the window, not stored in the grids). A failure is logged and shown in the
// panel band; the previous file stays whole. Returns whether the file was written.
bool SaveImage();
