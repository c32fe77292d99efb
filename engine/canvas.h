// SPDX-License-Identifier: MIT
// The canvas model: the intensity and angle grids with their wrap, blend and display helpers, and
// the restart clear.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int GRID_SIZE = 4096;

// Intensity grid, indexed [x][y]: 0 empty, above 0 lit, 65535 white. Only xs x ys is used.
extern std::int32_t arr[GRID_SIZE][GRID_SIZE];
// Angle grid, indexed [x][y], in turns: the direction of the step that drew each pixel.
extern float angle_map[GRID_SIZE][GRID_SIZE];
// One bit per pixel, set while the pixel is lit (arr above 0); every write to arr keeps it in
// step. The growth pass's random start test and the walk's probes read these 2 MiB instead of the
// 64 MiB grid, so that at large canvases they stay in cache. They are kept in 8 x 8 blocks of a
// word each, a cache line holding 8 columns by 64 rows (LitIndex), so that a walk's probes around
// its start pixel mostly find the line the start test brought in: with one column per word, each
// column a probe reached was another line.
extern std::uint64_t lit_bits[GRID_SIZE * GRID_SIZE / 64];

// Pixel (x, y)'s bit in lit_bits: the word of its 8 x 8 block (each 8 columns have GRID_SIZE / 8
// words, one per 8 rows, top to bottom), then its column and row within the block.
inline std::uint32_t LitIndex(int x, int y) {
    const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
    const std::uint32_t word = (ux >> 3) * (GRID_SIZE / 8) + (uy >> 3);
    return word << 6 | (ux & 7) << 3 | (uy & 7);
}
// The words of lit_bits that hold the bits of the first `columns` columns: a prefix of the array.
inline std::size_t LitWordsOfColumns(int columns) {
    return static_cast<std::size_t>((columns + 7) / 8) * (GRID_SIZE / 8);
}
inline bool IsLit(int x, int y) {
    const std::uint32_t i = LitIndex(x, y);
    return (lit_bits[i >> 6] >> (i & 63)) & 1;
}
// Whether a value below 0 may have been written to the used area since it was last cleared
// (settings out of their ranges can give one). Until one is, a pixel whose lit bit is clear holds
// 0, so a block of them need not be read.
extern bool values_below_zero;
// Writes value v of an empty pixel, and its lit bit.
inline void SetPixelValue(int x, int y, std::int32_t v) {
    arr[x][y] = v;
    const std::uint32_t i = LitIndex(x, y);
    if (v > 0)
        lit_bits[i >> 6] |= std::uint64_t{1} << (i & 63);
    else if (v < 0)
        values_below_zero = true;
}
// Sets the lit bits of the used area and values_below_zero from arr, for a canvas written
// directly (tests, benchmarks).
void SyncLitBits();

// Strand attempts since the last restart clear; saturates instead of overflowing.
extern int this_sprout;

// Toroidal column and row: an index in 0..xs-1 (0..ys-1) for every int.
int wrapX(int a);
int wrapY(int a);
// a * (1 - t) + b * t in double, truncated toward zero (saturated to the int range).
int lerp(int a, int b, float t);
// The decayed mean of the lit edge neighbours of (x, y); 0 when none is lit.
int GetBlendedPixel(int x, int y);
// Clears the view, both grids' used area, this_sprout and do_fill; sets init to 1.
void RestartClear();
