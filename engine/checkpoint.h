// SPDX-License-Identifier: MIT
// The canvas's past since the last restart, kept so that the engine can go back to the state any
// recent frame left: since a pass writes only empty pixels, that state is the canvas now without
// the pixels drawn after that frame, plus the generator and the attempt count as they stood. So
// the past is the order in which pixels were drawn and a mark per frame that changed the state
// (the generator, the attempt count, how many pixels had been drawn). A strand draws pixels next
// to each other, so most pixels are kept as their offset from the one before, in a byte; the
// first after each mark, and any further away, as its place, in four. Both programs keep the
// same past from the same frames, so a step back the window journals is one the renderer can
// make.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "engine/random.h"

// The state a frame left, apart from the pixels drawn before it.
struct FrameMark {
    std::uint64_t frame = 0;  // frames rendered when it was taken
    std::uint64_t drawn = 0;  // pixels drawn since the restart by then
    CRM32Pro_Main::RandState rng{};
    int sprout = 0;  // this_sprout
};

// The past of the canvas, within a budget: at most one drawn pixel per canvas pixel and
// MAX_MARKS marks. Beyond either, the oldest quarter of the marks go (with the pixels drawn
// before the new oldest), so going back then stops short of the restart.
class CanvasPast {
public:
    static constexpr std::size_t MAX_MARKS = std::size_t{1} << 16;

    CanvasPast() = default;
    CanvasPast(const CanvasPast&) = delete;
    CanvasPast& operator=(const CanvasPast&) = delete;
    ~CanvasPast();

    // Starts keeping the past of the canvas as it is drawn from now on, through the engine's
    // view (whatever view is set now still sees every pixel and clear). One past at a time.
    void Record();
    // Stops; the view is put back as it was.
    void StopRecording();

    // After each frame, with the frames rendered: marks the state when the frame changed it.
    void FrameDone(std::uint64_t frame);
    std::size_t Marks() const { return marks_.size(); }
    const FrameMark& Mark(std::size_t i) const { return marks_[i].mark; }
    // The mark of the state after exactly `frame` frames, if it is kept.
    std::optional<std::size_t> Find(std::uint64_t frame) const;
    // Hands the pixels drawn between marks `from` and `to` (from <= to) to `take` a batch at a
    // time, as indices for PixelX and PixelY.
    void Drawn(std::size_t from, std::size_t to,
               const std::function<void(std::span<const std::uint32_t>)>& take) const;
    static std::uint32_t Pixel(int x, int y) {
        return static_cast<std::uint32_t>(x) << 12 | static_cast<std::uint32_t>(y);
    }
    static int PixelX(std::uint32_t p) { return static_cast<int>(p >> 12); }
    static int PixelY(std::uint32_t p) { return static_cast<int>(p & 4095); }
    // Makes the engine's state that of mark i: the pixels drawn after it are emptied again (and
    // shown empty on the view, unless `show` is false because it shows them so already), the
    // generator and the attempt count set back; the later marks go.
    void Restore(std::size_t i, bool show = true);
    // Whether the oldest mark is the first frame after the restart (none went for the budget).
    bool ReachesRestart() const { return !dropped_; }
    // The memory the past holds now.
    std::size_t Bytes() const;

    // For the view hooks: a pixel drawn, the canvas cleared.
    void PixelDrawn(int x, int y);
    void Cleared();

private:
    // A mark and where its pixels start among the bytes kept since the restart.
    struct KeptMark {
        FrameMark mark;
        std::uint64_t at = 0;
    };
    void DropOldest();
    template <typename Take>
    void Decode(std::size_t at, std::size_t end, Take take) const;

    std::vector<std::uint8_t> bytes_;  // the drawn pixels, coded
    std::uint64_t first_byte_ = 0;     // bytes written since the restart before bytes_[0]
    std::uint64_t first_pixel_ = 0;    // the drawn count of the first pixel in bytes_
    std::uint64_t drawn_ = 0;          // pixels drawn since the restart
    int last_x_ = 0, last_y_ = 0;      // the pixel drawn last
    bool far_next_ = true;             // the next pixel is kept by its place
    std::vector<KeptMark> marks_;
    std::size_t max_pixels_ = 0;
    bool dropped_ = false;
};
