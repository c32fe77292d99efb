// SPDX-License-Identifier: MIT
// History thumbnails: SnapshotTile scales the save's own samples (filled as the PNG holds them)
// with the sheet's scaler; ThumbnailPng and ReadThumbnailPng encode and check the small PNG in
// memory through libpng, whose failures end in a longjmp back to them.
#include "export/thumbnail.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "export/scale.h"

namespace {

constexpr char TAG_KEY[] = "morvane:thumbnail";
// libpng keeps no chunk larger than this while reading a thumbnail (its tag is a line).
constexpr png_alloc_size_t MAX_CHUNK_BYTES = 64u << 10;

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, png_size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}
void Flush(png_structp) {}

// The bytes still to be read of a thumbnail in memory.
struct Input {
    const std::string& bytes;
    std::size_t at = 0;
};
void Take(png_structp png, png_bytep data, png_size_t size) {
    auto& in = *static_cast<Input*>(png_get_io_ptr(png));
    if (size > in.bytes.size() - in.at) png_error(png, "cut short");
    std::memcpy(data, in.bytes.data() + in.at, size);
    in.at += size;
}

// Whether the text chunks read so far hold morvane:thumbnail = `tag`.
bool Tagged(png_structp png, png_infop info, const std::string& tag) {
    png_textp text = nullptr;
    int count = 0;
    png_get_text(png, info, &text, &count);
    for (int i = 0; i < count; ++i)
        if (std::strcmp(text[i].key, TAG_KEY) == 0)
            return std::string(text[i].text, text[i].text_length) == tag;
    return false;
}

}  // namespace

GreyTile SnapshotTile(const CanvasSnapshot& s, int width) {
    GreyTile tile{width, ScaledHeight(s.width, s.height, width), {}};
    tile.pixels.resize(static_cast<std::size_t>(tile.width) * tile.height);
    std::vector<std::uint16_t> band;
    const auto w = static_cast<std::size_t>(s.width);
    for (int ty = 0; ty < tile.height; ++ty) {
        int y0 = 0, y1 = 0;
        ScaledRowSpan(ty, s.height, tile.height, y0, y1);
        band.resize(w * static_cast<std::size_t>(y1 - y0));
        FillSampleRows(s, y0, y1, band.data(), w);
        ScaleRowBrightest(
            [&](int x, int y) { return band[static_cast<std::size_t>(y - y0) * w + x] >> 8; },
            s.width, s.height, ty, &tile.pixels[static_cast<std::size_t>(ty) * tile.width],
            tile.width, tile.height);
    }
    return tile;
}

std::string ThumbnailPng(const GreyTile& tile, const std::string& tag) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_set_write_fn(png, &out, Append, Flush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(tile.width),
                     static_cast<png_uint_32>(tile.height), 8, PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(TAG_KEY);
        text.text = const_cast<char*>(tag.c_str());
        text.text_length = tag.size();
        png_set_text(png, info, &text, 1);
        png_write_info(png, info);
        for (int y = 0; y < tile.height; ++y)
            png_write_row(png, &tile.pixels[static_cast<std::size_t>(y) * tile.width]);
        png_write_end(png, nullptr);
    } else {
        out.clear();
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

bool ReadThumbnailPng(const std::string& bytes, int width, int height, const std::string& tag,
                      GreyTile& tile) {
    Input in{bytes};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_set_read_fn(png, &in, Take);
        png_set_user_limits(png, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height));
        png_set_chunk_malloc_max(png, MAX_CHUNK_BYTES);
        png_read_info(png, info);
        if (png_get_image_width(png, info) == static_cast<png_uint_32>(width) &&
            png_get_image_height(png, info) == static_cast<png_uint_32>(height) &&
            png_get_bit_depth(png, info) == 8 &&
            png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY &&
            png_get_interlace_type(png, info) == PNG_INTERLACE_NONE && Tagged(png, info, tag)) {
            tile = {width, height,
                    std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
            for (int y = 0; y < height; ++y)
                png_read_row(png, &tile.pixels[static_cast<std::size_t>(y) * width], nullptr);
            png_read_end(png, nullptr);
            ok = true;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    // A thumbnail that failed part way leaves no rows behind that could pass for one.
    if (!ok) tile = {};
    return ok;
}
