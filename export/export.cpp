// SaveImage: the canvas as a 16-bit greyscale PNG, empty pixels filled from their lit neighbours
// on the way. Start reading at SaveImage at the bottom; CanvasRows builds the samples.
#include "export/export.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <png++/png.hpp>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "config/safe_write.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"

namespace {

// Rows filled at a time. The canvas is column-major (arr[x][y]) and the image row-major, so a
// band is filled column by column: each column slice of arr is read contiguously, and the band's
// rows keep one cache line each in use while the walk moves along x.
constexpr int BAND_ROWS = 64;
// Padding of a band row, in samples: with rows exactly 8 KiB apart (4096 samples) the 64 lines
// in use would all fall in the same cache set and evict each other.
constexpr int ROW_PAD = 32;

// The blend of GetBlendedPixel for a pixel whose four neighbours need no wrap: the mean of the
// lit ones, darkened by color_decay, truncated. Written without branches on the values, which
// are random in a real canvas. A result that does not fit an int (only with odd settings from
// the file) is left to GetBlendedPixel.
inline int BlendInterior(const std::int32_t* left, const std::int32_t* column,
                         const std::int32_t* right, int x, int y, double keep) {
    const std::int32_t n[4] = {left[y], right[y], column[y - 1], column[y + 1]};
    std::int64_t sum = 0;
    int count = 0;
    for (const std::int32_t v : n) {
        sum += v > 0 ? v : 0;
        count += v > 0;
    }
    const double blended = static_cast<double>(sum) / std::max(count, 1) * keep;
    if (blended > INT_MIN - 1.0 && blended < INT_MAX + 1.0) return static_cast<int>(blended);
    return GetBlendedPixel(x, y);
}

// Sample of a pixel on the canvas border, where the neighbours wrap around. A filled pixel is
// shown on the window but never written back to the canvas, so fills made during one save never
// feed each other.
inline std::uint16_t EdgeSample(int x, int y) {
    int v = arr[x][y];
    if (v == 0) {
        v = GetBlendedPixel(x, y);
        if (v > 0) ShowPixel(x, y, v);
    }
    return static_cast<std::uint16_t>(v);
}

// The image as png++ asks for it, row by row. Each band of rows is filled from the canvas just
// before its first row is encoded, so the full image (32 MiB at 4096 x 4096) is never held in
// memory and the samples are still in cache when libpng reads them.
class CanvasRows : public png::generator<png::gray_pixel_16, CanvasRows> {
public:
    CanvasRows()
        : generator(xs, ys),
          stride_(xs + ROW_PAD),
          band_(static_cast<std::size_t>(stride_) * BAND_ROWS),
          keep_(1.0 - static_cast<double>(color_decay)) {}

    png::byte* get_next_row(std::size_t pos) {
        const int y = static_cast<int>(pos);
        if (y % BAND_ROWS == 0) FillBand(y, std::min(y + BAND_ROWS, ys));
        return reinterpret_cast<png::byte*>(&band_[(y % BAND_ROWS) * stride_]);
    }

private:
    // Samples of rows y0..y1-1: the canvas value, or for an empty pixel the blend of its lit
    // neighbours; either reduced to its low 16 bits.
    void FillBand(int y0, int y1) {
        // Rows 0 and ys-1 wrap; so do columns 0 and xs-1. The rest is interior.
        const int lo = std::max(y0, 1);
        const int hi = std::max(std::min(y1, ys - 1), lo);
        for (int x = 0; x < xs; ++x) {
            // out[(y - y0) * stride_] is the sample of (x, y).
            std::uint16_t* out = &band_[x];
            if (x == 0 || x == xs - 1) {
                for (int y = y0; y < y1; ++y) out[(y - y0) * stride_] = EdgeSample(x, y);
                continue;
            }
            for (int y = y0; y < lo; ++y) out[(y - y0) * stride_] = EdgeSample(x, y);
            FillInterior(x, lo, hi, out + (lo - y0) * stride_);
            for (int y = hi; y < y1; ++y) out[(y - y0) * stride_] = EdgeSample(x, y);
        }
    }

    // Rows lo..hi-1 of interior column x, into out[(y - lo) * stride_]. The filled pixels are
    // collected first and shown afterwards, which keeps the loop free of unpredictable branches.
    void FillInterior(int x, int lo, int hi, std::uint16_t* out) {
        const std::int32_t* column = arr[x];
        int filled = 0;
        for (int y = lo; y < hi; ++y) {
            const int v = column[y];
            const int blend = BlendInterior(arr[x - 1], column, arr[x + 1], x, y, keep_);
            out[(y - lo) * stride_] = static_cast<std::uint16_t>(v != 0 ? v : blend);
            filled_rows_[filled] = y;
            filled_values_[filled] = blend;
            filled += v == 0 && blend > 0;
        }
        for (int i = 0; i < filled; ++i) ShowPixel(x, filled_rows_[i], filled_values_[i]);
    }

    int stride_;
    std::vector<std::uint16_t> band_;  // BAND_ROWS rows of stride_ samples
    double keep_;                      // 1 - color_decay
    int filled_rows_[BAND_ROWS];
    int filled_values_[BAND_ROWS];
};

// Passes the PNG stream through and puts the given chunks right after the IHDR chunk, which is
// the first 33 bytes (signature 8, IHDR 25), so that the image data is still streamed.
class ChunkInserter : public std::streambuf {
public:
    ChunkInserter(std::streambuf* out, std::string chunks)
        : out_(out), chunks_(std::move(chunks)) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::streamsize done = 0;
        if (written_ < HEADER_BYTES) {
            const std::streamsize head = std::min<std::streamsize>(n, HEADER_BYTES - written_);
            if (out_->sputn(s, head) != head) return 0;
            written_ += head;
            done = head;
            if (written_ == HEADER_BYTES) {
                const auto size = static_cast<std::streamsize>(chunks_.size());
                if (out_->sputn(chunks_.data(), size) != size) return 0;
            }
        }
        const std::streamsize rest = n - done;
        if (rest > 0 && out_->sputn(s + done, rest) != rest) return done;
        return n;
    }
    int sync() override { return out_->pubsync(); }

private:
    static constexpr std::streamsize HEADER_BYTES = 33;
    std::streambuf* out_;
    std::string chunks_;
    std::streamsize written_ = 0;
};

void AppendBigEndian(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

// The text deflated at zlib's default level, as zTXt holds it.
std::string Deflated(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("cannot compress a text chunk");
    out.resize(size);
    return out;
}

// The bytes of the text chunks: length, type, keyword, zero, text (for zTXt the method byte 0
// and the deflated text), CRC of type and data.
std::string TextChunkBytes(std::span<const TextChunk> text) {
    std::string bytes;
    for (const TextChunk& chunk : text) {
        std::string body = (chunk.compressed ? "zTXt" : "tEXt") + chunk.keyword;
        body += '\0';
        if (chunk.compressed) body += '\0';
        body += chunk.compressed ? Deflated(chunk.text) : chunk.text;
        AppendBigEndian(bytes, static_cast<std::uint32_t>(body.size() - 4));
        bytes += body;
        const auto crc =
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
        AppendBigEndian(bytes, static_cast<std::uint32_t>(crc));
    }
    return bytes;
}

// png++ reports a failed stream write (a full disk, say) without the system's reason; the
// reason is added here so that the log and the panel can say what went wrong.
void WriteRows(CanvasRows& rows, std::ostream& out) {
    errno = 0;
    try {
        rows.write(out);
    } catch (const png::error& e) {
        if (errno == 0) throw;
        throw png::error(std::string(e.what()) + ": " + std::strerror(errno));
    }
}

}  // namespace

SaveResult SaveImage(const std::string& path, std::span<const TextChunk> text) {
    SaveResult result;
    std::string& reason = result.reason;
    bool& saved = result.saved;
    try {
        if (xs < 1 || ys < 1 || xs > GRID_SIZE || ys > GRID_SIZE) {
            reason = "canvas size " + std::to_string(xs) + " x " + std::to_string(ys) +
                     " is out of range";
        } else {
            CanvasRows rows;
            // The file is written beside the target and renamed over it once complete, so a
            // failed save leaves the previous image whole.
            const std::string chunks = TextChunkBytes(text);
            saved = WriteFileSafely(
                path,
                [&](std::ostream& out) {
                    if (chunks.empty()) return WriteRows(rows, out);
                    ChunkInserter inserter(out.rdbuf(), chunks);
                    std::ostream with_chunks(&inserter);
                    WriteRows(rows, with_chunks);
                    with_chunks.flush();
                    if (!with_chunks) out.setstate(std::ios::badbit);
                },
                reason);
        }
    } catch (const std::exception& e) {
        // The band buffer could not be allocated.
        reason = e.what();
    } catch (...) {
        reason = "unknown error";
    }
    return result;
}
