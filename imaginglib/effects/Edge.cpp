// Edge: edges bright on a dark ground.  Each channel takes the magnitude of
// its Sobel gradient, scaled up with `strength`; flat areas go
// black.
#include "Frame.h"

#include <cmath>

namespace {

// The 3 × 3 neighbourhood of a pixel as the rows above, at and below it and
// the byte offsets of its left and right neighbours.
inline std::uint8_t sobel(const std::uint8_t *up, const std::uint8_t *at, const std::uint8_t *down, std::ptrdiff_t left,
                          std::ptrdiff_t right, double gain)
{
    const int gx = (up[right] + 2 * at[right] + down[right]) - (up[left] + 2 * at[left] + down[left]);
    const int gy = (down[left] + 2 * down[0] + down[right]) - (up[left] + 2 * up[0] + up[right]);
    return isp::clampByte(gain * std::sqrt(double(gx * gx + gy * gy)));
}

// One row; the columns at the rectangle's sides repeat their neighbour.
QUILLON_HOT_LOOP void edgeRow(const isp::Image &source, isp::Image &target, const isp::Rect &rect, double gain,
                              int y)
{
    const int step = source.bits() / 8;
    const std::ptrdiff_t offset = std::ptrdiff_t(rect.left) * step;
    const std::uint8_t *up = source.row(std::max(rect.top, y - 1)) + offset, *at = source.row(y) + offset;
    const std::uint8_t *down = source.row(std::min(rect.bottom - 1, y + 1)) + offset;
    std::uint8_t *q = target.row(y) + offset;
    const int width = rect.width();
    auto side = [&](int x) {
        const std::ptrdiff_t left = x > 0 ? -step : 0, right = x < width - 1 ? step : 0, i = std::ptrdiff_t(x) * step;
        for (int k = 0; k < 3; ++k)
            q[i + k] = sobel(up + i + k, at + i + k, down + i + k, left, right, gain);
    };
    side(0);
    if (width > 1)
        side(width - 1);
    if (step == 3) {
        // the inner bytes in one flat loop, which the compiler vectorises
        for (std::ptrdiff_t i = 3; i < std::ptrdiff_t(width - 1) * 3; ++i)
            q[i] = sobel(up + i, at + i, down + i, -3, 3, gain);
        return;
    }
    for (int x = 1; x < width - 1; ++x)
        for (int k = 0; k < 3; ++k)
            q[x * 4 + k] = sobel(up + x * 4 + k, at + x * 4 + k, down + x * 4 + k, -4, 4, gain);
}

} // namespace

extern "C" HGLOBAL Edge(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("Edge", "strength"), strength);
        const double gain = 0.25 + strength * 0.05;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) { edgeRow(source, target, rect, gain, y); });
    });
}
