// PixelFix: despeckle.  A pixel that stands out from the median of its
// neighbourhood by more than a tolerance is replaced by that median, channel
// by channel; isolated dots and thin scratches go, edges stay.  `strength`
// widens the neighbourhood (radius 1 to 3) and lowers the
// tolerance.
#include "Frame.h"

#include <algorithm>
#include <array>
#include <cstdlib>

extern "C" HGLOBAL PixelFix(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right,
                            int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("PixelFix", "strength"), strength);
        const int radius = 1 + strength / 40;
        const int tolerance = 48 - strength * 40 / 100;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            // the neighbourhood's values, channel by channel (at most 7 × 7)
            std::array<std::array<std::uint8_t, 49>, 3> window;
            const int top = std::max(rect.top, y - radius), bottom = std::min(rect.bottom - 1, y + radius);
            for (int x = rect.left; x < rect.right; ++x) {
                int count = 0;
                for (int row = top; row <= bottom; ++row)
                    for (int col = std::max(rect.left, x - radius); col <= std::min(rect.right - 1, x + radius); ++col) {
                        const std::uint8_t *n = isp::pixel(source, col, row);
                        window[0][count] = n[0], window[1][count] = n[1], window[2][count] = n[2];
                        ++count;
                    }
                const std::uint8_t *s = isp::pixel(source, x, y);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k) {
                    // the median lies beyond the tolerance only when more than half
                    // the values do; counting is cheaper than finding it
                    int above = 0, below = 0;
                    for (int i = 0; i < count; ++i)
                        above += window[k][i] > s[k] + tolerance, below += window[k][i] < s[k] - tolerance;
                    if (above < count - count / 2 && below <= count / 2)
                        continue;
                    auto middle = window[k].begin() + count / 2;
                    std::nth_element(window[k].begin(), middle, window[k].begin() + count);
                    if (std::abs(int(s[k]) - int(*middle)) > tolerance)
                        q[k] = *middle;
                }
            }
        });
    });
}
