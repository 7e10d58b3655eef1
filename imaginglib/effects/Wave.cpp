// Wave: sine waves running across the picture.  Each column is shifted
// vertically by amplitude × sin(2π x / wave length + phase), with the
// amplitude in tenths of a pixel, the wave length in pixels
// (0 leaves the picture flat) and the phase in tenths of a degree.
// `smooth` samples between pixels (soft edges) instead of taking the
// nearest; `reflection` lights the crests and darkens the troughs, as water
// reflects light.
#include "Sampler.h"

#include <cmath>

extern "C" HGLOBAL Wave(HGLOBAL dib, double amplitude, int32_t waveLength, double phase, int16_t smooth,
                        int16_t reflection, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Wave", "amplitude"), amplitude);
        isp::require(isp::parameterRow("Wave", "waveLength"), waveLength);
        isp::require(isp::parameterRow("Wave", "phase"), phase);
        if (waveLength == 0 || amplitude == 0.0)
            return true;
        const double pixels = amplitude / 10.0;
        const double step = 2.0 * 3.141592653589793 / waveLength;
        const double start = phase / 10.0 * 3.141592653589793 / 180.0;
        isp::Progress moving = p.part(0, 80);
        const bool moved = isp::distort(
            source, target, rect, moving,
            [&](double x, double y, double &, double &sy) { sy = y + pixels * std::sin((x - rect.left) * step + start); },
            smooth != 0);
        if (!moved || !reflection)
            return moved;
        isp::Progress rest = p.part(80, 100);
        return isp::forRows(rect.top, rect.bottom, rest, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                // the slope of the wave at this column sets the light it catches
                const double light = 0.25 * std::cos((x - rect.left) * step + start) * std::min(1.0, pixels * step);
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(q[k] + (light > 0 ? (255 - q[k]) * light : q[k] * light));
            }
        });
    });
}
