// SPDX-License-Identifier: MIT
// Reading the provenance back from the SVG and PDF pages this program writes: the same keyword ->
// text pairs that its PNGs carry in their text chunks.
#pragma once

#include <map>
#include <string>

// The <morvane:chunk> elements of an SVG's metadata. A foreign SVG gives no pairs.
bool ReadSvgText(const std::string& path, std::map<std::string, std::string>& text,
                 std::string& error);
// The entries of a PDF's document information, found through its cross-reference table; Creator
// gives "Software". False, with the reason, when the file has no table or dictionary to read.
bool ReadPdfText(const std::string& path, std::map<std::string, std::string>& text,
                 std::string& error);
