// SPDX-License-Identifier: MIT
// Contact sheets: renders tiled into one 8-bit greyscale PNG, each tile labelled underneath.
#pragma once

#include <string>
#include <vector>

#include "export/thumbnail.h"
#include "render/batch/grid_layout.h"

struct ColourMap;

struct SheetTile {
    std::string path;   // a 16-bit greyscale PNG
    std::string label;  // empty: taken from the file's tEXt chunks, else its name
    // The tile itself, already scaled to the sheet's tile width (a history thumbnail): when it
    // holds pixels, `path` is not read.
    GreyTile ready{};
};

// The size of a 16-bit greyscale PNG of at most 4096 a side, read without decoding a pixel;
// false with one line naming the file and the reason when it is not one.
bool Check16BitGrey(const std::string& path, int& w, int& h, std::string& error);

// Writes the sheet of `tiles` in order, each tile `tile_width` pixels wide: in the layout of
// `grid`, its keys and values beside the rows and above the columns, or without one in a grid as
// near square as the count allows. Every file is checked before anything is written; false with
// the reason when one is not a 16-bit greyscale PNG or the sheet cannot be written.
// With `colours`, the tiles go through that colour map into an 8-bit RGB sheet; labels and
// background stay grey.
bool BuildSheet(const std::vector<SheetTile>& tiles, const std::string& output, int tile_width,
                const GridLayout& grid, bool quiet, std::string& error,
                const ColourMap* colours = nullptr);
