// SPDX-License-Identifier: MIT
// BackgroundSaver: one std::thread per save, joined on the main thread once it says it has
// ended. The worker runs at a lower priority than the window (and so do the compression threads
// it starts, which inherit it), so that a save on every core leaves the frames their time.
// SnapshotBuffers makes a snapshot's memory on such a thread too.
#include "app/saving.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

namespace {

// The nice value of a saving thread: below the window's frames, above nothing else.
constexpr int SAVE_NICE = 10;

// The task's write; an exception it lets out is a failed save with its message.
SaveResult RunWrite(const std::function<SaveResult(SaveProgress&)>& write, SaveProgress& progress) {
    try {
        return write(progress);
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
}

void LowerPriority() {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), SAVE_NICE);
}

}  // namespace

BackgroundSaver::~BackgroundSaver() {
    if (worker_.joinable()) worker_.join();
}

int BackgroundSaver::Percent() const {
    if (!progress_) return 0;
    const int total = progress_->total.load();
    return total > 0 ? 100 * progress_->done.load() / total : 0;
}

std::optional<FinishedSave> BackgroundSaver::TakeFinished() {
    if (!Running() || !ended_.load(std::memory_order_acquire)) return std::nullopt;
    if (worker_.joinable()) worker_.join();
    FinishedSave finished{std::move(*running_), std::move(result_)};
    running_.reset();
    return finished;
}

void BackgroundSaver::Wait() {
    if (worker_.joinable()) worker_.join();
}

void BackgroundSaver::Start(SaveTask task) {
    running_ = std::move(task);
    progress_ = std::make_unique<SaveProgress>();
    ended_ = false;
    result_ = SaveResult{};
    SaveProgress* progress = progress_.get();
    const auto& write = running_->write;
    try {
        worker_ = std::thread([this, progress, &write] {
            LowerPriority();
            result_ = RunWrite(write, *progress);
            ended_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        // No thread could be started: the save is made here, on the main thread.
        result_ = RunWrite(write, *progress);
        ended_ = true;
    }
}

void SnapshotBuffers::Prepare(const SnapshotNeeds& needs) {
    if ((made_.width == needs.width && made_.height == needs.height) || making_.valid()) return;
    made_ = {};
    try {
        making_ = std::async(std::launch::async, [needs] {
            LowerPriority();
            return SnapshotMemory(needs.width, needs.height, needs.values);
        });
    } catch (const std::system_error&) {
        // No thread: the snapshot then allocates its own memory.
    }
}

bool SnapshotBuffers::Ready() const {
    return !making_.valid() ||
           making_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

CanvasSnapshot SnapshotBuffers::Take() {
    if (making_.valid()) {
        try {
            made_ = making_.get();
        } catch (const std::bad_alloc&) {
            made_ = {};
        }
    }
    return std::exchange(made_, {});
}
