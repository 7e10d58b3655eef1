// Motion: blur of a moving camera.  Each pixel is the mean of samples taken
// along its path:
//  kind 1, zoom: towards the centre of the rectangle, over `value` / 500 of
//         the distance;
//  kind 2, rotation: along the circle around the centre, over `value` / 5
//         degrees;
//  kind 3, linear: `value` pixels back along the direction `angle`
//         (degrees, counter-clockwise from the right).
// What the samples' positions share is worked out once: the steps along the
// path for each number of samples, the turns of the rotation, and for the
// linear blur, where every pixel takes the same steps, each step's rows.
#include "Sampler.h"

#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int kMaxSamples = 48;

// The place along the path of sample i of n, from 0 to 1.
double along(int i, int n) { return n > 1 ? double(i) / (n - 1) : 0.0; }

struct Path {
    int kind;
    double value, zoom, arc, dx, dy;
    isp::Polar polar;
    // per number of samples n and sample i: 1 - zoom t (zoom) or the
    // cosine and sine of the turn (rotation)
    std::array<std::array<double, kMaxSamples>, kMaxSamples + 1> shrink{}, cosine{}, sine{};
};

// Sums the bilinear samples of channels 0..2 at (sx, sy) into sum.
inline void addSample(const isp::Reading &source, const isp::Rect &rect, double sx, double sy, double *sum)
{
    std::uint8_t sample[4];
    isp::sampleBilinear(source, rect, sx, sy, sample);
    for (int k = 0; k < 3; ++k)
        sum[k] += sample[k];
}

ISP_HOT void radialRow(const isp::Image &image, isp::Image &target, const isp::Rect &rect, const Path &path, int y)
{
    const isp::Reading source(image);
    const isp::Writing out(target);
    const isp::Polar &polar = path.polar;
    for (int x = rect.left; x < rect.right; ++x) {
        const double ox = x - polar.cx, oy = y - polar.cy;
        // length of the path in pixels decides how many samples it needs
        const double length = std::hypot(ox, oy) * (path.kind == 1 ? path.zoom : path.arc);
        const int n = std::clamp(int(length) + 1, 1, kMaxSamples);
        double sum[3] = {0, 0, 0};
        for (int i = 0; i < n; ++i) {
            if (path.kind == 1) {
                const double f = path.shrink[std::size_t(n)][std::size_t(i)];
                addSample(source, rect, polar.cx + ox * f, polar.cy + oy * f, sum);
            } else {
                const double c = path.cosine[std::size_t(n)][std::size_t(i)], s = path.sine[std::size_t(n)][std::size_t(i)];
                addSample(source, rect, polar.cx + ox * c - oy * s, polar.cy + ox * s + oy * c, sum);
            }
        }
        std::uint8_t *q = out.at(x, y);
        for (int k = 0; k < 3; ++k)
            q[k] = isp::clampByte(sum[k] / n);
    }
}

// The linear blur: every pixel takes the same n steps back, so each step's
// two rows and their weight are found once a row, and a pixel's samples
// differ only across.
ISP_HOT void linearRow(const isp::Image &image, isp::Image &target, const isp::Rect &rect, const Path &path, int y)
{
    const isp::Reading source(image);
    const isp::Writing out(target);
    const int n = std::clamp(int(path.value) + 1, 1, kMaxSamples);
    struct Step {
        double back;                        // how far back across
        const std::uint8_t *upper, *lower;  // the two rows, at x = 0
        double fy;
    };
    std::array<Step, kMaxSamples> steps;
    for (int i = 0; i < n; ++i) {
        const double t = along(i, n);
        const double sy = std::clamp(y - path.dy * path.value * t, double(rect.top), double(rect.bottom - 1));
        const int y0 = int(sy), y1 = std::min(y0 + 1, rect.bottom - 1);
        steps[std::size_t(i)] = {path.dx * path.value * t, source.at(0, y0), source.at(0, y1), sy - y0};
    }
    const int step = source.step;
    for (int x = rect.left; x < rect.right; ++x) {
        double sum[3] = {0, 0, 0};
        for (int i = 0; i < n; ++i) {
            const Step &s = steps[std::size_t(i)];
            const double sx = std::clamp(x - s.back, double(rect.left), double(rect.right - 1));
            const int x0 = int(sx), x1 = std::min(x0 + 1, rect.right - 1);
            const double fx = sx - x0;
            const std::uint8_t *a = s.upper + x0 * step, *b = s.upper + x1 * step;
            const std::uint8_t *c = s.lower + x0 * step, *d = s.lower + x1 * step;
            for (int k = 0; k < 3; ++k) {
                const double top = a[k] + (b[k] - a[k]) * fx;
                const double bottom = c[k] + (d[k] - c[k]) * fx;
                sum[k] += isp::clampByte(top + (bottom - top) * s.fy);
            }
        }
        std::uint8_t *q = out.at(x, y);
        for (int k = 0; k < 3; ++k)
            q[k] = isp::clampByte(sum[k] / n);
    }
}

} // namespace

extern "C" HGLOBAL Motion(HGLOBAL dib, int32_t value, int32_t angle, int16_t kind, int32_t left, int32_t top,
                          int32_t right, int32_t bottom, void *userData, ILProgressProc progress)
{
    return isp::newDibEffect(dib, left, top, right, bottom, userData, progress,
                             [=](const isp::Image &source, isp::Image &target, const isp::Rect &rect,
                                 isp::Progress &p) {
        isp::require(isp::parameterRow("Motion", "value"), value);
        isp::require(isp::parameterRow("Motion", "kind"), kind);
        constexpr double kDegree = 3.141592653589793 / 180.0;
        auto path = std::make_unique<Path>(Path{kind, double(value), std::min(1.0, value / 500.0), value / 5.0 * kDegree,
                                                std::cos(angle * kDegree), -std::sin(angle * kDegree), isp::Polar(rect)});
        for (int n = 1; n <= kMaxSamples; ++n)
            for (int i = 0; i < n; ++i) {
                const double t = along(i, n), a = path->arc * (t - 0.5);
                path->shrink[std::size_t(n)][std::size_t(i)] = 1.0 - path->zoom * t;
                path->cosine[std::size_t(n)][std::size_t(i)] = std::cos(a);
                path->sine[std::size_t(n)][std::size_t(i)] = std::sin(a);
            }
        return isp::forRows(rect.top, rect.bottom, p, [&](int y) {
            if (kind == 3)
                linearRow(source, target, rect, *path, y);
            else
                radialRow(source, target, rect, *path, y);
        });
    });
}
