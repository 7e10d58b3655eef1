#include "Rotate.h"

#include "Exception.h"
#include "Page.h"
#include "Rounding.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace cleanup {

namespace {

// Source positions are 16.16 fixed point; the fraction picks one of 256 sets of weights.
constexpr int fractionBits = 16;
constexpr int weightSteps = 256;
// Weights sum to 2048: with Catmull-Rom's negative lobes a sum of 4 × 4 taps
// then stays within 255 × (2048 × 1.25)², inside 32 bits.
constexpr int weightBits = 11;

using Weights = std::array<std::int32_t, 4>;

// The taps at offsets -1, 0, 1 and 2 around a sample a fraction t past the pixel at 0.
std::array<Weights, weightSteps> makeWeights(bool cubic)
{
    std::array<Weights, weightSteps> table{};
    for (int i = 0; i < weightSteps; ++i) {
        const double t = double(i) / weightSteps;
        const double w[4] = {
            cubic ? ((-0.5 * t + 1.0) * t - 0.5) * t : 0.0,
            cubic ? (1.5 * t - 2.5) * t * t + 1.0 : 1.0 - t,
            cubic ? ((-1.5 * t + 2.0) * t + 0.5) * t : t,
            cubic ? (0.5 * t - 0.5) * t * t : 0.0,
        };
        Weights &q = table[std::size_t(i)];
        int sum = 0;
        for (int k = 0; k < 4; ++k)
            sum += q[std::size_t(k)] = std::int32_t(platform::roundEven(w[k] * (1 << weightBits)));
        q[1] += (1 << weightBits) - sum; // exact sums: flat areas stay exactly flat
    }
    return table;
}

template <int Channels>
void resample(const QImage &source, QImage &target, double degrees, QRgb fill, const std::array<Weights, weightSteps> &weights)
{
    const int width = source.width(), height = source.height();
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    const double cx = width / 2.0, cy = height / 2.0;
    const std::array<int, 3> fillChannels = {qRed(fill), qGreen(fill), qBlue(fill)};
    const auto fixed = [](double value) { return std::int64_t(platform::roundEven(std::ldexp(value, fractionBits))); };
    // Moving one pixel right in the output moves by (cos, -sin) in the source.
    const std::int64_t stepU = fixed(c), stepV = fixed(-s);
    const uchar *in = source.constBits();
    const qsizetype inStride = source.bytesPerLine();
    uchar *outBits = target.bits();
    const qsizetype outStride = target.bytesPerLine();
    const auto store = [](std::int32_t sum) {
        const std::int32_t value = (sum + (std::int32_t(1) << (2 * weightBits - 1))) >> (2 * weightBits);
        return uchar(value < 0 ? 0 : value > 255 ? 255 : value);
    };

#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        // The point of the source that lands on the centre of the output
        // pixel (x, y): the output turned back about the centre, counted from
        // the source's pixel centres.
        const double dx = 0.5 - cx, dy = y + 0.5 - cy;
        std::int64_t u = fixed(c * dx + s * dy + cx - 0.5);
        std::int64_t v = fixed(-s * dx + c * dy + cy - 0.5);
        uchar *out = outBits + y * outStride;
        for (int x = 0; x < width; ++x, u += stepU, v += stepV) {
            const int ix = int(u >> fractionBits), iy = int(v >> fractionBits);
            const Weights &wx = weights[std::size_t((u >> (fractionBits - 8)) & 0xFF)];
            const Weights &wy = weights[std::size_t((v >> (fractionBits - 8)) & 0xFF)];
            uchar *pixel = out + x * Channels;
            if (ix >= 1 && iy >= 1 && ix + 2 < width && iy + 2 < height) { // every tap on the page
                std::int32_t sums[Channels] = {};
                const uchar *row = in + (iy - 1) * inStride + (ix - 1) * Channels;
                for (int j = 0; j < 4; ++j, row += inStride)
                    for (int k = 0; k < Channels; ++k)
                        sums[k] += wy[std::size_t(j)]
                            * (wx[0] * row[k] + wx[1] * row[Channels + k] + wx[2] * row[2 * Channels + k]
                               + wx[3] * row[3 * Channels + k]);
                for (int k = 0; k < Channels; ++k)
                    pixel[k] = store(sums[k]);
                continue;
            }
            if (ix < -2 || iy < -2 || ix > width || iy > height) { // no tap on the page
                for (int k = 0; k < Channels; ++k)
                    pixel[k] = uchar(fillChannels[std::size_t(k)]);
                continue;
            }
            for (int k = 0; k < Channels; ++k) { // along the page's edge: taps outside take the fill
                std::int32_t sum = 0;
                for (int j = 0; j < 4; ++j) {
                    const int sy = iy - 1 + j;
                    std::int32_t line = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int sx = ix - 1 + i;
                        const bool onPage = sy >= 0 && sy < height && sx >= 0 && sx < width;
                        line += wx[std::size_t(i)]
                            * (onPage ? in[sy * inStride + sx * Channels + k] : fillChannels[std::size_t(k)]);
                    }
                    sum += wy[std::size_t(j)] * line;
                }
                pixel[k] = store(sum);
            }
        }
    }
}

} // namespace

QImage rotated(const QImage &page, double degrees, QRgb fill)
{
    if (!std::isfinite(degrees))
        throw platform::Exception(QStringLiteral("Angle de rotation invalide."));
    const WorkPage work = workPage(page);
    static const std::array<Weights, weightSteps> cubic = makeWeights(true), linear = makeWeights(false);
    QImage target(work.pixels.size(), work.pixels.format());
    if (work.pixels.format() == QImage::Format_Grayscale8) {
        const int grey = qGray(fill);
        resample<1>(work.pixels, target, degrees, qRgb(grey, grey, grey), work.kind == PageKind::Bilevel ? linear : cubic);
    } else {
        resample<3>(work.pixels, target, degrees, fill, cubic);
    }
    return storedLike(target, page);
}

} // namespace cleanup
