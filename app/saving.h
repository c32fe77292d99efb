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

// Canvas-sized buffers for the image saves' snapshots. Copying a 4096 x 4096 canvas into fresh
// memory holds the frame about 50 ms, most of it the kernel handing out and zeroing 16384 pages;
// into memory used before, about 13 ms. So one spare buffer is kept, made on a low-priority
// thread ahead of the save that needs it, and a save's buffer comes back when the save has ended.
class SnapshotBuffers {
public:
    // Makes a spare of `size` values on a low-priority thread, unless there is one (or one is
    // being made) already. Main thread, once a frame.
    void Prepare(std::size_t size);
    // The spare if it has `size` values (waiting for it if it is still being made), else an empty
    // buffer. The contents are unspecified.
    std::vector<std::int32_t> Take(std::size_t size);
    // A buffer whose save has ended: it becomes the spare unless there is one.
    void Give(std::vector<std::int32_t> buffer);

private:
    std::vector<std::int32_t> spare_;
    std::future<std::vector<std::int32_t>> making_;
};
