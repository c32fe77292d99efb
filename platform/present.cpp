// SPDX-License-Identifier: MIT
// Presenting: the record of dirty 8 x 8 tiles and their changed rows that drawing on the window
// marks, and the one SDL_UpdateWindowSurfaceRects per frame that sends those tiles, as one
// rectangle per run of them, to the display. Start reading at PresentDirty.
#include <algorithm>
#include <bit>
#include <limits>

#include "platform/internal.h"
#include "platform/platform.h"

namespace platform {

// At most this many rectangles per present before runs are made of coarser cells. Under Xvfb the
// X server's cost grows with the area sent far more than with the number of rectangles (a put
// request each), so a frame's few hundred runs of small tiles are sent as they are. Most of that
// cost is the X server's copy waiting on the rows of its frame buffer, a cache line each, so a
// run is sent only from the first to the last row that changed in it (bench_present measures
// both against their floors).
constexpr int MAX_PRESENT_RECTS = 1024;
// The cap of the coarse merge, where the window changed almost everywhere.
constexpr int MAX_COARSE_RECTS = 32;

std::vector<std::uint8_t> dirty_tiles;
int tiles_x = 0;
std::vector<std::int32_t> dirty_list;

namespace {

// Window size in pixels, for clipping the last row and column of tiles.
int window_w = 0;
int window_h = 0;
// The whole window is to be sent (a new window, an expose): the tile record is then not used.
bool all_dirty = false;

// A horizontal run of dirty cells [x0, x1) that has grown downward over rows [y0, y1).
struct Run {
    int x0, x1, y0, y1;
};

// The dirty cells of the tile grid seen in blocks of `scale` x `scale` tiles.
std::vector<std::uint8_t> Coarsen(const std::vector<std::uint8_t>& tiles, int tx, int ty, int scale,
                                  int cx, int cy) {
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(cx) * cy, 0);
    for (int y = 0; y < ty; ++y)
        for (int x = 0; x < tx; ++x)
            if (tiles[y * tx + x]) cells[(y / scale) * cx + x / scale] = 1;
    return cells;
}

// Covers the dirty cells with rectangles: runs along each row, and a run with the same span as
// one in the row above extends that one downward.
std::vector<Run> CoverCells(const std::vector<std::uint8_t>& cells, int cx, int cy) {
    std::vector<Run> done;
    std::vector<Run> open;
    for (int y = 0; y < cy; ++y) {
        std::vector<Run> next;
        for (int x = 0; x < cx;) {
            if (!cells[y * cx + x]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < cx && cells[y * cx + end]) ++end;
            auto above = std::find_if(open.begin(), open.end(),
                                      [&](const Run& r) { return r.x0 == x && r.x1 == end; });
            if (above != open.end()) {
                above->y1 = y + 1;
                next.push_back(*above);
                open.erase(above);
            } else {
                next.push_back({x, end, y, y + 1});
            }
            x = end;
        }
        done.insert(done.end(), open.begin(), open.end());
        open = std::move(next);
    }
    done.insert(done.end(), open.begin(), open.end());
    return done;
}

long Area(const Run& r) {
    return static_cast<long>(r.x1 - r.x0) * (r.y1 - r.y0);
}

Run Union(const Run& a, const Run& b) {
    return {std::min(a.x0, b.x0), std::max(a.x1, b.x1), std::min(a.y0, b.y0), std::max(a.y1, b.y1)};
}

// Merges the pair whose bounding box adds the least area, until at most max_rects are left. A
// box that grows over another one makes that pair free to merge next.
void MergeCheapest(std::vector<Run>& runs, int max_rects) {
    while (static_cast<int>(runs.size()) > max_rects) {
        std::size_t best_i = 0, best_j = 1;
        long best = std::numeric_limits<long>::max();
        for (std::size_t i = 0; i < runs.size(); ++i)
            for (std::size_t j = i + 1; j < runs.size(); ++j) {
                const long added = Area(Union(runs[i], runs[j])) - Area(runs[i]) - Area(runs[j]);
                if (added < best) best = added, best_i = i, best_j = j;
            }
        runs[best_i] = Union(runs[best_i], runs[best_j]);
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(best_j));
    }
}

// A cell of the grid RunRects works on, and its changed pixel rows (bit r: row r of the cell).
struct Cell {
    std::int32_t at;
    std::uint32_t rows;
};
// The coarsest cells RunRects is given are half a COARSE_TILE high, their rows a bit each.
static_assert(COARSE_TILE / 2 <= 32);

// The runs of listed tiles seen in cells of k x k tiles, as window rectangles: one per run of cells
// along a row, from its first changed pixel row to its last, and a run with the same span as one
// in the row above that it meets extends that one downward. False (rects unusable) as soon as
// there would be more than max_rects.
bool RunRects(const std::vector<std::int32_t>& list, const std::vector<std::uint8_t>& rows, int tx,
              int k, int w, int h, std::size_t max_rects, std::vector<SDL_Rect>& rects) {
    const int cx = (tx + k - 1) / k;
    const int cell = k * TILE;
    std::vector<Cell> cells;
    cells.reserve(list.size());
    for (const std::int32_t t : list)
        cells.push_back(
            {(t / tx / k) * cx + (t % tx) / k, std::uint32_t{rows[t]} << (TILE * (t / tx % k))});
    std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.at < b.at; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (kept > 0 && cells[kept - 1].at == cells[i].at)
            cells[kept - 1].rows |= cells[i].rows;
        else
            cells[kept++] = cells[i];
    }
    cells.resize(kept);
    // Runs with their rows in window pixels.
    std::vector<Run> done, open, next;
    int row = -1;
    std::size_t above = 0;  // the first run of `open` that may still match
    const auto finish_row = [&] {
        done.insert(done.end(), open.begin(), open.end());
        open.swap(next);
        next.clear();
        above = 0;
    };
    for (std::size_t i = 0; i < cells.size();) {
        const int y = cells[i].at / cx, x0 = cells[i].at % cx;
        std::uint32_t run_rows = cells[i].rows;
        std::size_t end = i + 1;
        while (end < cells.size() && cells[end].at == cells[end - 1].at + 1 &&
               cells[end].at % cx != 0)
            run_rows |= cells[end++].rows;
        const int x1 = x0 + static_cast<int>(end - i);
        i = end;
        if (run_rows == 0) continue;  // listed, but nothing changed in it
        if (y != row) {
            finish_row();
            if (y != row + 1) finish_row();  // a gap of empty rows: nothing above to extend
            row = y;
        }
        const int top = y * cell + std::countr_zero(run_rows);
        const int bottom = y * cell + std::bit_width(run_rows);
        while (above < open.size() && open[above].x0 < x0) ++above;
        if (above < open.size() && open[above].x0 == x0 && open[above].x1 == x1 &&
            open[above].y1 == top) {
            next.push_back({x0, x1, open[above].y0, bottom});
            open.erase(open.begin() + static_cast<std::ptrdiff_t>(above));
        } else {
            next.push_back({x0, x1, top, bottom});
        }
        if (done.size() + open.size() + next.size() > max_rects) return false;
    }
    finish_row();
    finish_row();
    rects.clear();
    for (const Run& r : done) {
        const int x = r.x0 * cell;
        rects.push_back({x, r.y0, std::min(r.x1 * cell, w) - x, std::min(r.y1, h) - r.y0});
    }
    return true;
}

}  // namespace

void ResetDirty(int w, int h) {
    window_w = std::max(w, 0);
    window_h = std::max(h, 0);
    tiles_x = (window_w + TILE - 1) / TILE;
    const int tiles_y = (window_h + TILE - 1) / TILE;
    dirty_tiles.assign(static_cast<std::size_t>(tiles_x) * tiles_y, 0);
    dirty_list.clear();
    all_dirty = !dirty_tiles.empty();
}

void MarkAllDirty() {
    all_dirty = !dirty_tiles.empty();
}

void MarkDirty(const SDL_Surface* surface, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || dirty_tiles.empty() || surface != CRM32Pro_Main::screen || all_dirty)
        return;
    const int x0 = x >> TILE_SHIFT, x1 = (x + w - 1) >> TILE_SHIFT;
    const int y0 = y >> TILE_SHIFT, y1 = (y + h - 1) >> TILE_SHIFT;
    for (int ty = y0; ty <= y1; ++ty) {
        // The rectangle's rows within this row of tiles.
        const int first = std::max(y, ty * TILE) - ty * TILE;
        const int last = std::min(y + h, (ty + 1) * TILE) - ty * TILE;
        const auto rows = static_cast<std::uint8_t>((1u << last) - (1u << first));
        for (int tx = x0; tx <= x1; ++tx) MarkTileRows(ty * tiles_x + tx, rows);
    }
}

std::vector<SDL_Rect> ListedRects(const std::vector<std::int32_t>& list,
                                  const std::vector<std::uint8_t>& rows, int tx, int w, int h,
                                  int max_rects) {
    std::vector<SDL_Rect> rects;
    if (tx <= 0 || list.empty()) return rects;
    for (int k = 1; k < COARSE_TILE / TILE; k *= 2) {
        if (RunRects(list, rows, tx, k, w, h, static_cast<std::size_t>(max_rects), rects))
            return rects;
    }
    // Changed nearly everywhere: the merge of coarse tiles, which sends a few large rectangles.
    const int k = COARSE_TILE / TILE, cx = (tx + k - 1) / k;
    const int cy = (h + COARSE_TILE - 1) / COARSE_TILE;
    std::vector<std::uint8_t> coarse(static_cast<std::size_t>(cx) * cy, 0);
    for (const std::int32_t t : list) coarse[(t / tx / k) * cx + (t % tx) / k] = 1;
    return DirtyRects(coarse, cx, w, h, MAX_COARSE_RECTS);
}

std::vector<SDL_Rect> DirtyRects(const std::vector<std::uint8_t>& tiles, int tx, int w, int h,
                                 int max_rects) {
    std::vector<SDL_Rect> rects;
    if (tx <= 0 || tiles.empty()) return rects;
    const int ty = static_cast<int>(tiles.size()) / tx;
    for (int scale = 1;; scale *= 2) {
        const int cx = (tx + scale - 1) / scale, cy = (ty + scale - 1) / scale;
        // Coarser blocks first while there are far too many runs, which keeps the pairwise
        // merging cheap; then the cheapest merges down to the cap.
        std::vector<Run> runs = CoverCells(Coarsen(tiles, tx, ty, scale, cx, cy), cx, cy);
        if (static_cast<int>(runs.size()) > 2 * max_rects && (cx > 1 || cy > 1)) continue;
        MergeCheapest(runs, std::max(max_rects, 1));
        const int cell = scale * COARSE_TILE;
        for (const Run& r : runs) {
            const int x = r.x0 * cell, y = r.y0 * cell;
            rects.push_back({x, y, std::min(r.x1 * cell, w) - x, std::min(r.y1 * cell, h) - y});
        }
        return rects;
    }
}

int PresentDirty(SDL_Surface* screen) {
    if (!screen || dirty_tiles.empty() || (!all_dirty && dirty_list.empty())) return 0;
    std::vector<SDL_Rect> rects;
    if (all_dirty)
        rects.push_back({0, 0, window_w, window_h});
    else
        rects =
            ListedRects(dirty_list, dirty_tiles, tiles_x, window_w, window_h, MAX_PRESENT_RECTS);
    for (const std::int32_t t : dirty_list) dirty_tiles[t] = 0;
    dirty_list.clear();
    all_dirty = false;
    // On X11 this puts exactly these rectangles of the shared-memory image on the window; a
    // driver without a window surface of its own goes through SDL's texture fallback instead.
    if (sdl_window &&
        SDL_UpdateWindowSurfaceRects(sdl_window, rects.data(), static_cast<int>(rects.size())) != 0)
        return 0;
    return static_cast<int>(rects.size());
}

}  // namespace platform
