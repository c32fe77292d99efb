// SPDX-License-Identifier: MIT
// Real-to-int conversion and the toroidal index, shared by the canvas helpers and the growth pass.
// Both are defined for every input, so settings read from the file can never index outside the
// grids or hit an undefined conversion.
#pragma once

#include <climits>

// Truncates toward zero; NaN gives 0 and values beyond the int range give INT_MIN or INT_MAX.
inline int TruncToInt(double v) {
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// The toroidal position of a in 0..size-1 (size > 0). Equals (a + 8 * size) % size wherever that
// is in range, and is a true modulo elsewhere. The first test is the common case in the step loop.
inline int WrapIndex(int a, int size) {
    if (static_cast<unsigned>(a) < static_cast<unsigned>(size)) return a;
    const int r = a % size;
    return r < 0 ? r + size : r;
}
