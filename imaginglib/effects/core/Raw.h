#pragma once
// Pixels of any depth as raw values (a colour index, a 5-5-5 word or packed
// blue, green, red, unused bytes), for the operations that move pixels
// without looking at their colour: mirror, quarter turns, nearest-pixel
// scaling.  And the per-component tables that brightness, gamma and
// inversion apply to pictures of every depth.
#include "Frame.h"

#include <array>
#include <cstring>

namespace isp {

inline std::uint32_t rawPixel(const Image &image, int x, int y)
{
    switch (image.bits()) {
    case 1:
    case 4:
    case 8: return std::uint32_t(image.index(x, y));
    case 16: {
        const std::uint8_t *p = image.row(y) + std::size_t(x) * 2;
        return std::uint32_t(p[0] | p[1] << 8);
    }
    default: {
        std::uint32_t value = 0;
        std::memcpy(&value, pixel(image, x, y), std::size_t(image.bits() / 8));
        return value;
    }
    }
}

inline void setRawPixel(Image &image, int x, int y, std::uint32_t value)
{
    switch (image.bits()) {
    case 1:
    case 4:
    case 8: image.setIndex(x, y, int(value)); break;
    case 16: {
        std::uint8_t *p = image.row(y) + std::size_t(x) * 2;
        p[0] = std::uint8_t(value), p[1] = std::uint8_t(value >> 8);
        break;
    }
    default: std::memcpy(pixel(image, x, y), &value, std::size_t(image.bits() / 8));
    }
}

// The raw value that shows a colour best in this picture: the nearest
// colour-table entry, a 5-5-5 word, or the bytes themselves.
std::uint32_t rawValueOf(const Image &image, codecs::Rgb colour);

using ComponentTable = std::array<std::uint8_t, 256>;

// Applies the table to every red, green and blue component: to the colour
// table of pictures of 8 bits or fewer, to the pixels of the others.
bool mapComponents(Image &image, const ComponentTable &table, Progress &progress);

// Runs body on the picture a handle holds and puts the result back into the
// same block; 1 when done, 0 for bad arguments, failures and stops.
int32_t inPlaceEffect(HGLOBAL dib, void *user, ILProgressProc proc,
                      const std::function<bool(Image &, Progress &)> &body);

} // namespace isp
