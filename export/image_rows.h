// SPDX-License-Identifier: MIT
// The PNG rows of a canvas snapshot: each row's 16-bit samples (empty pixels filled from their lit
// neighbours) and the row as the IDAT stream holds it, behind the filter libpng would pick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The canvas values a save works on, copied between two frames: a save never reads the live
// grids, so it may run on another thread while the canvas grows on. The values are column-major
// (values[x * height + y]); when every one of them lies in 0..65535, as it does under settings in
// their ranges, `narrow` holds them in half the memory and `values` is empty.
struct CanvasSnapshot {
    int width = 0;
    int height = 0;
    double keep = 1.0;  // 1 - color_decay
    std::vector<std::int32_t> values;
    std::vector<std::uint16_t> narrow;
    std::size_t size() const { return narrow.empty() ? values.size() : narrow.size(); }
};

// Bytes of one filtered row: the filter type, then two bytes per sample, most significant first.
inline std::size_t FilteredRowBytes(int width) {
    return 1 + 2 * static_cast<std::size_t>(width);
}

// Samples of rows y0..y1-1 into out[(y - y0) * stride + x]: the snapshot's value, or for an empty
// pixel the decayed mean of its lit neighbours (wrapping at the edges); either reduced to its low
// 16 bits. Each empty pixel the fill lights (to a value above 0) is handed to `on_filled` when it
// is not null.
void FillSampleRows(const CanvasSnapshot& snapshot, int y0, int y1, std::uint16_t* out,
                    std::size_t stride, void (*on_filled)(int x, int y, int value) = nullptr);

// Appends row `samples` (width samples) to `out` as the IDAT stream holds it: the filter libpng
// chooses by default (of None, Sub, Up, Average and Paeth the one whose bytes, read as signed,
// sum to the least in size; the first such on a tie), then the filtered bytes. `previous` is the
// row above, or null for the first row.
void AppendFilteredRow(const std::uint16_t* samples, const std::uint16_t* previous, int width,
                       std::vector<unsigned char>& out);
