#pragma once
// Reproducible randomness: each value is a hash of a seed taken from the
// effect's parameters and the pixel's position, so a picture comes out the
// same every time and whatever the number of threads.
#include <cstdint>

namespace isp {

inline std::uint64_t mixBits(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

inline std::uint64_t hashOf(std::uint64_t seed, std::int64_t a, std::int64_t b = 0, std::int64_t c = 0)
{
    return mixBits(mixBits(mixBits(seed ^ std::uint64_t(a)) ^ std::uint64_t(b)) ^ std::uint64_t(c));
}

// Uniform in [0, 1).
inline double unitRandom(std::uint64_t seed, std::int64_t a, std::int64_t b = 0, std::int64_t c = 0)
{
    return double(hashOf(seed, a, b, c) >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace isp
