// AutoContrast: stretches the levels of the rectangle to the full range.
// The darkest and lightest channel values (ignoring the extreme half
// percent, so a few stray pixels do not hold the stretch back) become 0 and
// 255; the same stretch applies to the three channels, so hues stay.
#include "Frame.h"

#include <array>

extern "C" HGLOBAL AutoContrast(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                isp::Progress &p) {
        std::array<std::int64_t, 256> histogram{};
        const int step = source.bits() / 8;
        for (int y = rect.top; y < rect.bottom; ++y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step)
                ++histogram[s[0]], ++histogram[s[1]], ++histogram[s[2]];
        }
        const std::int64_t clip = std::int64_t(rect.width()) * rect.height() * 3 / 200;
        int low = 0, high = 255;
        for (std::int64_t seen = 0; low < 255 && (seen += histogram[low]) <= clip;)
            ++low;
        for (std::int64_t seen = 0; high > 0 && (seen += histogram[high]) <= clip;)
            --high;
        if (high <= low)
            return true;
        std::array<std::uint8_t, 256> table{};
        for (int v = 0; v < 256; ++v)
            table[v] = isp::clampByte((v - low) * 255.0 / (high - low));
        isp::Progress rest = p.part(10, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step)
                q[0] = table[s[0]], q[1] = table[s[1]], q[2] = table[s[2]];
        });
    });
}
