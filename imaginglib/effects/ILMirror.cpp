// ILMirror: mirrors the picture in place, at any depth: `vertical` (not 0)
// turns it upside down, `horizontal` swaps left and right; both together
// make a half turn.  Returns 1 when done.
#include "Raw.h"

#include <algorithm>
#include <vector>

extern "C" int32_t ILMirror(HGLOBAL dib, int32_t vertical, int32_t horizontal, void *userData,
                            ILProgressProc progress)
{
    return isp::inPlaceEffect(dib, userData, progress, [=](isp::Image &image, isp::Progress &p) {
        const int width = image.width(), height = image.height();
        if (vertical) {
            std::vector<std::uint8_t> swap(image.rowBytes());
            for (int y = 0; y < height / 2; ++y) {
                std::copy_n(image.row(y), swap.size(), swap.data());
                std::copy_n(image.row(height - 1 - y), swap.size(), image.row(y));
                std::copy_n(swap.data(), swap.size(), image.row(height - 1 - y));
            }
        }
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
