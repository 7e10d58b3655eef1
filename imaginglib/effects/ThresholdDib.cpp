// ThresholdDib: black and white.  A pixel whose luminance reaches
// `threshold` turns white, the others black.  With anti-aliasing,
// pixels on the border between the two take the grey of the white share of
// their 3 × 3 neighbourhood, so curves do not look jagged; flat areas stay
// pure black or white.
#include "Frame.h"

#include <vector>

extern "C" HGLOBAL ThresholdDib(HGLOBAL dib, int32_t threshold, int16_t antiAliasing, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("ThresholdDib", "threshold"), threshold);
        const int width = rect.width(), step = source.bits() / 8;
        // 1 for the white pixels of the rectangle, row by row
        std::vector<std::uint8_t> white(std::size_t(width) * rect.height());
        isp::Progress first = p.part(0, 50), second = p.part(50, 100);
        const bool measured = isp::forRows(rect.top, rect.bottom, first, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *w = &white[std::size_t(y - rect.top) * width];
            for (int x = 0; x < width; ++x, s += step)
                w[x] = isp::luminance(s) >= threshold;
        });
        if (!measured)
            return false;
        auto at = [&](int x, int y) {
            x = std::clamp(x, 0, width - 1), y = std::clamp(y, 0, rect.height() - 1);
            return int(white[std::size_t(y) * width + x]);
        };
        return isp::forRows(rect.top, rect.bottom, second, [&](int y) {
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = 0; x < width; ++x, q += step) {
                int level = at(x, y - rect.top) * 255;
                if (antiAliasing) {
                    int count = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            count += at(x + dx, y - rect.top + dy);
                    if (count != 0 && count != 9)
                        level = (count * 255 + 4) / 9;
                }
                q[0] = q[1] = q[2] = std::uint8_t(level);
            }
        });
    });
}
