// SPDX-License-Identifier: MIT
// PNG export of the canvas.
#pragma once

#include <atomic>
#include <span>
#include <string>
#include <vector>

#include "config/save_result.h"
#include "export/image_rows.h"

// A text chunk: a Latin-1 keyword of 1 to 79 bytes and its text, written as tEXt, or when
// `compressed` as zTXt (the text deflated; for long texts such as a session's journal).
struct TextChunk {
    std::string keyword;
    std::string text;
    bool compressed = false;
};

// How far a save has come: parts of the image written, out of `total` (0 until it is known).
struct SaveProgress {
    std::atomic<int> done{0};
    std::atomic<int> total{0};
};

// What memory for a snapshot of the canvas now is made for: its size, and how many values to have
// their pages ready, those of the lit pixels and room for what is drawn before the snapshot is
// taken. Main thread.
struct SnapshotNeeds {
    int width = 0;
    int height = 0;
    std::size_t values = 0;
};
SnapshotNeeds SnapshotNeedsNow();

// Copies the used xs x ys of the canvas and the colour decay, into `memory` when SnapshotMemory
// made it for that size (no memory is then allocated, and only pages beyond those it brought in
// are). Main thread, between frames.
CanvasSnapshot TakeSnapshot(CanvasSnapshot memory = {});

// Writes `snapshot` as a 16-bit greyscale PNG to `path`, filling empty pixels from their lit
// neighbours; the image data is compressed on `threads` threads (0: one per core). On failure
// the previous file stays whole and the result says why. `text` chunks, if any, stand right after
// the header, and a `dpi` above 0 adds a pHYs chunk. Touches no global state, so it may run on
// any thread.
SaveResult WriteImage(const std::string& path, const CanvasSnapshot& snapshot,
                      std::span<const TextChunk> text = {}, SaveProgress* progress = nullptr,
                      int threads = 0, double dpi = 0);

// Shows on the view the pixels of rows y0..y1-1 that a save of `snapshot` filled (they are never
// written to the grids), except where the canvas has been drawn on since. Main thread.
void ShowFilledPixels(const CanvasSnapshot& snapshot, int y0, int y1);

// The canvas now: snapshot, write, show the filled pixels. `text` carries the provenance (the
// seed, the settings or the journal). A `dpi` above 0 adds a pHYs chunk with that resolution.
SaveResult SaveImage(const std::string& path, std::span<const TextChunk> text = {}, double dpi = 0);
