// MergeDib: the overlay used as a mask.  Where the overlay (placed with its
// top left corner at `left`, `top`) is white the base shows, where it is
// black the colour (`red`, `green`, `blue`) does, greys in between; this is
// how a border frames the picture outside a white shape.  Without a colour
// (-1) the overlay's own pixels show wherever it is not white.  The base
// keeps its size; parts of the overlay outside it are left out.
#include "Overlay.h"

extern "C" HGLOBAL MergeDib(HGLOBAL dib, HGLOBAL overlay, int16_t red, int16_t green, int16_t blue, int32_t top,
                            int32_t left, void *userData, ILProgressProc progress)
{
    const isp::OptionalColour colour{red, green, blue};
    return isp::overlayEffect("MergeDib", dib, overlay, colour, top, left, userData, progress,
                              [colour](std::uint8_t *base, codecs::Rgb mask) {
        if (!colour.present()) {
            if (!(mask.red == 255 && mask.green == 255 && mask.blue == 255))
                base[0] = mask.blue, base[1] = mask.green, base[2] = mask.red;
            return;
        }
        const int show = (mask.red * 299 + mask.green * 587 + mask.blue * 114 + 500) / 1000;
        const int fill[3] = {colour.blue, colour.green, colour.red};
        for (int k = 0; k < 3; ++k)
            base[k] = std::uint8_t((base[k] * show + fill[k] * (255 - show) + 127) / 255);
    });
}
