// ILInvert: the negative of the picture, in place, at any depth: every
// colour component c becomes 255 - c (the colour table of pictures of 8 bits
// or fewer, the pixels of the others).  Returns 1 when done.
#include "Raw.h"

extern "C" int32_t ILInvert(HGLOBAL dib, void *userData, ILProgressProc progress)
{
    return isp::inPlaceEffect(dib, userData, progress, [](isp::Image &image, isp::Progress &p) {
        isp::ComponentTable table;
        for (int v = 0; v < 256; ++v)
            table[v] = std::uint8_t(255 - v);
        return isp::mapComponents(image, table, p);
    });
}
