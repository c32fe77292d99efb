// SPDX-License-Identifier: MIT
// Running frames headless: the engine's state as the window program starts it, a view that counts
// the lit pixels, the frame loop with its progress on standard error, and the output files.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "export/export.h"

// The engine as the window program holds it just before its first frame: the canvas to be
// cleared, the flags off, the generator seeded with `seed`; the settings are left as they are.
void StartSession(std::uint32_t seed);

// Frames rendered and attempts made in this process, and the canvas share that is lit.
std::uint64_t FramesRendered();
double LitPercent();

// Progress on standard error while frames run: a line rewritten about four times a second when
// standard error is a terminal, one summary line otherwise, nothing when quiet.
class Progress {
public:
    // `total` frames when known (0 for an open end); `what` names the work ("render", "replay").
    Progress(const char* what, std::uint64_t total, bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // Ends the live line and prints the summary.
    void Finish(const std::string& output);

private:
    struct State;
    State* state_;
};

// The grey the window shows for canvas value v.
inline std::uint8_t DisplayGrey(int v) {
    return static_cast<std::uint8_t>((v / 256) & 255);
}

// Runs one frame of canvas work and counts it; `attempt_limit` as CanvasFrame takes it.
void RunFrame(long attempt_limit = -1);

// Writes the canvas to `path`: the 16-bit PNG with `text` chunks, or with `thumb` > 0 an 8-bit
// thumbnail that wide. On failure prints one line on standard error and returns false.
bool WriteOutput(const std::string& path, int thumb, std::span<const TextChunk> text);
// Says on standard error why a save of `path` failed (false), or its warning; true when saved.
bool ReportSave(const SaveResult& result, const std::string& path);
// Checks before any work that `path` can be written: its folder exists and is writable, and the
// path names no folder. False with one line on standard error otherwise.
bool OutputWritable(const std::string& path);
