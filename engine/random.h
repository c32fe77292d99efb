// SPDX-License-Identifier: MIT
// The random generator the growth pass draws from: xoshiro256+, seeded through splitmix64. It
// keeps the library's names (RandSeed, RandReal) and lives with the engine, so that the window
// program and the headless renderer draw the same sequence from the same seed.
#pragma once

#include <cstdint>

namespace CRM32Pro_Main {

// The generator's state; drawing from it advances it. RandReal draws from the one global state.
struct RandState {
    std::uint64_t s[4];
    // Uniform in [0, 1): the top 53 bits of the next output divided by 2^53, so never 1.
    double operator()() {
        const std::uint64_t result = s[0] + s[3];
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = (s[3] << 45) | (s[3] >> 19);
        return static_cast<double>(result >> 11) * 0x1.0p-53;
    }
};

namespace detail {
inline RandState rng{
    {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 0x2545F4914F6CDD1Dull}};
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
    for (std::uint64_t& word : detail::rng.s) word = detail::SplitMix64(state);
    // splitmix64 cannot give four zero words in a row, but the generator would stick there.
    if ((detail::rng.s[0] | detail::rng.s[1] | detail::rng.s[2] | detail::rng.s[3]) == 0)
        detail::rng.s[0] = 1;
}

// The next value of the global sequence, inlined because the growth pass draws several per step.
inline double RandReal() {
    return detail::rng();
}

// A copy of the global state: drawing from it gives the values to come and uses none of them.
inline RandState PeekRandState() {
    return detail::rng;
}

// Puts the global state back to one PeekRandState took: the values drawn since come again.
inline void SetRandState(const RandState& state) {
    detail::rng = state;
}

}  // namespace CRM32Pro_Main
