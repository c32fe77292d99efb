// SPDX-License-Identifier: MIT
// How a grid of pictures is laid out on a sheet or a gallery page: row by row, `columns` to a row,
// one varied key down the side and the other along the top, each row and column labelled with its
// value. Zero columns: no grid, a layout as near square as the count allows.
#pragma once

#include <string>
#include <vector>

struct GridLayout {
    int columns = 0;
    std::string row_key, column_key;
    std::vector<std::string> row_labels, column_labels;
};
