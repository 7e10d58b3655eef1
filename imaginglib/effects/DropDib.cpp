// DropDib: the overlay pasted over the base with its top left corner at
// `left`, `top`.  Overlay pixels of the transparent colour (`red`, `green`,
// `blue`; -1 for none) are left out, so the base shows through them.
#include "Overlay.h"

extern "C" HGLOBAL DropDib(HGLOBAL dib, HGLOBAL overlay, int16_t red, int16_t green, int16_t blue, int32_t top,
                           int32_t left, void *userData, ILProgressProc progress)
{
    const isp::OptionalColour transparent{red, green, blue};
    return isp::overlayEffect("DropDib", dib, overlay, transparent, top, left, userData, progress,
                              [transparent](std::uint8_t *base, codecs::Rgb colour) {
        if (transparent.present() && colour.red == transparent.red && colour.green == transparent.green
            && colour.blue == transparent.blue)
            return;
        base[0] = colour.blue, base[1] = colour.green, base[2] = colour.red;
    });
}
