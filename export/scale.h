// SPDX-License-Identifier: MIT
// Scaling a canvas-sized picture down for thumbnails and contact-sheet tiles: each output pixel is
// the brightest of the pixels it covers, so that thin lines stay visible at any size. The window's
// history thumbnails and the renderer's sheets scale with this one code, so that a thumbnail is
// the very tile a sheet draws.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The rows [y0, y1) of a picture `h` high that output row `ty` of `out_h` covers.
inline void ScaledRowSpan(int ty, int h, int out_h, int& y0, int& y1) {
    y0 = static_cast<int>(static_cast<long long>(ty) * h / out_h);
    y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(ty + 1) * h / out_h));
}

// Fills output row `ty` (out_w bytes at `out`) of a w x h picture scaled to out_w x out_h, whose
// grey at (x, y) is grey(x, y), 0..255; only the rows ScaledRowSpan names are read.
template <class Grey>
void ScaleRowBrightest(Grey grey, int w, int h, int ty, std::uint8_t* out, int out_w, int out_h) {
    int y0 = 0, y1 = 0;
    ScaledRowSpan(ty, h, out_h, y0, y1);
    for (int tx = 0; tx < out_w; ++tx) {
        const int x0 = static_cast<int>(static_cast<long long>(tx) * w / out_w);
        const int x1 =
            std::max(x0 + 1, static_cast<int>(static_cast<long long>(tx + 1) * w / out_w));
        int brightest = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) brightest = std::max(brightest, int{grey(x, y)});
        out[tx] = static_cast<std::uint8_t>(brightest);
    }
}

// Fills out_w x out_h bytes at `out` (`stride` bytes per row) from a w x h picture whose grey at
// (x, y) is grey(x, y), 0..255.
template <class Grey>
void ScaleBrightest(Grey grey, int w, int h, std::uint8_t* out, int out_w, int out_h, int stride) {
    for (int ty = 0; ty < out_h; ++ty)
        ScaleRowBrightest(grey, w, h, ty, out + static_cast<std::ptrdiff_t>(ty) * stride, out_w,
                          out_h);
}

// The height of a w x h picture scaled to `width` pixels wide.
inline int ScaledHeight(int w, int h, int width) {
    return std::max(1, static_cast<int>(static_cast<long long>(h) * width / w));
}
