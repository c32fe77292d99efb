// SPDX-License-Identifier: MIT
// The clocks the benchmarks read: this process's CPU time and the wall time, in seconds.
#pragma once

#include <chrono>
#include <ctime>

// CPU seconds of every thread of this process so far.
inline double ProcessCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

inline double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
