// Better: sharpen or soften by `amount`.  Positive amounts add
// back the difference between the picture and a slightly blurred copy
// (unsharp mask); negative amounts move towards a blurred copy whose radius
// grows with the amount.  0 leaves the picture as it is.
#include "Filters.h"

#include <cstdlib>

extern "C" HGLOBAL Better(HGLOBAL dib, int32_t amount, int32_t left, int32_t top, int32_t right, int32_t bottom,
                          void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [amount](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                      isp::Progress &p) {
        isp::require(isp::parameterRow("Better", "amount"), amount);
        if (amount == 0)
            return true;
        const int radius = amount > 0 ? 1 : 1 + std::abs(amount) / 3;
        const isp::Rect region = isp::grown(rect, 2 * radius, source);
        isp::FloatImage blurred = isp::extractColour(source, region);
        for (int pass = 0; pass < 2; ++pass) {
            isp::Progress part = p.part(pass * 40, pass * 40 + 40);
            if (!isp::boxBlur(blurred, radius, part))
                return false;
        }
        // sharpening weight of the detail, or share of the blurred copy
        const double weight = amount > 0 ? amount / 3.0 : 0.4 + std::abs(amount) / 15.0;
        isp::Progress rest = p.part(80, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const std::uint8_t *s = isp::pixel(source, x, y);
                const float *b = blurred.at(x - region.left, y - region.top);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(amount > 0 ? s[k] + weight * (s[k] - b[k])
                                                     : s[k] + weight * (b[k] - s[k]));
            }
        });
    });
}
