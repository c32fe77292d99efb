// SPDX-License-Identifier: MIT
// History thumbnails: the tile made from a save's snapshot is the tile a sheet makes of the PNG
// that save wrote, and a thumbnail is taken back only with its own tag and size, whole.
#include "export/thumbnail.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <png++/png.hpp>
#include <random>
#include <string>

#include "export/export.h"
#include "export/scale.h"

namespace {

// A canvas of uneven size (the tile's blocks differ in height and width), half of it empty so
// that the save's fill lights pixels next to lines, with the colour decay on.
CanvasSnapshot Canvas() {
    const int width = 601, height = 523;
    std::mt19937 random(7);
    std::vector<std::int32_t> values(static_cast<std::size_t>(width) * height);
    for (auto& v : values) v = random() % 2 ? 0 : static_cast<std::uint16_t>(random());
    std::vector<const std::int32_t*> columns;
    for (int x = 0; x < width; ++x)
        columns.push_back(&values[static_cast<std::size_t>(x) * height]);
    return PackSnapshot(width, height, 0.9, columns);
}

}  // namespace

TEST(Thumbnail, IsTheSheetsTileOfTheSavedPicture) {
    const CanvasSnapshot s = Canvas();
    const std::string path = "thumbnail_test_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(WriteImage(path, s).saved);
    const png::image<png::gray_pixel_16> saved(path);
    unlink(path.c_str());
    const GreyTile tile = SnapshotTile(s, HISTORY_TILE);
    ASSERT_EQ(tile.height, ScaledHeight(s.width, s.height, HISTORY_TILE));
    std::vector<std::uint8_t> sheet(static_cast<std::size_t>(HISTORY_TILE) * tile.height);
    ScaleBrightest([&](int x, int y) { return saved[y][x] >> 8; }, s.width, s.height, sheet.data(),
                   HISTORY_TILE, tile.height, HISTORY_TILE);
    EXPECT_EQ(tile.pixels, sheet);
}

TEST(Thumbnail, IsReadBackOnlyWholeWithItsTagAndSize) {
    const GreyTile tile = SnapshotTile(Canvas(), HISTORY_TILE);
    const std::string tag = "20261209-141502-seed7.journal frame 90";
    const std::string png = ThumbnailPng(tile, tag);
    GreyTile read;
    ASSERT_TRUE(ReadThumbnailPng(png, HISTORY_TILE, tile.height, tag, read));
    EXPECT_EQ(read.pixels, tile.pixels);
    // An earlier save, another size, another width.
    EXPECT_FALSE(ReadThumbnailPng(png, HISTORY_TILE, tile.height, tag + "0", read));
    EXPECT_FALSE(ReadThumbnailPng(png, HISTORY_TILE, tile.height + 1, tag, read));
    EXPECT_FALSE(ReadThumbnailPng(png, HISTORY_TILE * 2, tile.height, tag, read));
    // Cut short anywhere, or a byte of its image data changed: nothing is read, not even the
    // rows before the damage.
    for (std::size_t size = 0; size < png.size(); size += 97) {
        EXPECT_FALSE(ReadThumbnailPng(png.substr(0, size), HISTORY_TILE, tile.height, tag, read))
            << size << " bytes";
        EXPECT_TRUE(read.pixels.empty()) << size << " bytes";
    }
    std::string damaged = png;
    damaged[png.size() / 2] = static_cast<char>(damaged[png.size() / 2] ^ 0x40);
    EXPECT_FALSE(ReadThumbnailPng(damaged, HISTORY_TILE, tile.height, tag, read));
}
