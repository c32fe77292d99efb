// SPDX-License-Identifier: MIT
// The canvas fingerprint. The grid is stored column by column and hashed row by row, so the rows
// are gathered a band at a time from contiguous runs of each column. FNV-1a takes a byte at a
// time, each step waiting on the one before; but a zero byte only multiplies the hash by the
// prime, so a run of empty pixels, most of a canvas in the making, is one multiplication by a
// power of it. The lit bits say which 8 x 8 blocks hold nothing but zeros, and those are not read.
#include "engine/fingerprint.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "engine/canvas.h"
#include "engine/settings.h"

namespace {

constexpr std::uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;
constexpr std::uint64_t FNV_PRIME = 0x100000001b3ull;
// Rows gathered at a time: those of one row of the lit bits' 8 x 8 blocks.
constexpr int BAND = 8;
// Padding of a gathered row, in values: rows 8 KiB apart (4096 values) would all fall in the same
// cache set, and the writes of each column would evict each other.
constexpr int ROW_PAD = 32;

// FNV_PRIME to the power n, modulo 2^64 as the hash's own products are.
std::uint64_t PrimePower(std::uint64_t n) {
    std::uint64_t power = 1;
    for (std::uint64_t square = FNV_PRIME; n != 0; n >>= 1, square *= square)
        if (n & 1) power *= square;
    return power;
}

}  // namespace

std::uint64_t CanvasFingerprint() {
    std::uint64_t hash = FNV_OFFSET;
    std::uint64_t zeros = 0;  // zero bytes passed and not yet taken into the hash
    const auto take = [&](std::uint16_t v) {
        if (v == 0) {
            zeros += 2;
            return;
        }
        if (zeros != 0) hash *= PrimePower(std::exchange(zeros, 0));
        hash = (hash ^ (v & 0xFFu)) * FNV_PRIME;
        hash = (hash ^ (v >> 8)) * FNV_PRIME;
    };
    const std::size_t stride = static_cast<std::size_t>(xs) + ROW_PAD;
    std::vector<std::uint16_t> band(BAND * stride);
    std::vector<int> read;  // the first columns of the band's blocks that were read
    for (int y0 = 0; y0 < ys; y0 += BAND) {
        const int rows = std::min(BAND, ys - y0);
        read.clear();
        for (int x0 = 0; x0 < xs; x0 += 8) {
            if (!values_below_zero && lit_bits[LitIndex(x0, y0) >> 6] == 0) continue;
            read.push_back(x0);
            for (int x = x0; x < std::min(x0 + 8, xs); ++x)
                for (int r = 0; r < rows; ++r)
                    band[r * stride + x] = static_cast<std::uint16_t>(arr[x][y0 + r]);
        }
        for (int r = 0; r < rows; ++r) {
            int next = 0;  // the first column not taken into the hash yet
            for (const int x0 : read) {
                zeros += 2 * static_cast<std::uint64_t>(x0 - next);
                next = std::min(x0 + 8, xs);
                for (const std::uint16_t v :
                     std::span(&band[r * stride + x0], static_cast<std::size_t>(next - x0)))
                    take(v);
            }
            zeros += 2 * static_cast<std::uint64_t>(xs - next);
        }
    }
    return hash * PrimePower(zeros);
}

std::string FingerprintText(std::uint64_t fingerprint) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string text = "fnv1a64:";
    for (int shift = 60; shift >= 0; shift -= 4) text += HEX[(fingerprint >> shift) & 15];
    return text;
}
