// SPDX-License-Identifier: MIT
// Thumbnails of saved pictures for the session history: the tile a contact sheet draws for the
// picture, made once from the save's snapshot, so that a sheet of the history need not render the
// picture again. The PNG carries a tag naming the save it shows; a reader takes it only with that
// tag and the expected size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/image_rows.h"

// The width of the history sheet's tiles, and so of the thumbnails the window writes for it.
constexpr int HISTORY_TILE = 256;

// An 8-bit grey picture, row by row.
struct GreyTile {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

// The tile `width` pixels wide (ScaledHeight high) that a sheet draws of the PNG a save writes of
// `snapshot`: each pixel the brightest high byte of the filled samples it covers. Works through a
// band of rows at a time, so that it holds little more than the tile.
GreyTile SnapshotTile(const CanvasSnapshot& snapshot, int width);

// The bytes of an 8-bit greyscale PNG of `tile` with a tEXt chunk morvane:thumbnail = `tag`.
// Empty when libpng fails.
std::string ThumbnailPng(const GreyTile& tile, const std::string& tag);

// Decodes the thumbnail PNG `bytes` into `tile` when it is an 8-bit grey, non-interlaced PNG of
// exactly `width` x `height` whose morvane:thumbnail chunk (before the image data) is `tag`;
// false, with `tile` empty, for anything else, damaged or foreign, before a pixel is decoded
// where the header says so.
bool ReadThumbnailPng(const std::string& bytes, int width, int height, const std::string& tag,
                      GreyTile& tile);
