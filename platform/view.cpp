// SPDX-License-Identifier: MIT
// The canvas view: the whole canvas, and the part of it the window's canvas area shows: fitted
// (reduced by a whole factor, each window pixel the brightest of its block), 1:1, or magnified
// 2:1 and 4:1, panned anywhere. While the window shows the whole canvas 1:1 it is the canvas's
// only copy; any other view keeps a copy beside it. Start reading at SetCanvasPixel; the zoom and
// pan calls are at the end.
#include <algorithm>
#include <new>

#include "platform/internal.h"
#include "platform/platform.h"

namespace platform {

std::vector<Uint32> canvas_pixels;

}  // namespace platform

namespace {

using platform::view;

// The most a canvas pixel is magnified.
constexpr int MAX_MAG = 4;

// Window pixels of a drag not yet turned into whole canvas pixels (magnified views).
int pan_rest_x = 0, pan_rest_y = 0;
// The view moved since the window was last redrawn from the canvas.
bool view_moved = false;
// The black pixel of the window's format.
Uint32 black = 0;

int CanvasW() {
    return view.w;
}
int CanvasH() {
    return std::max(view.h - view.band, 0);
}
int AreaW() {
    return CRM32Pro_Main::screen ? CRM32Pro_Main::screen->w : 0;
}
int AreaH() {
    return CRM32Pro_Main::screen ? CRM32Pro_Main::screen->h - view.band : 0;
}

// Canvas pixels spanned by `window` pixels of the canvas area (rounded down when magnified).
int ToCanvas(int window) {
    return view.scale > 1 ? window * view.scale : window / view.mag;
}

// The first window pixel of the canvas area, counted from the view's origin, that shows the canvas
// pixel `canvas` pixels past that origin.
int ToWindow(int canvas) {
    return view.scale > 1 ? canvas / view.scale : canvas * view.mag;
}

// The window shows the whole canvas 1:1, pixel for pixel: it needs no copy beside it.
bool WindowIsWholeCanvas() {
    return view.fit == 1 && view.scale == 1 && view.mag == 1;
}

// Makes the copy of the canvas beside the window from the window, which holds it whole, before
// the view leaves the whole canvas at 1:1. False when there is no memory for it.
bool KeepCanvasCopy() {
    if (!platform::canvas_pixels.empty() || !CRM32Pro_Main::screen) return true;
    SDL_Surface* s = CRM32Pro_Main::screen;
    try {
        platform::canvas_pixels.resize(static_cast<std::size_t>(CanvasW()) * CanvasH());
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < CanvasH(); ++y) {
        Uint32* row = &platform::canvas_pixels[static_cast<std::size_t>(y) * CanvasW()];
        for (int x = 0; x < CanvasW(); ++x) row[x] = platform::ReadPixel(s, x, view.band + y);
    }
    return true;
}

// Hands the copy's memory back once the window shows the whole canvas 1:1 again.
void DropCanvasCopy() {
    std::vector<Uint32>().swap(platform::canvas_pixels);
}

// Keeps the view on the canvas: a view larger than the canvas starts at its corner.
void ClampOrigin() {
    const int extent_w =
        view.scale > 1 ? AreaW() * view.scale : (AreaW() + view.mag - 1) / view.mag;
    const int extent_h =
        view.scale > 1 ? AreaH() * view.scale : (AreaH() + view.mag - 1) / view.mag;
    view.x0 = std::clamp(view.x0, 0, std::max(0, CanvasW() - extent_w));
    view.y0 = std::clamp(view.y0, 0, std::max(0, CanvasH() - extent_h));
}

// The value window pixel (wx, wy) of the canvas area should show.
Uint32 Shown(int wx, int wy) {
    const SDL_PixelFormat* f = CRM32Pro_Main::screen->format;
    const int cw = CanvasW(), ch = CanvasH();
    if (view.scale == 1) {
        const int x = view.x0 + wx / view.mag, y = view.y0 + wy / view.mag;
        return x < cw && y < ch ? platform::canvas_pixels[static_cast<std::size_t>(y) * cw + x]
                                : black;
    }
    const int x0 = view.x0 + wx * view.scale, y0 = view.y0 + wy * view.scale;
    const int x1 = std::min(x0 + view.scale, cw), y1 = std::min(y0 + view.scale, ch);
    Uint32 shown = black;
    for (int y = y0; y < y1; ++y) {
        const Uint32* row = &platform::canvas_pixels[static_cast<std::size_t>(y) * cw];
        for (int x = x0; x < x1; ++x) shown = platform::Brighter(f, shown, row[x]);
    }
    return shown;
}

// Writes window pixel (x, y) when it differs, marking it.
void Put(SDL_Surface* s, int x, int y, Uint32 pixel) {
    if (platform::ReadPixel(s, x, y) == pixel) return;
    platform::WritePixel(s, x, y, pixel);
    platform::MarkDirtyPixel(x, y);
}

}  // namespace

namespace platform {

void ResetCanvas() {
    SDL_Surface* s = CRM32Pro_Main::screen;
    black = s ? SDL_MapRGB(s->format, 0, 0, 0) : 0;
    DropCanvasCopy();
    if (s && !WindowIsWholeCanvas())
        canvas_pixels.assign(static_cast<std::size_t>(CanvasW()) * CanvasH(), black);
    pan_rest_x = pan_rest_y = 0;
    view_moved = false;
}

Uint32 Brighter(const SDL_PixelFormat* f, Uint32 a, Uint32 b) {
    if (f->Rmask == 0) return std::max(a, b);
    // Each channel compared within its mask: masked values order as the channels do.
    return std::max(a & f->Rmask, b & f->Rmask) | std::max(a & f->Gmask, b & f->Gmask) |
           std::max(a & f->Bmask, b & f->Bmask) | (a & f->Amask);
}

Uint32 CanvasPixel(int x, int y) {
    if (canvas_pixels.empty()) return ReadPixel(CRM32Pro_Main::screen, x, view.band + y);
    return canvas_pixels[static_cast<std::size_t>(y) * view.w + x];
}

void SetCanvasPixel(int x, int y, Uint32 pixel) {
    if (canvas_pixels.empty()) {
        SDL_Surface* s = CRM32Pro_Main::screen;
        WritePixel(s, x, view.band + y, pixel);
        MarkDirtyPixel(x, view.band + y);
        return;
    }
    canvas_pixels[static_cast<std::size_t>(y) * view.w + x] = pixel;
    ShowCanvasPixel(x, y, pixel);
}

void ShowCanvasPixel(int x, int y, Uint32 pixel) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    const int dx = x - view.x0, dy = y - view.y0;
    if (dx < 0 || dy < 0) return;
    const int wx = ToWindow(dx), wy = view.band + ToWindow(dy);
    if (view.scale > 1) {
        // The reduced view keeps the brightest: a pixel that grew brighter is all it needs to see.
        if (wx >= s->w || wy >= s->h) return;
        Put(s, wx, wy, Brighter(s->format, ReadPixel(s, wx, wy), pixel));
        return;
    }
    const int x1 = std::min(wx + view.mag, s->w), y1 = std::min(wy + view.mag, s->h);
    for (int py = wy; py < y1; ++py)
        for (int px = wx; px < x1; ++px) Put(s, px, py, pixel);
}

void PrefetchCanvasPixel(int x, int y) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    if (!s || !s->pixels) return;
    if (x < 0 || y < 0 || x >= CanvasW() || y >= CanvasH()) return;
    if (!canvas_pixels.empty())
        __builtin_prefetch(&canvas_pixels[static_cast<std::size_t>(y) * CanvasW() + x], 1);
    const int dx = x - view.x0, dy = y - view.y0;
    if (dx < 0 || dy < 0) return;
    const int wx = ToWindow(dx), wy = view.band + ToWindow(dy);
    if (wx >= s->w || wy >= s->h) return;
    __builtin_prefetch(PixelAddress(s, wx, wy), 1);
}

void RedrawCanvas(int x0, int y0, int x1, int y1) {
    SDL_Surface* s = CRM32Pro_Main::screen;
    // Without a copy the window is the canvas: nothing to show again.
    if (!s || canvas_pixels.empty()) return;
    // The window pixels of the canvas area that show any of those canvas pixels.
    const auto last = [](int c, int origin) {
        return view.scale > 1 ? (c - origin + view.scale - 1) / view.scale
                              : (c - origin) * view.mag;
    };
    const int wx0 = std::max(0, ToWindow(std::max(x0, view.x0) - view.x0));
    const int wy0 = std::max(0, ToWindow(std::max(y0, view.y0) - view.y0));
    int wx1 = std::min(AreaW(), last(x1, view.x0)), wy1 = std::min(AreaH(), last(y1, view.y0));
    // The area past the canvas's right or lower edge shows black; a redraw of the canvas's last
    // column or row covers it too.
    if (x1 >= CanvasW()) wx1 = AreaW();
    if (y1 >= CanvasH()) wy1 = AreaH();
    for (int wy = wy0; wy < wy1; ++wy)
        for (int wx = wx0; wx < wx1; ++wx) Put(s, wx, view.band + wy, Shown(wx, wy));
}

void ZoomAt(int steps, int ax, int ay) {
    if (!CRM32Pro_Main::screen) return;
    int scale = view.scale, mag = view.mag;
    for (; steps > 0; --steps) {
        if (scale > 1)
            --scale;
        else
            mag = std::min(mag * 2, MAX_MAG);
    }
    for (; steps < 0; ++steps) {
        if (mag > 1)
            mag /= 2;
        else
            scale = std::min(scale + 1, view.fit);
    }
    if (scale == view.scale && mag == view.mag) return;
    if (!KeepCanvasCopy()) return;
    // The canvas pixel under the anchor stays under it.
    ax = std::clamp(ax, 0, std::max(AreaW() - 1, 0));
    ay = std::clamp(ay, 0, std::max(AreaH() - 1, 0));
    const int cx = view.x0 + ToCanvas(ax), cy = view.y0 + ToCanvas(ay);
    view.scale = scale;
    view.mag = mag;
    view.x0 = cx - ToCanvas(ax);
    view.y0 = cy - ToCanvas(ay);
    ClampOrigin();
    pan_rest_x = pan_rest_y = 0;
    view_moved = true;
}

void SettleView() {
    if (!view_moved) return;
    view_moved = false;
    RedrawCanvas(0, 0, CanvasW(), CanvasH());
    if (WindowIsWholeCanvas()) DropCanvasCopy();
}

}  // namespace platform

namespace CRM32Pro_Main {

void ZoomView(int steps) {
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    y -= platform::view.band;
    // Over the panel or outside the window: about the middle of the canvas area.
    if (y < 0 || x < 0 || x >= AreaW() || y >= AreaH()) x = AreaW() / 2, y = AreaH() / 2;
    platform::ZoomAt(steps, x, y);
}

void PanView(int dx, int dy) {
    if (!screen || (dx == 0 && dy == 0)) return;
    // The picture follows the pointer: dragging right shows what lies to the left.
    pan_rest_x += dx;
    pan_rest_y += dy;
    const int per = view.scale > 1 ? 1 : view.mag;
    const int mx = pan_rest_x / per, my = pan_rest_y / per;
    pan_rest_x -= mx * per;
    pan_rest_y -= my * per;
    const int old_x = view.x0, old_y = view.y0;
    view.x0 -= mx * view.scale;
    view.y0 -= my * view.scale;
    ClampOrigin();
    if (view.x0 != old_x || view.y0 != old_y) view_moved = true;
}

void FitToWindow() {
    if (!screen) return;
    if (view.scale == view.fit && view.mag == 1 && view.x0 == 0 && view.y0 == 0) return;
    view.scale = view.fit;
    view.mag = 1;
    view.x0 = view.y0 = 0;
    pan_rest_x = pan_rest_y = 0;
    view_moved = true;
}

}  // namespace CRM32Pro_Main
