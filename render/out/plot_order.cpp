// SPDX-License-Identifier: MIT
// Greedy order first (each step the nearest free end), then 2-opt: reversing steps i..j replaces
// the pen-up moves into step i and out of step j by moves between their ends turned round, and is
// kept when that is shorter; and or-opt: a run of up to three steps moved, turned round or not,
// to between two others where it costs less.
// Candidates come from a grid of the paths' ends, so each pen-up move is tried only against the
// ends near it. Start reading at OrderForTravel.
#include "render/out/plot_order.h"

#include <algorithm>
#include <cmath>

namespace {

// Passes of 2-opt over the order; each pass after the first finds few more.
constexpr int MAX_PASSES = 10;
// Candidates are looked for within this many pixels of a move's end, at most.
constexpr double MAX_REACH = 64;
// Or-opt moves runs of up to this many steps.
constexpr std::size_t MAX_MOVED = 3;

// The order with each path's place in it, and the moves between the steps.
class Tour {
public:
    Tour(const PlotPaths& paths, std::vector<PlotStep> order)
        : paths_(paths), order_(std::move(order)), place_(paths.size()) {
        for (std::size_t k = 0; k < order_.size(); ++k) place_[order_[k].path] = k;
    }
    std::size_t size() const { return order_.size(); }
    // Where step k starts and ends.
    StrandPoint Entry(std::size_t k) const {
        const PlotStep& s = order_[k];
        return s.reversed ? paths_.Last(s.path) : paths_.First(s.path);
    }
    StrandPoint Exit(std::size_t k) const {
        const PlotStep& s = order_[k];
        return s.reversed ? paths_.First(s.path) : paths_.Last(s.path);
    }
    // Where the pen is before step k: the corner before the first.
    StrandPoint Before(std::size_t k) const { return k == 0 ? StrandPoint{0, 0} : Exit(k - 1); }
    // The step whose end `e` (2 path, or 2 path + 1 for its last point) is, and whether it is
    // that step's exit.
    std::size_t PlaceOf(std::size_t e) const { return place_[e / 2]; }
    bool IsExit(std::size_t e) const { return (e % 2 == 1) != order_[place_[e / 2]].reversed; }

    // Reverses steps i..j (turns step i round when j is i) when that shortens the travel; true
    // when it did.
    bool TryReverse(std::size_t i, std::size_t j) {
        if (i > j) return false;
        const StrandPoint a = Before(i), b = Entry(i), c = Exit(j);
        double gain = Distance(a, b) - Distance(a, c);
        if (j + 1 < size()) gain += Distance(c, Entry(j + 1)) - Distance(b, Entry(j + 1));
        if (gain <= 1e-6) return false;
        std::reverse(order_.begin() + static_cast<std::ptrdiff_t>(i),
                     order_.begin() + static_cast<std::ptrdiff_t>(j) + 1);
        for (std::size_t k = i; k <= j; ++k) {
            order_[k].reversed = !order_[k].reversed;
            place_[order_[k].path] = k;
        }
        return true;
    }
    // The travel saved by taking steps k .. last out of the order.
    double Saving(std::size_t k, std::size_t last) const {
        const StrandPoint a = Before(k);
        double saved = Distance(a, Entry(k));
        if (last + 1 < size())
            saved += Distance(Exit(last), Entry(last + 1)) - Distance(a, Entry(last + 1));
        return saved;
    }
    // Moves steps k .. last to just after step m (outside them and not the step before them),
    // turned round as a whole when `turn`, when that shortens the travel; true when it did.
    bool TryMove(std::size_t k, std::size_t last, std::size_t m, bool turn) {
        if (last >= size() || (m + 1 >= k && m <= last)) return false;
        const StrandPoint a = Exit(m);
        const StrandPoint x = turn ? Exit(last) : Entry(k), y = turn ? Entry(k) : Exit(last);
        double cost = Distance(a, x);
        if (m + 1 < size()) cost += Distance(y, Entry(m + 1)) - Distance(a, Entry(m + 1));
        if (Saving(k, last) - cost <= 1e-6) return false;
        const auto at = [&](std::size_t n) {
            return order_.begin() + static_cast<std::ptrdiff_t>(n);
        };
        if (turn) {
            std::reverse(at(k), at(last + 1));
            for (std::size_t n = k; n <= last; ++n) order_[n].reversed = !order_[n].reversed;
        }
        if (m > last)
            std::rotate(at(k), at(last + 1), at(m + 1));
        else
            std::rotate(at(m + 1), at(k), at(last + 1));
        for (std::size_t n = std::min(k, m + 1); n <= std::max(last, m); ++n)
            place_[order_[n].path] = n;
        return true;
    }
    std::vector<PlotStep> Take() { return std::move(order_); }

private:
    const PlotPaths& paths_;
    std::vector<PlotStep> order_;
    std::vector<std::size_t> place_;
};

std::vector<PlotStep> GreedyOrder(const PlotPaths& paths, int xs, int ys) {
    EndGrid grid(paths, xs, ys);
    std::vector<PlotStep> order;
    order.reserve(paths.size());
    StrandPoint pen{0, 0};
    for (std::size_t n = 0; n < paths.size(); ++n) {
        const std::size_t e = grid.Nearest(pen, HUGE_VAL);
        grid.Take(e / 2);
        order.push_back({e / 2, e % 2 == 1});
        pen = e % 2 == 1 ? paths.First(e / 2) : paths.Last(e / 2);
    }
    return order;
}

// One pass over the moves into each step: a move from a to b into step i is replaced when an
// exit near a (of a later step j) or an entry near the pen's next stop lets a reversal shorten
// the travel.
bool ImprovePass(Tour& tour, const EndGrid& cells) {
    bool improved = false;
    for (std::size_t i = 0; i < tour.size(); ++i) {
        const StrandPoint a = tour.Before(i);
        const double reach = std::min(Distance(a, tour.Entry(i)), MAX_REACH);
        cells.Near(a, reach, [&](std::size_t e) {
            if (!tour.IsExit(e) || tour.PlaceOf(e) < i || !tour.TryReverse(i, tour.PlaceOf(e)))
                return false;
            improved = true;
            return true;
        });
        // The move out of step i - 1 ... into step i, seen from its far end: an entry of an
        // earlier step near Entry(i) lets steps from there to i - 1 turn round.
        if (i == 0) continue;
        const StrandPoint d = tour.Entry(i);
        cells.Near(d, std::min(Distance(tour.Exit(i - 1), d), MAX_REACH), [&](std::size_t e) {
            if (tour.IsExit(e) || tour.PlaceOf(e) >= i || !tour.TryReverse(tour.PlaceOf(e), i - 1))
                return false;
            improved = true;
            return true;
        });
        // Steps i .. last elsewhere: after an exit near one of their ends.
        for (std::size_t last = i; last < std::min(i + MAX_MOVED, tour.size()); ++last) {
            for (const bool turn : {false, true}) {
                const StrandPoint end = turn ? tour.Exit(last) : tour.Entry(i);
                cells.Near(end, std::min(tour.Saving(i, last), MAX_REACH), [&](std::size_t e) {
                    if (!tour.IsExit(e) || !tour.TryMove(i, last, tour.PlaceOf(e), turn))
                        return false;
                    improved = true;
                    return true;
                });
            }
        }
    }
    return improved;
}

}  // namespace

std::vector<PlotStep> OrderForTravel(const PlotPaths& paths, int xs, int ys) {
    Tour tour(paths, GreedyOrder(paths, xs, ys));
    const EndGrid cells(paths, xs, ys);
    for (int pass = 0; pass < MAX_PASSES && ImprovePass(tour, cells); ++pass) {
    }
    return tour.Take();
}
