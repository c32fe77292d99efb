// SPDX-License-Identifier: MIT
// Fuzz target for reading a picture's provenance back (from): any bytes are written as a file and
// read as a PNG, SVG or PDF by their first bytes, as from reads them. It must never crash nor read
// outside the file; a failure must say why, and what it reads must be pairs of text.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "render/session/png_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir ? dir : "/tmp") + "/morvane-provenance-fuzz." +
               std::to_string(getpid());
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::map<std::string, std::string> text;
    std::string error;
    if (!ReadTextChunks(path, text, error) && error.empty()) {
        std::fprintf(stderr, "a failed read without a reason\n");
        std::abort();
    }
    return 0;
}
