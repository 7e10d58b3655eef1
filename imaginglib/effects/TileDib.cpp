// TileDib, the "Vitrail" of the effects dialog: the picture made seamlessly
// tileable.  It is blended with copies of itself shifted by half its width,
// half its height and both; each copy's weight falls to 0 where its own
// seam lies, so the left edge continues the right one and the top the
// bottom when the result is laid edge to edge.
#include "Frame.h"

#include <cmath>

extern "C" HGLOBAL TileDib(HGLOBAL dib, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, userData, progress, [](const isp::Image &source, isp::Image &target,
                                                         const isp::Rect &rect, isp::Progress &p) {
        const int width = rect.width(), height = rect.height();
        // 1 in the middle, 0 at both ends: the weight of the unshifted copy
        auto tent = [](int i, int n) { return n > 1 ? 1.0 - std::abs(2.0 * i / (n - 1) - 1.0) : 1.0; };
        return isp::forRows(0, height, p, [&](int y) {
            const double wy = tent(y, height);
            const int ys[2] = {y, (y + height / 2) % height};
            for (int x = 0; x < width; ++x) {
                const double wx = tent(x, width);
                const int xs[2] = {x, (x + width / 2) % width};
                const double weights[4] = {wx * wy, (1 - wx) * wy, wx * (1 - wy), (1 - wx) * (1 - wy)};
                double sum[3] = {0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    const std::uint8_t *s = isp::pixel(source, xs[i % 2], ys[i / 2]);
                    for (int k = 0; k < 3; ++k)
                        sum[k] += weights[i] * s[k];
                }
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(sum[k]);
            }
        });
    });
}
