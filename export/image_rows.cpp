// SPDX-License-Identifier: MIT
// The canvas snapshot, the sample fill and the row filter of the PNG writer. PackSnapshot keeps
// the pixels that are not 0; FillSampleRows walks a band of rows column by column, reading each
// column's rows back from the snapshot as it comes to it; AppendFilteredRow tries the five PNG
// filters on a row as libpng's default heuristic does, so that the files compress as libpng's own
// would.
#include "export/image_rows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "engine/canvas.h"
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

// Bit i set where v[i] is not 0, for i < n <= 64.
std::uint64_t NonZeroBits(const std::int32_t* v, int n) {
    std::uint64_t set = 0;
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i));
        const int zeros = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, zero)));
        set |= static_cast<std::uint64_t>(~zeros & 15) << i;
    }
#endif
    for (; i < n; ++i) set |= std::uint64_t{v[i] != 0} << i;
    return set;
}

// v[0..n) narrowed to 16 bits, those that are not 0 (bit i of `set`) one after the other from
// out on; returns how many. Each value is written where the next kept one would go, so out needs
// room for n values, not only for those kept.
std::size_t KeepSetScalar(const std::int32_t* v, int n, std::uint64_t /*set*/, std::uint16_t* out) {
    std::size_t k = 0;
    for (int i = 0; i < n; ++i) {
        out[k] = static_cast<std::uint16_t>(v[i]);
        k += v[i] != 0;
    }
    return k;
}

#ifdef __SSE2__
// For each 8-bit mask, the byte shuffle that moves the 16-bit lanes whose bits are set to the
// front, in order.
constexpr auto KEEP_SHUFFLES = [] {
    std::array<std::array<std::uint8_t, 16>, 256> table{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned at = 0;
        for (unsigned lane = 0; lane < 8; ++lane) {
            if ((mask >> lane & 1) == 0) continue;
            table[mask][at++] = static_cast<std::uint8_t>(2 * lane);
            table[mask][at++] = static_cast<std::uint8_t>(2 * lane + 1);
        }
        // The rest of the 16 bytes is written but not kept.
        while (at < 16) table[mask][at++] = 0x80;
    }
    return table;
}();

// KeepSetScalar eight values a step: their low halves gathered into one vector, then shuffled
// by the step's eight bits of `set`. A kept value follows the one before in a store of the whole
// vector, so nothing waits on a value being 0 or not.
__attribute__((target("ssse3,popcnt"))) std::size_t KeepSetShuffled(const std::int32_t* v, int n,
                                                                    std::uint64_t set,
                                                                    std::uint16_t* out) {
    const __m128i low_halves =
        _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    std::size_t k = 0;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i a =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i)), low_halves);
        const __m128i b = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i + 4)), low_halves);
        const auto mask = static_cast<unsigned>(set >> i & 255);
        const __m128i shuffle =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(KEEP_SHUFFLES[mask].data()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         _mm_shuffle_epi8(_mm_unpacklo_epi64(a, b), shuffle));
        k += static_cast<std::size_t>(std::popcount(mask));
    }
    return k + KeepSetScalar(v + i, n - i, 0, out + k);
}
#endif

// The best of the two the processor runs.
using KeepSet = std::size_t (*)(const std::int32_t*, int, std::uint64_t, std::uint16_t*);
KeepSet ChooseKeepSet() {
#ifdef __SSE2__
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt")) return KeepSetShuffled;
#endif
    return KeepSetScalar;
}

// Rows y0 - 1 .. y1 of column x into out[0..y1-y0+2), the rows beyond either edge wrapping: a
// fill of rows y0..y1-1 reads the row above and below each.
void ReadBand(const CanvasSnapshot& s, int x, int y0, int y1, std::int32_t* out) {
    const int n = y1 - y0;
    if (y0 > 0 && y1 < s.height) {
        s.ReadColumn(x, y0 - 1, y1 + 1, out);
        return;
    }
    const int above = y0 > 0 ? y0 - 1 : s.height - 1;
    const int below = y1 < s.height ? y1 : 0;
    s.ReadColumn(x, above, above + 1, out);
    s.ReadColumn(x, y0, y1, out + 1);
    s.ReadColumn(x, below, below + 1, out + n + 1);
}

}  // namespace

bool CanvasSnapshot::Whole() const {
    if (width < 1 || height < 1) return false;
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (!wide.empty()) return wide.size() == pixels;
    return set_bits.size() == static_cast<std::size_t>(width) * ColumnWords() &&
           column_first.size() == static_cast<std::size_t>(width) + 1 &&
           word_first.size() == set_bits.size() && column_first.back() <= set_values.size() &&
           set_values.size() >= pixels;
}

void CanvasSnapshot::ReadColumn(int x, int y0, int y1, std::int32_t* out) const {
    if (!wide.empty()) {
        const std::int32_t* column = &wide[static_cast<std::size_t>(x) * height];
        std::copy(column + y0, column + y1, out);
        return;
    }
    const std::size_t column = static_cast<std::size_t>(x) * ColumnWords();
    std::fill(out, out + (y1 - y0), 0);
    for (int word = y0 >> 6; word <= (y1 - 1) >> 6; ++word) {
        const std::uint64_t all = set_bits[column + word];
        const int base = word << 6;
        const int lo = std::max(y0 - base, 0);
        const int hi = std::min(y1 - base, 64);
        const std::uint64_t below_lo = (std::uint64_t{1} << lo) - 1;
        const std::uint64_t below_hi = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
        std::size_t at = column_first[x] + word_first[column + word];
        if (lo > 0) at += static_cast<std::size_t>(std::popcount(all & below_lo));
        for (std::uint64_t m = all & below_hi & ~below_lo; m != 0; m &= m - 1)
            out[base + std::countr_zero(m) - y0] = set_values[at++];
    }
}

static_assert(GRID_SIZE <= 65536, "a column's count of values before a word fits 16 bits");

CanvasSnapshot SnapshotMemory(int width, int height, std::size_t touch) {
    CanvasSnapshot s;
    s.width = width;
    s.height = height;
    s.set_bits.resize(static_cast<std::size_t>(width) * s.ColumnWords());
    s.column_first.resize(static_cast<std::size_t>(width) + 1);
    s.word_first.resize(s.set_bits.size());
    s.set_values = PageArray<std::uint16_t>(static_cast<std::size_t>(width) * height);
    s.set_values.Touch(touch);
    return s;
}

CanvasSnapshot PackSnapshot(int width, int height, double keep,
                            std::span<const std::int32_t* const> columns, CanvasSnapshot memory) {
    CanvasSnapshot s = std::move(memory);
    if (s.width != width || s.height != height || !s.Whole()) s = SnapshotMemory(width, height, 0);
    s.keep = keep;
    std::vector<std::int32_t>().swap(s.wide);
    const int words = s.ColumnWords();
    // A word's 64 values are first or-ed together, which the compiler does a vector at a time:
    // most words of a canvas in the making are empty, and those of a grown one full. Bits above the
    // low 16 of any value (a negative one has them all) send the copy to the wide values: narrowed,
    // such a value would read as another.
    static const KeepSet keep_set = ChooseKeepSet();
    std::uint16_t* values = s.set_values.data();
    std::size_t k = 0;
    std::uint32_t high = 0;
    for (int x = 0; x < width; ++x) {
        s.column_first[x] = static_cast<std::uint32_t>(k);
        const std::int32_t* column = columns[x];
        const std::size_t first_word = static_cast<std::size_t>(x) * words;
        for (int word = 0; word < words; ++word) {
            s.word_first[first_word + word] = static_cast<std::uint16_t>(k - s.column_first[x]);
            const int base = word << 6;
            const int n = std::min(64, height - base);
            const std::int32_t* v = column + base;
            std::uint32_t any = 0;
            for (int i = 0; i < n; ++i) any |= static_cast<std::uint32_t>(v[i]);
            std::uint64_t set = 0;
            if (any != 0) {
                high |= any;
                set = NonZeroBits(v, n);
                if (set == (n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1)) {
                    // All of them: a plain copy, which the compiler vectorizes too.
                    for (int i = 0; i < n; ++i) values[k + i] = static_cast<std::uint16_t>(v[i]);
                    k += static_cast<std::size_t>(n);
                } else {
                    k += keep_set(v, n, set, values + k);
                }
            }
            s.set_bits[first_word + word] = set;
        }
    }
    s.column_first[width] = static_cast<std::uint32_t>(k);
    if ((high >> 16) == 0) return s;
    CanvasSnapshot w;
    w.width = width;
    w.height = height;
    w.keep = keep;
    w.wide.resize(static_cast<std::size_t>(width) * height);
    for (int x = 0; x < width; ++x)
        std::copy(columns[x], columns[x] + height, &w.wide[static_cast<std::size_t>(x) * height]);
    return w;
}

void FillSampleRows(const CanvasSnapshot& snapshot, int y0, int y1, std::uint16_t* out,
                    std::size_t stride, void (*on_filled)(int x, int y, int value)) {
    const int w = snapshot.width;
    const int n = y1 - y0;
    if (n <= 0) return;
    // The rows of three columns at a time, the one filled and its two neighbours, each with the
    // row above and below: as the walk moves right, the left one is reused for the next column.
    const auto band = static_cast<std::size_t>(n) + 2;
    thread_local std::vector<std::int32_t> bands;
    bands.resize(3 * band);
    std::int32_t* left = bands.data();
    std::int32_t* c = left + band;
    std::int32_t* right = c + band;
    ReadBand(snapshot, w - 1, y0, y1, left);
    ReadBand(snapshot, 0, y0, y1, c);
    ReadBand(snapshot, w > 1 ? 1 : 0, y0, y1, right);
    for (int x = 0; x < w; ++x) {
        if (x > 0) {
            std::swap(left, c);
            std::swap(c, right);
            ReadBand(snapshot, x < w - 1 ? x + 1 : 0, y0, y1, right);
        }
        std::uint16_t* sample = out + x;
        for (int i = 1; i <= n; ++i, sample += stride) {
            const std::int32_t v = c[i];
            if (v != 0) {
                *sample = static_cast<std::uint16_t>(v);
                continue;
            }
            const int blend = Blend(left[i], right[i], c[i - 1], c[i + 1], snapshot.keep);
            *sample = static_cast<std::uint16_t>(blend);
            if (on_filled && blend > 0) on_filled(x, y0 + i - 1, blend);
        }
    }
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
