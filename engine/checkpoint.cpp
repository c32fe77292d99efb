// SPDX-License-Identifier: MIT
// The canvas's past: the view hooks that keep the order of drawn pixels, coded a byte for most,
// the marks taken after each frame, the budget, and Restore, which empties the pixels drawn after
// a mark.
#include "engine/checkpoint.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/settings.h"

namespace {

// The past being kept and the view it passes every pixel and clear on to.
CanvasPast* recording = nullptr;
CanvasView next_view;

void KeepAndShow(int x, int y, int v) {
    recording->PixelDrawn(x, y);
    if (next_view.show_pixel) next_view.show_pixel(x, y, v);
}

void ForgetAndClear() {
    recording->Cleared();
    if (next_view.clear) next_view.clear();
}

// The grid cell of an empty pixel: nothing was drawn there before the mark.
void EmptyPixel(int x, int y) {
    arr[x][y] = 0;
    angle_map[x][y] = 0.0f;
    const std::uint32_t i = LitIndex(x, y);
    lit_bits[i >> 6] &= ~(std::uint64_t{1} << (i & 63));
}

// A pixel within NEAR of the one drawn before it in both directions is kept as one byte, its
// offset's code (below SPAN * SPAN); any other as FAR and its place in three bytes, x << 12 | y.
constexpr int NEAR = 7;
constexpr int SPAN = 2 * NEAR + 1;
constexpr std::uint8_t FAR = 255;
constexpr std::size_t FAR_BYTES = 4;
static_assert(SPAN * SPAN <= FAR);
// Pixels read back at a time.
constexpr std::size_t DECODE_BATCH = 1024;

bool SameState(const FrameMark& a, const FrameMark& b) {
    return a.drawn == b.drawn && a.sprout == b.sprout &&
           std::memcmp(a.rng.s, b.rng.s, sizeof a.rng.s) == 0;
}

}  // namespace

CanvasPast::~CanvasPast() {
    StopRecording();
}

void CanvasPast::Record() {
    StopRecording();
    // The memory of an earlier canvas, perhaps larger, goes.
    bytes_ = {};
    marks_ = {};
    Cleared();
    max_pixels_ = static_cast<std::size_t>(xs) * static_cast<std::size_t>(ys);
    // The most the budget can take at once: pages not yet written cost address space alone, and
    // the list never moves, where each doubling held the old copy and the new one at the same
    // time.
    bytes_.reserve(FAR_BYTES * (max_pixels_ + 1));
    recording = this;
    next_view = canvas_view;
    canvas_view.show_pixel = KeepAndShow;
    canvas_view.clear = ForgetAndClear;
}

void CanvasPast::StopRecording() {
    if (recording != this) return;
    canvas_view = next_view;
    recording = nullptr;
}

void CanvasPast::PixelDrawn(int x, int y) {
    const int dx = x - last_x_, dy = y - last_y_;
    if (!far_next_ && std::abs(dx) <= NEAR && std::abs(dy) <= NEAR) {
        bytes_.push_back(static_cast<std::uint8_t>((dx + NEAR) * SPAN + dy + NEAR));
    } else {
        const std::uint32_t p = Pixel(x, y);
        const std::uint8_t far[FAR_BYTES] = {FAR, static_cast<std::uint8_t>(p >> 16),
                                             static_cast<std::uint8_t>(p >> 8),
                                             static_cast<std::uint8_t>(p)};
        bytes_.insert(bytes_.end(), far, far + FAR_BYTES);
    }
    last_x_ = x;
    last_y_ = y;
    far_next_ = false;
    ++drawn_;
    while (drawn_ - first_pixel_ > max_pixels_) DropOldest();
}

void CanvasPast::Cleared() {
    dropped_ = false;
    first_byte_ = first_pixel_ = drawn_ = 0;
    far_next_ = true;
    bytes_.clear();
    marks_.clear();
}

void CanvasPast::FrameDone(std::uint64_t frame) {
    const FrameMark now{frame, drawn_, CRM32Pro_Main::PeekRandState(), this_sprout};
    if (!marks_.empty() && SameState(marks_.back().mark, now)) return;
    if (marks_.size() == marks_.capacity())
        marks_.reserve(std::min(MAX_MARKS + 1, std::max<std::size_t>(256, 2 * marks_.size())));
    marks_.push_back({now, first_byte_ + bytes_.size()});
    // Each mark's pixels can so be read from it on, without those before.
    far_next_ = true;
    if (marks_.size() > MAX_MARKS) DropOldest();
}

void CanvasPast::DropOldest() {
    dropped_ = true;
    const std::size_t gone = std::max<std::size_t>(1, marks_.size() / 4);
    if (gone >= marks_.size()) {
        first_byte_ += bytes_.size();
        first_pixel_ = drawn_;
        far_next_ = true;
        bytes_.clear();
        marks_.clear();
        return;
    }
    marks_.erase(marks_.begin(), marks_.begin() + static_cast<std::ptrdiff_t>(gone));
    const auto unneeded = static_cast<std::ptrdiff_t>(marks_.front().at - first_byte_);
    bytes_.erase(bytes_.begin(), bytes_.begin() + unneeded);
    first_byte_ = marks_.front().at;
    first_pixel_ = marks_.front().mark.drawn;
}

std::optional<std::size_t> CanvasPast::Find(std::uint64_t frame) const {
    const auto at =
        std::lower_bound(marks_.begin(), marks_.end(), frame,
                         [](const KeptMark& m, std::uint64_t f) { return m.mark.frame < f; });
    if (at == marks_.end() || at->mark.frame != frame) return std::nullopt;
    return static_cast<std::size_t>(at - marks_.begin());
}

// Reads bytes_[at..end), which start at a mark, into pixel indices, a batch at a time.
template <typename Take>
void CanvasPast::Decode(std::size_t at, std::size_t end, Take take) const {
    std::uint32_t batch[DECODE_BATCH];
    std::size_t n = 0;
    int x = 0, y = 0;
    while (at < end) {
        const std::uint8_t b = bytes_[at++];
        if (b == FAR) {
            const std::uint32_t p = static_cast<std::uint32_t>(bytes_[at]) << 16 |
                                    static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
                                    bytes_[at + 2];
            at += FAR_BYTES - 1;
            x = PixelX(p);
            y = PixelY(p);
        } else {
            x += b / SPAN - NEAR;
            y += b % SPAN - NEAR;
        }
        batch[n++] = Pixel(x, y);
        if (n == DECODE_BATCH) {
            take(std::span<const std::uint32_t>(batch, n));
            n = 0;
        }
    }
    if (n > 0) take(std::span<const std::uint32_t>(batch, n));
}

void CanvasPast::Drawn(std::size_t from, std::size_t to,
                       const std::function<void(std::span<const std::uint32_t>)>& take) const {
    Decode(marks_[from].at - first_byte_, marks_[to].at - first_byte_, take);
}

void CanvasPast::Restore(std::size_t i, bool show) {
    const KeptMark kept = marks_[i];
    const bool shown = show && next_view.show_pixel && recording == this;
    const std::size_t keep = kept.at - first_byte_;
    Decode(keep, bytes_.size(), [shown](std::span<const std::uint32_t> pixels) {
        // The pixels lie all over a large canvas: their grid cells are asked for a few ahead.
        constexpr std::size_t AHEAD = 8;
        for (std::size_t k = 0; k < pixels.size(); ++k) {
            if (k + AHEAD < pixels.size()) {
                const std::uint32_t p = pixels[k + AHEAD];
                __builtin_prefetch(&arr[PixelX(p)][PixelY(p)], 1);
                __builtin_prefetch(&angle_map[PixelX(p)][PixelY(p)], 1);
            }
            const int x = PixelX(pixels[k]), y = PixelY(pixels[k]);
            EmptyPixel(x, y);
            if (shown) next_view.show_pixel(x, y, 0);
        }
    });
    bytes_.resize(keep);
    marks_.resize(i + 1);
    drawn_ = kept.mark.drawn;
    far_next_ = true;
    CRM32Pro_Main::SetRandState(kept.mark.rng);
    this_sprout = kept.mark.sprout;
}

std::size_t CanvasPast::Bytes() const {
    return bytes_.size() + marks_.capacity() * sizeof marks_[0];
}
