// SPDX-License-Identifier: MIT
// Thumbnails and contact-sheet tiles: each output pixel is the brightest pixel of the block it
// covers, so that a one-pixel line survives any reduction.
#include <gtest/gtest.h>

#include <cstdint>

#include "export/scale.h"

TEST(RenderScale, EachPixelIsTheBrightestOfItsBlock) {
    // 4 x 2 down to 2 x 1: the blocks are columns 0-1 and 2-3 of both rows. Neither block has its
    // brightest pixel first or last, so keeping the first or the last pixel gives other values.
    const int grey[2][4] = {{9, 200, 3, 1}, {50, 7, 77, 4}};
    std::uint8_t out[2] = {};
    ScaleBrightest([&](int x, int y) { return grey[y][x]; }, 4, 2, out, 2, 1, 2);
    EXPECT_EQ(out[0], 200);
    EXPECT_EQ(out[1], 77);
}

TEST(RenderScale, UnevenBlocksCoverEveryPixelAndKeepToTheirRow) {
    // 5 x 3 down to 2 x 2: blocks of 2 and 3 columns, 1 and 2 rows. The only lit pixel is the
    // last column of the last row; each output row is `stride` 3 bytes, whose third stays as it is.
    int grey[3][5] = {};
    grey[2][4] = 255;
    std::uint8_t out[6] = {1, 1, 99, 1, 1, 99};
    ScaleBrightest([&](int x, int y) { return grey[y][x]; }, 5, 3, out, 2, 2, 3);
    const std::uint8_t expected[6] = {0, 0, 99, 0, 255, 99};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], expected[i]) << "byte " << i;
    // A very wide picture still gets a row.
    EXPECT_EQ(ScaledHeight(4096, 1, 256), 1);
    EXPECT_EQ(ScaledHeight(640, 480, 256), 192);
}
