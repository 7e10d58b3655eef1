// PinchHole: pinches the middle of the rectangle in or pushes it out.
// Within the circle inscribed in the rectangle a point at relative distance
// r from the centre shows the source at r × sin(πr/2)^(-amount/10); negative
// amounts (all that the effects dialog offers) open a hole that swells the middle,
// positive ones pinch it.  0 is the identity.
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL PinchHole(HGLOBAL dib, double amount, int32_t left, int32_t top, int32_t right, int32_t bottom,
                             void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [amount](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                      isp::Progress &p) {
        isp::require(isp::parameterRow("PinchHole", "amount"), amount);
        const isp::Polar polar(rect);
        const double power = -amount / 10.0;
        return isp::distortRadially(
            source, target, rect, polar, p,
            [&](double r) -> std::optional<double> {
                if (r >= 1.0 || r <= 0.0)
                    return std::nullopt;
                return std::pow(std::sin(1.5707963267948966 * r), power);
            },
            [&](double dx, double dy, double factor, double &sx, double &sy) {
                sx = polar.cx + dx * factor, sy = polar.cy + dy * factor;
            });
    });
}
