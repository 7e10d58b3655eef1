// Whirl: a swirl around the centre of the rectangle.  Within the inscribed
// circle a point is turned by `amount` degrees at the centre, less and less
// towards the rim ((1 - r)²), not at all outside.  0 is the identity.
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL Whirl(HGLOBAL dib, double amount, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [amount](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                      isp::Progress &p) {
        isp::require(isp::parameterRow("Whirl", "amount"), amount);
        const isp::Polar polar(rect);
        const double turn = amount * 3.141592653589793 / 180.0;
        return isp::distortRadially(
            source, target, rect, polar, p,
            [&](double r) -> std::optional<std::pair<double, double>> {
                if (r >= 1.0)
                    return std::nullopt;
                const double angle = turn * (1.0 - r) * (1.0 - r);
                return std::pair{std::cos(angle), std::sin(angle)};
            },
            [&](double dx, double dy, const std::pair<double, double> &turned, double &sx, double &sy) {
                const auto [c, s] = turned;
                sx = polar.cx + dx * c - dy * s, sy = polar.cy + dx * s + dy * c;
            });
    });
}
