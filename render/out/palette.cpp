// SPDX-License-Identifier: MIT
// Colour maps: the built-in gradients, the stop file reader and the interpolation.
#include "render/out/palette.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "config/bounded_read.h"

namespace {

// A palette file is a few lines of stops; anything this long is not one.
constexpr std::uint64_t MAX_PALETTE_BYTES = 1u << 20;

struct Builtin {
    const char* name;
    const char* stops;
};
// Each begins at the paper (value 0) and ends at the brightest line.
constexpr Builtin BUILTINS[] = {
    {"ink", "0 #f4f0e6\n12000 #b9b6b0\n40000 #3b4150\n65535 #0c1424\n"},
    {"ember", "0 #000000\n14000 #3a0904\n30000 #9c2608\n47000 #ee7416\n65535 #fff3c4\n"},
    {"ice", "0 #000000\n16000 #071a3c\n34000 #1f6ca6\n51000 #8fd6ef\n65535 #ffffff\n"},
    {"sepia", "0 #1b130c\n22000 #5a3d22\n44000 #a8825a\n65535 #f4e7c9\n"},
};

bool ParseHex(const std::string& text, Rgb16& c) {
    if (text.size() != 7 || text[0] != '#') return false;
    unsigned v = 0;
    const auto r = std::from_chars(text.data() + 1, text.data() + 7, v, 16);
    if (r.ec != std::errc{} || r.ptr != text.data() + 7) return false;
    c.r = static_cast<std::uint16_t>(((v >> 16) & 0xFF) * 257);
    c.g = static_cast<std::uint16_t>(((v >> 8) & 0xFF) * 257);
    c.b = static_cast<std::uint16_t>((v & 0xFF) * 257);
    return true;
}

// Reads stop lines from `in`; `where` names the source in errors.
bool ReadStops(std::istream& in, const std::string& where, ColourMap& map, std::string& error) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string value, colour, extra;
        if (!(words >> value) || value[0] == '#') continue;
        int v = -1;
        const auto r = std::from_chars(value.data(), value.data() + value.size(), v);
        ColourStop stop{v, {}};
        if (r.ec != std::errc{} || r.ptr != value.data() + value.size() || v < 0 || v > 65535 ||
            !(words >> colour) || !ParseHex(colour, stop.colour) || (words >> extra)) {
            error = where + " line " + std::to_string(number) +
                    ": expected 'VALUE #rrggbb' with VALUE 0..65535";
            return false;
        }
        if (!map.stops.empty() && v <= map.stops.back().value) {
            error =
                where + " line " + std::to_string(number) + ": values must rise from stop to stop";
            return false;
        }
        map.stops.push_back(stop);
    }
    if (map.stops.size() < 2) {
        error = where + ": a colour map needs at least two stops";
        return false;
    }
    return true;
}

}  // namespace

bool ColourMap::IsGrey() const {
    for (const ColourStop& s : stops)
        if (s.colour.r != s.colour.g || s.colour.g != s.colour.b) return false;
    return true;
}

Rgb16 ColourMap::At(int value) const {
    if (value <= stops.front().value) return stops.front().colour;
    if (value >= stops.back().value) return stops.back().colour;
    std::size_t i = 1;
    while (stops[i].value < value) ++i;
    const ColourStop& a = stops[i - 1];
    const ColourStop& b = stops[i];
    const long long span = b.value - a.value, at = value - a.value;
    const auto mix = [&](int from, int to) {
        return static_cast<std::uint16_t>(from + (static_cast<long long>(to) - from) * at / span);
    };
    return {mix(a.colour.r, b.colour.r), mix(a.colour.g, b.colour.g), mix(a.colour.b, b.colour.b)};
}

ColourMap GreyMap(bool negative) {
    const Rgb16 black{0, 0, 0}, white{65535, 65535, 65535};
    return ColourMap{{{0, negative ? white : black}, {65535, negative ? black : white}}};
}

bool LoadColourMap(const std::string& name, ColourMap& map, std::string& error) {
    map.stops.clear();
    for (const Builtin& b : BUILTINS) {
        if (name != b.name) continue;
        std::istringstream in(b.stops);
        return ReadStops(in, name, map, error);
    }
    std::string text, reason;
    if (!ReadBoundedInput(name, MAX_PALETTE_BYTES, text, reason)) {
        error = "--palette: '" + name +
                "' is neither ink, ember, ice, sepia nor a readable file (" + reason + ")";
        return false;
    }
    std::istringstream in(text);
    return ReadStops(in, name, map, error);
}

std::string HexColour(Rgb16 c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r >> 8, c.g >> 8, c.b >> 8);
    return text;
}
