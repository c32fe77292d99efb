// Contact sheets: renders tiled into one 8-bit greyscale PNG, each tile labelled underneath.
#pragma once

#include <string>
#include <vector>

struct ColourMap;

struct SheetTile {
    std::string path;   // a 16-bit greyscale PNG
    std::string label;  // empty: taken from the file's tEXt chunks, else its name
};

// Writes the sheet of `tiles` in order, in a grid as near square as the count allows, each tile
// `tile_width` pixels wide. Every file is checked before anything is written; false with the
// reason when one is not a 16-bit greyscale PNG or the sheet cannot be written.
// With `colours`, the tiles go through that colour map into an 8-bit RGB sheet; labels and
// background stay grey.
bool BuildSheet(const std::vector<SheetTile>& tiles, const std::string& output, int tile_width,
                bool quiet, std::string& error, const ColourMap* colours = nullptr);
