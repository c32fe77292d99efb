// SPDX-License-Identifier: MIT
// The canvas fingerprint. The grid is stored column by column and hashed row by row, so the rows
// are gathered a band at a time from contiguous runs of each column.
#include "engine/fingerprint.h"

#include <algorithm>
#include <vector>

#include "engine/canvas.h"
#include "engine/settings.h"

namespace {

constexpr std::uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;
constexpr std::uint64_t FNV_PRIME = 0x100000001b3ull;
// Rows gathered at a time: 16 values of a column fill one 64-byte cache line.
constexpr int BAND = 16;

}  // namespace

std::uint64_t CanvasFingerprint() {
    std::uint64_t hash = FNV_OFFSET;
    std::vector<std::uint16_t> band(static_cast<std::size_t>(BAND) * xs);
    for (int y0 = 0; y0 < ys; y0 += BAND) {
        const int rows = std::min(BAND, ys - y0);
        for (int x = 0; x < xs; ++x)
            for (int r = 0; r < rows; ++r)
                band[static_cast<std::size_t>(r) * xs + x] =
                    static_cast<std::uint16_t>(arr[x][y0 + r]);
        for (std::size_t i = 0; i < static_cast<std::size_t>(rows) * xs; ++i) {
            hash = (hash ^ (band[i] & 0xFFu)) * FNV_PRIME;
            hash = (hash ^ (band[i] >> 8)) * FNV_PRIME;
        }
    }
    return hash;
}

std::string FingerprintText(std::uint64_t fingerprint) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string text = "fnv1a64:";
    for (int shift = 60; shift >= 0; shift -= 4) text += HEX[(fingerprint >> shift) & 15];
    return text;
}
