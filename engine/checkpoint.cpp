// SPDX-License-Identifier: MIT
// The canvas's past: the view hooks that keep the order of drawn pixels, the marks taken after
// each frame, the budget, and Restore, which empties the pixels drawn after a mark.
#include "engine/checkpoint.h"

#include <algorithm>
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
    pixels_ = {};
    marks_ = {};
    first_pixel_ = 0;
    dropped_ = false;
    max_pixels_ = static_cast<std::size_t>(xs) * static_cast<std::size_t>(ys);
    // The whole budget at once: pages not yet written cost address space alone, and the list
    // never moves, where each doubling held the old copy and the new one at the same time.
    pixels_.reserve(max_pixels_ + 1);
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
    pixels_.push_back(static_cast<std::uint32_t>(x) << 12 | static_cast<std::uint32_t>(y));
    while (pixels_.size() > max_pixels_) DropOldest();
}

void CanvasPast::Cleared() {
    dropped_ = false;
    first_pixel_ = 0;
    pixels_.clear();
    marks_.clear();
}

void CanvasPast::FrameDone(std::uint64_t frame) {
    const FrameMark now{frame, first_pixel_ + pixels_.size(), CRM32Pro_Main::PeekRandState(),
                        this_sprout};
    if (!marks_.empty() && SameState(marks_.back(), now)) return;
    if (marks_.size() == marks_.capacity())
        marks_.reserve(std::min(MAX_MARKS + 1, std::max<std::size_t>(256, 2 * marks_.size())));
    marks_.push_back(now);
    if (marks_.size() > MAX_MARKS) DropOldest();
}

void CanvasPast::DropOldest() {
    dropped_ = true;
    const std::size_t gone = std::max<std::size_t>(1, marks_.size() / 4);
    if (gone >= marks_.size()) {
        first_pixel_ += pixels_.size();
        pixels_.clear();
        marks_.clear();
        return;
    }
    marks_.erase(marks_.begin(), marks_.begin() + static_cast<std::ptrdiff_t>(gone));
    const auto unneeded = static_cast<std::ptrdiff_t>(marks_.front().drawn - first_pixel_);
    pixels_.erase(pixels_.begin(), pixels_.begin() + unneeded);
    first_pixel_ = marks_.front().drawn;
}

std::optional<std::size_t> CanvasPast::Find(std::uint64_t frame) const {
    const auto at =
        std::lower_bound(marks_.begin(), marks_.end(), frame,
                         [](const FrameMark& m, std::uint64_t f) { return m.frame < f; });
    if (at == marks_.end() || at->frame != frame) return std::nullopt;
    return static_cast<std::size_t>(at - marks_.begin());
}

std::span<const std::uint32_t> CanvasPast::Drawn(std::uint64_t from, std::uint64_t to) const {
    return std::span(pixels_).subspan(from - first_pixel_, to - from);
}

void CanvasPast::Restore(std::size_t i, bool show) {
    const FrameMark mark = marks_[i];
    const std::size_t keep = mark.drawn - first_pixel_;
    const bool shown = show && next_view.show_pixel && recording == this;
    // The pixels lie all over a large canvas: their grid cells are asked for a few ahead.
    constexpr std::size_t AHEAD = 8;
    for (std::size_t k = pixels_.size(); k > keep; --k) {
        if (k > keep + AHEAD) {
            const std::uint32_t p = pixels_[k - 1 - AHEAD];
            __builtin_prefetch(&arr[PixelX(p)][PixelY(p)], 1);
            __builtin_prefetch(&angle_map[PixelX(p)][PixelY(p)], 1);
        }
        const int x = PixelX(pixels_[k - 1]), y = PixelY(pixels_[k - 1]);
        EmptyPixel(x, y);
        if (shown) next_view.show_pixel(x, y, 0);
    }
    pixels_.resize(keep);
    marks_.resize(i + 1);
    CRM32Pro_Main::SetRandState(mark.rng);
    this_sprout = mark.sprout;
}

std::size_t CanvasPast::Bytes() const {
    return pixels_.capacity() * sizeof pixels_[0] + marks_.capacity() * sizeof marks_[0];
}
