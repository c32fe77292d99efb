// SPDX-License-Identifier: MIT
// The sample fill and the row filter of the PNG writer. FillSampleRows walks the column-major
// snapshot column by column; AppendFilteredRow tries the five PNG filters on a row as libpng's
// default heuristic does, so that the files compress as libpng's own would.
#include "export/image_rows.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/numeric.h"

namespace {

// The PNG filter types, in the order libpng tries them.
enum Filter : unsigned char { NONE = 0, SUB = 1, UP = 2, AVERAGE = 3, PAETH = 4 };
// Bytes per pixel of a 16-bit grey image: the left neighbour of a byte is this far back.
constexpr std::size_t BPP = 2;

// The decayed mean of the lit ones among four neighbour values, truncated; 0 when none is lit.
inline int Blend(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, double keep) {
    const std::int32_t n[4] = {a, b, c, d};
    std::int64_t sum = 0;
    int count = 0;
    for (const std::int32_t v : n) {
        sum += v > 0 ? v : 0;
        count += v > 0;
    }
    if (count == 0) return 0;
    return TruncToInt(static_cast<double>(sum) / count * keep);
}

// libpng's measure of a filtered byte: its size read as a signed byte (min(v, 256 - v), which
// needs no branch).
inline unsigned Cost(unsigned char v) {
    return std::min(static_cast<unsigned>(v), 256u - v);
}

inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Filter `f` of the row `raw` with the row above `up` (all zero for the first) into `out`;
// returns the row's measure. One loop per filter, with the first pixel's bytes (whose left and
// corner neighbours are 0) apart, so that the loop has no branch and compiles to vector code.
template <typename Predict>
std::size_t FilterRow(const unsigned char* raw, const unsigned char* up, std::size_t n,
                      unsigned char* out, Predict predict) {
    std::size_t sum = 0;
    const std::size_t head = std::min(n, BPP);
    for (std::size_t i = 0; i < head; ++i) {
        out[i] = static_cast<unsigned char>(raw[i] - predict(0, up[i], 0));
        sum += Cost(out[i]);
    }
    for (std::size_t i = head; i < n; ++i) {
        out[i] = static_cast<unsigned char>(raw[i] - predict(raw[i - BPP], up[i], up[i - BPP]));
        sum += Cost(out[i]);
    }
    return sum;
}

std::size_t Filtered(Filter f, const unsigned char* raw, const unsigned char* up, std::size_t n,
                     unsigned char* out) {
    switch (f) {
        case SUB:
            return FilterRow(raw, up, n, out, [](int a, int, int) { return a; });
        case UP:
            return FilterRow(raw, up, n, out, [](int, int b, int) { return b; });
        case AVERAGE:
            return FilterRow(raw, up, n, out, [](int a, int b, int) { return (a + b) >> 1; });
        case PAETH:
            return FilterRow(raw, up, n, out, Paeth);
        default:
            return FilterRow(raw, up, n, out, [](int, int, int) { return 0; });
    }
}

void ToBigEndian(const std::uint16_t* samples, int width, unsigned char* out) {
    for (int x = 0; x < width; ++x) {
        out[2 * x] = static_cast<unsigned char>(samples[x] >> 8);
        out[2 * x + 1] = static_cast<unsigned char>(samples[x] & 0xFF);
    }
}

// FillSampleRows over the snapshot's values of type T, wide or narrow: the same walk, and for
// values in 0..65535 the same samples.
template <typename T>
void FillFrom(const CanvasSnapshot& snapshot, const std::vector<T>& values, int y0, int y1,
              std::uint16_t* out, std::size_t stride, void (*on_filled)(int x, int y, int value)) {
    const int w = snapshot.width;
    const int h = snapshot.height;
    const auto column = [&](int x) { return &values[static_cast<std::size_t>(x) * h]; };
    for (int x = 0; x < w; ++x) {
        const T* c = column(x);
        const T* left = column(x > 0 ? x - 1 : w - 1);
        const T* right = column(x < w - 1 ? x + 1 : 0);
        std::uint16_t* sample = out + x;
        for (int y = y0; y < y1; ++y, sample += stride) {
            const std::int32_t v = c[y];
            if (v != 0) {
                *sample = static_cast<std::uint16_t>(v);
                continue;
            }
            const T above = c[y > 0 ? y - 1 : h - 1];
            const T below = c[y < h - 1 ? y + 1 : 0];
            const int blend = Blend(left[y], right[y], above, below, snapshot.keep);
            *sample = static_cast<std::uint16_t>(blend);
            if (on_filled && blend > 0) on_filled(x, y, blend);
        }
    }
}

}  // namespace

void FillSampleRows(const CanvasSnapshot& snapshot, int y0, int y1, std::uint16_t* out,
                    std::size_t stride, void (*on_filled)(int x, int y, int value)) {
    if (snapshot.narrow.empty())
        FillFrom(snapshot, snapshot.values, y0, y1, out, stride, on_filled);
    else
        FillFrom(snapshot, snapshot.narrow, y0, y1, out, stride, on_filled);
}

void AppendFilteredRow(const std::uint16_t* samples, const std::uint16_t* previous, int width,
                       std::vector<unsigned char>& out) {
    const std::size_t n = 2 * static_cast<std::size_t>(width);
    thread_local std::vector<unsigned char> raw, up, trial, best;
    raw.resize(n);
    up.assign(n, 0);
    trial.resize(n);
    best.resize(n);
    ToBigEndian(samples, width, raw.data());
    if (previous) ToBigEndian(previous, width, up.data());
    Filter chosen = NONE;
    std::size_t least = Filtered(NONE, raw.data(), up.data(), n, best.data());
    for (const Filter f : {SUB, UP, AVERAGE, PAETH}) {
        // The first filter with the least measure wins, as in libpng.
        const std::size_t sum = Filtered(f, raw.data(), up.data(), n, trial.data());
        if (sum < least) {
            least = sum;
            chosen = f;
            best.swap(trial);
        }
    }
    out.push_back(chosen);
    out.insert(out.end(), best.begin(), best.end());
}
