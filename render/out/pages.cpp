// SPDX-License-Identifier: MIT
// The table of named pages and the orientation suffixes.
#include "render/out/pages.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

struct Page {
    std::string_view name;  // lower case
    double w, h;            // mm, portrait
};
constexpr Page PAGES[] = {
    {"a0", 841, 1189}, {"a1", 594, 841},         {"a2", 420, 594},        {"a3", 297, 420},
    {"a4", 210, 297},  {"a5", 148, 210},         {"a6", 105, 148},        {"b4", 250, 353},
    {"b5", 176, 250},  {"letter", 215.9, 279.4}, {"legal", 215.9, 355.6}, {"tabloid", 279.4, 431.8},
};

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool NamedPage(const std::string& name, int xs, int ys, double& w, double& h) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string_view key = lower;
    bool landscape = xs > ys;
    for (const auto& [suffix, wide] : {std::pair{"-portrait", false}, {"-landscape", true}}) {
        if (!EndsWith(key, suffix)) continue;
        key.remove_suffix(std::string_view(suffix).size());
        landscape = wide;
        break;
    }
    const auto* page = std::find_if(std::begin(PAGES), std::end(PAGES),
                                    [&](const Page& p) { return p.name == key; });
    if (page == std::end(PAGES)) return false;
    w = landscape ? page->h : page->w;
    h = landscape ? page->w : page->h;
    return true;
}

const char* NamedPages() {
    return "A0 to A6, B4, B5, Letter, Legal, Tabloid (with -portrait or -landscape to turn it)";
}
