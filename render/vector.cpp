// SVG and PDF pages of the recorded strands. Each strand is traced into runs of one colour (the
// 8-bit colour of its segments' shades); a run is one path element. Text is built in a buffer
// that is handed on whenever it grows past FLUSH_BYTES. Start reading at WriteSvg and WritePdf.
#include "render/vector.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/runs.h"
#include "render/trace.h"

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

// Position along a Hilbert curve over a 2^16 grid: pieces near each other on the page are near
// each other in this order.
std::uint64_t HilbertIndex(std::uint32_t x, std::uint32_t y) {
    std::uint64_t d = 0;
    for (std::uint32_t s = 1u << 15; s > 0; s >>= 1) {
        const std::uint32_t rx = (x & s) > 0, ry = (y & s) > 0;
        d += static_cast<std::uint64_t>(s) * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = s - 1 - x;
                y = s - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

double Distance(StrandPoint a, StrandPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace

double WritePlotSvg(const PrintPlan& plan, const StrandRecord& record,
                    std::span<const TextChunk> text, std::ostream& out, double& travel) {
    PlotPieces pieces;
    TracePieces(record, plan.canvas_w, plan.canvas_h, pieces);
    pieces.Close();
    const std::size_t count = pieces.starts.size() - 1;
    // Pieces in Hilbert order of their midpoints; each then drawn from the end nearer the pen.
    const double cell = 65535.0 / std::max(plan.canvas_w, plan.canvas_h);
    std::vector<std::pair<std::uint64_t, std::size_t>> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        const StrandPoint a = pieces.points[pieces.starts[i]];
        const StrandPoint b = pieces.points[pieces.starts[i + 1] - 1];
        order[i] = {HilbertIndex(static_cast<std::uint32_t>((a.x + b.x) / 2 * cell),
                                 static_cast<std::uint32_t>((a.y + b.y) / 2 * cell)),
                    i};
    }
    std::sort(order.begin(), order.end());
    SvgFormat svg(plan, out);
    svg.text() = SvgHead(plan, text, false);
    double down = 0;
    travel = 0;
    StrandPoint pen{0, 0};
    for (const auto& [key, i] : order) {
        const std::size_t first = pieces.starts[i], last = pieces.starts[i + 1] - 1;
        const bool reverse =
            Distance(pen, pieces.points[last]) < Distance(pen, pieces.points[first]);
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
