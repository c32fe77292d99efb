// SPDX-License-Identifier: MIT
// Drawing primitives: one pixel, a filled box, a vertical line, and the blits of the buttons and
// the font. All clip to the drawing area and never write outside the surface; below the panel
// band they draw on the kept canvas, which the view shows on the window. Only pixels that really
// change mark dirty tiles. PutPixelRGBA is the hot one: the growth pass calls it for every pixel
// it draws.
#include <algorithm>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// Locks a surface that needs it for the lifetime of the object; ok() is false when its pixels
// cannot be reached.
class PixelAccess {
public:
    explicit PixelAccess(SDL_Surface* s) : surface_(s), locked_(false) {
        if (SDL_MUSTLOCK(s)) locked_ = SDL_LockSurface(s) == 0;
    }
    ~PixelAccess() {
        if (locked_) SDL_UnlockSurface(surface_);
    }
    PixelAccess(const PixelAccess&) = delete;
    PixelAccess& operator=(const PixelAccess&) = delete;
    bool ok() const { return surface_->pixels && (locked_ || !SDL_MUSTLOCK(surface_)); }

private:
    SDL_Surface* surface_;
    bool locked_;
};

// The pixel value of an opaque colour; direct arithmetic for true-colour formats, SDL's palette
// search otherwise.
inline Uint32 MapColor(const SDL_PixelFormat* f, Uint8 r, Uint8 g, Uint8 b) {
    if (f->BytesPerPixel == 1) return SDL_MapRGB(const_cast<SDL_PixelFormat*>(f), r, g, b);
    return (static_cast<Uint32>(r >> f->Rloss) << f->Rshift) |
           (static_cast<Uint32>(g >> f->Gloss) << f->Gshift) |
           (static_cast<Uint32>(b >> f->Bloss) << f->Bshift) | f->Amask;
}

// Clips the half-open span [lo, hi) to [min, min + size); false when nothing is left.
bool ClipSpan(int& lo, int& hi, int min, int size) {
    lo = std::max(lo, min);
    hi = std::min(hi, min + size);
    return lo < hi;
}

// The area a drawing call may touch, in the caller's coordinates: the size the program asked for
// on the window (which may be shown scaled), the clip rectangle on any other surface.
SDL_Rect DrawArea(const SDL_Surface* s) {
    if (s == CRM32Pro_Main::screen) return {0, 0, platform::view.w, platform::view.h};
    return s->clip_rect;
}

// Blends colour (r, g, b) with coverage `alpha` over pixel `old` of a surface of format f.
Uint32 Blend(const SDL_PixelFormat* f, Uint32 old, Uint8 r, Uint8 g, Uint8 b, Uint8 alpha) {
    if (alpha != 255) {
        Uint8 dr = 0, dg = 0, db = 0;
        SDL_GetRGB(old, f, &dr, &dg, &db);
        const auto mix = [alpha](Uint8 src, Uint8 dst) {
            return static_cast<Uint8>((src * alpha + dst * (255 - alpha) + 127) / 255);
        };
        r = mix(r, dr), g = mix(g, dg), b = mix(b, db);
    }
    return MapColor(f, r, g, b);
}

// Draws colour (r, g, b) with coverage `alpha` at caller position (x, y), already inside
// DrawArea: blended over what is there. Below the band of the window it lands on the kept canvas
// and the view shows it. A pixel that keeps its value marks nothing dirty, so redrawing what is
// shown costs nothing to present.
void Plot(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b, Uint8 alpha) {
    if (alpha == 0) return;
    if (s == CRM32Pro_Main::screen && y >= platform::view.band) {
        const int cy = y - platform::view.band;
        const Uint32 kept = platform::CanvasPixel(x, cy);
        const Uint32 pixel = Blend(s->format, kept, r, g, b, alpha);
        if (pixel != kept) platform::SetCanvasPixel(x, cy, pixel);
        return;
    }
    if (x >= s->w || y >= s->h) return;
    const Uint32 old = platform::ReadPixel(s, x, y);
    const Uint32 pixel = Blend(s->format, old, r, g, b, alpha);
    if (pixel == old) return;
    platform::WritePixel(s, x, y, pixel);
    if (s == CRM32Pro_Main::screen) platform::MarkDirtyPixel(x, y);
}

// Clips a w x h block at (x, y) to the drawing area and calls plot(x, y, block_col, block_row)
// for each pixel left.
template <typename PlotFn>
void BlitClipped(SDL_Surface* s, int x, int y, int w, int h, PlotFn plot) {
    if (!s) return;
    int left = x, right = x + w, top = y, bottom = y + h;
    const SDL_Rect clip = DrawArea(s);
    if (!ClipSpan(left, right, clip.x, clip.w) || !ClipSpan(top, bottom, clip.y, clip.h)) return;
    PixelAccess access(s);
    if (!access.ok()) return;
    for (int sy = top; sy < bottom; ++sy)
        for (int sx = left; sx < right; ++sx) plot(sx, sy, sx - x, sy - y);
}

// True when every pixel of `r` (surface coordinates, inside the surface) already is `pixel`.
bool AllEqual(SDL_Surface* s, const SDL_Rect& r, Uint32 pixel) {
    PixelAccess access(s);
    if (!access.ok()) return false;
    for (int y = r.y; y < r.y + r.h; ++y) {
        if (s->format->BytesPerPixel == 4) {
            const Uint32* row = reinterpret_cast<const Uint32*>(platform::PixelAddress(s, r.x, y));
            Uint32 differ = 0;
            for (int x = 0; x < r.w; ++x) differ |= row[x] ^ pixel;
            if (differ) return false;
            continue;
        }
        for (int x = r.x; x < r.x + r.w; ++x)
            if (platform::ReadPixel(s, x, y) != pixel) return false;
    }
    return true;
}

// Fills `r` (surface coordinates) clipped to the surface. On the window it fills and marks only
// the tiles whose pixels are not all `pixel` already.
void Fill(SDL_Surface* s, SDL_Rect r, Uint32 pixel) {
    int left = r.x, right = r.x + r.w, top = r.y, bottom = r.y + r.h;
    if (!ClipSpan(left, right, 0, s->w) || !ClipSpan(top, bottom, 0, s->h)) return;
    if (s != CRM32Pro_Main::screen) {
        SDL_Rect box{left, top, right - left, bottom - top};
        SDL_FillRect(s, &box, pixel);
        return;
    }
    constexpr int TILE = platform::COARSE_TILE;
    for (int ty = top / TILE * TILE; ty < bottom; ty += TILE)
        for (int tx = left / TILE * TILE; tx < right; tx += TILE) {
            const int x0 = std::max(tx, left), y0 = std::max(ty, top);
            SDL_Rect part{x0, y0, std::min(tx + TILE, right) - x0,
                          std::min(ty + TILE, bottom) - y0};
            if (AllEqual(s, part, pixel)) continue;
            SDL_FillRect(s, &part, pixel);
            platform::MarkDirty(s, part.x, part.y, part.w, part.h);
        }
}

// Fills canvas rows [top, bottom) x columns [left, right) (caller coordinates, inside the
// drawing area, all below the band) with `pixel` and shows them again; on the window itself when
// it is the canvas.
void FillCanvas(SDL_Surface* s, int left, int top, int right, int bottom, Uint32 pixel) {
    if (platform::canvas_pixels.empty()) {
        Fill(s, {left, top, right - left, bottom - top}, pixel);
        return;
    }
    const int band = platform::view.band, w = platform::view.w;
    for (int y = top - band; y < bottom - band; ++y) {
        auto row = platform::canvas_pixels.begin() + static_cast<std::ptrdiff_t>(y) * w;
        std::fill(row + left, row + right, pixel);
    }
    platform::RedrawCanvas(left, top - band, right, bottom - band);
}

}  // namespace

namespace platform {

void BlitRgba(SDL_Surface* s, int x, int y, const std::uint8_t* rgba, int w, int h, int stride) {
    BlitClipped(s, x, y, w, h, [&](int sx, int sy, int col, int row) {
        const std::uint8_t* p = rgba + row * stride + col * 4;
        Plot(s, sx, sy, p[0], p[1], p[2], p[3]);
    });
}

void BlitMask(SDL_Surface* s, int x, int y, const std::uint8_t* mask, int w, int h, int stride,
              std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    BlitClipped(s, x, y, w, h, [&](int sx, int sy, int col, int row) {
        Plot(s, sx, sy, r, g, b, mask[row * stride + col]);
    });
}

}  // namespace platform

namespace CRM32Pro_IPrimitives {

void PutPixelRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y, std::uint8_t r,
                  std::uint8_t g, std::uint8_t b, std::uint8_t a, int blend) {
    if (!surface) return;
    const SDL_Rect clip = DrawArea(surface);
    if (x < clip.x || y < clip.y || x >= clip.x + clip.w || y >= clip.y + clip.h) return;
    PixelAccess access(surface);
    if (!access.ok()) return;
    Plot(surface, x, y, r, g, b, blend ? a : 255);
}

void PrefetchPixel(SDL_Surface* surface, std::int16_t x, std::int16_t y) {
    if (surface && surface == CRM32Pro_Main::screen && y >= platform::view.band)
        platform::PrefetchCanvasPixel(x, y - platform::view.band);
}

// `color` is 0xRRGGBBAA; the box is always filled opaque (the alpha byte is not used), so the
// program's colour 0 paints black. Below the band it fills the kept canvas.
void BoxColor(SDL_Surface* surface, std::int16_t x1, std::int16_t y1, std::int16_t x2,
              std::int16_t y2, std::uint32_t color) {
    if (!surface) return;
    int left = std::min(x1, x2), right = std::max(x1, x2);
    int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const SDL_Rect clip = DrawArea(surface);
    if (!ClipSpan(left, right, clip.x, clip.w) || !ClipSpan(top, bottom, clip.y, clip.h)) return;
    const Uint32 pixel = MapColor(surface->format, static_cast<Uint8>(color >> 24),
                                  static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8));
    const bool window = surface == CRM32Pro_Main::screen;
    const int split = window ? std::clamp(platform::view.band, top, bottom) : bottom;
    if (top < split) Fill(surface, {left, top, right - left, split - top}, pixel);
    if (split < bottom) FillCanvas(surface, left, split, right, bottom, pixel);
}

void VLineRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y1, std::int16_t y2,
               std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    if (!surface) return;
    const SDL_Rect clip = DrawArea(surface);
    if (x < clip.x || x >= clip.x + clip.w) return;
    int top = std::min(y1, y2), bottom = std::max(y1, y2) + 1;
    if (!ClipSpan(top, bottom, clip.y, clip.h)) return;
    PixelAccess access(surface);
    if (!access.ok()) return;
    for (int y = top; y < bottom; ++y) Plot(surface, x, y, r, g, b, a);
}

}  // namespace CRM32Pro_IPrimitives
