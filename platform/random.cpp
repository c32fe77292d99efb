// Seeding the random generator: splitmix64 spreads the 32-bit seed over the four state words.
#include "platform/platform.h"

namespace {

std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

namespace CRM32Pro_Main {

void RandSeed(std::uint32_t seed) {
    std::uint64_t state = seed;
    for (std::uint64_t& word : detail::rng) word = SplitMix64(state);
    // splitmix64 cannot give four zero words in a row, but the generator would stick there.
    if ((detail::rng[0] | detail::rng[1] | detail::rng[2] | detail::rng[3]) == 0)
        detail::rng[0] = 1;
}

}  // namespace CRM32Pro_Main
