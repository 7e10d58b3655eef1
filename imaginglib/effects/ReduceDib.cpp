// ReduceDib: the picture at another depth, in a new DIB.  `bits` 1, 4 or 8
// gives a colour table of at most `colours` colours (0: all the depth
// allows), built by median cut unless the picture has few enough colours to
// keep them exactly; `dither` (not 0) diffuses the errors (Floyd-Steinberg).
// 16, 24 and 32 bits convert directly.  The two unused arguments stay 0.
#include "Frame.h"

#include "Convert.h"

extern "C" HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, int16_t dither, int32_t, int32_t, int32_t colours,
                             void *userData, ILProgressProc progress)
{
    return isp::guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        isp::require(isp::parameterRow("ReduceDib", "bits"), bits);
        isp::require(isp::parameterRow("ReduceDib", "colours"), colours);
        const codecs::HeldDib held(dib);
        const isp::Image &source = held.image();
        isp::Progress p(progress, userData);
        if (!p.at(0, 1))
            return nullptr;
        isp::Image target = bits == 1 || bits == 4 || bits == 8
            ? codecs::reduceColours(source, bits, dither != 0, colours)
            : codecs::convertDepth(source, bits, dither != 0);
        if (!p.finish())
            return nullptr;
        return isp::toGlobal(std::move(target));
    });
}
