// SPDX-License-Identifier: MIT
// SVG pages of the recorded strands, over the saved picture as an image, and the plotter SVG of a
// plot plan. Each strand is traced into runs of one colour (the 8-bit colour of its segments'
// shades); a run is one path element. Text is built in a buffer
// that is handed on whenever it grows past FLUSH_BYTES. Start reading at WriteSvg.
#include "render/out/vector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/out/runs.h"
#include "render/out/saved_layer.h"
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

// The SVG's head: the page in mm (one user unit is one mm) and the provenance.
std::string SvgHead(const PrintPlan& plan, std::span<const TextChunk> text) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
        "xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\" ";
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
    return out;
}

// The group of the strokes: round ends and joins, the pen's width.
std::string StrokeGroup(const PrintPlan& plan, const std::string& attributes) {
    std::string out = "<g" + attributes +
                      " fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
                      "stroke-width=\"";
    AppendNumber(out, plan.pen, 4);
    out += "\">\n";
    return out;
}

// The picture as saved, as an image over the canvas, each of its pixels one canvas pixel.
void AppendSavedImage(const PrintPlan& plan, std::string& out) {
    const SavedLayer layer = CanvasAsSaved(plan.canvas_w, plan.canvas_h);
    out += "<image x=\"";
    AppendNumber(out, plan.left, 3);
    out += "\" y=\"";
    AppendNumber(out, plan.top, 3);
    out += "\" width=\"";
    AppendNumber(out, plan.canvas_w * plan.scale, 3);
    out += "\" height=\"";
    AppendNumber(out, plan.canvas_h * plan.scale, 3);
    out +=
        "\" preserveAspectRatio=\"none\" image-rendering=\"optimizeSpeed\" "
        "style=\"image-rendering:pixelated\" xlink:href=\"data:image/png;base64,";
    AppendBase64(out, LayerPng(layer, ColourLayer(layer, plan.colours)));
    out += "\"/>\n";
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
    svg.text() = SvgHead(plan, text);
    svg.text() +=
        "<rect width=\"100%\" height=\"100%\" fill=\"" + HexColour(plan.colours.At(0)) + "\"/>\n";
    if (!plan.as_shown) AppendSavedImage(plan, svg.text());
    svg.text() += StrokeGroup(plan, "");
    RunSink sink(plan.colours, svg);
    TracePieces(record, plan.canvas_w, plan.canvas_h, sink);
    svg.text() += "</g>\n</svg>\n";
    svg.Flush();
}

void WritePlotSvg(const PrintPlan& plan, const PlotPlan& plot, std::span<const TextChunk> text,
                  std::ostream& out) {
    SvgFormat svg(plan, out);
    svg.text() = SvgHead(plan, text);
    // The paper's colour for the editors that show it; a plotter draws no paper.
    svg.text() += "<sodipodi:namedview pagecolor=\"" + HexColour(plan.colours.At(0)) + "\"/>\n";
    for (std::size_t k = 0; k < plot.layers.size(); ++k) {
        const PlotLayer& layer = plot.layers[k];
        svg.text() +=
            StrokeGroup(plan, " inkscape:groupmode=\"layer\" id=\"pen" + std::to_string(k + 1) +
                                  "\" inkscape:label=\"" + LayerLabel(layer, k) + "\" stroke=\"" +
                                  HexColour(plan.colours.At(layer.grey)) + "\"");
        const PlotPaths& paths = layer.paths;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            svg.text() += "<path d=\"";
            for (std::size_t p = paths.offsets[i]; p < paths.offsets[i + 1]; ++p)
                svg.Point(paths.points[p].x, paths.points[p].y, p == paths.offsets[i]);
            svg.End();
        }
        svg.text() += "</g>\n";
    }
    svg.text() += "</svg>\n";
    svg.Flush();
}
