// SPDX-License-Identifier: MIT
// The gallery page: a static index.html beside a set of pictures, to browse them in any browser
// from file://, with no server and nothing fetched from the network.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "render/batch/grid_layout.h"

// Writes `folder`/index.html and an 8-bit thumbnail of each of `pictures` (16-bit PNGs this
// program wrote) in `folder`/thumbs/. The page shows them in the grid's layout, each with its
// seed, settings and the morvane-render command that makes it again. Every file is checked before
// anything is written; false with the reason when one is not such a PNG or the page cannot be
// written.
bool WriteGallery(const std::vector<std::string>& pictures, const std::string& folder,
                  const GridLayout& grid, bool quiet, std::string& error);

// The pictures of one page of a gallery: [first, end) of its list.
struct PageSpan {
    std::size_t first = 0, end = 0;
};
// How a gallery of `count` pictures is split into pages (index.html, page-2.html, ...): 400 to a
// page, or as many whole rows of a grid of `columns` as fit in 400 (at least one). One page, maybe
// empty, at the least.
std::vector<PageSpan> GalleryPages(std::size_t count, int columns);
