// SPDX-License-Identifier: MIT
// Building a contact sheet: check every file, lay out the grid, then read one render at a time,
// scale it into its tile and write its label in the strip below, so that only the sheet and one
// render are ever in memory. A file that is not a whole 16-bit grey PNG of canvas size is refused
// with its name, before any pixel of it is decoded where its header already says so.
#include "render/batch/sheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <png++/png.hpp>

#include "config/safe_write.h"
#include "export/png_text.h"
#include "export/scale.h"
#include "render/out/palette.h"

namespace {

constexpr int GAP = 8;  // between tiles and around the sheet
constexpr int LABEL_HEIGHT = 22;
constexpr int LABEL_PIXELS = 13;     // the font's size
constexpr int ROW_LABEL_WIDTH = 96;  // a grid's row labels, left of the tiles
constexpr std::uint8_t BACKGROUND = 40, LABEL_GREY = 230;
// Tiles are canvases (4096 a side at most); a larger header is refused before decoding.
constexpr int MAX_TILE_SIZE = 4096;
// The most memory libpng may take for one chunk it keeps.
constexpr png_alloc_size_t MAX_CHUNK_BYTES = 8u << 20;
constexpr std::size_t MAX_LABEL_BYTES = 200;
// The DejaVu Sans of fonts-dejavu-core (the font the window's panel uses too), or its neighbours.
constexpr const char* FONTS[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
};

struct Grey8 {
    int w = 0, h = 0;
    std::vector<std::uint8_t> pixels;
    std::uint8_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * w + x]; }
};

// Labels drawn with FreeType in the first font found; without one, tiles go unlabelled.
class LabelFont {
public:
    LabelFont() {
        if (FT_Init_FreeType(&library_)) return;
        for (const char* path : FONTS)
            if (!FT_New_Face(library_, path, 0, &face_)) break;
        if (face_) FT_Set_Pixel_Sizes(face_, 0, LABEL_PIXELS);
    }
    ~LabelFont() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    LabelFont(const LabelFont&) = delete;
    LabelFont& operator=(const LabelFont&) = delete;
    bool usable() const { return face_ != nullptr; }

    // Draws `text` centred in [x, x + width) with its baseline at `baseline`, cut at the width.
    void Draw(Grey8& sheet, const std::string& text, int x, int width, int baseline) {
        if (!face_) return;
        int pen = x + std::max(0, (width - Width(text)) / 2);
        for (const unsigned char c : text) {
            if (FT_Load_Char(face_, c, FT_LOAD_RENDER)) continue;
            const FT_GlyphSlot g = face_->glyph;
            if (pen + g->bitmap_left + static_cast<int>(g->bitmap.width) > x + width) break;
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int px = pen + g->bitmap_left + static_cast<int>(col);
                    const int py = baseline - g->bitmap_top + static_cast<int>(row);
                    if (px < 0 || py < 0 || px >= sheet.w || py >= sheet.h) continue;
                    const int a = g->bitmap.buffer[row * g->bitmap.pitch + col];
                    std::uint8_t& p = sheet.at(px, py);
                    p = static_cast<std::uint8_t>((p * (255 - a) + LABEL_GREY * a) / 255);
                }
            pen += static_cast<int>(g->advance.x >> 6);
        }
    }

private:
    int Width(const std::string& text) {
        int w = 0;
        for (const unsigned char c : text)
            if (!FT_Load_Char(face_, c, FT_LOAD_DEFAULT))
                w += static_cast<int>(face_->glyph->advance.x >> 6);
        return w;
    }
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// libpng's failures end in a longjmp back to TileReader::Read. Its message is kept, after the
// warning that explains it when there is one ("Image width exceeds user limit in IHDR").
void OnPngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) += message;
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp png, png_const_charp message) {
    auto& text = *static_cast<std::string*>(png_get_error_ptr(png));
    if (text.empty()) text = std::string(message) + ": ";
}

// Reads a 16-bit greyscale PNG of at most MAX_TILE_SIZE a side, refusing anything else before a
// pixel is decoded: libpng's own limits bound the size and any chunk it reads.
class TileReader {
public:
    explicit TileReader(const std::string& path) : path_(path) {}
    ~TileReader() {
        if (png_) png_destroy_read_struct(&png_, &info_, nullptr);
        // Opened for reading only: a failed close loses nothing.
        if (file_) (void)std::fclose(file_);
    }
    TileReader(const TileReader&) = delete;
    TileReader& operator=(const TileReader&) = delete;

    // The size only (`grey` null), or also the picture's grey at full size, 8 bits (the sample
    // / 256), row by row. False with one line naming the file.
    bool Read(std::vector<std::uint8_t>* grey, int& w, int& h, std::string& error) {
        if (!Open(error)) return false;
        if (setjmp(png_jmpbuf(png_))) {
            if (std::feof(file_)) message_ = "the file is cut short";
            error = path_ + ": " + (message_.empty() ? "not a PNG file" : message_);
            return false;
        }
        png_read_info(png_, info_);
        w = static_cast<int>(png_get_image_width(png_, info_));
        h = static_cast<int>(png_get_image_height(png_, info_));
        if (png_get_bit_depth(png_, info_) != 16 ||
            png_get_color_type(png_, info_) != PNG_COLOR_TYPE_GRAY ||
            png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE) {
            error = path_ + ": not a 16-bit greyscale PNG";
            return false;
        }
        if (!grey) return true;
        grey->assign(static_cast<std::size_t>(w) * h, 0);
        row_.resize(static_cast<std::size_t>(w) * 2);
        for (int y = 0; y < h; ++y) {
            png_read_row(png_, row_.data(), nullptr);
            for (int x = 0; x < w; ++x) (*grey)[static_cast<std::size_t>(y) * w + x] = row_[2 * x];
        }
        return true;
    }

private:
    bool Open(std::string& error) {
        if (!PngInputOk(path_, error) || !(file_ = std::fopen(path_.c_str(), "rb"))) {
            error = path_ + ": cannot be read: " + (error.empty() ? std::strerror(errno) : error);
            return false;
        }
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message_, OnPngError, OnPngWarning);
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_) {
            error = path_ + ": out of memory";
            return false;
        }
        png_init_io(png_, file_);
        png_set_user_limits(png_, MAX_TILE_SIZE, MAX_TILE_SIZE);
        png_set_chunk_malloc_max(png_, MAX_CHUNK_BYTES);
        // libpng allocates a text or profile chunk as long as its header claims before it reads
        // a byte of it; a tile needs none of them, so they are skipped unread.
        static constexpr png_byte SKIPPED[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, SKIPPED, 6);
        return true;
    }

    std::string path_, message_;
    std::vector<png_byte> row_;
    std::FILE* file_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// The label under a tile, at most MAX_LABEL_BYTES of it (a tile is 256 px wide anyway).
std::string LabelOf(const SheetTile& tile) {
    std::string label = tile.label;
    std::map<std::string, std::string> text;
    std::string ignored;
    if (label.empty() && ReadTextChunks(tile.path, text, ignored)) {
        if (!text["morvane:label"].empty())
            label = std::move(text["morvane:label"]);
        else if (!text["morvane:seed"].empty())
            label = "seed " + text["morvane:seed"];
    }
    if (label.empty()) {
        const auto slash = tile.path.find_last_of('/');
        label = slash == std::string::npos ? tile.path : tile.path.substr(slash + 1);
    }
    if (label.size() > MAX_LABEL_BYTES) label.resize(MAX_LABEL_BYTES);
    return label;
}

// Where the tiles go: the grid's margins for its labels, and the tiles' columns and rows.
struct SheetLayout {
    int left = 0, top = 0, columns = 1, rows = 1;
};

SheetLayout LayoutOf(int count, const GridLayout& grid) {
    SheetLayout l;
    if (grid.columns > 0) {
        l.left = GAP + ROW_LABEL_WIDTH;
        l.top = 2 * LABEL_HEIGHT;
        l.columns = grid.columns;
    } else {
        l.columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    }
    l.rows = (count + l.columns - 1) / l.columns;
    return l;
}

// A grid's keys and values: the column key above its values, the row key in the corner above
// the row values.
void DrawGridLabels(Grey8& sheet, LabelFont& font, const GridLayout& grid, const SheetLayout& l,
                    int tile_width, int tile_height) {
    const int step_x = tile_width + GAP, step_y = tile_height + LABEL_HEIGHT + GAP;
    const int first = GAP + LABEL_PIXELS, second = first + LABEL_HEIGHT;
    font.Draw(sheet, grid.column_key, l.left + GAP, l.columns * step_x - GAP, first);
    font.Draw(sheet, grid.row_key, GAP, ROW_LABEL_WIDTH, second);
    for (int c = 0; c < l.columns && c < static_cast<int>(grid.column_labels.size()); ++c)
        font.Draw(sheet, grid.column_labels[c], l.left + GAP + c * step_x, tile_width, second);
    for (int r = 0; r < l.rows && r < static_cast<int>(grid.row_labels.size()); ++r)
        font.Draw(sheet, grid.row_labels[r], GAP, ROW_LABEL_WIDTH,
                  l.top + GAP + r * step_y + (tile_height + LABEL_PIXELS) / 2);
}

struct TileRect {
    int x, y, w, h;
};

// Writes the sheet: 8-bit grey, or with `colours` RGB with the tiles' pixels coloured.
bool WriteSheet(Grey8& sheet, const std::vector<TileRect>& tiles, const ColourMap* colours,
                const std::string& output, std::string& error) {
    const auto w = static_cast<png::uint_32>(sheet.w), h = static_cast<png::uint_32>(sheet.h);
    std::function<void(std::ostream&)> write;
    png::image<png::gray_pixel> grey;
    png::image<png::rgb_pixel> rgb;
    if (!colours) {
        grey.resize(w, h);
        for (int y = 0; y < sheet.h; ++y)
            for (int x = 0; x < sheet.w; ++x) grey[y][x] = sheet.at(x, y);
        write = [&](std::ostream& o) { grey.write_stream(o); };
    } else {
        rgb.resize(w, h);
        for (int y = 0; y < sheet.h; ++y)
            for (int x = 0; x < sheet.w; ++x) {
                const std::uint8_t v = sheet.at(x, y);
                rgb[y][x] = png::rgb_pixel(v, v, v);
            }
        for (const TileRect& t : tiles)
            for (int y = t.y; y < t.y + t.h; ++y)
                for (int x = t.x; x < t.x + t.w; ++x) {
                    const Rgb16 c = colours->At(sheet.at(x, y) * 257);
                    rgb[y][x] = png::rgb_pixel(c.r >> 8, c.g >> 8, c.b >> 8);
                }
        write = [&](std::ostream& o) { rgb.write_stream(o); };
    }
    if (WriteFileSafely(output, write, error)) return true;
    error = output + ": " + error;
    return false;
}

// Draws a tile's picture scaled into the sheet at (x, y), or copies its ready tile there.
// Returns its height, or 0 with the reason when its file cannot be read.
int DrawTile(Grey8& sheet, const SheetTile& tile, int x, int y, int tile_width,
             std::string& error) {
    const GreyTile& ready = tile.ready;
    if (!ready.pixels.empty()) {
        for (int row = 0; row < ready.height; ++row)
            std::copy_n(&ready.pixels[static_cast<std::size_t>(row) * ready.width],
                        std::min(ready.width, tile_width), &sheet.at(x, y + row));
        return ready.height;
    }
    std::vector<std::uint8_t> image;
    int w = 0, h = 0;
    if (!TileReader(tile.path).Read(&image, w, h, error)) return 0;
    ScaleBrightest([&](int px, int py) { return image[static_cast<std::size_t>(py) * w + px]; }, w,
                   h, &sheet.at(x, y), tile_width, ScaledHeight(w, h, tile_width), sheet.w);
    return ScaledHeight(w, h, tile_width);
}

}  // namespace

bool Check16BitGrey(const std::string& path, int& w, int& h, std::string& error) {
    return TileReader(path).Read(nullptr, w, h, error);
}

bool BuildSheet(const std::vector<SheetTile>& tiles, const std::string& output, int tile_width,
                const GridLayout& grid, bool quiet, std::string& error, const ColourMap* colours) {
    const auto start = std::chrono::steady_clock::now();
    if (tiles.empty()) {
        error = "no pictures for the sheet";
        return false;
    }
    // Every file first: a bad one is found before any work is done.
    int tile_height = 0;
    for (const SheetTile& tile : tiles) {
        int w = tile_width, h = tile.ready.height;
        if (tile.ready.pixels.empty() && !Check16BitGrey(tile.path, w, h, error)) return false;
        tile_height = std::max(tile_height, ScaledHeight(w, h, tile_width));
    }
    const int count = static_cast<int>(tiles.size());
    const SheetLayout layout = LayoutOf(count, grid);
    const int columns = layout.columns, rows = layout.rows;
    Grey8 sheet;
    sheet.w = layout.left + GAP + columns * (tile_width + GAP);
    sheet.h = layout.top + GAP + rows * (tile_height + LABEL_HEIGHT + GAP);
    sheet.pixels.assign(static_cast<std::size_t>(sheet.w) * sheet.h, BACKGROUND);
    std::vector<TileRect> tile_rects;
    LabelFont font;
    if (!font.usable() && !quiet)
        std::fprintf(stderr,
                     "morvane-render: no font found (fonts-dejavu-core); tiles unlabelled\n");
    if (grid.columns > 0) DrawGridLabels(sheet, font, grid, layout, tile_width, tile_height);
    for (int i = 0; i < count; ++i) {
        const int x = layout.left + GAP + (i % columns) * (tile_width + GAP);
        const int y = layout.top + GAP + (i / columns) * (tile_height + LABEL_HEIGHT + GAP);
        const int height = DrawTile(sheet, tiles[i], x, y, tile_width, error);
        if (height == 0) return false;
        tile_rects.push_back({x, y, tile_width, height});
        font.Draw(sheet, LabelOf(tiles[i]), x, tile_width, y + tile_height + LABEL_PIXELS + 3);
        if (!quiet && isatty(2)) std::fprintf(stderr, "\rsheet: %d/%d tiles\033[K", i + 1, count);
    }
    if (!WriteSheet(sheet, tile_rects, colours, output, error)) return false;
    if (!quiet) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::fprintf(stderr, "%ssheet: %d tiles in %d x %d, %d x %d px, %.2f s -> %s\n",
                     isatty(2) ? "\r\033[K" : "", count, columns, rows, sheet.w, sheet.h,
                     took.count(), output.c_str());
    }
    return true;
}
