// Presenting: the record of dirty 64 x 64 tiles that drawing on the window marks, and the one
// SDL_UpdateWindowSurfaceRects per frame that sends those tiles, merged into a few rectangles, to
// the display.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/internal.h"
#include "platform/platform.h"

namespace platform {

// At most this many rectangles per present. Measured under Xvfb, the cost of a present grows
// with the area sent (about 25 ns per pixel) plus a little per rectangle, so tiles are merged
// only as far as this cap needs, choosing the merges that add the least area.
constexpr int MAX_PRESENT_RECTS = 32;

std::vector<std::uint8_t> dirty_tiles;
int tiles_x = 0;

namespace {

// Window size in pixels, for clipping the last row and column of tiles.
int window_w = 0;
int window_h = 0;

// The pixels last sent of the tile rows holding the panel band (shown_rows rows, window_w each).
// The panel redraws its band every frame (a black box, then its texts and buttons over it), which
// marks the text tiles dirty although the picture is the same; comparing those tiles with what
// was sent drops them again. shown_valid is false until the first present and after an expose.
std::vector<Uint32> shown_band;
int shown_rows = 0;
bool shown_valid = false;

// Clears the dirty mark of band tiles that hold what was sent last, and keeps the new pixels of
// the others for the next frame.
void DropUnchangedBandTiles(const SDL_Surface* screen) {
    if (shown_rows == 0 || screen->format->BytesPerPixel != 4 || screen->w != window_w) return;
    const int tile_rows = (shown_rows + TILE - 1) / TILE;
    for (int ty = 0; ty < tile_rows; ++ty)
        for (int tx = 0; tx < tiles_x; ++tx) {
            std::uint8_t& dirty = dirty_tiles[ty * tiles_x + tx];
            if (!dirty) continue;
            const int x0 = tx * TILE, bytes = std::min(TILE, window_w - x0) * 4;
            const int y0 = ty * TILE, y1 = std::min(y0 + TILE, shown_rows);
            const auto row = [&](int y) {
                return static_cast<const Uint8*>(screen->pixels) + y * screen->pitch + x0 * 4;
            };
            const auto kept = [&](int y) { return &shown_band[y * window_w + x0]; };
            bool same = shown_valid;
            for (int y = y0; y < y1 && same; ++y) same = std::memcmp(row(y), kept(y), bytes) == 0;
            if (same) {
                dirty = 0;
                continue;
            }
            for (int y = y0; y < y1; ++y) std::memcpy(kept(y), row(y), bytes);
        }
    shown_valid = true;
}

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

}  // namespace

void ResetDirty(int w, int h) {
    window_w = std::max(w, 0);
    window_h = std::max(h, 0);
    tiles_x = (window_w + TILE - 1) / TILE;
    const int tiles_y = (window_h + TILE - 1) / TILE;
    dirty_tiles.assign(static_cast<std::size_t>(tiles_x) * tiles_y, 1);
    const int band_tiles = (std::min(view.band, window_h) + TILE - 1) / TILE;
    shown_rows = std::min(band_tiles * TILE, window_h);
    shown_band.assign(static_cast<std::size_t>(window_w) * shown_rows, 0);
    shown_valid = false;
}

void MarkAllDirty() {
    std::fill(dirty_tiles.begin(), dirty_tiles.end(), std::uint8_t{1});
    shown_valid = false;
}

void MarkDirty(const SDL_Surface* surface, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || dirty_tiles.empty() || surface != CRM32Pro_Main::screen) return;
    const int x0 = x >> TILE_SHIFT, x1 = (x + w - 1) >> TILE_SHIFT;
    const int y0 = y >> TILE_SHIFT, y1 = (y + h - 1) >> TILE_SHIFT;
    for (int ty = y0; ty <= y1; ++ty)
        std::fill_n(dirty_tiles.begin() + ty * tiles_x + x0, x1 - x0 + 1, std::uint8_t{1});
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
        const int cell = scale * TILE;
        for (const Run& r : runs) {
            const int x = r.x0 * cell, y = r.y0 * cell;
            rects.push_back({x, y, std::min(r.x1 * cell, w) - x, std::min(r.y1 * cell, h) - y});
        }
        return rects;
    }
}

int PresentDirty(SDL_Surface* screen) {
    if (!screen || dirty_tiles.empty()) return 0;
    DropUnchangedBandTiles(screen);
    if (std::find(dirty_tiles.begin(), dirty_tiles.end(), 1) == dirty_tiles.end()) return 0;
    std::vector<SDL_Rect> rects =
        DirtyRects(dirty_tiles, tiles_x, window_w, window_h, MAX_PRESENT_RECTS);
    std::fill(dirty_tiles.begin(), dirty_tiles.end(), std::uint8_t{0});
    // On X11 this puts exactly these rectangles of the shared-memory image on the window; a
    // driver without a window surface of its own goes through SDL's texture fallback instead.
    if (sdl_window &&
        SDL_UpdateWindowSurfaceRects(sdl_window, rects.data(), static_cast<int>(rects.size())) != 0)
        return 0;
    return static_cast<int>(rects.size());
}

}  // namespace platform
