// SPDX-License-Identifier: MIT
// Saves that run on a worker thread while the window goes on growing. Each kind of save (the
// image, the settings) has its own BackgroundSaver, running at most one save at a time.
// A task carries everything its worker needs, taken on the main thread when the save was asked
// for; the worker touches no engine or panel state, and the shell finishes each save on the main
// thread at the end of a frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/save_result.h"
#include "export/export.h"

struct SaveTask {
    std::string path;
    std::uint64_t frame = 0;  // frames rendered when the save was asked for
    // Writes the file; runs on the worker.
    std::function<SaveResult(SaveProgress& progress)> write;
    // Runs on the main thread once the file is written (or not), before the result is shown.
    std::function<void(const SaveResult& result)> done;
};

struct FinishedSave {
    SaveTask task;
    SaveResult result;
};

class BackgroundSaver {
public:
    BackgroundSaver() = default;
    BackgroundSaver(const BackgroundSaver&) = delete;
    BackgroundSaver& operator=(const BackgroundSaver&) = delete;
    ~BackgroundSaver();

    // Starts `task`; no save may be running (the shell makes a save asked for meanwhile wait).
    void Start(SaveTask task);
    bool Running() const { return running_.has_value(); }
    // How much of the running save is written, 0..100.
    int Percent() const;
    // The save that has ended, if one has.
    std::optional<FinishedSave> TakeFinished();
    // Blocks until the running save has ended (TakeFinished then has it).
    void Wait();

private:
    std::thread worker_;
    std::optional<SaveTask> running_;
    // Written by the worker before `ended_` is set, read by the main thread after.
    SaveResult result_;
    std::unique_ptr<SaveProgress> progress_;
    std::atomic<bool> ended_{false};
};

// The memory of an image save's snapshot, made when a save asks for it. Copying a canvas into
// fresh memory holds the frame several times as long as copying into memory touched before (the
// kernel hands out and zeroes each page at its first touch), so the memory is made on a
// low-priority thread and the save takes its snapshot at the first frame after it is ready. None
// is kept between saves: between them the window holds no more than its grids and its surface.
class SnapshotBuffers {
public:
    // Starts making memory for `needs` on a low-priority thread, unless memory for its size is
    // made or being made already. Main thread.
    void Prepare(const SnapshotNeeds& needs);
    // Whether Take would return without waiting.
    bool Ready() const;
    // The memory made (waiting for it if it is still being made); empty when none could be.
    CanvasSnapshot Take();

private:
    CanvasSnapshot made_;
    std::future<CanvasSnapshot> making_;
};
