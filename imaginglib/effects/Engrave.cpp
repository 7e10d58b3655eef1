// Engrave: a grey relief, as if the picture were engraved in metal.  Each
// pixel becomes mid-grey plus the intensity difference between its lower
// right and upper left neighbours, `strength` pixels away and
// amplified with it.
#include "Frame.h"

extern "C" HGLOBAL Engrave(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("Engrave", "strength"), strength);
        const int reach = (strength + 1) / 2;
        const double gain = 1.0 + strength * 0.5;
        auto level = [&](int x, int y) {
            x = std::clamp(x, rect.left, rect.right - 1), y = std::clamp(y, rect.top, rect.bottom - 1);
            return isp::luminance(isp::pixel(source, x, y));
        };
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const std::uint8_t grey =
                    isp::clampByte(128.0 + gain * (level(x + reach, y + reach) - level(x - reach, y - reach)));
                std::uint8_t *q = isp::pixel(target, x, y);
                q[0] = q[1] = q[2] = grey;
            }
        });
    });
}
