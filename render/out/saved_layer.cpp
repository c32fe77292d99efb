// SPDX-License-Identifier: MIT
// The saved picture as the save computes it (GetBlendedPixel for each empty pixel), its colours,
// and its encodings: a PNG for SVG and a zlib stream for PDF.
#include "render/out/saved_layer.h"

#include <zlib.h>

#include <algorithm>
#include <png++/png.hpp>
#include <sstream>
#include <stdexcept>

#include "engine/canvas.h"
#include "export/parallel_deflate.h"

SavedLayer CanvasAsSaved(int xs, int ys) {
    SavedLayer layer;
    layer.w = xs;
    layer.h = ys;
    layer.values.resize(static_cast<std::size_t>(xs) * static_cast<std::size_t>(ys));
    for (int y = 0; y < ys; ++y) {
        for (int x = 0; x < xs; ++x) {
            const int v = arr[x][y];
            // The save stores the low 16 bits, as it does of every value.
            layer.values[static_cast<std::size_t>(y) * xs + x] =
                static_cast<std::uint16_t>(v != 0 ? v : GetBlendedPixel(x, y));
        }
    }
    return layer;
}

LayerImage ColourLayer(const SavedLayer& layer, const ColourMap& colours) {
    LayerImage image;
    image.grey = colours.IsGrey();
    image.samples.reserve(layer.values.size() * (image.grey ? 1 : 3));
    for (const std::uint16_t v : layer.values) {
        const Rgb16 c = colours.At(v);
        image.samples += static_cast<char>(c.r >> 8);
        if (!image.grey) {
            image.samples += static_cast<char>(c.g >> 8);
            image.samples += static_cast<char>(c.b >> 8);
        }
    }
    return image;
}

std::string LayerPng(const SavedLayer& layer, const LayerImage& image) {
    std::ostringstream out;
    png::writer<std::ostream> png(out);
    png.set_width(static_cast<png::uint_32>(layer.w));
    png.set_height(static_cast<png::uint_32>(layer.h));
    png.set_bit_depth(8);
    png.set_color_type(image.grey ? png::color_type_gray : png::color_type_rgb);
    png.write_info();
    const std::size_t row = static_cast<std::size_t>(layer.w) * (image.grey ? 1 : 3);
    for (std::size_t y = 0; y < static_cast<std::size_t>(layer.h); ++y)
        png.write_row(reinterpret_cast<png::byte*>(const_cast<char*>(&image.samples[y * row])));
    png.write_end_info();
    return std::move(out).str();
}

void AppendBase64(std::string& out, const std::string& bytes) {
    static constexpr char DIGITS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto byte = [&](std::size_t i) {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
    };
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += DIGITS[group >> 18 & 63];
        out += DIGITS[group >> 12 & 63];
        out += i + 1 < bytes.size() ? DIGITS[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? DIGITS[group & 63] : '=';
    }
}

std::string Deflated(const std::string& bytes) {
    // In parts on every core, with the compressor of the PNG writer and of the page's strokes.
    constexpr std::size_t PART_BYTES = 1 << 20;
    std::string out;
    DeflateStream stream(Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY, 0,
                         [&out](const unsigned char* data, std::size_t size) {
                             out.append(reinterpret_cast<const char*>(data), size);
                             return true;
                         });
    for (std::size_t at = 0; at < bytes.size(); at += PART_BYTES) {
        const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at);
        const auto end =
            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at + PART_BYTES, bytes.size()));
        stream.Add(std::vector<unsigned char>(begin, end));
    }
    std::string reason;
    if (!stream.Finish(reason))
        throw std::runtime_error("cannot compress the picture's image: " + reason);
    return out;
}
