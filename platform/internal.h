// SPDX-License-Identifier: MIT
// Private glue between the files of platform/: the window and its scaled view, the dirty-tile
// record the primitives write and the frame loop presents, the package reader, the button layer's
// mouse hook and the frame counter. Nothing outside platform/ includes this header.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// ---- The window and its view (video.cpp, view.cpp) ---------------------------------------------
// The open window, null before SetVideoMode; CRM32Pro_Main::screen is its surface.
extern SDL_Window* sdl_window;

// How the program's drawing, in canvas coordinates (the window size it asked for), lands on the
// window surface. Rows above `band` (the panel) are shown 1:1. The rows below are the canvas: it
// is kept whole in canvas_pixels, and the window's canvas area shows part or all of it, with canvas
// pixel (x0, y0) (rows counted from the band's lower edge) at its top-left corner. Reduced
// (scale > 1), each scale x scale block of canvas pixels is one window pixel showing the brightest
// of them; magnified (mag > 1, only at scale 1), each canvas pixel is a mag x mag square.
struct View {
    int scale = 1;
    int mag = 1;
    int fit = 1;  // the scale at which the whole canvas fits the window: the view at start
    int band = 0;
    int w = 0;  // the canvas coordinates that may be drawn: [0, w) x [0, h)
    int h = 0;
    int x0 = 0;
    int y0 = 0;
};
extern View view;

// Chooses the view for a w x h drawing area with a panel band of `band` rows on a desktop whose
// usable area is usable_w x usable_h: scale 1 when it fits, otherwise the smallest whole factor
// that does. Sets out_w x out_h to the window size, at least `min_w` wide when there is a band
// (the panel's width). Exposed for tests.
View FitView(int w, int h, int band, int usable_w, int usable_h, int min_w, int& out_w, int& out_h);

// The canvas below the band, view.w x (view.h - view.band) pixels in the window's pixel format,
// row-major. Empty while the window shows the whole canvas 1:1 (its canvas area is then the
// canvas, and a 4096 canvas needs no second 64 MiB), and while no window is open; made from the
// window when a zoom leaves that view, dropped when a zoom comes back to it.
extern std::vector<Uint32> canvas_pixels;
// Sizes canvas_pixels for the window just opened (view already set), black, when its view needs
// it; an empty view empties it.
void ResetCanvas();
// Canvas pixel (x, y) (rows from the band's lower edge, inside the canvas) as kept; a window must
// be open.
Uint32 CanvasPixel(int x, int y);
// Keeps `pixel` as canvas pixel (x, y) and shows it, marking the window pixels that changed.
void SetCanvasPixel(int x, int y, Uint32 pixel);
// Canvas pixel (x, y) (rows from the band's lower edge) has become `pixel`: updates the window
// pixels showing it, marking those that changed.
void ShowCanvasPixel(int x, int y, Uint32 pixel);
// Asks for the memory that ShowCanvasPixel(x, y, ...) will touch; changes nothing.
void PrefetchCanvasPixel(int x, int y);
// Shows canvas rectangle [x0, x1) x [y0, y1) on the window again from canvas_pixels; only the
// window pixels whose value changes are written and marked.
void RedrawCanvas(int x0, int y0, int x1, int y1);
// Zooms `steps` levels in (positive) or out about point (ax, ay) of the canvas area (window pixels
// from its top-left corner): the canvas pixel under it stays there. The levels run from view.fit
// through every whole reduction to 1:1, then 2:1 and 4:1. The window follows at SettleView.
void ZoomAt(int steps, int ax, int ay);
// Redraws the canvas area once after the view moved (a zoom or pans since the last frame).
void SettleView();
// The brighter of two pixels channel by channel (what a reduced view shows).
Uint32 Brighter(const SDL_PixelFormat* f, Uint32 a, Uint32 b);

// The pixel at (x, y) of a surface, any bytes per pixel, and its store.
inline Uint8* PixelAddress(SDL_Surface* s, int x, int y) {
    return static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
}
inline void WritePixel(SDL_Surface* s, int x, int y, Uint32 pixel) {
    Uint8* p = PixelAddress(s, x, y);
    switch (s->format->BytesPerPixel) {
        case 1:
            *p = static_cast<Uint8>(pixel);
            break;
        case 2:
            *reinterpret_cast<Uint16*>(p) = static_cast<Uint16>(pixel);
            break;
        case 3:
            for (int i = 0; i < 3; ++i) {
                const int shift = SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 16 - 8 * i;
                p[i] = static_cast<Uint8>(pixel >> shift);
            }
            break;
        default:
            *reinterpret_cast<Uint32*>(p) = pixel;
            break;
    }
}

inline Uint32 ReadPixel(SDL_Surface* s, int x, int y) {
    const Uint8* p = PixelAddress(s, x, y);
    switch (s->format->BytesPerPixel) {
        case 1:
            return *p;
        case 2:
            return *reinterpret_cast<const Uint16*>(p);
        case 3:
            return SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16
                                                   : p[2] | p[1] << 8 | p[0] << 16;
        default:
            return *reinterpret_cast<const Uint32*>(p);
    }
}

// ---- Dirty tiles (present.cpp) ----------------------------------------------------------------
// The window is cut into TILE x TILE squares; drawing on the screen surface marks the rows of the
// squares it touched (and lists each square once), and the frame loop sends only those rows to the
// display. Small tiles keep a frame of scattered growth small to send: rows of them become one
// rectangle per run, as tall as the rows that changed in it.
constexpr int TILE_SHIFT = 3;
constexpr int TILE = 1 << TILE_SHIFT;
// The coarse grid of the fallback merge, when a frame changed too much for one rectangle per run.
constexpr int COARSE_SHIFT = 6;
constexpr int COARSE_TILE = 1 << COARSE_SHIFT;

// One byte per tile, row-major, tiles_x per row: bit r is set when row r of the tile changed.
// Empty while no window is open.
extern std::vector<std::uint8_t> dirty_tiles;
// Tiles per row of dirty_tiles.
extern int tiles_x;
// The index of every tile marked since the last present, each once.
extern std::vector<std::int32_t> dirty_list;

// Sizes the tile record for a new window and marks all of it to be sent (its first frame is shown
// whole). A 0 x 0 size empties it.
void ResetDirty(int w, int h);
// Marks the whole window to be sent again (it was uncovered and lost its picture).
void MarkAllDirty();
// Marks the tiles under the rectangle [x, x + w) x [y, y + h) of `surface` when it is the window;
// the rectangle is in window pixels and must already be clipped to the surface.
void MarkDirty(const SDL_Surface* surface, int x, int y, int w, int h);
// Marks `rows` (bit r: row r) of tile i, listing the tile when it is the first mark since the
// last present.
inline void MarkTileRows(int i, std::uint8_t rows) {
    if (!dirty_tiles[i]) dirty_list.push_back(i);
    dirty_tiles[i] |= rows;
}
// Marks the row of the tile under one pixel of the window. Inlined: the growth pass calls it per
// pixel.
inline void MarkDirtyPixel(int x, int y) {
    if (dirty_tiles.empty()) return;
    MarkTileRows((y >> TILE_SHIFT) * tiles_x + (x >> TILE_SHIFT),
                 static_cast<std::uint8_t>(1u << (y & (TILE - 1))));
}
// Sends the dirty tiles of the window to the display in one SDL_UpdateWindowSurfaceRects call and
// clears them.
// Returns the number of rectangles sent (0 when nothing changed).
int PresentDirty(SDL_Surface* screen);
// The rectangles a present sends for the listed tiles (TILE-sized, tiles_x per row) of a w x h
// window, whose changed rows `rows` holds as dirty_tiles does: one per run of tiles along a row,
// from the first to the last row that changed in the run, a run below of the same span joined when
// the two meet; when that makes more than max_rects, the same on coarser cells, and past
// COARSE_TILE cells the merge of DirtyRects. Exposed for tests.
std::vector<SDL_Rect> ListedRects(const std::vector<std::int32_t>& list,
                                  const std::vector<std::uint8_t>& rows, int tiles_x, int w, int h,
                                  int max_rects);
// Turns a tile record of COARSE_TILE squares into at most max_rects screen rectangles covering
// every dirty tile; merges neighbouring tiles first and coarsens the grid when the count is still
// too high. Exposed for tests.
std::vector<SDL_Rect> DirtyRects(const std::vector<std::uint8_t>& tiles, int tiles_x, int w, int h,
                                 int max_rects);

// ---- Video start (video.cpp) ------------------------------------------------------------------
// Starts SDL's video subsystem on a real display, or on the offscreen or dummy driver only when
// SDL_VIDEODRIVER names it (SDL would otherwise fall back to them silently and show nothing).
// False with the reason in SDL_GetError.
bool StartVideo();

// ---- Events (events.cpp) ----------------------------------------------------------------------
// The SDL 1.2 key symbol of an SDL2 keycode (0 for keys SDL 1.2 had no symbol for).
std::int32_t LegacyKeySym(SDL_Keycode key);
// Whether a key sends its repeats while held (the step keys), where the others send one press.
bool RepeatsWhenHeld(std::int32_t sym);
// Installs the quit-signal handlers (SIGINT, SIGTERM, SIGHUP).
void CatchQuitSignals();

// ---- Frame statistics (timer.cpp) -------------------------------------------------------------
// Frames rendered since the window opened; the button layer uses it to tell one frame from the
// next.
extern std::uint64_t frame_count;
// Blocks until the next frame time, then counts the frame.
void WaitForFrame();
// Adds one present's cost (microseconds) and rectangle count to the statistics.
void RecordPresent(std::uint64_t micros, int rects);
// Monotonic microseconds.
std::uint64_t NowMicros();

// ---- Log (log.cpp) --------------------------------------------------------------------------
// True once the log writes to its file (before, and when it cannot be opened, lines go to
// standard error already).
bool LogIsFile();

// ---- Package (package.cpp) --------------------------------------------------------------------
// A package is opened once per path and stays open for the run.
// Reads the whole entry `name` of the ZIP archive `package` into `bytes` (at most 16 MiB: the
// font). On failure returns false and puts the reason into `error`.
bool ReadPackageEntry(const char* package, const char* name, std::vector<std::uint8_t>& bytes,
                      std::string& error);

// The largest button image: MAX_BUTTON_SIDE pixels wide, and as high per state.
constexpr int MAX_BUTTON_SIDE = 64;
constexpr int MAX_BUTTON_STATES = 8;
// What the package's "manifest" entry says of a button image (line "name push|toggle states").
struct ButtonKind {
    bool toggle = false;
    int states = 1;
};
// Finds `name` in the manifest of `package` (read once per package, at most 64 KiB and 256
// lines); false with the reason when the manifest is unusable or has no valid line for it.
bool LookUpButton(const char* package, const char* name, ButtonKind& kind, std::string& error);

// A decoded image: RGBA pixels, row-major, 8 bits per channel.
struct Image {
    int w = 0;
    int h = 0;
    std::vector<std::uint8_t> rgba;
};
// Decodes PNG bytes of a button image; false (with the reason) when they are not a valid PNG or
// the image is wider than MAX_BUTTON_SIDE or higher than MAX_BUTTON_STATES * MAX_BUTTON_SIDE.
bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error);
// Reads and decodes the button image `name` of `package` (an entry of at most 256 KiB).
bool ReadButtonImage(const char* package, const char* name, Image& image, std::string& error);
// Forgets every package opened so far; the next read opens it again (for tests).
void ClosePackages();

// ---- Buttons (buttons.cpp) ----------------------------------------------------------------------
// Lets the buttons see a mouse event before Update hands it to the caller.
void ButtonsHandleMouse(const SDL_Event& event);

// ---- Blits (primitives.cpp) --------------------------------------------------------------------
// Alpha-blends a w x h block of RGBA pixels (`stride` bytes per row) with its top-left at (x, y),
// clipped to the surface, and marks the dirty tiles it covers.
void BlitRgba(SDL_Surface* surface, int x, int y, const std::uint8_t* rgba, int w, int h,
              int stride);
// The same for a coverage mask (one byte per pixel) painted in one colour: the font's glyphs.
void BlitMask(SDL_Surface* surface, int x, int y, const std::uint8_t* mask, int w, int h,
              int stride, std::uint8_t r, std::uint8_t g, std::uint8_t b);

}  // namespace platform
