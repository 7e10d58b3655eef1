// Edge: edges bright on a dark ground.  Each channel takes the magnitude of
// its Sobel gradient, scaled up with `strength`; flat areas go
// black.
#include "Frame.h"

#include <cmath>

extern "C" HGLOBAL Edge(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("Edge", "strength"), strength);
        const double gain = 0.25 + strength * 0.05;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const int up = std::max(rect.top, y - 1), down = std::min(rect.bottom - 1, y + 1);
            for (int x = rect.left; x < rect.right; ++x) {
                const int l = std::max(rect.left, x - 1), r = std::min(rect.right - 1, x + 1);
                const std::uint8_t *a = isp::pixel(source, l, up), *b = isp::pixel(source, x, up),
                                   *c = isp::pixel(source, r, up), *d = isp::pixel(source, l, y),
                                   *f = isp::pixel(source, r, y), *g = isp::pixel(source, l, down),
                                   *h = isp::pixel(source, x, down), *i = isp::pixel(source, r, down);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k) {
                    const int gx = (c[k] + 2 * f[k] + i[k]) - (a[k] + 2 * d[k] + g[k]);
                    const int gy = (g[k] + 2 * h[k] + i[k]) - (a[k] + 2 * b[k] + c[k]);
                    q[k] = isp::clampByte(gain * std::sqrt(double(gx * gx + gy * gy)));
                }
            }
        });
    });
}
