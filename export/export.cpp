// SPDX-License-Identifier: MIT
// SaveImage and WriteImage: the canvas as a 16-bit greyscale PNG, empty pixels filled from their
// lit neighbours on the way. Start reading at WriteImage at the bottom: the image is cut into
// parts of whole rows, each part filled, filtered and deflated on a worker thread, and the parts
// written in order as IDAT chunks between the header and the end chunk.
#include "export/export.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "config/safe_write.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"
#include "export/parallel_deflate.h"

namespace {

// Padding of a sample row, in samples: with rows exactly 8 KiB apart (4096 samples) the rows a
// column walk writes would all fall in the same cache set and evict each other.
constexpr int ROW_PAD = 32;
// Size of the image data per IDAT chunk, as libpng writes it.
constexpr std::size_t IDAT_BYTES = 8192;
// A part holds between these many bytes of filtered rows: large enough that the rows refilled
// for its dictionary cost little, small enough that each thread gets several parts.
constexpr std::size_t PART_MIN_BYTES = 128 * 1024;
constexpr std::size_t PART_MAX_BYTES = 1024 * 1024;
constexpr int PARTS_PER_THREAD = 4;
// Room for the values of pixels drawn between a save's request and its snapshot, as a share of
// the canvas: 1 in this many.
constexpr int SNAPSHOT_ROOM = 64;
// Rows of filled pixels worked out at a time for the view.
constexpr int SHOW_BAND_ROWS = 64;

void AppendBigEndian(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

// A chunk: length, type, data, CRC of type and data.
std::string ChunkBytes(const char* type, const std::string& data) {
    std::string body = type + data;
    std::string bytes;
    AppendBigEndian(bytes, static_cast<std::uint32_t>(data.size()));
    bytes += body;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    AppendBigEndian(bytes, static_cast<std::uint32_t>(crc));
    return bytes;
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

// The bytes of the text chunks: keyword, zero, text; for zTXt the method byte 0 and the deflated
// text instead of the text.
std::string TextChunkBytes(std::span<const TextChunk> text) {
    std::string bytes;
    for (const TextChunk& chunk : text) {
        std::string data = chunk.keyword + '\0';
        data += chunk.compressed ? '\0' + Deflated(chunk.text) : chunk.text;
        bytes += ChunkBytes(chunk.compressed ? "zTXt" : "tEXt", data);
    }
    return bytes;
}

// The bytes of a pHYs chunk: the same number of pixels per metre both ways.
std::string PhysChunkBytes(double dpi) {
    std::string data;
    const auto per_metre = static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
    AppendBigEndian(data, per_metre);
    AppendBigEndian(data, per_metre);
    data += '\1';  // the unit is the metre
    return ChunkBytes("pHYs", data);
}

// Signature and IHDR: 16-bit greyscale, deflate, adaptive filters, not interlaced.
std::string HeaderBytes(int width, int height) {
    std::string ihdr;
    AppendBigEndian(ihdr, static_cast<std::uint32_t>(width));
    AppendBigEndian(ihdr, static_cast<std::uint32_t>(height));
    ihdr += std::string("\x10\x00\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + ChunkBytes("IHDR", ihdr);
}

// The image cut into parts of whole rows.
struct PartPlan {
    int rows_per_part = 1;
    int parts = 1;
    int dictionary_rows = 0;  // rows before a part that hold its 32 KiB dictionary
};

PartPlan PlanParts(int width, int height, int threads) {
    const std::size_t row = FilteredRowBytes(width);
    const auto rows_for = [&](std::size_t bytes) {
        return static_cast<int>((bytes + row - 1) / row);
    };
    PartPlan plan;
    plan.rows_per_part = std::clamp(height / (PARTS_PER_THREAD * threads), rows_for(PART_MIN_BYTES),
                                    rows_for(PART_MAX_BYTES));
    plan.rows_per_part = std::max(1, plan.rows_per_part);
    plan.parts = (height + plan.rows_per_part - 1) / plan.rows_per_part;
    plan.dictionary_rows = rows_for(DEFLATE_WINDOW);
    return plan;
}

// Fills, filters and lays out part `index`: the rows that hold its dictionary, then its own.
void MakePart(const CanvasSnapshot& s, const PartPlan& plan, int index, DeflatePart& part) {
    const int first = index * plan.rows_per_part;
    const int last = std::min(first + plan.rows_per_part, s.height);
    const int start = std::max(0, first - plan.dictionary_rows);
    // The filter of row `start` needs the row above it.
    const int top = std::max(0, start - 1);
    const std::size_t stride = static_cast<std::size_t>(s.width) + ROW_PAD;
    thread_local std::vector<std::uint16_t> samples;
    samples.resize(stride * static_cast<std::size_t>(last - top));
    const auto row = [&](int y) { return &samples[static_cast<std::size_t>(y - top) * stride]; };
    FillSampleRows(s, top, last, row(top), stride);
    part.bytes.clear();
    for (int y = start; y < last; ++y)
        AppendFilteredRow(row(y), y > 0 ? row(y - 1) : nullptr, s.width, part.bytes);
    const std::size_t before = static_cast<std::size_t>(first - start) * FilteredRowBytes(s.width);
    const std::size_t dictionary = std::min(before, DEFLATE_WINDOW);
    part.bytes.erase(part.bytes.begin(),
                     part.bytes.begin() + static_cast<std::ptrdiff_t>(before - dictionary));
    part.dictionary = dictionary;
}

// Collects the zlib stream into IDAT chunks of IDAT_BYTES on `out`.
class IdatWriter {
public:
    explicit IdatWriter(std::ostream& out) : out_(out) {}
    bool Write(const unsigned char* data, std::size_t size) {
        pending_.append(reinterpret_cast<const char*>(data), size);
        while (pending_.size() >= IDAT_BYTES) {
            out_ << ChunkBytes("IDAT", pending_.substr(0, IDAT_BYTES));
            pending_.erase(0, IDAT_BYTES);
        }
        return static_cast<bool>(out_);
    }
    bool Finish() {
        if (!pending_.empty()) out_ << ChunkBytes("IDAT", pending_);
        out_ << ChunkBytes("IEND", "");
        return static_cast<bool>(out_);
    }

private:
    std::ostream& out_;
    std::string pending_;
};

void WritePng(std::ostream& out, const CanvasSnapshot& s, const std::string& chunks,
              SaveProgress* progress, int threads) {
    const PartPlan plan = PlanParts(s.width, s.height, threads);
    if (progress) progress->total = plan.parts;
    out << HeaderBytes(s.width, s.height) << chunks;
    IdatWriter idat(out);
    DeflateJob job;
    job.parts = plan.parts;
    job.threads = threads;
    job.level = Z_DEFAULT_COMPRESSION;
    job.strategy = Z_FILTERED;
    job.parts_done = progress ? &progress->done : nullptr;
    job.make_part = [&](int index, DeflatePart& part) { MakePart(s, plan, index, part); };
    job.write = [&](const unsigned char* data, std::size_t size) { return idat.Write(data, size); };
    std::string reason;
    if (!DeflateInParts(job, reason)) throw std::runtime_error(reason);
    idat.Finish();
}

}  // namespace

SnapshotNeeds SnapshotNeedsNow() {
    SnapshotNeeds needs;
    needs.width = std::clamp(xs, 0, GRID_SIZE);
    needs.height = std::clamp(ys, 0, GRID_SIZE);
    const std::size_t words = LitWordsOfColumns(needs.width);
    for (std::size_t i = 0; i < words; ++i)
        needs.values += static_cast<std::size_t>(std::popcount(lit_bits[i]));
    // A few frames pass before the memory is ready; pixels drawn in them fault their pages in
    // on the main thread if they go past this.
    needs.values += static_cast<std::size_t>(needs.width) * needs.height / SNAPSHOT_ROOM;
    return needs;
}

CanvasSnapshot TakeSnapshot(CanvasSnapshot memory) {
    const int width = std::clamp(xs, 0, GRID_SIZE);
    std::vector<const std::int32_t*> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) columns[x] = arr[x];
    return PackSnapshot(width, std::clamp(ys, 0, GRID_SIZE), 1.0 - static_cast<double>(color_decay),
                        columns, std::move(memory));
}

SaveResult WriteImage(const std::string& path, const CanvasSnapshot& snapshot,
                      std::span<const TextChunk> text, SaveProgress* progress, int threads,
                      double dpi) {
    SaveResult result;
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    try {
        if (!snapshot.Whole()) {
            result.reason = "canvas size " + std::to_string(snapshot.width) + " x " +
                            std::to_string(snapshot.height) + " is out of range";
            return result;
        }
        const std::string chunks =
            (dpi > 0 ? PhysChunkBytes(dpi) : std::string()) + TextChunkBytes(text);
        // The file is written beside the target and renamed over it once complete, so a failed
        // save leaves the previous image whole.
        result.saved = WriteFileSafely(
            path, [&](std::ostream& out) { WritePng(out, snapshot, chunks, progress, threads); },
            result.reason);
    } catch (const std::exception& e) {
        // A buffer could not be allocated.
        result.reason = e.what();
    }
    return result;
}

void ShowFilledPixels(const CanvasSnapshot& snapshot, int y0, int y1) {
    if (!canvas_view.show_filled) return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, snapshot.height);
    // The samples are worked out again, a band of rows at a time, and the filled ones shown as
    // they come.
    std::vector<std::uint16_t> samples;
    const auto width = static_cast<std::size_t>(snapshot.width);
    for (int y = y0; y < y1; y += SHOW_BAND_ROWS) {
        const int end = std::min(y + SHOW_BAND_ROWS, y1);
        samples.resize(width * static_cast<std::size_t>(end - y));
        FillSampleRows(snapshot, y, end, samples.data(), width, [](int x, int py, int value) {
            if (arr[x][py] == 0) canvas_view.show_filled(x, py, value);
        });
    }
}

SaveResult SaveImage(const std::string& path, std::span<const TextChunk> text, double dpi) {
    if (xs < 1 || ys < 1 || xs > GRID_SIZE || ys > GRID_SIZE)
        return {false, "canvas size " + std::to_string(xs) + " x " + std::to_string(ys) +
                           " is out of range"};
    try {
        const CanvasSnapshot snapshot = TakeSnapshot();
        SaveResult result = WriteImage(path, snapshot, text, nullptr, 0, dpi);
        if (result.saved) ShowFilledPixels(snapshot, 0, snapshot.height);
        return result;
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
}
