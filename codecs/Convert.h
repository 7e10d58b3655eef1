#pragma once
// Depth conversions between images, shared by every writer that cannot hold
// a depth and by the imaging library's conversion exports.  The input is
// never changed; each call returns a new image.
#include "Image.h"

namespace codecs {

// Any depth to 24 bits (blue, green, red); the alpha of 32 bits is dropped.
Image toTrueColour(const Image &image);

// 1 to 4, 1 to 8 or 4 to 8 bits: same colours, wider indices.
Image widenIndices(const Image &image, int bits);

// Any depth to a colour-table image of 1, 4 or 8 bits.  An image that has no
// more colours than the depth allows keeps them exactly; otherwise a median
// cut palette of at most `colours` entries (0: all the depth allows) is
// built and, with `dither`, errors are diffused (Floyd-Steinberg).  One bit
// without exact colours is black and white by luminance.
Image reduceColours(const Image &image, int bits, bool dither, int colours = 0);

// Any depth to any depth: the matching one of the calls above, or 16 bits
// (5-5-5) and 32 bits (alpha 255 from opaque sources).
Image convertDepth(const Image &image, int bits, bool dither = false);

// Any depth to 8 bits with a black-to-white table, by luminance.
Image toGrey(const Image &image);

// 0.299 R + 0.587 G + 0.114 B in integers.
inline std::uint8_t luminance(Rgb c)
{
    return std::uint8_t((c.red * 299 + c.green * 587 + c.blue * 114 + 500) / 1000);
}

// Colour of pixel x in row `line` of an image of any depth.
Rgb pixelColour(const Image &image, const std::uint8_t *line, std::int32_t x);

// True when a 32-bit image carries an alpha channel (some fourth byte not 0).
bool hasAlpha(const Image &image);

// Copies `count` pixels of inStep bytes into pixels of outStep bytes (3 or
// 4 each) with the first and third byte swapped: a DIB's blue, green, red
// to a file's red, green, blue and back.  A fourth byte, where the copy
// has one, comes from the fourth of the source.
void swapRedBlue(const std::uint8_t *in, int inStep, std::uint8_t *out, int outStep, std::size_t count);

} // namespace codecs
