// The random generator the growth pass draws from: xoshiro256+, seeded through splitmix64. It
// keeps the library's names (RandSeed, RandReal) and lives with the engine, so that the window
// program and the headless renderer draw the same sequence from the same seed.
#pragma once

#include <cstdint>

namespace CRM32Pro_Main {

namespace detail {
inline std::uint64_t rng[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull,
                               0x2545F4914F6CDD1Dull};
inline std::uint64_t rotl(std::uint64_t v, int k) {
    return (v << k) | (v >> (64 - k));
}
inline std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
}  // namespace detail

// Starts the sequence anew from `seed`: the same seed gives the same sequence everywhere.
inline void RandSeed(std::uint32_t seed) {
    std::uint64_t state = seed;
    for (std::uint64_t& word : detail::rng) word = detail::SplitMix64(state);
    // splitmix64 cannot give four zero words in a row, but the generator would stick there.
    if ((detail::rng[0] | detail::rng[1] | detail::rng[2] | detail::rng[3]) == 0)
        detail::rng[0] = 1;
}

// Uniform in [0, 1): the top 53 bits of the next output divided by 2^53, so never 1. Inlined
// because the growth pass draws several per step.
inline double RandReal() {
    using detail::rng;
    const std::uint64_t result = rng[0] + rng[3];
    const std::uint64_t t = rng[1] << 17;
    rng[2] ^= rng[0];
    rng[3] ^= rng[1];
    rng[1] ^= rng[2];
    rng[0] ^= rng[3];
    rng[2] ^= t;
    rng[3] = detail::rotl(rng[3], 45);
    return static_cast<double>(result >> 11) * 0x1.0p-53;
}

}  // namespace CRM32Pro_Main
