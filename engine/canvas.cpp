// SPDX-License-Identifier: MIT
// The canvas model: the two grids, their wrap, lerp and blend helpers, and the restart clear. The
// growth pass (growth.cpp) and the PNG export read and write the grids through these.
#include "engine/canvas.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/canvas_inline.h"
#include "engine/frame.h"
#include "engine/settings.h"

// The grids are aligned to 2 MiB and asked to be backed by transparent huge pages: at 4096 x 4096
// every growth attempt reads the grids at a random place, and with 4 KiB pages nearly each such
// read also missed the TLB (32768 pages per grid). Where huge pages are off, the hint is ignored.
constexpr std::size_t HUGE_PAGE = std::size_t{1} << 21;
alignas(HUGE_PAGE) std::int32_t arr[GRID_SIZE][GRID_SIZE];
alignas(HUGE_PAGE) float angle_map[GRID_SIZE][GRID_SIZE];
alignas(HUGE_PAGE) std::uint64_t lit_bits[GRID_SIZE * GRID_SIZE / 64];
int this_sprout = 0;

namespace {

// Hints huge pages for the whole 2 MiB pages inside [start, start + size). Runs at start-up,
// before anything touches the grids, so their first writes fault in huge pages.
void AdviseHugePages(void* start, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t first = (begin + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const std::uintptr_t last = (begin + size) & ~(HUGE_PAGE - 1);
    if (last > first)
        madvise(static_cast<char*>(start) + (first - begin), last - first, MADV_HUGEPAGE);
}

const bool huge_pages_advised = [] {
    AdviseHugePages(arr, sizeof arr);
    AdviseHugePages(angle_map, sizeof angle_map);
    AdviseHugePages(lit_bits, sizeof lit_bits);
    return true;
}();

}  // namespace

int wrapX(int a) {
    return WrapIndex(a, xs);
}

int wrapY(int a) {
    return WrapIndex(a, ys);
}

int lerp(int a, int b, float t) {
    return LerpValue(a, b, t);
}

int GetBlendedPixel(int x, int y) {
    return BlendedValue(x, y, xs, ys, 1.0 - static_cast<double>(color_decay));
}

void RestartClear() {
    if (canvas_view.clear) canvas_view.clear();
    this_sprout = 0;
    // A column is contiguous, so the used area is cleared as xs runs of ys values; at full
    // height the runs join into one block, which memset clears faster (streaming stores).
    const std::size_t run = static_cast<std::size_t>(ys);
    if (ys == GRID_SIZE) {
        std::memset(arr, 0, sizeof arr[0] * xs);
        std::memset(angle_map, 0, sizeof angle_map[0] * xs);
    } else {
        for (int x = 0; x < xs; ++x) {
            std::memset(arr[x], 0, run * sizeof arr[x][0]);
            std::memset(angle_map[x], 0, run * sizeof angle_map[x][0]);  // 0.0f is all zero bits
        }
    }
    // The blocks of the used columns, a prefix of the bits; the rows beyond ys are never set.
    std::memset(lit_bits, 0, sizeof lit_bits[0] * LitWordsOfColumns(xs));
    EndRestart();
}

void SyncLitBits() {
    std::memset(lit_bits, 0, sizeof lit_bits);
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y)
            if (arr[x][y] > 0) SetPixelValue(x, y, arr[x][y]);
}
