// SPDX-License-Identifier: MIT
// The picture as the S key saves it (hole fill included), at canvas resolution, as the layer
// under the strokes of a page: the vector pages embed it as an image, the print raster draws it
// first. The strokes over it keep the lines sharp at any size; the image gives the fill, and it
// keeps each line's pixels at their full value where an anti-aliased stroke covers them only in
// part, so that the page has the saved picture's tone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/out/palette.h"

struct SavedLayer {
    int w = 0, h = 0;
    std::vector<std::uint16_t> values;  // row by row, the saved samples
    std::uint16_t At(int x, int y) const {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x];
    }
};

// The canvas as it is now, xs x ys, as a save writes it.
SavedLayer CanvasAsSaved(int xs, int ys);

// The layer through a colour map as 8-bit samples, one channel (grey) or three per pixel.
struct LayerImage {
    bool grey = true;
    std::string samples;
};
LayerImage ColourLayer(const SavedLayer& layer, const ColourMap& colours);
// The image as a PNG, for an SVG's data URI.
std::string LayerPng(const SavedLayer& layer, const LayerImage& image);
// Base 64 of `bytes`, appended to `out`.
void AppendBase64(std::string& out, const std::string& bytes);
// `bytes` deflated as one zlib stream, for a PDF's FlateDecode.
std::string Deflated(const std::string& bytes);
