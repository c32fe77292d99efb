// SPDX-License-Identifier: MIT
// The recorded strands as pieces on the torus: each strand is brought into the canvas and split
// where it crosses an edge, its parts continuing from the opposite edge as the raster draws them.
#pragma once

#include <cmath>

#include "render/out/strands.h"

// Calls sink.Start(x, y) at the start of every piece and sink.To(x, y, value) for each segment
// after it, in canvas pixels within 0..xs and 0..ys; `value` is the segment's shade. A strand's
// pieces follow each other; sink.StrandEnd() closes each strand.
template <class Sink>
void TracePieces(const StrandRecord& record, int xs, int ys, Sink& sink) {
    const double w = xs, h = ys;
    for (const Strand& s : record.strands) {
        const StrandPoint* p = &record.points[s.first];
        // The shift that brings the strand's start into the canvas.
        double dx = -std::floor(p[0].x / w) * w, dy = -std::floor(p[0].y / h) * h;
        double ax = p[0].x + dx, ay = p[0].y + dy;
        sink.Start(ax, ay);
        for (std::uint32_t k = 0; k + 1 < s.points; ++k) {
            const int value = SegmentShade(s, k);
            double bx = p[k + 1].x + dx, by = p[k + 1].y + dy;
            // A segment is half a pixel long, so it crosses at most one vertical and one
            // horizontal edge; each crossing ends the piece and starts the next on the far side.
            for (int guard = 0; guard < 4 && (bx < 0 || bx > w || by < 0 || by > h); ++guard) {
                double t = 1, sx = 0, sy = 0;
                const auto edge = [&](double from, double to, double limit, double& shift,
                                      double size) {
                    if (to >= 0 && to <= limit) return;
                    const double cross = to < 0 ? 0 : limit;
                    const double at = (cross - from) / (to - from);
                    if (at < t) {
                        t = at;
                        sx = sy = 0;
                        shift = to < 0 ? size : -size;
                    }
                };
                edge(ax, bx, w, sx, w);
                edge(ay, by, h, sy, h);
                const double cx = ax + (bx - ax) * t, cy = ay + (by - ay) * t;
                sink.To(cx, cy, value);
                ax = cx + sx;
                ay = cy + sy;
                bx += sx;
                by += sy;
                dx += sx;
                dy += sy;
                sink.Start(ax, ay);
            }
            sink.To(bx, by, value);
            ax = bx;
            ay = by;
        }
        sink.StrandEnd();
    }
}
