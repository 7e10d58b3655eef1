// Enhance: brightness and contrast shifts with a gamma
// per channel (10 meaning 1.0; above 10 lightens the mid-tones).
// Gamma comes first, then contrast around mid-grey, then brightness; the
// three make one table per channel.
#include "Frame.h"

#include <array>
#include <cmath>

extern "C" HGLOBAL Enhance(HGLOBAL dib, int32_t brightness, int32_t contrast, int32_t blueGamma,
                           int32_t greenGamma, int32_t redGamma, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Enhance", "brightness"), brightness);
        isp::require(isp::parameterRow("Enhance", "contrast"), contrast);
        isp::require(isp::parameterRow("Enhance", "blueGamma"), blueGamma);
        isp::require(isp::parameterRow("Enhance", "greenGamma"), greenGamma);
        isp::require(isp::parameterRow("Enhance", "redGamma"), redGamma);
        const int gammas[3] = {blueGamma, greenGamma, redGamma};
        // contrast 255 is an almost vertical slope, -255 a flat grey
        const double slope = std::tan((contrast / 255.0 * 0.999 + 1.0) * 0.7853981633974483);
        std::array<std::array<std::uint8_t, 256>, 3> tables{};
        for (int k = 0; k < 3; ++k) {
            const double exponent = 10.0 / gammas[k];
            for (int v = 0; v < 256; ++v) {
                const double corrected = 255.0 * std::pow(v / 255.0, exponent);
                tables[k][v] = isp::clampByte((corrected - 127.5) * slope + 127.5 + brightness);
            }
        }
        const int step = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step)
                q[0] = tables[0][s[0]], q[1] = tables[1][s[1]], q[2] = tables[2][s[2]];
        });
    });
}
