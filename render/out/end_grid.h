// SPDX-License-Identifier: MIT
// Polylines and the free ends of a set of them in a grid of cells, for joining paths that meet
// end to end and for ordering them so that the pen travels little between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/out/strands.h"

// Polylines in canvas pixels: path i is points[offsets[i]] up to points[offsets[i + 1] - 1].
struct PlotPaths {
    std::vector<StrandPoint> points;
    std::vector<std::size_t> offsets{0};

    std::size_t size() const { return offsets.size() - 1; }
    const StrandPoint& First(std::size_t i) const { return points[offsets[i]]; }
    const StrandPoint& Last(std::size_t i) const { return points[offsets[i + 1] - 1]; }
    std::size_t Length(std::size_t i) const { return offsets[i + 1] - offsets[i]; }
    // Ends the path begun at the last EndPath; a path of fewer than two points is dropped.
    void EndPath() {
        if (points.size() - offsets.back() < 2)
            points.resize(offsets.back());
        else
            offsets.push_back(points.size());
    }
    // Appends path i of `from`, backwards when `reversed`, to the path being built.
    void Append(const PlotPaths& from, std::size_t i, bool reversed);
};

double Distance(StrandPoint a, StrandPoint b);

// The ends of `paths`: end 2i is the first point of path i, end 2i + 1 its last. Each cell holds
// its free ends first, so taking a path moves its two ends out of the free part.
class EndGrid {
public:
    static constexpr double CELL = 8;  // canvas pixels
    static constexpr std::size_t NONE = SIZE_MAX;

    EndGrid(const PlotPaths& paths, int xs, int ys);
    StrandPoint End(std::size_t e) const {
        return e % 2 ? paths_.Last(e / 2) : paths_.First(e / 2);
    }
    // The free end nearest `at` within `reach` pixels, or NONE.
    std::size_t Nearest(StrandPoint at, double reach) const;
    void Take(std::size_t path);
    // Calls visit(e) for every end within `reach` of `at`, taken or free, until it returns true.
    template <class Visit>
    void Near(StrandPoint at, double reach, Visit visit) const {
        const int x0 = Clamp((at.x - reach) / CELL, gw_), x1 = Clamp((at.x + reach) / CELL, gw_);
        const int y0 = Clamp((at.y - reach) / CELL, gh_), y1 = Clamp((at.y + reach) / CELL, gh_);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const std::size_t c = static_cast<std::size_t>(y) * gw_ + x;
                for (std::size_t k = start_[c]; k < start_[c + 1]; ++k)
                    if (Distance(at, End(ends_[k])) < reach && visit(ends_[k])) return;
            }
    }

private:
    int Clamp(double v, int size) const;
    std::size_t CellOf(StrandPoint p) const;

    const PlotPaths& paths_;
    int gw_, gh_;
    std::vector<std::size_t> start_, live_, ends_, slot_;
};
