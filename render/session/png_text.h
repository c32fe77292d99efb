// SPDX-License-Identifier: MIT
// Reading the text chunks of a PNG file, to render a picture again from the file alone.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// The largest PNG read: a 4096 x 4096 canvas stored without any compression, with the longest
// journal text, is well within it.
constexpr std::uint64_t MAX_PNG_BYTES = std::uint64_t{256} << 20;
// Whether `path` is a regular file within MAX_PNG_BYTES; else false with the reason.
bool PngInputOk(const std::string& path, std::string& error);

// Collects the keyword -> text pairs of the text chunks (tEXt, and zTXt or iTXt inflated) before
// the image data, or of the metadata of an SVG or PDF this program wrote. False, with the reason,
// when the file cannot be read or is none of these.
bool ReadTextChunks(const std::string& path, std::map<std::string, std::string>& text,
                    std::string& error);
// Whether the file is a whole PNG: every chunk's CRC right, up to IEND, and nothing after it.
bool PngIsWhole(const std::string& path);
