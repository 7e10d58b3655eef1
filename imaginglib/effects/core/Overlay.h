#pragma once
// What MergeDib and DropDib share: the overlay placed over the base at a
// position, both pictures of any depth read as colours.
#include "Frame.h"

#include "Convert.h"

#include <functional>

namespace isp {

// Colour components of -1 mean "no colour".
struct OptionalColour {
    int red = -1, green = -1, blue = -1;
    bool present() const { return red >= 0 && green >= 0 && blue >= 0; }
};

// combine(base pixel, overlay colour) for every base pixel the overlay
// placed at (left, top) covers.  The base comes back at 24 or 32 bits.  The
// colour is checked against the rows of the export named.
using Combine = std::function<void(std::uint8_t *basePixel, codecs::Rgb overlay)>;
HGLOBAL overlayEffect(const char *exportName, HGLOBAL dib, HGLOBAL overlay, OptionalColour colour, int top, int left,
                      void *user, ILProgressProc proc, const Combine &combine);

} // namespace isp
