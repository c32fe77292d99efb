// SPDX-License-Identifier: MIT
// The canvas fingerprint: a name for the exact picture, the same in the window's journal replay,
// the renderer and the web page for the same seed, settings and frame.
#pragma once

#include <cstdint>
#include <string>

// FNV-1a 64 over the used canvas's values as the 16-bit PNG stores them (without the save's hole
// fill), in row order: the top row first, each row left to right, each value as two bytes, the
// low byte first.
std::uint64_t CanvasFingerprint();
// The fingerprint as text: "fnv1a64:" and sixteen lowercase hex digits.
std::string FingerprintText(std::uint64_t fingerprint);
