// GrayArea: the rectangle in grey levels, each pixel its luminance
// (0.299 R + 0.587 G + 0.114 B).
#include "Frame.h"

extern "C" HGLOBAL GrayArea(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom,
                            void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                isp::Progress &p) {
        const int step = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step)
                q[0] = q[1] = q[2] = std::uint8_t(isp::luminance(s));
        });
    });
}
