#pragma once
// The program's one definition of round, trunc and div: round is to the
// nearest integer with halves to even, computed in 80-bit long double.
#include <cfenv>
#include <cmath>
#include <cstdint>

namespace platform {

inline int64_t roundEven(long double value)
{
    return static_cast<int64_t>(std::nearbyintl(value));
}

// round, for results that are pixel counts and positions.
inline int roundInt(long double value)
{
    return static_cast<int>(roundEven(value));
}

inline int64_t truncate(long double value)
{
    return static_cast<int64_t>(std::truncl(value));
}

// Integer division rounding toward zero (C++ already does so; named for the reader).
inline int64_t divTrunc(int64_t numerator, int64_t denominator)
{
    return numerator / denominator;
}

} // namespace platform
