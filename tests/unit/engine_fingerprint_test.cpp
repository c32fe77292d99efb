// SPDX-License-Identifier: MIT
// The canvas fingerprint is FNV-1a 64 over the 16-bit values in row order, low byte first: the
// page computes the same function in WebAssembly, so its exact definition is what is checked.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/canvas.h"
#include "engine/fingerprint.h"
#include "engine/settings.h"
#include "engine_fixture.h"

namespace {

using Fingerprint = EngineTest;

// The definition written out byte by byte, on a canvas read pixel by pixel.
std::uint64_t Reference() {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < ys; ++y) {
        for (int x = 0; x < xs; ++x) {
            const auto v = static_cast<std::uint16_t>(arr[x][y]);
            for (const unsigned byte : {v & 0xFFu, unsigned{v} >> 8})
                hash = (hash ^ byte) * 0x100000001b3ull;
        }
    }
    return hash;
}

TEST_F(Fingerprint, IsFnv1a64OfTheRowsLowByteFirst) {
    // 520 rows: the last band of rows is a partial one; 603 columns: so is the last block.
    xs = 603;
    ys = 520;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) arr[x][y] = (x * 7919 + y * 104729) % 70000;
    SyncLitBits();
    const std::uint64_t before = CanvasFingerprint();
    EXPECT_EQ(before, Reference());
    // The canvas as the PNG holds it: a value above 65535 counts as its low 16 bits.
    arr[3][5] = 65536 + arr[3][5];
    EXPECT_EQ(CanvasFingerprint(), before);
    // Swapping two pixels of the diagonal's two sides changes it.
    std::swap(arr[3][5], arr[5][3]);
    EXPECT_NE(CanvasFingerprint(), before);
    // Runs of empty pixels, within a row, across rows, bands and blocks never read, and to the
    // canvas's end; a value whose low 16 bits are 0 is one of them.
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y)
            if ((x + 3 * y) % 11 != 0 || y > 400 || (x > 100 && x < 300)) arr[x][y] = 0;
    arr[7][450] = 65536;
    SyncLitBits();
    EXPECT_EQ(CanvasFingerprint(), Reference());
    // A value below 0 lights no bit, and still counts.
    arr[200][450] = -3;
    SyncLitBits();
    EXPECT_EQ(CanvasFingerprint(), Reference());
    EXPECT_EQ(FingerprintText(0x0123456789abcdefull), "fnv1a64:0123456789abcdef");
}

}  // namespace
