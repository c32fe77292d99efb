// SPDX-License-Identifier: MIT
// The growth pass of one source tree behind a small C interface, built as a shared library by
// `scripts/bench ab` for the tree of a commit and for the working tree. The driver loads both
// into one process, each with its own grids and generator, and times their frames in turn.
// It uses only names that the engine has had since the lit bits came in.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/canvas.h"
#include "engine/growth.h"
#include "engine/random.h"
#include "engine/settings.h"

#define AB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The half-grown canvas the driver returns to, column by column.
std::vector<std::int32_t> saved_values;
std::vector<float> saved_angles;
int saved_sprout = 0;

long LitPixels() {
    long lit = 0;
    for (int x = 0; x < xs; ++x)
        for (int y = 0; y < ys; ++y) lit += arr[x][y] > 0;
    return lit;
}

}  // namespace

// Grows a size x size canvas from `seed` at the default settings (100000 runs a frame, to be
// quick) until `percent` of it is lit, keeps it for ab_restore and returns the frames it took.
AB_EXPORT int ab_grow(int size, std::uint32_t seed, int percent) {
    ResetSettings();
    xs = ys = size;
    tests_per_frame = 100000;
    CRM32Pro_Main::RandSeed(seed);
    RestartClear();
    int frames = 0;
    while (LitPixels() * 100 < static_cast<long>(percent) * xs * ys) {
        GrowthPass();
        ++frames;
    }
    saved_values.clear();
    saved_angles.clear();
    for (int x = 0; x < xs; ++x) {
        saved_values.insert(saved_values.end(), arr[x], arr[x] + ys);
        saved_angles.insert(saved_angles.end(), angle_map[x], angle_map[x] + ys);
    }
    saved_sprout = this_sprout;
    ResetSettings();
    xs = ys = size;
    return frames;
}

// Puts the grown canvas back (the generator runs on).
AB_EXPORT void ab_restore() {
    for (int x = 0; x < xs; ++x) {
        const std::size_t at = static_cast<std::size_t>(x) * ys;
        std::memcpy(arr[x], &saved_values[at], ys * sizeof arr[x][0]);
        std::memcpy(angle_map[x], &saved_angles[at], ys * sizeof angle_map[x][0]);
    }
    SyncLitBits();
    this_sprout = saved_sprout;
}

// One frame of growth at the default settings.
AB_EXPORT void ab_frame() {
    GrowthPass();
}

// A hash of the canvas values and angles (FNV-1a), to check that both trees grew the same.
AB_EXPORT std::uint64_t ab_hash() {
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&h](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    };
    for (int x = 0; x < xs; ++x) {
        mix(arr[x], ys * sizeof arr[x][0]);
        mix(angle_map[x], ys * sizeof angle_map[x][0]);
    }
    return h;
}
