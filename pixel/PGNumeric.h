#pragma once
// Rounding for the per-pixel work of the filters.  The same rule as
// platform::roundEven (nearest, halves to even, in long double under the
// default rounding mode), but as one FPU store instead of a library call and
// a control-word switch, which made it the largest cost of every filter.
#include <algorithm>
#include <cmath>
#include <cstdint>

inline int64_t pgRound(long double value)
{
    return std::llrintl(value);
}

// rnd, then limited to a byte.
inline int pgRoundByte(long double value)
{
    return int(std::clamp<int64_t>(pgRound(value), 0, 255));
}
