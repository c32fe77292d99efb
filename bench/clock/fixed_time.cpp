// SPDX-License-Identifier: MIT
// Preloaded into the window program by `scripts/bench program` when MORVANE_BENCH_SEED is set. The
// program seeds its generator from time(), and how fast a canvas grows depends on the seed, so
// that two runs (of two builds, say) are comparable only at the same seed. The two-window test
// preloads it too, to start two windows in one second. Here time() starts at
// MORVANE_BENCH_SEED and runs on from there, a second a second; no other clock is touched.
#include <cstdlib>
#include <ctime>

extern "C" __attribute__((visibility("default"))) std::time_t time(std::time_t* out) {
    static const std::time_t base = [] {
        const char* seed = std::getenv("MORVANE_BENCH_SEED");
        return static_cast<std::time_t>(seed ? std::strtoll(seed, nullptr, 10) : 0);
    }();
    static const std::timespec first = [] {
        std::timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t;
    }();
    std::timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::time_t value = base + (now.tv_sec - first.tv_sec - (now.tv_nsec < first.tv_nsec));
    if (out) *out = value;
    return value;
}
