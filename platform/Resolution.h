#pragma once
// Resolutions: a DIB keeps pixels per metre, while files, printers and
// scanners speak in dots per inch.  Header only: the codecs and the plug-in
// libraries convert with the same arithmetic as the program.
#include "Rounding.h"

#include <algorithm>
#include <cstdint>

namespace platform {

// Dots per inch of a DIB's pixels per metre, to the nearest, kept within 1..65535.
inline int dotsPerInch(std::int32_t pelsPerMeter)
{
    return int(std::clamp<std::int64_t>((std::int64_t(pelsPerMeter) * 254 + 5000) / 10000, 1, 65535));
}

// Pixels per metre of a whole number of dots per inch, to the nearest.  No
// whole dpi falls half-way: 10000/254 is 5000/127, and 127 divides no power of ten.
inline std::int32_t pelsPerMeter(int dotsPerInch)
{
    return std::int32_t((std::int64_t(dotsPerInch) * 10000 + 127) / 254);
}

// The same of a fractional resolution, as scanners and TIFF files give it.
inline std::int32_t pelsPerMeterOf(long double dotsPerInch)
{
    return std::int32_t(roundEven(dotsPerInch / 0.0254L));
}

// Dots per inch of pixels per metre, unrounded, for files that store a fraction.
inline double exactDotsPerInch(std::int32_t pelsPerMeter)
{
    return pelsPerMeter * 0.0254;
}

} // namespace platform
