// SPDX-License-Identifier: MIT
// The window program's side of the session journal (engine/journal.h has the line format): the
// seed and settings at start, then every change that reaches the canvas or an image save, each
// stamped with the number of frames rendered before it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "engine/frame.h"

// Opens the session's history file (app/history.h), which settles the seed: the clock's second
// `now`, or the next one free when another window took it in the same second. Writes the start
// line and every setting as loaded, and returns the seed. Call once, after the settings load.
std::uint32_t JournalStart(std::time_t now);
// Writes a line for each setting, flag and restart request that changed since the last call.
// Called just before each frame's canvas work and each image save, the two places where the
// state is used, so the lines stand in the order the state was used in.
void JournalSync();
// Counts a rendered frame. A frame that a quit request cut short is written down with its
// attempts.
void JournalFrameDone(const FrameOutcome& outcome);
// An image save to `path` of the canvas after `frame` frames, and whether it wrote the file. A
// save made on a worker is written down when it ends, stamped with the frame of its snapshot.
void JournalSave(const std::string& path, bool saved, std::uint64_t frame);
// Frames rendered so far: the frame stamp the next event gets.
std::uint64_t JournalFrames();
// The program is quitting.
void JournalEnd();
