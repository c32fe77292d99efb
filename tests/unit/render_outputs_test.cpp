// SPDX-License-Identifier: MIT
// What the renderer's outputs compute: a colour map's interpolation between its stops, the
// escaping of every text a gallery page shows, and the order a plotter draws its pieces in.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "render/batch/gallery.h"
#include "render/batch/gallery_page.h"
#include "render/out/palette.h"
#include "render/out/vector.h"

TEST(ColourMap, InterpolatesEachChannelBetweenTheStopsAroundTheValue) {
    const ColourMap map{{{1000, {0, 65535, 300}}, {3000, {20000, 0, 300}}, {65535, {65535, 0, 0}}}};
    const auto expect = [&](int value, double r, double g, double b) {
        const Rgb16 c = map.At(value);
        EXPECT_NEAR(c.r, r, 1) << value;
        EXPECT_NEAR(c.g, g, 1) << value;
        EXPECT_NEAR(c.b, b, 1) << value;
    };
    expect(0, 0, 65535, 300);  // below the first stop: its colour
    expect(1000, 0, 65535, 300);
    expect(1500, 5000, 65535 * 0.75, 300);
    expect(2999, 20000 * 1999 / 2000.0, 65535 / 2000.0, 300);
    expect(3000, 20000, 0, 300);
    expect(34267, 20000 + 45535 * 0.5, 0, 150);
    expect(65535, 65535, 0, 0);
    expect(70000, 65535, 0, 0);  // above the last stop: its colour
}

TEST(GalleryPage, EscapesEveryByteThatMeansSomethingInHtml) {
    EXPECT_EQ(HtmlEscape("seed 7 \xC3\xA9"), "seed 7 \xC3\xA9");
    EXPECT_EQ(HtmlEscape("<img src=x onerror='a()'>\"&amp;"),
              "&lt;img src=x onerror=&#39;a()&#39;&gt;&quot;&amp;amp;");
}

// A large gallery is split into pages light enough to open at once; a grid's pages hold whole
// rows, so that every row keeps its label and its columns.
TEST(GalleryPage, ALargeGalleryIsSplitIntoPagesOfWholeRows) {
    const std::vector<PageSpan> plain = GalleryPages(10000, 0);
    ASSERT_EQ(plain.size(), 25u);
    EXPECT_EQ(plain.front().end, 400u);
    EXPECT_EQ(plain.back().first, 9600u);
    EXPECT_EQ(plain.back().end, 10000u);
    const std::vector<PageSpan> grid = GalleryPages(1000, 7);
    for (std::size_t p = 0; p < grid.size(); ++p) {
        EXPECT_EQ(grid[p].first % 7, 0u) << p;
        EXPECT_LE(grid[p].end - grid[p].first, 400u) << p;
        EXPECT_EQ(grid[p].first, p == 0 ? 0 : grid[p - 1].end) << p;
    }
    EXPECT_EQ(grid.back().end, 1000u);
    EXPECT_EQ(GalleryPages(3, 1000).size(), 1u);  // a row wider than a page stays whole
    EXPECT_EQ(GalleryPages(0, 0).size(), 1u);
}
