// SPDX-License-Identifier: MIT
// Build tool: writes morvane-render's man page from its template, putting the SYNOPSIS and
// SUBCOMMANDS sections made from the renderer's option tables where the template says.
//   make_render_man TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "render/cli/command_line.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_render_man TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    std::string page = text.str();
    const std::string marker = ".\\\" <subcommands>\n";
    const auto at = page.find(marker);
    if (!in || at == std::string::npos) {
        std::fprintf(stderr, "make_render_man: %s has no %s", argv[1], marker.c_str());
        return 1;
    }
    page.replace(at, marker.size(), ManSections());
    std::ofstream out(argv[2]);
    out << page;
    return out.good() ? 0 : 1;
}
