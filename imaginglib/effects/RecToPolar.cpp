// RecToPolar: rectangular to polar coordinates and back.  Forwards, the
// rectangle is wrapped around its centre: its columns become angles and its
// rows distances from the centre, top row in the middle.  With `inverse`
// the polar picture is unrolled into rows and columns.  `angle` (degrees)
// turns the starting direction, `value` zooms out the radius by
// that many percent, `backward` runs the angles the other way round.
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL RecToPolar(HGLOBAL dib, int32_t value, int32_t angle, int32_t inverse, int32_t backward,
                              int32_t left, int32_t top, int32_t right, int32_t bottom, void *userData,
                              ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("RecToPolar", "value"), value);
        isp::require(isp::parameterRow("RecToPolar", "angle"), angle);
        constexpr double kTwoPi = 6.283185307179586;
        const double cx = (rect.left + rect.right - 1) / 2.0, cy = (rect.top + rect.bottom - 1) / 2.0;
        // the distance to the corners, so the whole rectangle is covered
        const double radius = std::hypot(rect.width() / 2.0, rect.height() / 2.0) * (1.0 + value / 100.0);
        const double turn = angle * kTwoPi / 360.0;
        const double direction = backward ? -1.0 : 1.0;
        const double width = rect.width(), height = rect.height();
        return isp::distort(source, target, rect, p, [&](double x, double y, double &sx, double &sy) {
            if (!inverse) {
                double theta = direction * std::atan2(y - cy, x - cx) - turn;
                theta -= kTwoPi * std::floor(theta / kTwoPi);
                sx = rect.left + theta / kTwoPi * (width - 1);
                sy = rect.top + std::hypot(x - cx, y - cy) / radius * (height - 1);
            } else {
                const double theta = direction * ((x - rect.left) / width * kTwoPi + turn);
                const double r = (y - rect.top) / height * radius;
                sx = cx + r * std::cos(theta), sy = cy + r * std::sin(theta);
            }
        });
    });
}
