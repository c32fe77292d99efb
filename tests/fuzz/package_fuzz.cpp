// SPDX-License-Identifier: MIT
// Fuzz target for the resource package loader: any bytes are written as a package file, then the
// font, the manifest and every button image are read from it as start-up does. It must never
// crash, never hand out more than the limits allow, and always say why when it fails.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/internal.h"

namespace {

const char* const NAMES[] = {"manifest", "font", "checkwhite", "redo",
                             "save",     "exit", "less",       "more"};

[[noreturn]] void Finding(const char* what, const char* name) {
    std::fprintf(stderr, "%s for entry '%s'\n", what, name);
    std::abort();
}

std::string PackagePath() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/morvane-package-fuzz." + std::to_string(getpid()) +
           ".dpf";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = PackagePath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    platform::ClosePackages();
    for (const char* name : NAMES) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (platform::ReadPackageEntry(path.c_str(), name, bytes, error)) {
            if (bytes.size() > (16u << 20)) Finding("entry beyond 16 MiB", name);
        } else if (error.empty() || !bytes.empty()) {
            Finding("failed read without a reason, or with bytes", name);
        }
        platform::Image image;
        error.clear();
        if (platform::ReadButtonImage(path.c_str(), name, image, error)) {
            if (image.w < 1 || image.h < 1 || image.w > platform::MAX_BUTTON_SIDE ||
                image.h > platform::MAX_BUTTON_SIDE * platform::MAX_BUTTON_STATES ||
                image.rgba.size() != static_cast<std::size_t>(image.w) * image.h * 4)
                Finding("image beyond the limits", name);
        } else if (error.empty()) {
            Finding("failed image without a reason", name);
        }
        platform::ButtonKind kind;
        error.clear();
        if (platform::LookUpButton(path.c_str(), name, kind, error)) {
            if (kind.states < 1 || kind.states > platform::MAX_BUTTON_STATES)
                Finding("state count beyond the limits", name);
        } else if (error.empty()) {
            Finding("failed manifest look-up without a reason", name);
        }
    }
    platform::ClosePackages();
    std::remove(path.c_str());
    return 0;
}
