// SPDX-License-Identifier: MIT
// The web page of a picture: one HTML file that grows the picture live in a browser with the
// engine compiled to WebAssembly, from the recipe the picture's provenance holds.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// A picture's text chunks by keyword.
using Chunks = std::map<std::string, std::string>;

// Whether this morvane-render can write pages (it was built with emscripten); when not, `why`
// says in one line how to get them.
bool PagesAvailable(std::string& why);

// What a page needs: the picture's provenance chunks (a render's seed, settings and toggles, or a
// replay's journal), the frame it stops at, its fingerprint there, and the page's name.
struct PageRecipe {
    Chunks chunks;
    std::uint64_t stop = 0;
    std::string fingerprint, name;
};

// The journal the page plays, in the lines of a PNG's morvane:journal chunk, and whether pixel
// fill is on from the first growth; false with one line in `error` when the provenance holds no
// recipe a page can play.
bool PageJournal(const Chunks& chunks, std::string& journal, bool& fill, std::string& error);
// The frame a picture of these chunks was written at: its morvane:frames, the frame of its
// morvane:target, else the frame of its journal's last line (a replay to a save or the end).
bool PageStop(const Chunks& chunks, std::uint64_t& stop);
// The whole page; false with one line in `error`.
bool PageText(const PageRecipe& recipe, std::string& page, std::string& error);
