// Motion: blur of a moving camera.  Each pixel is the mean of samples taken
// along its path:
//  kind 1, zoom: towards the centre of the rectangle, over `value` / 500 of
//         the distance;
//  kind 2, rotation: along the circle around the centre, over `value` / 5
//         degrees;
//  kind 3, linear: `value` pixels back along the direction `angle`
//         (degrees, counter-clockwise from the right).
#include "Sampler.h"

#include <cmath>

namespace {

constexpr int kMaxSamples = 48;

} // namespace

extern "C" HGLOBAL Motion(HGLOBAL dib, int32_t value, int32_t angle, int16_t kind, int32_t left, int32_t top,
                          int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Motion", "value"), value);
        isp::require(isp::parameterRow("Motion", "kind"), kind);
        const isp::Polar polar(rect);
        constexpr double kDegree = 3.141592653589793 / 180.0;
        const double zoom = std::min(1.0, value / 500.0), arc = value / 5.0 * kDegree;
        const double dx = std::cos(angle * kDegree), dy = -std::sin(angle * kDegree);
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const double ox = x - polar.cx, oy = y - polar.cy;
                // length of the path in pixels decides how many samples it needs
                const double length = kind == 1 ? std::hypot(ox, oy) * zoom
                                    : kind == 2 ? std::hypot(ox, oy) * arc
                                                : double(value);
                const int samples = std::clamp(int(length) + 1, 1, kMaxSamples);
                double sum[4] = {0, 0, 0, 0};
                std::uint8_t sample[4];
                for (int i = 0; i < samples; ++i) {
                    const double t = samples > 1 ? double(i) / (samples - 1) : 0.0;
                    double sx, sy;
                    if (kind == 1) {
                        sx = polar.cx + ox * (1.0 - zoom * t), sy = polar.cy + oy * (1.0 - zoom * t);
                    } else if (kind == 2) {
                        const double a = arc * (t - 0.5), c = std::cos(a), s = std::sin(a);
                        sx = polar.cx + ox * c - oy * s, sy = polar.cy + ox * s + oy * c;
                    } else {
                        sx = x - dx * value * t, sy = y - dy * value * t;
                    }
                    isp::sampleBilinear(source, rect, sx, sy, sample);
                    for (int k = 0; k < 3; ++k)
                        sum[k] += sample[k];
                }
                std::uint8_t *q = isp::pixel(target, x, y);
                for (int k = 0; k < 3; ++k)
                    q[k] = isp::clampByte(sum[k] / samples);
            }
        });
    });
}
