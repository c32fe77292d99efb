// The canvas model: the intensity and angle grids with their wrap, blend and display helpers, and
// the restart clear.
#pragma once

#include <cstdint>

constexpr int GRID_SIZE = 4096;

// Intensity grid, indexed [x][y]: 0 empty, above 0 lit, 65535 white. Only xs x ys is used.
extern std::int32_t arr[GRID_SIZE][GRID_SIZE];
// Angle grid, indexed [x][y], in turns: the direction of the step that drew each pixel.
extern float angle_map[GRID_SIZE][GRID_SIZE];
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
