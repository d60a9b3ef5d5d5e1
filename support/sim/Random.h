// The random numbers of the simulations: xoshiro256** seeded through splitmix64, with its own
// mapping to reals and integers, so that one seed draws the same numbers on every platform and
// standard library (the standard distributions are each library's own).
// Thread rules: one thread per generator.
#pragma once

#include <cstdint>

namespace orvsim
{

class Random
{
public:
    explicit Random(std::uint64_t seed = 1)
    {
        // splitmix64 spreads any seed, 0 included, over the four words of state.
        std::uint64_t x = seed;
        for (std::uint64_t& word : state_)
        {
            x += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = x;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // In [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // In [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // True with the chance `probability` (none for 0 or less or no number).
    bool chance(double probability) { return probability > 0.0 && unit() < probability; }
    // One of 0 .. count - 1 (0 when count is 0); the bias of the modulo is below 2^-40 for
    // the small counts drawn here.
    std::uint64_t below(std::uint64_t count) { return count == 0 ? 0 : next() % count; }
    // One of lo .. hi, both included.
    int between(int lo, int hi)
    {
        return lo + static_cast<int>(below(static_cast<std::uint64_t>(hi - lo) + 1));
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t state_[4] = {};
};

} // namespace orvsim
