// Blur: a smooth blur growing with `strength` (the radius in
// pixels): three box passes, close to a Gaussian.  Pixels near the edge of
// the rectangle also draw on their neighbours outside it, so the blurred
// part blends into the rest.  The passes are summed exactly in integers
// and the mean rounded once to the nearest level.
#include "BoxSums.h"

namespace {

constexpr int kPasses = 3;

template <typename Sum>
bool blur(const isp::Image &source, isp::Image &target, const isp::Rect &rect, const isp::Rect &region, int radius,
          const isp::ExactDivider &divide, isp::Progress &progress)
{
    const std::uint64_t half = (isp::boxDivisor(radius, kPasses) - 1) / 2; // the divisor is odd: no ties
    const int step = target.bits() / 8;
    return isp::forBoxSums<Sum>(source, region, rect, radius, kPasses, progress,
                                [&](int y, int left, int right, const Sum *sums) {
        std::uint8_t *q = isp::pixel(target, left, y);
        for (int x = 0; x < right - left; ++x)
            for (int k = 0; k < 3; ++k) {
                const Sum value = Sum(sums[x * 3 + k] + half);
                if constexpr (sizeof(Sum) == 4)
                    q[x * step + k] = std::uint8_t(divide.narrowQuotient(value));
                else
                    q[x * step + k] = std::uint8_t(divide(value));
            }
    });
}

} // namespace

extern "C" HGLOBAL Blur(HGLOBAL dib, int32_t strength, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [strength](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                        isp::Progress &p) {
        isp::require(isp::parameterRow("Blur", "strength"), strength);
        const isp::Rect region = isp::grown(rect, kPasses * strength, source);
        const std::uint64_t divisor = isp::boxDivisor(strength, kPasses), largest = 255 * divisor + divisor / 2;
        const isp::ExactDivider divide(divisor, largest);
        if (largest <= UINT32_MAX && divide.narrow())
            return blur<std::uint32_t>(source, target, rect, region, strength, divide, p);
        return blur<std::uint64_t>(source, target, rect, region, strength, divide, p);
    });
}
