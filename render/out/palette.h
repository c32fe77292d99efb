// SPDX-License-Identifier: MIT
// Colour maps: a canvas value 0..65535 to a colour, by linear interpolation between stops. The
// built-in grey (and its negative for white paper) keep the values as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb16 {
    std::uint16_t r, g, b;
};

struct ColourStop {
    int value;  // 0..65535, ascending
    Rgb16 colour;
};

struct ColourMap {
    std::vector<ColourStop> stops;
    // Every stop grey: the map writes one channel.
    bool IsGrey() const;
    Rgb16 At(int value) const;
};

// The grey of the window: 0 black, 65535 white; `negative` turns it round for white paper.
ColourMap GreyMap(bool negative);
// A built-in map (ink, ember, ice, sepia) or a file of "VALUE #rrggbb" lines (blank lines and
// lines starting with '#' are skipped). False with one line in `error` otherwise.
bool LoadColourMap(const std::string& name, ColourMap& map, std::string& error);
// "#rrggbb" of the colour's upper bytes.
std::string HexColour(Rgb16 c);
