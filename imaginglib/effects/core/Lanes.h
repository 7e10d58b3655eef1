#pragma once
// Four doubles in one vector, for the bilinear mixes the compiler leaves
// unvectorised when written plainly (the clamping reads as branches).  Each
// lane rounds every product and sum as the scalar formula does, so a vector
// loop gives the same bytes as the plain one.
#include <cstdint>

namespace isp {

using Doubles = double __attribute__((vector_size(32)));
using Ints = std::int32_t __attribute__((vector_size(16)));

// The four bytes from p as doubles.  (Through a reference: a vector return
// value would change the ABI between the AVX2 and the plain build of the
// caller.)
inline void widen(const std::uint8_t *p, Doubles &out)
{
    out = __builtin_convertvector((Ints{p[0], p[1], p[2], p[3]}), Doubles);
}

// The three bytes of a blue, green, red pixel as doubles, and a zero.
inline void widenPixel(const std::uint8_t *p, Doubles &out)
{
    out = __builtin_convertvector((Ints{p[0], p[1], p[2], 0}), Doubles);
}

// clampByte of each lane: held within 0..255, halves up.
inline void roundLanes(const Doubles &value, Ints &out)
{
    const Doubles zero = {0, 0, 0, 0}, top = zero + 255.0, half = zero + 0.5;
    Doubles v = value < zero ? zero : value;
    v = v > top ? top : v;
    out = __builtin_convertvector(v + half, Ints);
}

} // namespace isp
