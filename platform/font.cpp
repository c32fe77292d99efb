// SPDX-License-Identifier: MIT
// The font: the TrueType entry of the package rasterised once, at load, through SDL_ttf into one
// coverage mask per character; PutString only blends those masks in white, never rasterises.
#include <SDL2/SDL_ttf.h>

#include <array>
#include <memory>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

// DejaVu Sans at this size sets "strand length" about 65 px wide, inside the panel's 73 px column.
constexpr int POINT_SIZE = 9;
// Latin-1 characters that get a glyph: printable ASCII and the printable upper half. Other bytes
// are drawn as '?'.
constexpr int FIRST_CHAR = 32;
constexpr int CHAR_COUNT = 256 - FIRST_CHAR;

bool Printable(int c) {
    return (c >= 32 && c <= 126) || c >= 160;
}

// One coverage mask per character, the glyph placed on its baseline within a line-high cell.
struct Glyph {
    int w = 0, h = 0, advance = 0;
    std::vector<std::uint8_t> mask;  // w x h coverage
};
using GlyphTable = std::array<Glyph, CHAR_COUNT>;

const Glyph& GlyphOf(const GlyphTable& table, unsigned char c) {
    return table[(Printable(c) ? c : '?') - FIRST_CHAR];
}

}  // namespace

struct CRM32Pro_CFont::Glyphs {
    GlyphTable table;
};

namespace {

// Renders character `c` and keeps its alpha channel as the mask.
void Rasterise(TTF_Font* font, Uint16 c, GlyphTable& table) {
    Glyph& glyph = table[c - FIRST_CHAR];
    int minx, maxx, miny, maxy;
    if (TTF_GlyphMetrics(font, c, &minx, &maxx, &miny, &maxy, &glyph.advance) != 0)
        glyph.advance = 0;
    const Uint16 text[2] = {c, 0};
    SDL_Surface* s = TTF_RenderUNICODE_Blended(font, text, SDL_Color{255, 255, 255, 0});
    if (!s) return;  // a blank glyph such as the space: advance only
    if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    glyph.w = s->w;
    glyph.h = s->h;
    glyph.mask.resize(static_cast<std::size_t>(s->w) * s->h);
    const SDL_PixelFormat* f = s->format;
    for (int y = 0; y < s->h; ++y) {
        const Uint32* row =
            reinterpret_cast<const Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x)
            glyph.mask[y * s->w + x] = static_cast<std::uint8_t>((row[x] & f->Amask) >> f->Ashift);
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
}

// Opens the TrueType bytes at POINT_SIZE and fills `table`; false with the reason on failure.
bool RasteriseAll(const std::vector<std::uint8_t>& bytes, GlyphTable& table, std::string& error) {
    if (TTF_Init() != 0) {
        error = TTF_GetError();
        return false;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    TTF_Font* font = rw ? TTF_OpenFontRW(rw, 1, POINT_SIZE) : nullptr;
    if (!font) {
        error = std::string("not a usable TrueType font: ") + TTF_GetError();
        TTF_Quit();
        return false;
    }
    for (int c = FIRST_CHAR; c < 256; ++c)
        if (Printable(c)) Rasterise(font, static_cast<Uint16>(c), table);
    TTF_CloseFont(font);
    TTF_Quit();
    return true;
}

}  // namespace

CRM32Pro_CFont::CRM32Pro_CFont() = default;

CRM32Pro_CFont::~CRM32Pro_CFont() {
    delete glyphs_;
}

int CRM32Pro_CFont::Load(const char* package, const char* name) {
    delete glyphs_;
    glyphs_ = nullptr;
    std::vector<std::uint8_t> bytes;
    std::string error;
    auto glyphs = std::make_unique<Glyphs>();
    if (!platform::ReadPackageEntry(package, name, bytes, error) ||
        !RasteriseAll(bytes, glyphs->table, error)) {
        CRM32Pro_ILogSystem::Msg("font '%s' from '%s' unusable: %s", name ? name : "",
                                 package ? package : "", error.c_str());
        return 0;
    }
    glyphs_ = glyphs.release();
    return 1;
}

void CRM32Pro_CFont::PutString(SDL_Surface* surface, std::int16_t x, std::int16_t y,
                               const char* text, const void*) {
    if (!glyphs_ || !surface || !text) return;
    int pen = x;
    for (const char* p = text; *p && pen < surface->w; ++p) {
        const Glyph& g = GlyphOf(glyphs_->table, static_cast<unsigned char>(*p));
        if (!g.mask.empty())
            platform::BlitMask(surface, pen, y, g.mask.data(), g.w, g.h, g.w, 255, 255, 255);
        pen += g.advance;
    }
}

int CRM32Pro_CFont::TextWidth(const char* text) const {
    if (!glyphs_ || !text) return 0;
    int width = 0;
    for (const char* p = text; *p; ++p)
        width += GlyphOf(glyphs_->table, static_cast<unsigned char>(*p)).advance;
    return width;
}
