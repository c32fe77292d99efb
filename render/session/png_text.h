// SPDX-License-Identifier: MIT
// Reading the text chunks of a PNG file, to render a picture again from the file alone.
#pragma once

#include <map>
#include <string>

// Collects the keyword -> text pairs of the text chunks (tEXt, and zTXt or iTXt inflated) before
// the image data. False, with the reason, when the file cannot be read or is not a PNG.
bool ReadTextChunks(const std::string& path, std::map<std::string, std::string>& text,
                    std::string& error);
// Whether the file is a whole PNG: every chunk's CRC right, up to IEND, and nothing after it.
bool PngIsWhole(const std::string& path);
