// PNG export of the canvas.
#pragma once

#include <span>
#include <string>

#include "config/save_result.h"

// A text chunk: a Latin-1 keyword of 1 to 79 bytes and its text, written as tEXt, or when
// `compressed` as zTXt (the text deflated; for long texts such as a session's journal).
struct TextChunk {
    std::string keyword;
    std::string text;
    bool compressed = false;
};

// Writes the canvas as a 16-bit greyscale PNG to `path`, filling empty pixels from their lit
// neighbours (shown on the view, not stored in the grids). On failure the previous file stays
// whole and the result says why. `text` chunks, if any, stand right after the header; the window
// program writes none.
SaveResult SaveImage(const std::string& path, std::span<const TextChunk> text = {});
