// PixelFix: despeckle.  A pixel that stands out from the median of its
// neighbourhood by more than a tolerance is replaced by that median, channel
// by channel; isolated dots and thin scratches go, edges stay.  `strength`
// widens the neighbourhood (radius 1 to 3) and lowers the
// tolerance.
#include "Frame.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

// The median lies beyond the tolerance only when more than half the values
// do; counting is cheaper than finding it.
inline bool mayStandOut(int above, int below, int count) { return !(above < count - count / 2 && below <= count / 2); }

// One pixel, its neighbourhood clipped to the rectangle.
void fixPixel(const isp::Image &source, isp::Image &target, const isp::Rect &rect, int radius, int tolerance, int x,
              int y)
{
    // the neighbourhood's values, channel by channel (at most 7 × 7)
    std::array<std::array<std::uint8_t, 49>, 3> window;
    const int top = std::max(rect.top, y - radius), bottom = std::min(rect.bottom - 1, y + radius);
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
        int above = 0, below = 0;
        for (int i = 0; i < count; ++i)
            above += window[k][i] > s[k] + tolerance, below += window[k][i] < s[k] - tolerance;
        if (!mayStandOut(above, below, count))
            continue;
        auto middle = window[k].begin() + count / 2;
        std::nth_element(window[k].begin(), middle, window[k].begin() + count);
        if (std::abs(int(s[k]) - int(*middle)) > tolerance)
            q[k] = *middle;
    }
}

// A row of a 24-bit picture whose neighbourhoods lie whole in the
// rectangle but for the columns at its sides: the counting runs over the
// row's bytes in one flat loop, which the compiler vectorises, and only the
// few bytes that may stand out look for their median.
template <int Radius>
QUILLON_HOT_LOOP void fixInnerRow(const isp::Image &source, isp::Image &target, const isp::Rect &rect, int tolerance,
                                  int y)
{
    constexpr int kSide = 2 * Radius + 1, kCount = kSide * kSide;
    const std::uint8_t *rows[kSide];
    for (int i = 0; i < kSide; ++i)
        rows[i] = source.row(y - Radius + i);
    const std::ptrdiff_t first = std::ptrdiff_t(rect.left + Radius) * 3, last = std::ptrdiff_t(rect.right - Radius) * 3;
    thread_local std::vector<std::uint8_t> buffer;
    buffer.resize(std::size_t(last - first));
    std::uint8_t *flags = buffer.data();
    const std::uint8_t *centre = rows[Radius];
    // in bytes, the bounds held within 0..255 (no byte lies beyond them then)
    const auto limit = std::uint8_t(tolerance);
    for (std::ptrdiff_t i = first; i < last; ++i) {
        const std::uint8_t s = centre[i];
        const std::uint8_t high = s > 255 - limit ? 255 : std::uint8_t(s + limit);
        const std::uint8_t low = s < limit ? 0 : std::uint8_t(s - limit);
        std::uint8_t above = 0, below = 0;
        for (int r = 0; r < kSide; ++r)
            for (int c = -Radius; c <= Radius; ++c) {
                const std::uint8_t n = rows[r][i + 3 * c];
                above += n > high;
                below += n < low;
            }
        flags[i - first] = mayStandOut(above, below, kCount);
    }
    std::uint8_t *q = target.row(y);
    for (std::ptrdiff_t i = first; i < last; ++i) {
        if (!flags[i - first])
            continue;
        std::array<std::uint8_t, kCount> window;
        int count = 0;
        for (int r = 0; r < kSide; ++r)
            for (int c = -Radius; c <= Radius; ++c)
                window[std::size_t(count++)] = rows[r][i + 3 * c];
        auto middle = window.begin() + kCount / 2;
        std::nth_element(window.begin(), middle, window.end());
        if (std::abs(int(centre[i]) - int(*middle)) > tolerance)
            q[i] = *middle;
    }
}

void fixRow(const isp::Image &source, isp::Image &target, const isp::Rect &rect, int radius, int tolerance, int y)
{
    const bool inner = source.bits() == 24 && y - radius >= rect.top && y + radius < rect.bottom
                    && rect.width() > 2 * radius;
    if (!inner) {
        for (int x = rect.left; x < rect.right; ++x)
            fixPixel(source, target, rect, radius, tolerance, x, y);
        return;
    }
    for (int x = rect.left; x < rect.left + radius; ++x)
        fixPixel(source, target, rect, radius, tolerance, x, y);
    for (int x = rect.right - radius; x < rect.right; ++x)
        fixPixel(source, target, rect, radius, tolerance, x, y);
    switch (radius) {
    case 1: return fixInnerRow<1>(source, target, rect, tolerance, y);
    case 2: return fixInnerRow<2>(source, target, rect, tolerance, y);
    default: return fixInnerRow<3>(source, target, rect, tolerance, y);
    }
}

} // namespace

extern "C" HGLOBAL PixelFix(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right,
                            int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("PixelFix", "strength"), strength);
        const int radius = 1 + strength / 40;
        const int tolerance = 48 - strength * 40 / 100;
        return isp::forRows(rect.top, rect.bottom, p,
                            [&](int y) { fixRow(source, target, rect, radius, tolerance, y); });
    });
}
