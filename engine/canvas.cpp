// SPDX-License-Identifier: MIT
// The canvas model: the two grids, their wrap, lerp and blend helpers, and the restart clear. The
// growth pass (growth.cpp) and the PNG export read and write the grids through these.
#include "engine/canvas.h"

#include <sys/mman.h>

#include <algorithm>
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
// WebAssembly's memory has no pages to hand back: emscripten's madvise does nothing and reports
// success, so the web build zeroes the grids in place.
#ifdef __EMSCRIPTEN__
constexpr bool PAGES_GO_BACK = false;
#else
constexpr bool PAGES_GO_BACK = true;
#endif
alignas(HUGE_PAGE) std::int32_t arr[GRID_SIZE][GRID_SIZE];
alignas(HUGE_PAGE) float angle_map[GRID_SIZE][GRID_SIZE];
alignas(HUGE_PAGE) std::uint64_t lit_bits[GRID_SIZE * GRID_SIZE / 64];
int this_sprout = 0;
bool values_below_zero = false;

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

// Zeroes the `bytes` from `start`, a range of one of the grids. The whole huge pages inside are
// handed back to the kernel, which maps zeros there again at their next touch: the clear itself
// touches no memory, a grid never drawn on (the first clear after start) costs nothing, and each
// page is zeroed once, by the kernel, where a memset would write what the kernel had just zeroed.
// The ends, and all of it when the kernel refuses, are zeroed in place.
void ZeroRange(void* start, std::size_t bytes) {
    char* const p = static_cast<char*>(start);
    const auto begin = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t first = (begin + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const std::uintptr_t last = (begin + bytes) & ~(HUGE_PAGE - 1);
    if (!PAGES_GO_BACK || last <= first ||
        madvise(p + (first - begin), last - first, MADV_DONTNEED) != 0) {
        std::memset(p, 0, bytes);
        return;
    }
    std::memset(p, 0, first - begin);
    std::memset(p + (last - begin), 0, begin + bytes - last);
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
    // A column is contiguous and the used columns come first, so the used area lies within one
    // block at the start of each grid (the rows past ys of those columns are never set).
    const int used = std::clamp(xs, 0, GRID_SIZE);
    const auto columns = static_cast<std::size_t>(used);
    ZeroRange(arr, sizeof arr[0] * columns);
    ZeroRange(angle_map, sizeof angle_map[0] * columns);  // 0.0f is all zero bits
    // The blocks of the used columns, a prefix of the bits.
    ZeroRange(lit_bits, sizeof lit_bits[0] * LitWordsOfColumns(used));
    values_below_zero = false;
    EndRestart();
}

void SyncLitBits() {
    std::memset(lit_bits, 0, sizeof lit_bits);
    values_below_zero = false;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y)
            if (arr[x][y] != 0) SetPixelValue(x, y, arr[x][y]);
}
