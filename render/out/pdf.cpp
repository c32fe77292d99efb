// SPDX-License-Identifier: MIT
// The PDF page of the recorded strands: one page whose content stream is deflated as it is
// traced, in parts on every core, then the Info dictionary with the provenance, the image of the
// saved picture that the page draws under the strokes, and the cross-reference table. The strokes
// are drawn in canvas pixels through one transformation to the page.
#include <zlib.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "export/parallel_deflate.h"
#include "render/out/runs.h"
#include "render/out/saved_layer.h"
#include "render/out/trace.h"
#include "render/out/vector.h"

namespace {

constexpr double POINTS_PER_INCH = 72;
// Content handed to the compressor at a time: large enough that each part's dictionary and
// thread cost little, small enough that every core gets parts of a small page too.
constexpr std::size_t PART_BYTES = 1 << 20;
// Decimals of a point of a strand, in canvas pixels: a twentieth of a pixel at most off, well
// within the pen (a pixel wide unless asked otherwise).
constexpr int POINT_DECIMALS = 1;

// `v` with `decimals` decimals at most, without trailing zeros ("12.5", "3", "-0.1").
void AppendShortNumber(std::string& out, double v, int decimals) {
    const std::size_t start = out.size();
    AppendNumber(out, v, decimals);
    if (out.find('.', start) == std::string::npos) return;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    if (out.compare(start, std::string::npos, "-0") == 0) out.erase(start, 1);
}

// Counts what goes out, for the cross-reference table's offsets.
class CountedOut {
public:
    explicit CountedOut(std::ostream& out) : out_(out) {}
    void Put(const std::string& text) {
        out_.write(text.data(), static_cast<std::streamsize>(text.size()));
        offset_ += text.size();
    }
    void Put(const unsigned char* data, std::size_t size) {
        out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        offset_ += size;
    }
    std::size_t offset() const { return offset_; }

private:
    std::ostream& out_;
    std::size_t offset_ = 0;
};

// The page's content, deflated on the way out by the PNG writer's compressor, in parts on every
// core. Zlib's fastest level: on this text it costs a fifth of the default level's time, and the
// short numbers keep the file smaller than the default level made of the long ones.
class PdfFormat : public PathFormat {
public:
    explicit PdfFormat(CountedOut& out)
        : stream_(Z_BEST_SPEED, Z_DEFAULT_STRATEGY, 0,
                  [&out](const unsigned char* data, std::size_t size) {
                      out.Put(data, size);
                      return true;
                  }) {}

    void Begin(Rgb16 c) override {
        const int key = (c.r >> 8) << 16 | (c.g >> 8) << 8 | c.b >> 8;
        if (key == colour_) return;
        colour_ = key;
        const int channels[3] = {key >> 16, (key >> 8) & 0xFF, key & 0xFF};
        // A grey needs one number (G), a colour three (RG).
        const bool grey = channels[0] == channels[1] && channels[1] == channels[2];
        for (int i = 0; i < (grey ? 1 : 3); ++i) {
            AppendShortNumber(text_, channels[i] / 255.0, 3);
            text_ += ' ';
        }
        text_ += grey ? "G\n" : "RG\n";
    }
    void Point(double x, double y, bool first) override {
        AppendShortNumber(text_, x, POINT_DECIMALS);
        text_ += ' ';
        AppendShortNumber(text_, y, POINT_DECIMALS);
        text_ += first ? " m\n" : " l\n";
    }
    void End() override {
        text_ += "S\n";
        if (text_.size() > PART_BYTES) Hand();
    }
    std::string& text() { return text_; }
    // Compresses the rest and ends the stream; returns the compressed length.
    std::size_t Finish() {
        Hand();
        std::string reason;
        if (!stream_.Finish(reason)) throw std::runtime_error(reason);
        return stream_.written();
    }

private:
    void Hand() {
        if (!stream_.Add(std::vector<unsigned char>(text_.begin(), text_.end())))
            throw std::runtime_error("the page's content could not be compressed");
        text_.clear();
    }

    DeflateStream stream_;
    std::string text_;
    int colour_ = -1;
};

// A PDF text string: backslash, brackets and bytes outside printable ASCII escaped.
std::string PdfString(const std::string& text) {
    std::string out = "(";
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '(' || ch == ')' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (u < 0x20 || u > 0x7E) {
            char oct[5];
            std::snprintf(oct, sizeof oct, "\\%03o", u);
            out += oct;
        } else {
            out += ch;
        }
    }
    return out + ")";
}

// A PDF name from a chunk's keyword: characters outside letters and digits as #HH.
std::string PdfName(const std::string& keyword) {
    std::string out = "/";
    for (const char ch : keyword) {
        if (std::isalnum(static_cast<unsigned char>(ch))) {
            out += ch;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "#%02X", static_cast<unsigned char>(ch));
            out += hex;
        }
    }
    return out;
}

std::string InfoDictionary(std::span<const TextChunk> text) {
    std::string info = "<< /Title (morvane)";
    for (const TextChunk& chunk : text) {
        const std::string value = PdfString(chunk.text);
        if (chunk.keyword == "Software") {
            info += " /Creator ";
            info += value;
            info += " /Producer ";
        } else {
            info += ' ';
            info += PdfName(chunk.keyword);
            info += ' ';
        }
        info += value;
    }
    return info + " >>";
}

// The content stream's head: the paper, canvas pixels to points (y runs down the canvas and up
// the page), the saved picture's image on the canvas's place unless the strands alone are asked
// for, and the pen's width.
void ContentHead(const PrintPlan& plan, const std::string& size, double page_h, std::string& head) {
    const Rgb16 paper = plan.colours.At(0);
    for (const int c : {paper.r, paper.g, paper.b}) {
        AppendNumber(head, c / 65535.0, 3);
        head += ' ';
    }
    head += "rg 0 0 " + size + " re f\n1 J 1 j\n";
    const double k = plan.MmTo(plan.scale, POINTS_PER_INCH);
    const double left = plan.MmTo(plan.left, POINTS_PER_INCH);
    const double top = page_h - plan.MmTo(plan.top, POINTS_PER_INCH);
    const auto transform = [&](std::initializer_list<double> m) {
        for (const double v : m) {
            AppendNumber(head, v, 6);
            head += ' ';
        }
        head += "cm\n";
    };
    if (!plan.as_shown) {
        head += "q\n";
        transform({k * plan.canvas_w, 0, 0, k * plan.canvas_h, left, top - k * plan.canvas_h});
        head += "/Saved Do Q\n";
    }
    transform({k, 0, 0, -k, left, top});
    AppendNumber(head, plan.pen / plan.scale, 4);
    head += " w\n";
}

// The saved picture as an image object's body, at canvas resolution.
std::string SavedImage(const PrintPlan& plan) {
    const SavedLayer layer = CanvasAsSaved(plan.canvas_w, plan.canvas_h);
    const LayerImage image = ColourLayer(layer, plan.colours);
    const std::string packed = Deflated(image.samples);
    return "<< /Type /XObject /Subtype /Image /Width " + std::to_string(plan.canvas_w) +
           " /Height " + std::to_string(plan.canvas_h) + " /ColorSpace " +
           (image.grey ? "/DeviceGray" : "/DeviceRGB") +
           " /BitsPerComponent 8 /Filter /FlateDecode /Length " + std::to_string(packed.size()) +
           " >>\nstream\n" + packed + "\nendstream";
}

// The cross-reference table of the objects at `offsets` and the trailer.
std::string XrefAndTrailer(const std::vector<std::size_t>& offsets, std::size_t xref) {
    std::string table = "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t at : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", at);
        table += line;
    }
    return table + "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R /Info 6 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

}  // namespace

void WritePdf(const PrintPlan& plan, const StrandRecord& record, std::span<const TextChunk> text,
              std::ostream& out) {
    CountedOut pdf(out);
    std::vector<std::size_t> offsets;
    const auto object = [&](const std::string& body) {
        offsets.push_back(pdf.offset());
        pdf.Put(std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n");
    };
    const double w = plan.MmTo(plan.page_w, POINTS_PER_INCH);
    const double h = plan.MmTo(plan.page_h, POINTS_PER_INCH);
    std::string size;
    AppendNumber(size, w, 3);
    size += ' ';
    AppendNumber(size, h, 3);
    pdf.Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    // The picture as saved (object 7, written after the Info dictionary) under the strokes,
    // unless the strands alone are asked for.
    const std::string resources = plan.as_shown ? "<< >>" : "<< /XObject << /Saved 7 0 R >> >>";
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + size + "] /Contents 4 0 R /Resources " +
           resources + " >>");
    offsets.push_back(pdf.offset());
    pdf.Put("4 0 obj\n<< /Length 5 0 R /Filter /FlateDecode >>\nstream\n");
    PdfFormat content(pdf);
    ContentHead(plan, size, h, content.text());
    RunSink sink(plan.colours, content);
    TracePieces(record, plan.canvas_w, plan.canvas_h, sink);
    const std::size_t length = content.Finish();
    pdf.Put("\nendstream\nendobj\n");
    object(std::to_string(length));
    object(InfoDictionary(text));
    if (!plan.as_shown) object(SavedImage(plan));
    pdf.Put(XrefAndTrailer(offsets, pdf.offset()));
}
