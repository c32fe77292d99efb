// SPDX-License-Identifier: MIT
// The print raster (the saved picture, then the strands over it) and the coloured canvas. Both end
// in WritePng, which streams 16-bit rows (grey, or RGB through a colour map) with the text chunks
// and, given a DPI, pHYs. The strands are drawn as round-capped capsules whose edge covers one
// pixel, each pixel keeping the brightest value drawn over it, as the lines of the canvas never
// darken each other.
#include "render/out/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <png++/png.hpp>
#include <vector>

#include "engine/canvas.h"
#include "render/out/saved_layer.h"
#include "render/out/trace.h"

namespace {

// Writes a width x height 16-bit PNG whose row y holds the values row(y) fills in; the colour
// map turns each value into a grey (when it is grey) or an RGB sample.
void WritePng(const PrintPlan& plan, int width, int height, std::span<const TextChunk> text,
              const std::function<void(int, std::uint16_t*)>& row, std::ostream& out) {
    png::writer<std::ostream> png(out);
    const bool grey = plan.colours.IsGrey();
    png.set_width(static_cast<png::uint_32>(width));
    png.set_height(static_cast<png::uint_32>(height));
    png.set_bit_depth(16);
    png.set_color_type(grey ? png::color_type_gray : png::color_type_rgb);
    std::vector<png_text> chunks;
    for (const TextChunk& c : text) {
        png_text t{};
        t.compression = c.compressed ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<char*>(c.keyword.c_str());
        t.text = const_cast<char*>(c.text.c_str());
        t.text_length = c.text.size();
        chunks.push_back(t);
    }
    png_struct* p = png.get_png_struct();
    png_info* info = png.get_info().get_png_info();
    if (!chunks.empty()) png_set_text(p, info, chunks.data(), static_cast<int>(chunks.size()));
    if (plan.dpi > 0) {
        const auto ppm = static_cast<png_uint_32>(std::lround(plan.dpi / 0.0254));
        png_set_pHYs(p, info, ppm, ppm, PNG_RESOLUTION_METER);
    }
    png.write_info();
    std::vector<std::uint16_t> values(static_cast<std::size_t>(width));
    std::vector<png::byte> bytes(static_cast<std::size_t>(width) * (grey ? 2 : 6));
    for (int y = 0; y < height; ++y) {
        row(y, values.data());
        png::byte* b = bytes.data();
        const auto put = [&](std::uint16_t v) {
            *b++ = static_cast<png::byte>(v >> 8);
            *b++ = static_cast<png::byte>(v & 0xFF);
        };
        for (const std::uint16_t v : values) {
            const Rgb16 c = plan.colours.At(v);
            if (grey) {
                put(c.r);
            } else {
                put(c.r);
                put(c.g);
                put(c.b);
            }
        }
        png.write_row(bytes.data());
    }
    png.write_end_info();
}

// Draws segments into a buffer of values: pixel centres within half the pen of a segment are
// covered fully, with a one-pixel ramp outside.
class Rasteriser {
public:
    Rasteriser(const PrintPlan& plan)
        : w_(plan.raster_w),
          h_(plan.raster_h),
          values_(static_cast<std::size_t>(w_) * h_),
          k_(plan.dpi / 25.4),
          x0_(plan.left * k_),
          y0_(plan.top * k_),
          s_(plan.scale * k_),
          r_(std::max(plan.pen * k_ / 2, 0.5)) {}

    // Puts the saved picture under the strands: each raster pixel takes the sample of the canvas
    // pixel its centre lies in.
    void Underlay(const SavedLayer& layer) {
        for (int py = 0; py < h_; ++py) {
            const double cy = std::floor((py + 0.5 - y0_) / s_);
            if (cy < 0 || cy >= layer.h) continue;
            for (int px = 0; px < w_; ++px) {
                const double cx = std::floor((px + 0.5 - x0_) / s_);
                if (cx < 0 || cx >= layer.w) continue;
                values_[static_cast<std::size_t>(py) * w_ + px] =
                    layer.At(static_cast<int>(cx), static_cast<int>(cy));
            }
        }
    }
    void Start(double x, double y) {
        x_ = x0_ + x * s_;
        y_ = y0_ + y * s_;
    }
    void To(double x, double y, int value) {
        const double bx = x0_ + x * s_, by = y0_ + y * s_;
        Segment(x_, y_, bx, by, value);
        x_ = bx;
        y_ = by;
    }
    void StrandEnd() {}
    const std::uint16_t* Row(int y) const { return &values_[static_cast<std::size_t>(y) * w_]; }

private:
    void Segment(double ax, double ay, double bx, double by, int value) {
        const double reach = r_ + 0.5;
        const int x_lo = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - reach)));
        const int x_hi = std::min(w_ - 1, static_cast<int>(std::ceil(std::max(ax, bx) + reach)));
        const int y_lo = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - reach)));
        const int y_hi = std::min(h_ - 1, static_cast<int>(std::ceil(std::max(ay, by) + reach)));
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        for (int py = y_lo; py <= y_hi; ++py) {
            std::uint16_t* row = &values_[static_cast<std::size_t>(py) * w_];
            for (int px = x_lo; px <= x_hi; ++px) {
                const double cx = px + 0.5 - ax, cy = py + 0.5 - ay;
                const double t = len2 > 0 ? std::clamp((cx * dx + cy * dy) / len2, 0.0, 1.0) : 0;
                const double d = std::hypot(cx - t * dx, cy - t * dy);
                const double cover = std::clamp(reach - d, 0.0, 1.0);
                const auto v = static_cast<std::uint16_t>(value * cover);
                row[px] = std::max(row[px], v);
            }
        }
    }

    int w_, h_;
    std::vector<std::uint16_t> values_;
    double k_, x0_, y0_, s_, r_;
    double x_ = 0, y_ = 0;
};

}  // namespace

void WriteCanvasPng(const PrintPlan& plan, std::span<const TextChunk> text, std::ostream& out) {
    const auto row = [&](int y, std::uint16_t* values) {
        for (int x = 0; x < plan.canvas_w; ++x) {
            int v = arr[x][y];
            if (v == 0 && !plan.as_shown) v = GetBlendedPixel(x, y);
            values[x] = static_cast<std::uint16_t>(v);
        }
    };
    WritePng(plan, plan.canvas_w, plan.canvas_h, text, row, out);
}

void WriteRasterPng(const PrintPlan& plan, const StrandRecord& record,
                    std::span<const TextChunk> text, std::ostream& out) {
    Rasteriser raster(plan);
    if (!plan.as_shown) raster.Underlay(CanvasAsSaved(plan.canvas_w, plan.canvas_h));
    TracePieces(record, plan.canvas_w, plan.canvas_h, raster);
    const auto row = [&](int y, std::uint16_t* values) {
        std::copy_n(raster.Row(y), plan.raster_w, values);
    };
    WritePng(plan, plan.raster_w, plan.raster_h, text, row, out);
}
