// SPDX-License-Identifier: MIT
// The headless frame loop and its outputs. The frames are the window program's own (CanvasFrame),
// so a render differs from a live session only in what it shows: nothing but a lit count.
#include "render/session/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <png++/png.hpp>
#include <thread>
#include <vector>

#include "config/safe_write.h"
#include "engine/canvas.h"
#include "engine/frame.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "export/scale.h"

namespace {

std::atomic<std::uint64_t> frames_rendered{0};
std::atomic<std::uint64_t> attempts_made{0};
// Pixels shown with a lit value since the last restart clear: a pixel is written once while it
// is empty, so this is the lit count without scanning the canvas.
std::atomic<std::int64_t> lit_pixels{0};

void CountShown(int, int, int v) {
    if (v > 0) lit_pixels.fetch_add(1, std::memory_order_relaxed);
}
void CountCleared() {
    lit_pixels.store(0, std::memory_order_relaxed);
}

using Clock = std::chrono::steady_clock;

std::string Duration(double seconds) {
    const long s = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

void StartSession(std::uint32_t seed) {
    // Each session counts its own frames: a history sheet replays several in one process.
    frames_rendered.store(0);
    attempts_made.store(0);
    CanvasView counter;
    counter.show_pixel = CountShown;
    counter.clear = CountCleared;
    StartSessionState(seed, counter);
}

std::uint64_t FramesRendered() {
    return frames_rendered.load();
}

double LitPercent() {
    return 100.0 * static_cast<double>(lit_pixels.load()) / (static_cast<double>(xs) * ys);
}

void RunFrame(long attempt_limit) {
    const bool grows = paused == 0 && tests_per_frame > 0;
    const FrameOutcome outcome = CanvasFrame(attempt_limit);
    if (grows)
        attempts_made.fetch_add(outcome.cut ? static_cast<std::uint64_t>(outcome.attempts)
                                            : static_cast<std::uint64_t>(tests_per_frame));
    frames_rendered.fetch_add(1);
    FrameDone();
}

struct Progress::State {
    State(const char* what_text, std::uint64_t total_frames, bool quiet_run)
        : what(what_text),
          total(total_frames),
          quiet(quiet_run),
          live(!quiet_run && isatty(STDERR_FILENO)) {}

    const char* what;
    std::uint64_t total;
    bool quiet, live;
    Clock::time_point start = Clock::now();
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;

    std::string Line() const {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const std::uint64_t frames = frames_rendered.load();
        const double rate = seconds > 0 ? static_cast<double>(attempts_made.load()) / seconds : 0;
        char text[160];
        int n = std::snprintf(text, sizeof text, "%s: frame %llu", what,
                              static_cast<unsigned long long>(frames));
        if (total)
            n += std::snprintf(text + n, sizeof text - n, "/%llu",
                               static_cast<unsigned long long>(total));
        n += std::snprintf(text + n, sizeof text - n, ", %.1f%% lit, %.2fM attempts/s",
                           LitPercent(), rate / 1e6);
        if (total && frames > 0 && frames < total)
            std::snprintf(text + n, sizeof text - n, ", %s left",
                          Duration(seconds / frames * (total - frames)).c_str());
        else
            std::snprintf(text + n, sizeof text - n, ", %s", Duration(seconds).c_str());
        return text;
    }
    // A separate thread, so that the line moves on even while one heavy frame takes seconds.
    void Run() {
        std::unique_lock lock(mutex);
        while (!wake.wait_for(lock, std::chrono::milliseconds(250), [&] { return done; }))
            std::fprintf(stderr, "\r%s\033[K", Line().c_str());
    }
    void Stop() {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }
};

Progress::Progress(const char* what, std::uint64_t total, bool quiet)
    : state_(new State(what, total, quiet)) {
    if (state_->live) state_->thread = std::thread([s = state_] { s->Run(); });
}

Progress::~Progress() {
    state_->Stop();
    delete state_;
}

void Progress::Finish(const std::string& output) {
    state_->Stop();
    if (state_->quiet) return;
    std::fprintf(stderr, "%s%s -> %s\n", state_->live ? "\r\033[K" : "", state_->Line().c_str(),
                 output.c_str());
}

bool OutputWritable(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    const char* problem = nullptr;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        problem = "no such folder";
    else if (access(folder.c_str(), W_OK) != 0)
        problem = std::strerror(errno);
    else if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        problem = "it is a folder";
    if (!problem) return true;
    std::fprintf(stderr, "morvane-render: cannot write %s: %s\n", path.c_str(), problem);
    return false;
}

namespace {

// The image the 16-bit save would hold, scaled down to `width` pixels wide: empty pixels are
// filled from their neighbours as the save fills them, so a thumbnail equals a sheet's tile.
SaveResult WriteThumbnail(const std::string& path, int width) {
    const int height = ScaledHeight(xs, ys, width);
    png::image<png::gray_pixel> image(static_cast<png::uint_32>(width),
                                      static_cast<png::uint_32>(height));
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
    const auto sample = [](int x, int y) {
        const int v = arr[x][y];
        return static_cast<std::uint16_t>(v != 0 ? v : GetBlendedPixel(x, y)) >> 8;
    };
    ScaleBrightest(sample, xs, ys, grey.data(), width, height, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image[y][x] = grey[static_cast<std::size_t>(y) * width + x];
    SaveResult result;
    result.saved = WriteFileSafely(
        path, [&](std::ostream& out) { image.write_stream(out); }, result.reason);
    return result;
}

}  // namespace

bool WriteOutput(const std::string& path, int thumb, std::span<const TextChunk> text) {
    return ReportSave(thumb > 0 ? WriteThumbnail(path, thumb) : SaveImage(path, text), path);
}

bool ReportSave(const SaveResult& result, const std::string& path) {
    if (!result.saved) {
        std::fprintf(stderr, "morvane-render: cannot write %s: %s\n", path.c_str(),
                     result.reason.c_str());
        return false;
    }
    if (!result.reason.empty())
        std::fprintf(stderr, "morvane-render: %s: %s\n", path.c_str(), result.reason.c_str());
    return true;
}
