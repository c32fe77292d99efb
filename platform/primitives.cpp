// Drawing primitives: one pixel, a filled box, a vertical line. All clip to the surface's clip
// rectangle, never write outside it, and mark the dirty tiles of the window they draw on.
// PutPixelRGBA is the hot one: the growth pass calls it for every pixel it draws.
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

inline Uint8* PixelAddress(SDL_Surface* s, int x, int y) {
    return static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
}

void WritePixel(SDL_Surface* s, int x, int y, Uint32 pixel) {
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

Uint32 ReadPixel(SDL_Surface* s, int x, int y) {
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

// Clips the half-open span [lo, hi) to [min, min + size); false when nothing is left.
bool ClipSpan(int& lo, int& hi, int min, int size) {
    lo = std::max(lo, min);
    hi = std::min(hi, min + size);
    return lo < hi;
}

// Blends colour (r, g, b) with coverage `alpha` over pixel (x, y), which must be in range.
void BlendPixel(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b, Uint8 alpha) {
    if (alpha == 0) return;
    Uint8 dr = 0, dg = 0, db = 0;
    if (alpha != 255) SDL_GetRGB(ReadPixel(s, x, y), s->format, &dr, &dg, &db);
    const auto mix = [alpha](Uint8 src, Uint8 dst) {
        return static_cast<Uint8>((src * alpha + dst * (255 - alpha) + 127) / 255);
    };
    WritePixel(s, x, y, MapColor(s->format, mix(r, dr), mix(g, dg), mix(b, db)));
}

// Clips a w x h block at (x, y) to the surface and calls blend(surface_x, surface_y, block_col,
// block_row) for each pixel left, then marks the covered tiles.
template <typename Blend>
void BlitClipped(SDL_Surface* s, int x, int y, int w, int h, Blend blend) {
    if (!s) return;
    int left = x, right = x + w, top = y, bottom = y + h;
    const SDL_Rect& clip = s->clip_rect;
    if (!ClipSpan(left, right, clip.x, clip.w) || !ClipSpan(top, bottom, clip.y, clip.h)) return;
    PixelAccess access(s);
    if (!access.ok()) return;
    for (int sy = top; sy < bottom; ++sy)
        for (int sx = left; sx < right; ++sx) blend(sx, sy, sx - x, sy - y);
    platform::MarkDirty(s, left, top, right - left, bottom - top);
}

}  // namespace

namespace platform {

void BlitRgba(SDL_Surface* s, int x, int y, const std::uint8_t* rgba, int w, int h, int stride) {
    BlitClipped(s, x, y, w, h, [&](int sx, int sy, int col, int row) {
        const std::uint8_t* p = rgba + row * stride + col * 4;
        BlendPixel(s, sx, sy, p[0], p[1], p[2], p[3]);
    });
}

void BlitMask(SDL_Surface* s, int x, int y, const std::uint8_t* mask, int w, int h, int stride,
              std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    BlitClipped(s, x, y, w, h, [&](int sx, int sy, int col, int row) {
        BlendPixel(s, sx, sy, r, g, b, mask[row * stride + col]);
    });
}

}  // namespace platform

namespace CRM32Pro_IPrimitives {

void PutPixelRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y, std::uint8_t r,
                  std::uint8_t g, std::uint8_t b, std::uint8_t a, int blend) {
    if (!surface) return;
    const SDL_Rect& clip = surface->clip_rect;
    if (x < clip.x || y < clip.y || x >= clip.x + clip.w || y >= clip.y + clip.h) return;
    PixelAccess access(surface);
    if (!access.ok()) return;
    if (a != 255 && blend)
        BlendPixel(surface, x, y, r, g, b, a);
    else if (surface->format->BytesPerPixel == 4)
        *reinterpret_cast<Uint32*>(PixelAddress(surface, x, y)) =
            MapColor(surface->format, r, g, b);
    else
        WritePixel(surface, x, y, MapColor(surface->format, r, g, b));
    if (surface == CRM32Pro_Main::screen) platform::MarkDirtyPixel(x, y);
}

// `color` is 0xRRGGBBAA; the box is always filled opaque (the alpha byte is not used), so the
// program's colour 0 paints black.
void BoxColor(SDL_Surface* surface, std::int16_t x1, std::int16_t y1, std::int16_t x2,
              std::int16_t y2, std::uint32_t color) {
    if (!surface) return;
    int left = std::min(x1, x2), right = std::max(x1, x2);
    int top = std::min(y1, y2), bottom = std::max(y1, y2);
    const SDL_Rect& clip = surface->clip_rect;
    if (!ClipSpan(left, right, clip.x, clip.w) || !ClipSpan(top, bottom, clip.y, clip.h)) return;
    SDL_Rect box = {static_cast<Sint16>(left), static_cast<Sint16>(top),
                    static_cast<Uint16>(right - left), static_cast<Uint16>(bottom - top)};
    const Uint32 pixel = MapColor(surface->format, static_cast<Uint8>(color >> 24),
                                  static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8));
    SDL_FillRect(surface, &box, pixel);
    platform::MarkDirty(surface, box.x, box.y, box.w, box.h);
}

void VLineRGBA(SDL_Surface* surface, std::int16_t x, std::int16_t y1, std::int16_t y2,
               std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    if (!surface) return;
    const SDL_Rect& clip = surface->clip_rect;
    if (x < clip.x || x >= clip.x + clip.w) return;
    int top = std::min(y1, y2), bottom = std::max(y1, y2) + 1;
    if (!ClipSpan(top, bottom, clip.y, clip.h)) return;
    PixelAccess access(surface);
    if (!access.ok()) return;
    const Uint32 pixel = MapColor(surface->format, r, g, b);
    for (int y = top; y < bottom; ++y) {
        if (a == 255)
            WritePixel(surface, x, y, pixel);
        else
            BlendPixel(surface, x, y, r, g, b, a);
    }
    platform::MarkDirty(surface, x, top, 1, bottom - top);
}

}  // namespace CRM32Pro_IPrimitives
