// SPDX-License-Identifier: MIT
// The PNG rows of a canvas snapshot: each row's 16-bit samples (empty pixels filled from their lit
// neighbours) and the row as the IDAT stream holds it, behind the filter libpng would pick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "export/page_array.h"

// The canvas values a save works on, copied between two frames: a save never reads the live
// grids, so it may run on another thread while the canvas grows on. When every value lies in
// 0..65535, as it does under settings in their ranges, only the pixels that are not 0 are kept: a
// bit per pixel says which (each column's bits starting a word of their own) and their values
// follow each other column by column, so that a canvas a quarter lit takes a third of the memory
// of all its values. Otherwise `wide` holds every value, column-major (wide[x * height + y]).
struct CanvasSnapshot {
    int width = 0;
    int height = 0;
    double keep = 1.0;  // 1 - color_decay
    std::vector<std::uint64_t> set_bits;
    // Where each column's values start in set_values, then how many there are.
    std::vector<std::uint32_t> column_first;
    // Where each word's values start, counted from its column's first (a column of the canvas
    // holds at most GRID_SIZE pixels).
    std::vector<std::uint16_t> word_first;
    // Room for a value per pixel, of which the first column_first[width] are written.
    PageArray<std::uint16_t> set_values;
    std::vector<std::int32_t> wide;

    // Words of set_bits per column.
    int ColumnWords() const { return (height + 63) / 64; }
    // Whether the snapshot holds all of its width x height values, in one of the two forms.
    bool Whole() const;
    // Rows y0..y1-1 of column x (0 <= y0 < y1 <= height) into out[0..y1-y0).
    void ReadColumn(int x, int y0, int y1, std::int32_t* out) const;
};

// Memory for the snapshot of a width x height canvas: its bits, and room for every value with the
// pages of the first `touch` values brought in. Any thread.
CanvasSnapshot SnapshotMemory(int width, int height, std::size_t touch);

// The snapshot of `columns` (width pointers to height values each) and `keep`, made in `memory`
// when SnapshotMemory made it for this size, else in memory of its own.
CanvasSnapshot PackSnapshot(int width, int height, double keep,
                            std::span<const std::int32_t* const> columns,
                            CanvasSnapshot memory = {});

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
