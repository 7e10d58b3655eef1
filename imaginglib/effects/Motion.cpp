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
#include "Lanes.h"
#include "Sampler.h"

#include <array>
#include <cmath>
#include <cstring>
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

QUILLON_HOT_LOOP void radialRow(const isp::Image &image, isp::Image &target, const isp::Rect &rect, const Path &path,
                                int y)
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

using isp::Doubles;
using isp::Ints;
using isp::widen;

// sum[j] += the bilinear value between bytes j and j + 3 of the rows a and c
// with the weights fx across and fy down, rounded as sampleBilinear does, for
// `count` bytes; four at a time in vectors of doubles, which the compiler
// leaves unvectorised when written plainly (the clamping reads as branches).
inline void addWeighed(const std::uint8_t *a, const std::uint8_t *c, double fx, double fy, int *sum, int count)
{
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        Doubles pa, pb, pc, pd;
        widen(a + j, pa), widen(a + j + 3, pb), widen(c + j, pc), widen(c + j + 3, pd);
        const Doubles upper = pa + (pb - pa) * fx, lower = pc + (pd - pc) * fx;
        Ints rounded, total;
        isp::roundLanes(upper + (lower - upper) * fy, rounded);
        std::memcpy(&total, sum + j, sizeof total);
        total += rounded;
        std::memcpy(sum + j, &total, sizeof total);
    }
    for (; j < count; ++j) {
        const double upper = a[j] + (a[j + 3] - a[j]) * fx, lower = c[j] + (c[j + 3] - c[j]) * fx;
        sum[j] += isp::clampByte(upper + (lower - upper) * fy);
    }
}

// The linear blur: every pixel takes the same n steps back, so each step's
// two rows and their weight are found once a row, and a pixel's samples
// differ only across.  Across, x - back has the same fraction for every x
// whose result lies in one binade [2^k, 2^(k+1)) (x is a whole number, so
// the rounding of the difference does not depend on it): there a step is
// one weighing of two neighbouring columns at a fixed offset, a flat loop
// over the row's bytes that the compiler vectorises.  The rest (the ends,
// where the rectangle clamps the samples, and values below 1) is sampled
// pixel by pixel.
QUILLON_HOT_LOOP void linearRow(const isp::Image &image, isp::Image &target, const isp::Rect &rect, const Path &path,
                                int y)
{
    const isp::Reading source(image);
    const isp::Writing out(target);
    const int n = std::clamp(int(path.value) + 1, 1, kMaxSamples);
    const int step = source.step;
    const std::size_t width = std::size_t(rect.width());
    thread_local std::vector<int> buffer;
    buffer.assign(width * 3, 0);
    int *sums = buffer.data();
    for (int i = 0; i < n; ++i) {
        const double t = along(i, n), back = path.dx * path.value * t;
        const double sy = std::clamp(y - path.dy * path.value * t, double(rect.top), double(rect.bottom - 1));
        const int y0 = int(sy), y1 = std::min(y0 + 1, rect.bottom - 1);
        const double fy = sy - y0;
        const std::uint8_t *upper = source.at(0, y0), *lower = source.at(0, y1);
        auto one = [&](int x) {
            const double sx = std::clamp(x - back, double(rect.left), double(rect.right - 1));
            const int x0 = int(sx), x1 = std::min(x0 + 1, rect.right - 1);
            const double fx = sx - x0;
            for (int k = 0; k < 3; ++k) {
                const int a = upper[x0 * step + k], b = upper[x1 * step + k];
                const int c = lower[x0 * step + k], d = lower[x1 * step + k];
                const double top = a + (b - a) * fx, bottom = c + (d - c) * fx;
                sums[std::size_t(x - rect.left) * 3 + k] += isp::clampByte(top + (bottom - top) * fy);
            }
        };
        for (int x = rect.left; x < rect.right;) {
            const double sx = x - back;
            if (step != 3 || sx < std::max(1.0, double(rect.left)) || sx >= rect.right - 1) {
                one(x++);
                continue;
            }
            // the run of x whose x - back stays in this binade and inside
            int exponent;
            std::frexp(sx, &exponent);
            const double limit = std::min(std::ldexp(1.0, exponent), double(rect.right - 1));
            int end = x + 1;
            while (end < rect.right && end - back < limit)
                ++end;
            const int x0 = int(sx), offset = 3 * (x0 - x);
            const double fx = sx - x0;
            addWeighed(upper + offset + std::ptrdiff_t(x) * 3, lower + offset + std::ptrdiff_t(x) * 3, fx, fy,
                       sums + std::ptrdiff_t(x - rect.left) * 3, (end - x) * 3);
            x = end;
        }
    }
    std::uint8_t *q = out.at(rect.left, y);
    for (std::size_t x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k)
            q[x * std::size_t(step) + std::size_t(k)] = isp::clampByte(double(sums[x * 3 + std::size_t(k)]) / n);
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
