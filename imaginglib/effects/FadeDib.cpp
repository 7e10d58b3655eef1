// FadeDib: a soft border.  Pixels within `size` pixels of the
// rectangle's edge blend into the colour (`red`, `green`, `blue`), fully at
// the edge and not at all `size` pixels in.
#include "Frame.h"

extern "C" HGLOBAL FadeDib(HGLOBAL dib, int32_t size, int32_t red, int32_t green, int32_t blue, int32_t left,
                           int32_t top, int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("FadeDib", "size"), size);
        isp::require(isp::parameterRow("FadeDib", "red"), red);
        isp::require(isp::parameterRow("FadeDib", "green"), green);
        isp::require(isp::parameterRow("FadeDib", "blue"), blue);
        const int colour[3] = {blue, green, red};
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const int dy = std::min(y - rect.top, rect.bottom - 1 - y);
            for (int x = rect.left; x < rect.right; ++x) {
                const int distance = std::min({dy, x - rect.left, rect.right - 1 - x});
                if (distance >= size)
                    continue;
                const double keep = double(distance) / size;
                const std::uint8_t *s = isp::pixel(source, x, y);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(s[k] * keep + colour[k] * (1.0 - keep));
            }
        });
    });
}
