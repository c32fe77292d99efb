// SPDX-License-Identifier: MIT
// The frame timer: paces frames at 60 per second against absolute deadlines (so no drift), counts
// the real frame rate over whole seconds, and keeps the run statistics logged at shutdown.
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/internal.h"
#include "platform/platform.h"

namespace platform {

constexpr std::uint64_t FRAMES_PER_SECOND = 60;
constexpr std::uint64_t MICROS_PER_SECOND = 1000000;

std::uint64_t frame_count = 0;

namespace {

// Pacing: frame n of the current schedule is due at epoch + n / 60 s.
std::uint64_t epoch_us = 0;
std::uint64_t scheduled = 0;
bool pacing_started = false;

// Statistics since ITimeSystem::Init.
std::uint64_t stats_start_us = 0;
std::uint64_t frames_rendered = 0;
std::uint64_t second_start_us = 0;
int frames_this_second = 0;
int last_rate = -1;  // frames in the last whole second; -1 before the first one ends
std::uint64_t present_total_us = 0;
std::uint64_t presents = 0;
std::uint64_t present_rects = 0;
// The longest time between the starts of two frames, after the first whole second (the window's
// first frames wait on the X server mapping it).
std::uint64_t last_frame_us = 0;
std::uint64_t longest_gap_us = 0;

void StartSchedule(std::uint64_t now) {
    epoch_us = now;
    scheduled = 0;
    pacing_started = true;
}

// Counts a frame into the per-second rate.
void CountFrame(std::uint64_t now) {
    if (now - stats_start_us > MICROS_PER_SECOND && last_frame_us)
        longest_gap_us = std::max(longest_gap_us, now - last_frame_us);
    last_frame_us = now;
    ++frames_rendered;
    ++frames_this_second;
    const std::uint64_t elapsed = now - second_start_us;
    if (elapsed >= MICROS_PER_SECOND) {
        // Scaled to exactly one second: the window closes on the first frame past it.
        last_rate =
            static_cast<int>((frames_this_second * MICROS_PER_SECOND + elapsed / 2) / elapsed);
        frames_this_second = 0;
        second_start_us = now;
    }
}

}  // namespace

std::uint64_t NowMicros() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void WaitForFrame() {
    constexpr std::uint64_t period = MICROS_PER_SECOND / FRAMES_PER_SECOND;
    std::uint64_t now = NowMicros();
    if (!pacing_started) StartSchedule(now);
    ++scheduled;
    const std::uint64_t due = epoch_us + scheduled * MICROS_PER_SECOND / FRAMES_PER_SECOND;
    if (now < due) {
        // To the microsecond: whole milliseconds would start most frames early.
        std::this_thread::sleep_for(std::chrono::microseconds(due - now));
        now = NowMicros();
    } else if (now - due > period) {
        // More than a frame late (a slow frame or a save): start a new schedule rather than
        // rendering a burst of frames to catch up.
        StartSchedule(now);
    }
    ++frame_count;
    CountFrame(now);
}

void RecordPresent(std::uint64_t micros, int rects) {
    present_total_us += micros;
    ++presents;
    present_rects += static_cast<std::uint64_t>(rects);
}

}  // namespace platform

namespace CRM32Pro_ITimeSystem {

void Init() {
    using namespace platform;
    const std::uint64_t now = NowMicros();
    StartSchedule(now);
    stats_start_us = second_start_us = now;
    frames_rendered = 0;
    frames_this_second = 0;
    last_rate = -1;
    present_total_us = presents = present_rects = 0;
    last_frame_us = longest_gap_us = 0;
}

int GetCurrentRFR() {
    // Until a whole second has been measured the target rate stands in: it is what the pacing
    // aims at, and a guess from a few frames would swing wildly.
    return platform::last_rate < 0 ? static_cast<int>(platform::FRAMES_PER_SECOND)
                                   : platform::last_rate;
}

void Info() {
    using namespace platform;
    const double seconds = static_cast<double>(NowMicros() - stats_start_us) / 1e6;
    const double average = seconds > 0 ? static_cast<double>(frames_rendered) / seconds : 0.0;
    const SDL_Surface* screen = CRM32Pro_Main::screen;
    CRM32Pro_ILogSystem::Msg(
        "timer: run time %.2f s, %llu frames rendered, real frame rate: average %.1f fps, "
        "last %d fps",
        seconds, static_cast<unsigned long long>(frames_rendered), average, GetCurrentRFR());
    CRM32Pro_ILogSystem::Msg("timer: video mode %dx%dx%d", screen ? screen->w : 0,
                             screen ? screen->h : 0, screen ? screen->format->BitsPerPixel : 0);
    CRM32Pro_ILogSystem::Msg(
        "timer: %llu presents, average present cost %.3f ms and %.1f rects each",
        static_cast<unsigned long long>(presents),
        presents ? static_cast<double>(present_total_us) / 1000.0 / presents : 0.0,
        presents ? static_cast<double>(present_rects) / presents : 0.0);
    CRM32Pro_ILogSystem::Msg("timer: longest frame gap %.1f ms after the first second",
                             static_cast<double>(longest_gap_us) / 1000.0);
}

}  // namespace CRM32Pro_ITimeSystem

namespace CRM32Pro_ICursor {

void Info() {
    int x = 0, y = 0;
    const Uint32 buttons = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetMouseState(&x, &y) : 0;
    CRM32Pro_ILogSystem::Msg("cursor: system cursor, at (%d, %d), buttons 0x%x", x, y, buttons);
}

}  // namespace CRM32Pro_ICursor
