// SPDX-License-Identifier: MIT
// The strands' geometry as the growth pass walked them, recorded while a picture renders, for the
// vector and print outputs. Recording is off unless StartRecording is called, and it never changes
// what the pass draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct StrandPoint {
    float x, y;  // canvas pixels, not wrapped: a strand may run past the edges of the torus
};

// One drawn strand: `points` positions from its start pixel's centre, one per path entry, to the
// point where it met a line (or where a seed line ran out), and how the raster shades it.
struct Strand {
    std::size_t first = 0;  // index of its first point in StrandRecord::points
    std::uint32_t points = 0;
    std::uint32_t entries = 0;  // the path's entries n: the raster grades by i / n
    std::int32_t c1 = 0, c2 = 0;
    double decay = 1;   // 1 - color_decay
    bool tent = false;  // a seed line under tent shading
};

struct StrandRecord {
    std::vector<StrandPoint> points;
    std::vector<Strand> strands;  // those drawn since the last restart, in drawing order
    long restarts = 0;            // restart clears seen while recording
};

// Records every strand drawn from now on.
void StartRecording();
// What was recorded, up to the canvas as it is now (strands of a cleared canvas are dropped).
const StrandRecord& RecordedStrands();

// The value the raster gives entry `i` of `s` before its neighbour blend, in 0..65535.
int StrandShade(const Strand& s, std::uint32_t i);
// The value of segment k (from point k to point k + 1): that of its path entry, the last one for
// the segment into the line met.
inline int SegmentShade(const Strand& s, std::uint32_t k) {
    return StrandShade(s, k < s.entries ? k : s.entries - 1);
}
