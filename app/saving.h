// SPDX-License-Identifier: MIT
// Saves that run on a worker thread while the window goes on growing. Each kind of save (the
// image, the settings) has its own BackgroundSaver: at most one save running and one waiting.
// A task carries everything its worker needs, taken on the main thread when the save was asked
// for; the worker touches no engine or panel state, and the shell finishes each save on the main
// thread at the end of a frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

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

    // Starts `task` when no save runs. Otherwise it waits for the running one, in place of any
    // task already waiting (the newer request wins: both would write the same file); returns
    // true then.
    bool Request(SaveTask task);
    bool Running() const { return running_.has_value(); }
    bool Waiting() const { return waiting_.has_value(); }
    // How much of the running save is written, 0..100.
    int Percent() const;
    // The save that has ended, if one has; the waiting task, if any, then starts.
    std::optional<FinishedSave> TakeFinished();
    // Blocks until the running save has ended (TakeFinished then has it).
    void Wait();

private:
    void Start(SaveTask task);

    std::thread worker_;
    std::optional<SaveTask> running_;
    std::optional<SaveTask> waiting_;
    // Written by the worker before `ended_` is set, read by the main thread after.
    SaveResult result_;
    std::unique_ptr<SaveProgress> progress_;
    std::atomic<bool> ended_{false};
};
