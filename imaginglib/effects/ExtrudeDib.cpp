// ExtrudeDib: the picture as a wall of square blocks seen from the front.
// Blocks of `size` × 4 pixels take the mean colour of their
// part of the picture; each is drawn as a raised front face with four
// shaded sides, lit from the top left.  With `levels` the height of a block
// follows its brightness, so light parts stand out more.
#include "Frame.h"

#include <algorithm>
#include <vector>

extern "C" HGLOBAL ExtrudeDib(HGLOBAL dib, int16_t levels, int32_t size, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, userData, progress, [=](const isp::Image &source, isp::Image &target,
                                                          const isp::Rect &rect, isp::Progress &p) {
        isp::require(isp::parameterRow("ExtrudeDib", "size"), size);
        const int block = size * 4;
        const int columns = (rect.width() + block - 1) / block, rows = (rect.height() + block - 1) / block;
        std::vector<double> means(std::size_t(columns) * rows * 3, 0.0);
        std::vector<int> counts(std::size_t(columns) * rows, 0);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) {
                const std::size_t cell = std::size_t(y / block) * columns + x / block;
                const std::uint8_t *s = isp::pixel(source, x, y);
                for (int k = 0; k < 3; ++k)
                    means[cell * 3 + k] += s[k];
                ++counts[cell];
            }
        for (std::size_t cell = 0; cell < counts.size(); ++cell)
            for (int k = 0; k < 3; ++k)
                means[cell * 3 + k] /= counts[cell];
        isp::Progress rest = p.part(20, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const std::size_t cell = std::size_t(y / block) * columns + x / block;
                const double *mean = &means[cell * 3];
                const double bright = (mean[2] * 0.299 + mean[1] * 0.587 + mean[0] * 0.114) / 255.0;
                const int depth = int(block / 4.0 * (levels ? 0.3 + 0.7 * bright : 1.0) + 0.5);
                const int u = x % block, v = y % block;
                const int w = std::min(block, rect.right - (x - u)), h = std::min(block, rect.bottom - (y - v));
                // distances to the four sides; the nearest side inside the bevel shades the pixel
                const int toLeft = u, toTop = v, toRight = w - 1 - u, toBottom = h - 1 - v;
                const int nearest = std::min({toLeft, toTop, toRight, toBottom});
                double shade = 1.0;
                if (nearest < depth)
                    shade = nearest == toTop ? 1.45 : nearest == toLeft ? 1.2 : nearest == toRight ? 0.75 : 0.55;
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(shade > 1.0 ? mean[k] + (255.0 - mean[k]) * (shade - 1.0)
                                                      : mean[k] * shade);
            }
        });
    });
}
