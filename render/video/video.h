// SPDX-License-Identifier: MIT
// Time-lapse: every N-th frame as the window shows it (grey v / 256, the canvas without the
// panel), encoded to H.264 in MP4 by ffmpeg through a pipe, or written as numbered PNGs.
#pragma once

#include <string>

#include "render/cli/options.h"

// Starts taking frames: checks ffmpeg (or the frames folder) and starts the encoder. False with
// the reason when that cannot be done; nothing is written then.
bool StartVideo(const RenderOptions& o, std::string& error);
// Frames taken so far.
unsigned long long VideoFramesTaken();
// Ends the video: closes the encoder and puts the finished file in place, or removes what was
// begun when anything failed. False with the reason.
bool FinishVideo(std::string& error);
