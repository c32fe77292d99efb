// SPDX-License-Identifier: MIT
// The end grid: a counting sort of the ends into cells, and a search in rings of cells around a
// point, which stops once no cell further out can hold a nearer end.
#include "render/out/end_grid.h"

#include <algorithm>
#include <cmath>

void PlotPaths::Append(const PlotPaths& from, std::size_t i, bool reversed) {
    const auto first = from.points.begin() + static_cast<std::ptrdiff_t>(from.offsets[i]);
    const auto last = from.points.begin() + static_cast<std::ptrdiff_t>(from.offsets[i + 1]);
    if (reversed)
        points.insert(points.end(), std::make_reverse_iterator(last),
                      std::make_reverse_iterator(first));
    else
        points.insert(points.end(), first, last);
}

double Distance(StrandPoint a, StrandPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

EndGrid::EndGrid(const PlotPaths& paths, int xs, int ys)
    : paths_(paths), gw_(static_cast<int>(xs / CELL) + 2), gh_(static_cast<int>(ys / CELL) + 2) {
    const std::size_t cells = static_cast<std::size_t>(gw_) * gh_;
    const std::size_t count = 2 * paths.size();
    start_.assign(cells + 1, 0);
    live_.assign(cells, 0);
    for (std::size_t e = 0; e < count; ++e) ++start_[CellOf(End(e)) + 1];
    for (std::size_t c = 0; c < cells; ++c) start_[c + 1] += start_[c];
    ends_.resize(count);
    slot_.resize(count);
    for (std::size_t e = 0; e < count; ++e) {
        const std::size_t c = CellOf(End(e));
        slot_[e] = start_[c] + live_[c]++;
        ends_[slot_[e]] = e;
    }
}

std::size_t EndGrid::Nearest(StrandPoint at, double reach) const {
    const int cx = Clamp(at.x / CELL, gw_), cy = Clamp(at.y / CELL, gh_);
    std::size_t best = NONE;
    double best_d = reach;
    // Ends beyond ring r lie at least r cells away.
    for (int r = 0; r <= std::max(gw_, gh_) && r * CELL <= best_d + CELL; ++r) {
        for (int y = std::max(0, cy - r); y <= std::min(gh_ - 1, cy + r); ++y) {
            const int step = (y == cy - r || y == cy + r) ? 1 : std::max(2 * r, 1);
            for (int x = cx - r; x <= cx + r; x += step) {
                if (x < 0 || x >= gw_) continue;
                const std::size_t c = static_cast<std::size_t>(y) * gw_ + x;
                for (std::size_t k = start_[c]; k < start_[c] + live_[c]; ++k) {
                    const double d = Distance(at, End(ends_[k]));
                    if (d <= best_d) {
                        best_d = d;
                        best = ends_[k];
                    }
                }
            }
        }
        if (best != NONE && best_d <= r * CELL) break;
    }
    return best;
}

void EndGrid::Take(std::size_t path) {
    for (const std::size_t e : {2 * path, 2 * path + 1}) {
        const std::size_t c = CellOf(End(e));
        const std::size_t last = start_[c] + --live_[c];
        const std::size_t moved = ends_[last];
        ends_[slot_[e]] = moved;
        slot_[moved] = slot_[e];
        ends_[last] = e;
        slot_[e] = last;
    }
}

int EndGrid::Clamp(double v, int size) const {
    return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(size - 1)));
}

std::size_t EndGrid::CellOf(StrandPoint p) const {
    return static_cast<std::size_t>(Clamp(p.y / CELL, gh_)) * gw_ + Clamp(p.x / CELL, gw_);
}
