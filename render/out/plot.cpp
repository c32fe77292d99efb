// SPDX-License-Identifier: MIT
// Planning a plot: LayerSink sorts the traced segments into pen layers, then each layer goes
// through JoinPaths, SimplifyAndFilter and OrderPaths. Start reading at PlanPlot.
#include "render/out/plot.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "render/out/plot_order.h"
#include "render/out/trace.h"

namespace {

constexpr int FULL = 65536;  // one above the brightest canvas value

// Sorts each traced segment into the layer of its value: the layers split the values from the
// threshold up into bands of equal width. A piece continues while its segments stay in one layer;
// segments below the threshold, and black ones, which the canvas does not show, are left out.
class LayerSink {
public:
    LayerSink(std::vector<PlotLayer>& layers, int min_value)
        : layers_(layers),
          min_(std::max(min_value, 1)),
          weight_(layers.size(), 0),
          sum_(layers.size(), 0) {
        const int n = static_cast<int>(layers.size());
        for (int k = 0; k < n; ++k) {
            layers[k].low = Bound(k);
            layers[k].high = Bound(k + 1);
        }
    }
    void Start(double x, double y) {
        Close();
        at_ = {static_cast<float>(x), static_cast<float>(y)};
    }
    void To(double x, double y, int value) {
        const StrandPoint to{static_cast<float>(x), static_cast<float>(y)};
        const int layer = LayerOf(value);
        if (layer != open_) {
            Close();
            if (layer >= 0) layers_[layer].paths.points.push_back(at_);
            open_ = layer;
        }
        if (layer >= 0) {
            layers_[layer].paths.points.push_back(to);
            const double length = Distance(at_, to);
            sum_[layer] += length * value;
            weight_[layer] += length;
        }
        at_ = to;
    }
    void StrandEnd() { Close(); }
    // Gives each layer its pen's grey, the mean value over its line length.
    void Finish() {
        Close();
        for (std::size_t k = 0; k < layers_.size(); ++k)
            layers_[k].grey = weight_[k] > 0 ? static_cast<int>(std::lround(sum_[k] / weight_[k]))
                                             : (layers_[k].low + layers_[k].high) / 2;
    }

private:
    int Bound(int k) const {
        return min_ + static_cast<int>(static_cast<long long>(FULL - min_) * k /
                                       static_cast<long long>(layers_.size()));
    }
    int LayerOf(int value) const {
        if (value < min_) return -1;
        const auto n = static_cast<long long>(layers_.size());
        return static_cast<int>(std::min(n - 1, (value - min_) * n / (FULL - min_)));
    }
    void Close() {
        if (open_ >= 0) layers_[open_].paths.EndPath();
        open_ = -1;
    }
    std::vector<PlotLayer>& layers_;
    int min_;
    std::vector<double> weight_, sum_;
    int open_ = -1;
    StrandPoint at_{0, 0};
};

// Joins paths whose ends lie within `reach` of each other into one, turning a path round where
// its far end is the one that meets: each path not yet taken grows from its last point, then
// from its first, as long as a free end lies within reach.
PlotPaths JoinPaths(const PlotPaths& in, double reach, int xs, int ys) {
    PlotPaths out;
    EndGrid grid(in, xs, ys);
    std::vector<bool> taken(in.size(), false);
    std::vector<std::pair<std::size_t, bool>> before;  // (path, reversed), nearest first
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (taken[i]) continue;
        taken[i] = true;
        grid.Take(i);
        before.clear();
        for (StrandPoint head = in.First(i);;) {
            const std::size_t e = reach > 0 ? grid.Nearest(head, reach) : EndGrid::NONE;
            if (e == EndGrid::NONE) break;
            taken[e / 2] = true;
            grid.Take(e / 2);
            // The end that meets the head is the path's last point in the joined path.
            before.emplace_back(e / 2, e % 2 == 0);
            head = e % 2 == 0 ? in.Last(e / 2) : in.First(e / 2);
        }
        for (auto it = before.rbegin(); it != before.rend(); ++it)
            out.Append(in, it->first, it->second);
        out.Append(in, i, false);
        for (StrandPoint tail = in.Last(i);;) {
            const std::size_t e = reach > 0 ? grid.Nearest(tail, reach) : EndGrid::NONE;
            if (e == EndGrid::NONE) break;
            taken[e / 2] = true;
            grid.Take(e / 2);
            out.Append(in, e / 2, e % 2 == 1);
            tail = e % 2 == 1 ? in.First(e / 2) : in.Last(e / 2);
        }
        out.EndPath();
    }
    return out;
}

double PathLength(const StrandPoint* p, std::size_t n) {
    double length = 0;
    for (std::size_t k = 1; k < n; ++k) length += Distance(p[k - 1], p[k]);
    return length;
}

// Simplifies every path and keeps those at least `min_length` long.
PlotPaths SimplifyAndFilter(const PlotPaths& in, double tolerance, double min_length) {
    PlotPaths out;
    std::vector<StrandPoint> path;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const StrandPoint* first = &in.points[in.offsets[i]];
        path.assign(first, first + in.Length(i));
        if (tolerance > 0) SimplifyPath(path, tolerance);
        if (PathLength(path.data(), path.size()) < min_length) continue;
        out.points.insert(out.points.end(), path.begin(), path.end());
        out.EndPath();
    }
    return out;
}

// Puts the paths in the order that keeps the pen's travel short; fills in the layer's pen-down
// and pen-up lengths in canvas pixels.
void OrderPaths(const PlotPaths& in, int xs, int ys, PlotLayer& layer) {
    PlotPaths& out = layer.paths;
    out = PlotPaths{};
    StrandPoint pen{0, 0};
    for (const PlotStep& step : OrderForTravel(in, xs, ys)) {
        out.Append(in, step.path, step.reversed);
        layer.up += Distance(pen, out.points[out.offsets.back()]);
        layer.down += PathLength(&out.points[out.offsets.back()], in.Length(step.path));
        pen = out.points.back();
        out.EndPath();
    }
}

}  // namespace

void SimplifyPath(std::vector<StrandPoint>& points, double tolerance) {
    const std::size_t n = points.size();
    if (n < 3) return;
    std::vector<bool> keep(n, false);
    keep[0] = keep[n - 1] = true;
    std::vector<std::pair<std::size_t, std::size_t>> spans = {{0, n - 1}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        const double ax = points[a].x, ay = points[a].y;
        const double dx = points[b].x - ax, dy = points[b].y - ay;
        const double len2 = dx * dx + dy * dy;
        double worst = -1;
        std::size_t at = a;
        for (std::size_t k = a + 1; k < b; ++k) {
            // The distance to the segment a..b, clamped to its ends (a path may turn back).
            const double px = points[k].x - ax, py = points[k].y - ay;
            const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0;
            const double d = std::hypot(px - t * dx, py - t * dy);
            if (d > worst) {
                worst = d;
                at = k;
            }
        }
        if (worst <= tolerance) continue;
        keep[at] = true;
        spans.emplace_back(a, at);
        spans.emplace_back(at, b);
    }
    std::size_t out = 0;
    for (std::size_t k = 0; k < n; ++k)
        if (keep[k]) points[out++] = points[k];
    points.resize(out);
}

PlotPlan PlanPlot(const PrintPlan& print, const StrandRecord& record) {
    PlotPlan plot;
    plot.layers.resize(static_cast<std::size_t>(print.pens));
    LayerSink sink(plot.layers, static_cast<int>(std::ceil(print.min_grey * 65535)));
    TracePieces(record, print.canvas_w, print.canvas_h, sink);
    sink.Finish();
    // The tolerances are given in mm on the page; the plan works in canvas pixels.
    const double px = 1 / print.scale;
    for (PlotLayer& layer : plot.layers) {
        const PlotPaths joined =
            JoinPaths(layer.paths, print.merge * px, print.canvas_w, print.canvas_h);
        const PlotPaths kept =
            SimplifyAndFilter(joined, print.simplify * px, print.min_length * px);
        OrderPaths(kept, print.canvas_w, print.canvas_h, layer);
        layer.down *= print.scale;
        layer.up *= print.scale;
    }
    return plot;
}

std::string LayerLabel(const PlotLayer& layer, std::size_t index) {
    char text[96];
    std::snprintf(text, sizeof text, "%zu pen %zu, grey %.3f-%.3f", index + 1, index + 1,
                  layer.low / 65535.0, std::min(layer.high - 1, 65535) / 65535.0);
    return text;
}

void ReportPlot(const PlotPlan& plot, std::FILE* out) {
    std::size_t paths = 0;
    double down = 0, up = 0;
    for (std::size_t k = 0; k < plot.layers.size(); ++k) {
        const PlotLayer& layer = plot.layers[k];
        std::fprintf(out, "plot: %s (its grey %.3f): %zu paths, pen down %.3f m, pen up %.3f m\n",
                     LayerLabel(layer, k).c_str(), layer.grey / 65535.0, layer.paths.size(),
                     layer.down / 1000, layer.up / 1000);
        paths += layer.paths.size();
        down += layer.down;
        up += layer.up;
    }
    std::fprintf(out, "plot: %zu paths, pen down %.3f m, pen up %.3f m\n", paths, down / 1000,
                 up / 1000);
}
