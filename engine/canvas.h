// SPDX-License-Identifier: MIT
// The canvas model: the intensity and angle grids with their wrap, blend and display helpers, and
// the restart clear.
#pragma once

#include <cstdint>

constexpr int GRID_SIZE = 4096;

// Intensity grid, indexed [x][y]: 0 empty, above 0 lit, 65535 white. Only xs x ys is used.
extern std::int32_t arr[GRID_SIZE][GRID_SIZE];
// Angle grid, indexed [x][y], in turns: the direction of the step that drew each pixel.
extern float angle_map[GRID_SIZE][GRID_SIZE];
// One bit per pixel, indexed like arr (x * GRID_SIZE + y): set while the pixel is lit (arr above
// 0). Every write to arr keeps it in step. The growth pass's random start test and its probe read
// these 2 MiB instead of the 64 MiB grid, so that at large canvases they stay in cache.
extern std::uint64_t lit_bits[GRID_SIZE * GRID_SIZE / 64];

// Pixel (x, y)'s place in the flat grid, and so its bit in lit_bits.
inline std::uint32_t PixelIndex(int x, int y) {
    return static_cast<std::uint32_t>(x) * GRID_SIZE + static_cast<std::uint32_t>(y);
}
inline bool IsLit(int x, int y) {
    const std::uint32_t i = PixelIndex(x, y);
    return (lit_bits[i >> 6] >> (i & 63)) & 1;
}
// Writes value v of an empty pixel, and its lit bit.
inline void SetPixelValue(int x, int y, std::int32_t v) {
    arr[x][y] = v;
    const std::uint32_t i = PixelIndex(x, y);
    if (v > 0) lit_bits[i >> 6] |= std::uint64_t{1} << (i & 63);
}
// Sets the lit bits of the used area from arr, for a canvas written directly (tests, benchmarks).
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
