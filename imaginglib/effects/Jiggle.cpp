// Jiggle: the picture shaken.  Rows slide sideways and columns up and down
// by a wave of the row or column number: a sine, or a triangle when
// `triangle` is 1.  The wave repeats every 4 × `period` pixels
// and moves by up to `amplitude` / 4 pixels.
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL Jiggle(HGLOBAL dib, int32_t period, int32_t amplitude, int16_t triangle, int32_t left,
                          int32_t top, int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Jiggle", "period"), period);
        isp::require(isp::parameterRow("Jiggle", "amplitude"), amplitude);
        const double length = 4.0 * period, reach = amplitude / 4.0;
        auto wave = [&](double t) {
            const double phase = t / length - std::floor(t / length);
            if (triangle)
                return 4.0 * std::abs(phase - 0.5) - 1.0;
            return std::sin(phase * 6.283185307179586);
        };
        return isp::distort(source, target, rect, p, [&](double x, double y, double &sx, double &sy) {
            sx = x + reach * wave(y - rect.top);
            sy = y + reach * wave(x - rect.left + length / 4.0);
        });
    });
}
