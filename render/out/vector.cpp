// SPDX-License-Identifier: MIT
// SVG and PDF pages of the recorded strands. Each strand is traced into runs of one colour (the
// 8-bit colour of its segments' shades); a run is one path element. Text is built in a buffer
// that is handed on whenever it grows past FLUSH_BYTES. Start reading at WriteSvg and WritePdf.
#include "render/out/vector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/out/runs.h"
#include "render/out/trace.h"

namespace {

// Text for an XML element: markup characters escaped, control bytes XML cannot hold replaced.
std::string XmlText(const std::string& text) {
    std::string out;
    for (const char ch : text) {
        if (ch == '&')
            out += "&amp;";
        else if (ch == '<')
            out += "&lt;";
        else if (ch == '>')
            out += "&gt;";
        else if (ch == '"')
            out += "&quot;";
        else if (static_cast<unsigned char>(ch) < 0x20 && ch != '\n' && ch != '\t')
            out += '?';
        else
            out += ch;
    }
    return out;
}

// The SVG's head: the page in mm (one user unit is one mm), the provenance, the paper.
std::string SvgHead(const PrintPlan& plan, std::span<const TextChunk> text, bool paper) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" ";
    out += "xmlns:morvane=\"urn:x-morvane:provenance\" width=\"";
    AppendNumber(out, plan.page_w, 3);
    out += "mm\" height=\"";
    AppendNumber(out, plan.page_h, 3);
    out += "mm\" viewBox=\"0 0 ";
    AppendNumber(out, plan.page_w, 3);
    out += ' ';
    AppendNumber(out, plan.page_h, 3);
    out += "\">\n<metadata>\n";
    for (const TextChunk& chunk : text)
        out += "<morvane:chunk keyword=\"" + XmlText(chunk.keyword) + "\">" + XmlText(chunk.text) +
               "</morvane:chunk>\n";
    out += "</metadata>\n";
    if (paper)
        out += "<rect width=\"100%\" height=\"100%\" fill=\"" + HexColour(plan.colours.At(0)) +
               "\"/>\n";
    out += "<g fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" stroke-width=\"";
    AppendNumber(out, plan.pen, 4);
    out += "\">\n";
    return out;
}

class SvgFormat : public PathFormat {
public:
    SvgFormat(const PrintPlan& plan, std::ostream& out) : plan_(plan), out_(out) {}
    ~SvgFormat() override = default;
    void Begin(Rgb16 c) override { text_ += "<path stroke=\"" + HexColour(c) + "\" d=\""; }
    void Point(double x, double y, bool first) override {
        text_ += first ? "M" : (second_ ? " L" : " ");
        second_ = first;
        AppendNumber(text_, plan_.left + x * plan_.scale, 3);
        text_ += ' ';
        AppendNumber(text_, plan_.top + y * plan_.scale, 3);
    }
    void End() override {
        text_ += "\"/>\n";
        if (text_.size() > FLUSH_BYTES) Flush();
    }
    void Flush() {
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }
    std::string& text() { return text_; }

private:
    const PrintPlan& plan_;
    std::ostream& out_;
    std::string text_;
    bool second_ = false;
};

}  // namespace

void WriteSvg(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out) {
    SvgFormat svg(plan, out);
    svg.text() = SvgHead(plan, text, true);
    RunSink sink(plan.colours, svg);
    TracePieces(record, plan.canvas_w, plan.canvas_h, sink);
    svg.text() += "</g>\n</svg>\n";
    svg.Flush();
}

namespace {

// The pieces of a plotter page, each a polyline in canvas pixels.
struct PlotPieces {
    std::vector<StrandPoint> points;
    std::vector<std::size_t> starts;  // first point of each piece; one more at the end
    void Start(double x, double y) {
        if (!starts.empty() && points.size() - starts.back() < 2)
            points.resize(starts.back());
        else
            starts.push_back(points.size());
        points.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    void To(double x, double y, int) {
        points.push_back({static_cast<float>(x), static_cast<float>(y)});
    }
    void StrandEnd() {}
    void Close() {
        if (!starts.empty() && points.size() - starts.back() < 2) {
            points.resize(starts.back());
            starts.pop_back();
        }
        starts.push_back(points.size());
    }
};

double Distance(StrandPoint a, StrandPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

// The pieces' free ends in a grid of CELL-pixel cells, for the greedy plot order: from where the
// pen is, the nearest free end next. Each cell holds its live ends first, so taking a piece moves
// its two ends out of the live part.
class EndGrid {
public:
    static constexpr double CELL = 8;
    EndGrid(const PlotPieces& p, std::size_t count, int xs, int ys)
        : pieces_(p), gw_(static_cast<int>(xs / CELL) + 2), gh_(static_cast<int>(ys / CELL) + 2) {
        const std::size_t cells = static_cast<std::size_t>(gw_) * gh_;
        start_.assign(cells + 1, 0);
        live_.assign(cells, 0);
        for (std::size_t e = 0; e < 2 * count; ++e) ++start_[CellOf(End(e)) + 1];
        for (std::size_t c = 0; c < cells; ++c) start_[c + 1] += start_[c];
        ends_.resize(2 * count);
        slot_.resize(2 * count);
        for (std::size_t e = 0; e < 2 * count; ++e) {
            const std::size_t c = CellOf(End(e));
            slot_[e] = start_[c] + live_[c]++;
            ends_[slot_[e]] = e;
        }
    }
    StrandPoint End(std::size_t e) const {
        const std::size_t i = e / 2;
        return pieces_.points[e % 2 ? pieces_.starts[i + 1] - 1 : pieces_.starts[i]];
    }
    // The free end nearest `pen`: rings of cells around it until no nearer end can be left.
    std::size_t Nearest(StrandPoint pen) const {
        const int cx = Clamp(pen.x / CELL, gw_), cy = Clamp(pen.y / CELL, gh_);
        std::size_t best = SIZE_MAX;
        double best_d = 1e300;
        for (int r = 0; r <= std::max(gw_, gh_); ++r) {
            for (int y = cy - r; y <= cy + r; ++y) {
                if (y < 0 || y >= gh_) continue;
                const int step = (y == cy - r || y == cy + r) ? 1 : 2 * r;
                for (int x = cx - r; x <= cx + r; x += std::max(step, 1)) {
                    if (x < 0 || x >= gw_) continue;
                    const std::size_t c = static_cast<std::size_t>(y) * gw_ + x;
                    for (std::size_t k = start_[c]; k < start_[c] + live_[c]; ++k) {
                        const double d = Distance(pen, End(ends_[k]));
                        if (d < best_d) {
                            best_d = d;
                            best = ends_[k];
                        }
                    }
                }
            }
            if (best != SIZE_MAX && best_d <= r * CELL) break;
        }
        return best;
    }
    void Take(std::size_t piece) {
        for (const std::size_t e : {2 * piece, 2 * piece + 1}) {
            const std::size_t c = CellOf(End(e));
            const std::size_t last = start_[c] + --live_[c];
            const std::size_t moved = ends_[last];
            ends_[slot_[e]] = moved;
            slot_[moved] = slot_[e];
            ends_[last] = e;
            slot_[e] = last;
        }
    }

private:
    static int Clamp(double v, int size) { return std::clamp(static_cast<int>(v), 0, size - 1); }
    std::size_t CellOf(StrandPoint p) const {
        return static_cast<std::size_t>(Clamp(p.y / CELL, gh_)) * gw_ + Clamp(p.x / CELL, gw_);
    }
    const PlotPieces& pieces_;
    int gw_, gh_;
    std::vector<std::size_t> start_, live_, ends_, slot_;
};

}  // namespace

double WritePlotSvg(const PrintPlan& plan, const StrandRecord& record,
                    std::span<const TextChunk> text, std::ostream& out, double& travel) {
    PlotPieces pieces;
    TracePieces(record, plan.canvas_w, plan.canvas_h, pieces);
    pieces.Close();
    const std::size_t count = pieces.starts.size() - 1;
    EndGrid grid(pieces, count, plan.canvas_w, plan.canvas_h);
    SvgFormat svg(plan, out);
    svg.text() = SvgHead(plan, text, false);
    double down = 0;
    travel = 0;
    StrandPoint pen{0, 0};
    // Each piece is drawn from its end nearest the pen; an odd end is its last point.
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t end = grid.Nearest(pen), i = end / 2;
        grid.Take(i);
        const std::size_t first = pieces.starts[i], last = pieces.starts[i + 1] - 1;
        const bool reverse = end % 2 == 1;
        travel += Distance(pen, pieces.points[reverse ? last : first]);
        svg.Begin({0, 0, 0});
        for (std::size_t k = 0; k <= last - first; ++k) {
            const StrandPoint p = pieces.points[reverse ? last - k : first + k];
            if (k > 0) down += Distance(pen, p);
            svg.Point(p.x, p.y, k == 0);
            pen = p;
        }
        svg.End();
    }
    svg.text() += "</g>\n</svg>\n";
    svg.Flush();
    travel *= plan.scale;
    return down * plan.scale;
}
