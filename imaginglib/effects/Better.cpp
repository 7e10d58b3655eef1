// Better: sharpen or soften by `amount`.  Positive amounts add
// back the difference between the picture and a slightly blurred copy
// (unsharp mask); negative amounts move towards a blurred copy whose radius
// grows with the amount.  0 leaves the picture as it is.  The blurred copy
// is two box passes summed exactly in integers, and each result is rounded
// once from the exact value.
#include "BoxSums.h"

#include <cstdlib>

namespace {

constexpr int kPasses = 2;

} // namespace

extern "C" HGLOBAL Better(HGLOBAL dib, int32_t amount, int32_t left, int32_t top, int32_t right, int32_t bottom,
                          void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [amount](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                      isp::Progress &p) {
        isp::require(isp::parameterRow("Better", "amount"), amount);
        if (amount == 0)
            return true;
        const int radius = amount > 0 ? 1 : 1 + std::abs(amount) / 3;
        const isp::Rect region = isp::grown(rect, kPasses * radius, source);
        // With s the pixel, b = sum / d the blurred copy and w the weight
        // (amount / 3 sharpening, (6 + |amount|) / 15 softening), the value
        // s + w (s - b) or s + w (b - s) is n / (scale d) for an integer n.
        const std::int64_t d = std::int64_t(isp::boxDivisor(radius, kPasses));
        const std::int64_t scale = amount > 0 ? 3 : 15, weight = amount > 0 ? amount : 6 + std::abs(amount);
        const std::int64_t denominator = scale * d; // odd: no value lies halfway
        const std::int64_t largest = 2 * (scale + weight) * 255 * d + denominator;
        const isp::ExactDivider divide(std::uint64_t(2 * denominator), std::uint64_t(largest));
        const int step = target.bits() / 8;
        return isp::forBoxSums<std::uint32_t>(source, region, rect, radius, kPasses, p,
                                              [&](int y, int left, int right, const std::uint32_t *sums) {
            const std::uint8_t *s = isp::pixel(source, left, y);
            std::uint8_t *q = isp::pixel(target, left, y);
            for (int x = 0; x < right - left; ++x)
                for (int k = 0; k < 3; ++k) {
                    const std::int64_t ds = d * s[x * step + k], b = sums[x * 3 + k];
                    const std::int64_t n = scale * ds + (amount > 0 ? weight * (ds - b) : weight * (b - ds));
                    // nearest of n / denominator, held within 0..255
                    const std::int64_t twice = 2 * n + denominator;
                    q[x * step + k] = twice <= 0 ? 0 : std::uint8_t(std::min<std::uint64_t>(255, divide(std::uint64_t(twice))));
                }
        });
    });
}
