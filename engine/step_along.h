// SPDX-License-Identifier: MIT
// The half-pixel step of a strand: the one place its sine and cosine are worked out, for the
// growth pass and for the renderer's strand record alike.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace growth {

constexpr double PI = 3.141592653589793;

// Moves half a pixel along direction `ang` (turns) with the C library's sine and cosine: 0 toward
// larger y, 0.25 toward larger x. The positions this gives are the ones every stored picture was
// grown with; StepAlong below gives the same floats, faster.
[[gnu::noinline]] inline void StepAlongByLibrary(float& xv, float& yv, float ang) {
    const double phase = ang * PI * 2;
    xv = static_cast<float>(xv + 0.5 * std::sin(phase));
    yv = static_cast<float>(yv + 0.5 * std::cos(phase));
}

namespace step_detail {

// Directions within this many turns of 0 take the fast path. There the library's phase,
// ang * PI * 2 rounded, lies within 1.6 * 2^-53 * 2 pi * 64 (2^-43.6) of the true one.
constexpr double FAST_TURNS = 64.0;
// Half the width of the interval in which the library's 0.5 sin and 0.5 cos lie around the fast
// path's. The phase's rounding above and the library's own error (an ulp, 2^-53) make most of
// it; the table, the series (2^-47 for the cosine) and the fast path's roundings (a few 2^-54)
// add little. All come to less than 2^-43, an eighth of the interval's width.
constexpr double HALF_SLACK = 0x1.0p-41;

// The table's steps per turn. A direction is at most half a step, pi / 256, from one of them,
// where a few terms of the series suffice.
constexpr int STEPS = 256;

// Half the sine and cosine of a table direction, the halves being what a step moves.
struct HalfSinCos {
    double s, c;
};

// sin and cos of x for |x| <= pi, summed in long double at compile time to well below a double's
// rounding.
constexpr void LongSinCos(long double x, long double& s, long double& c) {
    long double term = x;
    s = 0;
    for (int n = 1; n < 40; n += 2) {
        s += term;
        term *= -x * x / ((n + 1) * (n + 2));
    }
    term = 1;
    c = 0;
    for (int n = 0; n < 40; n += 2) {
        c += term;
        term *= -x * x / ((n + 1) * (n + 2));
    }
}

struct Table {
    HalfSinCos at[STEPS];
    constexpr Table() : at{} {
        constexpr long double TURN = 6.283185307179586476925286766559L;
        for (int j = 0; j < STEPS; ++j) {
            // The nearer way round, so that the series' argument stays within pi.
            const int signed_j = j < STEPS / 2 ? j : j - STEPS;
            long double s = 0, c = 0;
            LongSinCos(TURN * signed_j / STEPS, s, c);
            at[j] = {static_cast<double>(s / 2), static_cast<double>(c / 2)};
        }
    }
};
inline constexpr Table TABLE{};

// The float that v + h gives for every h in [lo, hi], or false when the interval holds a float
// rounding boundary. Rounding is monotonic, so equal ends mean equal everywhere in between; the
// bits are compared so that a zero keeps the library's sign.
inline bool RoundsTheSame(float v, double lo, double hi, float& out) {
    const float a = static_cast<float>(v + lo);
    const float b = static_cast<float>(v + hi);
    out = a;
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

}  // namespace step_detail

// StepAlongByLibrary's step without calling the library, which took a quarter of the growth
// pass. The direction is split into the nearest table step j / STEPS and a remainder, exactly
// (ang is a float, so the remainder is a double with no rounding); short series give the
// remainder's sin and cos, and the angle sum formulas the direction's. The library's values lie
// within HALF_SLACK of these, so when both ends of that interval round to the same float the
// library's value does too; only the rare step whose interval holds a rounding boundary, and a
// direction beyond FAST_TURNS, ask the library.
[[gnu::always_inline]] inline void StepAlong(float& xv, float& yv, float ang) {
    using namespace step_detail;
    const double turns = ang;
    if (!(std::fabs(turns) <= FAST_TURNS)) return StepAlongByLibrary(xv, yv, ang);
    // Adding 1.5 * 2^52 rounds STEPS * turns to an integer j held in the low bits.
    constexpr double SHIFTER = 0x1.8p52;
    const double scaled = turns * STEPS;
    const double shifted = scaled + SHIFTER;
    const double r = (scaled - (shifted - SHIFTER)) * (2 * PI / STEPS);
    const double r2 = r * r;
    const double sr = r + r * r2 * (-1.0 / 6 + r2 * (1.0 / 120));
    const double cr = 1.0 + r2 * (-0.5 + r2 * (1.0 / 24));
    const HalfSinCos& t = TABLE.at[std::bit_cast<std::uint64_t>(shifted) & (STEPS - 1)];
    const double hs = t.s * cr + t.c * sr;
    const double hc = t.c * cr - t.s * sr;
    float x, y;
    if (RoundsTheSame(xv, hs - HALF_SLACK, hs + HALF_SLACK, x) &&
        RoundsTheSame(yv, hc - HALF_SLACK, hc + HALF_SLACK, y)) {
        xv = x;
        yv = y;
        return;
    }
    StepAlongByLibrary(xv, yv, ang);
}

}  // namespace growth
