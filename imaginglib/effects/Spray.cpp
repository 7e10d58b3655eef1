// Spray: the picture as if sprayed on.  Each pixel takes the colour of a
// pixel chosen at random within `value` pixels; `randomness`
// chooses the pattern, so the same values always give the same
// picture.
#include "Frame.h"
#include "Random.h"

extern "C" HGLOBAL Spray(HGLOBAL dib, int32_t value, int32_t randomness, int32_t left, int32_t top,
                         int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Spray", "value"), value);
        isp::require(isp::parameterRow("Spray", "randomness"), randomness);
        const std::uint64_t seed = isp::hashOf(0x5370726179ull, randomness);
        const int channels = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const int dx = int(isp::unitRandom(seed, x, y, 0) * (2 * value + 1)) - value;
                const int dy = int(isp::unitRandom(seed, x, y, 1) * (2 * value + 1)) - value;
                const int sx = std::clamp(x + dx, rect.left, rect.right - 1);
                const int sy = std::clamp(y + dy, rect.top, rect.bottom - 1);
                std::copy_n(isp::pixel(source, sx, sy), channels, isp::pixel(target, x, y));
            }
        });
    });
}
