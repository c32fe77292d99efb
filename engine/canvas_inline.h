// SPDX-License-Identifier: MIT
// Inline forms of the canvas helpers for the drawing pass, which calls them once per path entry;
// canvas.cpp's wrapX, lerp and GetBlendedPixel are these with the current settings filled in.
#pragma once

#include <cstdint>

#include "engine/canvas.h"
#include "engine/numeric.h"

// a * (1 - t) + b * t in double, truncated toward zero; NaN gives 0, overflow saturates.
inline int LerpValue(int a, int b, float t) {
    const double td = t;
    return TruncToInt(a * (1.0 - td) + b * td);
}

// The mean of the lit edge neighbours of (x, y) on an xs x ys torus, times `decay` (that is,
// 1 - color_decay); 0 when none is lit. Reads left, right, up, down; the pixel itself is not read.
inline int BlendedValue(int x, int y, int xs, int ys, double decay) {
    // Wrap the centre first so that x - 1 and x + 1 cannot overflow for any int.
    const int cx = WrapIndex(x, xs);
    const int cy = WrapIndex(y, ys);
    const std::int32_t neighbours[4] = {
        arr[WrapIndex(cx - 1, xs)][cy],
        arr[WrapIndex(cx + 1, xs)][cy],
        arr[cx][WrapIndex(cy - 1, ys)],
        arr[cx][WrapIndex(cy + 1, ys)],
    };
    // 64-bit sum: values written under out-of-range settings can reach INT_MAX.
    std::int64_t sum = 0;
    int count = 0;
    for (const std::int32_t value : neighbours) {
        if (value > 0) {
            sum += value;
            ++count;
        }
    }
    if (count == 0) return 0;
    return TruncToInt(static_cast<double>(sum) / count * decay);
}
