// Noise: random noise added to each channel.  `red`, `green` and `blue`
// are the amplitudes: uniform noise spans ± the amplitude,
// Gaussian noise (`gaussian` 1) has half the amplitude as its standard
// deviation.  With `byIntensity` the noise is scaled by the pixel's
// intensity, so shadows stay clean.  The noise is seeded from the
// parameters: the same call gives the same picture.
#include "Frame.h"
#include "Random.h"

#include <cmath>

namespace {

// Three noise values of one pixel, each in units of its amplitude: uniform
// in [-1, 1], or normal with a standard deviation of 1/2.  One hash of the
// pixel's position feeds all three.
void pixelNoise(std::uint64_t seed, int x, int y, bool gaussian, double out[3])
{
    const std::uint64_t first = isp::hashOf(seed, x, y), second = isp::mixBits(first);
    if (!gaussian) {
        for (int k = 0; k < 3; ++k)
            out[k] = double((first >> (21 * k)) & 0x1FFFFF) / double(0x1FFFFF) * 2.0 - 1.0;
        return;
    }
    // Box-Muller: each pair of uniforms gives two normal values
    auto unit = [](std::uint64_t bits) { return (double(bits & 0xFFFFFFFF) + 1.0) / 4294967296.0; };
    const double r1 = std::sqrt(-2.0 * std::log(unit(first))), a1 = 6.283185307179586 * unit(first >> 32);
    const double r2 = std::sqrt(-2.0 * std::log(unit(second))), a2 = 6.283185307179586 * unit(second >> 32);
    out[0] = r1 * std::cos(a1) / 2.0, out[1] = r1 * std::sin(a1) / 2.0, out[2] = r2 * std::cos(a2) / 2.0;
}

} // namespace

extern "C" HGLOBAL Noise(HGLOBAL dib, int16_t gaussian, int16_t byIntensity, int32_t red, int32_t green,
                         int32_t blue, int32_t left, int32_t top, int32_t right, int32_t bottom, void *userData,
                         ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Noise", "red"), red);
        isp::require(isp::parameterRow("Noise", "green"), green);
        isp::require(isp::parameterRow("Noise", "blue"), blue);
        const int amplitude[3] = {blue, green, red};
        const std::uint64_t seed = isp::hashOf(0x4E6F697365ull, red * 65536 + green * 256 + blue, gaussian,
                                               byIntensity);
        const int step = source.bits() / 8;
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            const std::uint8_t *s = isp::pixel(source, rect.left, y);
            std::uint8_t *q = isp::pixel(target, rect.left, y);
            for (int x = rect.left; x < rect.right; ++x, s += step, q += step) {
                const double scale = byIntensity ? isp::luminance(s) / 255.0 : 1.0;
                double noise[3];
                pixelNoise(seed, x, y, gaussian != 0, noise);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(s[k] + noise[k] * amplitude[k] * scale);
            }
        });
    });
}
