// ILMirror: mirrors the picture in place, at any depth: `vertical` (not 0)
// turns it upside down, `horizontal` swaps left and right; both together
// make a half turn.  Returns 1 when done.
#include "Raw.h"

#include <algorithm>

extern "C" int32_t ILMirror(HGLOBAL dib, int32_t vertical, int32_t horizontal, void *userData,
                            ILProgressProc progress)
{
    return isp::inPlaceEffect(dib, userData, progress, [=](isp::Image &image, isp::Progress &p) {
        const int width = image.width(), height = image.height();
        if (vertical)
            for (int y = 0; y < height / 2; ++y)
                std::swap_ranges(image.row(y), image.row(y) + image.rowBytes(), image.row(height - 1 - y));
        if (!horizontal)
            return true;
        return isp::forRows(0, height, p, [&](int y) {
            for (int x = 0; x < width / 2; ++x) {
                const std::uint32_t a = isp::rawPixel(image, x, y), b = isp::rawPixel(image, width - 1 - x, y);
                isp::setRawPixel(image, x, y, b);
                isp::setRawPixel(image, width - 1 - x, y, a);
            }
        });
    });
}
