// OilPainting: an oil-paint look.  Each pixel takes the mean colour of the
// neighbours that share the most frequent intensity level within a square of
// radius `strength` (0 leaves the picture as it is).  The level histogram
// slides along each row, so the cost grows with the radius, not its square.
#include "Frame.h"

#include <array>

namespace {

constexpr int kLevels = 24;

struct Bin {
    int count = 0;
    int blue = 0, green = 0, red = 0;
};

void paintRow(const isp::Image &source, isp::Image &target, const isp::Rect &rect, int radius, int y)
{
    std::array<Bin, kLevels> bins{};
    const int top = std::max(rect.top, y - radius), bottom = std::min(rect.bottom - 1, y + radius);
    auto addColumn = [&](int x, int sign) {
        if (x < rect.left || x >= rect.right)
            return;
        for (int row = top; row <= bottom; ++row) {
            const std::uint8_t *p = isp::pixel(source, x, row);
            Bin &bin = bins[isp::luminance(p) * kLevels / 256];
            bin.count += sign, bin.blue += sign * p[0], bin.green += sign * p[1], bin.red += sign * p[2];
        }
    };
    for (int x = rect.left - radius; x < rect.left + radius; ++x)
        addColumn(x, 1);
    for (int x = rect.left; x < rect.right; ++x) {
        addColumn(x + radius, 1);
        const Bin *best = &bins[0];
        for (const Bin &bin : bins)
            if (bin.count > best->count)
                best = &bin;
        std::uint8_t *q = isp::pixel(target, x, y);
        q[0] = std::uint8_t(best->blue / best->count);
        q[1] = std::uint8_t(best->green / best->count);
        q[2] = std::uint8_t(best->red / best->count);
        addColumn(x - radius, -1);
    }
}

} // namespace

extern "C" HGLOBAL OilPainting(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right,
                               int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("OilPainting", "strength"), strength);
        if (strength == 0)
            return true;
        return isp::forRows(rect.top, rect.bottom, p,
                            [&](int y) { paintRow(source, target, rect, strength, y); });
    });
}
