// The fast paths of the effects (box sums in bands and strips, flat byte
// loops, work shared once per row, circles visited alone) against the
// direct computation of what each effect is defined to give, pixel for
// pixel, on pictures large enough to be cut into several bands.
#include "isp2000.h"
#include "TestDibs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace fxtest;

namespace {

// A busy picture with speckles: smooth ramps, hard edges and lone dots.
Rgb busy(int x, int y)
{
    const auto hash = std::uint32_t(x * 73856093u ^ y * 19349663u) * 2654435761u;
    if ((hash >> 24) < 6)
        return {int(hash >> 8 & 255), int(hash >> 16 & 255), 255};
    const Rgb base = photo(x % 50, y % 40);
    return {(base.red + x) % 256, (base.green + 2 * y) % 256, (base.blue + x * y / 7) % 256};
}

// The pixels of a DIB as channel values: blue, green, red of each pixel.
struct Pixels {
    int width = 0, height = 0;
    std::vector<int> values;
    explicit Pixels(HGLOBAL dib)
    {
        View v(dib);
        width = v.width(), height = v.height();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb c = v.at(x, y);
                values.insert(values.end(), {c.blue, c.green, c.red});
            }
    }
    int at(int x, int y, int k) const { return values[(std::size_t(y) * width + x) * 3 + k]; }
};

std::uint8_t clampByte(long double value)
{
    return value <= 0 ? 0 : value >= 255 ? 255 : std::uint8_t(value + 0.5L);
}

// Expects every pixel of the result to be what `direct(x, y, k)` says
// inside the rectangle and the input's outside it.
template <typename Direct>
void expectPixels(HGLOBAL input, HGLOBAL result, const Box &box, Direct direct)
{
    ASSERT_NE(result, nullptr);
    const Pixels in(input), out(result);
    int wrong = 0;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int k = 0; k < 3; ++k) {
                const int expected = box.contains(x, y) ? direct(x, y, k) : in.at(x, y, k);
                if (out.at(x, y, k) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "at " << x << "," << y << " channel " << k << ": " << out.at(x, y, k)
                                  << " instead of " << expected;
            }
    EXPECT_EQ(wrong, 0);
}

// `passes` box sums of radius r along the rows, then down the columns, each
// pass clamping at the edges of the region (the rectangle grown by
// passes × r, within the picture): exact integers, summed the plain way.
std::vector<std::int64_t> boxSums(const Pixels &in, const Box &box, int r, int passes, Box &region)
{
    const int margin = passes * r;
    region = {std::max(0, box.left - margin), std::max(0, box.top - margin), std::min(in.width, box.right + margin),
              std::min(in.height, box.bottom + margin)};
    const int w = region.right - region.left, h = region.bottom - region.top;
    std::vector<std::int64_t> sums(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k)
                sums[(std::size_t(y) * w + x) * 3 + k] = in.at(region.left + x, region.top + y, k);
    auto pass = [&](bool across) {
        std::vector<std::int64_t> next(sums.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    std::int64_t sum = 0;
                    for (int i = -r; i <= r; ++i) {
                        const int sx = across ? std::clamp(x + i, 0, w - 1) : x;
                        const int sy = across ? y : std::clamp(y + i, 0, h - 1);
                        sum += sums[(std::size_t(sy) * w + sx) * 3 + k];
                    }
                    next[(std::size_t(y) * w + x) * 3 + k] = sum;
                }
        sums.swap(next);
    };
    for (int i = 0; i < passes; ++i)
        pass(true);
    for (int i = 0; i < passes; ++i)
        pass(false);
    return sums;
}

std::int64_t power(std::int64_t base, int exponent)
{
    std::int64_t result = 1;
    while (exponent-- > 0)
        result *= base;
    return result;
}

constexpr int kWidth = 150, kHeight = 300; // several bands of rows
const Box kWhole{0, 0, kWidth, kHeight};
const Box kPart{13, 40, 131, 277};

} // namespace

TEST(FastPaths, BlurIsTheRoundedMeanOfThreeBoxPasses)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    struct Case {
        int radius;
        Box box;
    };
    // 100 makes 64-bit sums and strips of columns
    for (const Case &c : {Case{1, kWhole}, Case{3, kPart}, Case{7, kWhole}, Case{12, kPart}, Case{100, kWhole}}) {
        SCOPED_TRACE(c.radius);
        GlobalBlock result(Blur(dib.get(), c.radius, c.box.left, c.box.top, c.box.right, c.box.bottom, nullptr, nullptr));
        Box region;
        const std::vector<std::int64_t> sums = boxSums(in, c.box, c.radius, 3, region);
        const std::int64_t d = power(2 * c.radius + 1, 6);
        const int w = region.right - region.left;
        expectPixels(dib.get(), result.get(), c.box, [&](int x, int y, int k) {
            const std::int64_t s = sums[(std::size_t(y - region.top) * w + (x - region.left)) * 3 + k];
            return int(clampByte((long double)s / d));
        });
    }
}

TEST(FastPaths, BetterMovesFromOrTowardsTwoBoxPasses)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy, 32);
    const Pixels in(dib.get());
    for (int amount : {9, 3, 1, -1, -6, -9}) {
        SCOPED_TRACE(amount);
        GlobalBlock result(Better(dib.get(), amount, kPart.left, kPart.top, kPart.right, kPart.bottom, nullptr, nullptr));
        const int radius = amount > 0 ? 1 : 1 + std::abs(amount) / 3;
        Box region;
        const std::vector<std::int64_t> sums = boxSums(in, kPart, radius, 2, region);
        const long double d = (long double)power(2 * radius + 1, 4);
        const long double weight = amount > 0 ? amount / 3.0L : 0.4L + std::abs(amount) / 15.0L;
        const int w = region.right - region.left;
        expectPixels(dib.get(), result.get(), kPart, [&](int x, int y, int k) {
            const long double s = in.at(x, y, k);
            const long double b = sums[(std::size_t(y - region.top) * w + (x - region.left)) * 3 + k] / d;
            return int(clampByte(amount > 0 ? s + weight * (s - b) : s + weight * (b - s)));
        });
    }
}

TEST(FastPaths, EdgeIsTheSobelMagnitude)
{
    for (int bits : {24, 32}) {
        GlobalBlock dib = makeDib(kWidth, kHeight, busy, bits);
        const Pixels in(dib.get());
        GlobalBlock result(Edge(dib.get(), 30, kPart.left, kPart.top, kPart.right, kPart.bottom, nullptr, nullptr));
        expectPixels(dib.get(), result.get(), kPart, [&](int x, int y, int k) {
            auto v = [&](int dx, int dy) {
                return in.at(std::clamp(x + dx, kPart.left, kPart.right - 1), std::clamp(y + dy, kPart.top, kPart.bottom - 1), k);
            };
            const int gx = v(1, -1) + 2 * v(1, 0) + v(1, 1) - v(-1, -1) - 2 * v(-1, 0) - v(-1, 1);
            const int gy = v(-1, 1) + 2 * v(0, 1) + v(1, 1) - v(-1, -1) - 2 * v(0, -1) - v(1, -1);
            return int(clampByte((0.25 + 30 * 0.05) * std::sqrt(double(gx * gx + gy * gy))));
        });
    }
}

TEST(FastPaths, PixelFixTakesTheMedianOfWhatStandsOut)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    for (int strength : {0, 45, 100}) {
        SCOPED_TRACE(strength);
        GlobalBlock result(PixelFix(dib.get(), strength, kPart.left, kPart.top, kPart.right, kPart.bottom, nullptr, nullptr));
        const int radius = 1 + strength / 40, tolerance = 48 - strength * 40 / 100;
        expectPixels(dib.get(), result.get(), kPart, [&](int x, int y, int k) {
            std::vector<int> window;
            for (int row = std::max(kPart.top, y - radius); row <= std::min(kPart.bottom - 1, y + radius); ++row)
                for (int col = std::max(kPart.left, x - radius); col <= std::min(kPart.right - 1, x + radius); ++col)
                    window.push_back(in.at(col, row, k));
            std::sort(window.begin(), window.end());
            const int median = window[window.size() / 2], s = in.at(x, y, k);
            return std::abs(s - median) > tolerance ? median : s;
        });
    }
}

namespace {

// The source at (x, y), bilinear, clamped to the box.
int bilinear(const Pixels &in, const Box &box, double x, double y, int k)
{
    x = std::clamp(x, double(box.left), double(box.right - 1));
    y = std::clamp(y, double(box.top), double(box.bottom - 1));
    const int x0 = int(x), y0 = int(y), x1 = std::min(x0 + 1, box.right - 1), y1 = std::min(y0 + 1, box.bottom - 1);
    const double fx = x - x0, fy = y - y0;
    const double top = in.at(x0, y0, k) + (in.at(x1, y0, k) - in.at(x0, y0, k)) * fx;
    const double bottom = in.at(x0, y1, k) + (in.at(x1, y1, k) - in.at(x0, y1, k)) * fx;
    return clampByte(top + (bottom - top) * fy);
}

} // namespace

TEST(FastPaths, MotionIsTheMeanOfSamplesAlongThePath)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    const double cx = (kPart.left + kPart.right - 1) / 2.0, cy = (kPart.top + kPart.bottom - 1) / 2.0;
    constexpr double kDegree = 3.141592653589793 / 180.0;
    struct Case {
        int value, angle, kind;
    };
    for (const Case &c : {Case{10, 10, 3}, Case{200, 33, 3}, Case{40, 0, 1}, Case{30, 0, 2}}) {
        SCOPED_TRACE(c.kind);
        GlobalBlock result(Motion(dib.get(), c.value, c.angle, std::int16_t(c.kind), kPart.left, kPart.top, kPart.right,
                                  kPart.bottom, nullptr, nullptr));
        const double zoom = std::min(1.0, c.value / 500.0), arc = c.value / 5.0 * kDegree;
        const double dx = std::cos(c.angle * kDegree), dy = -std::sin(c.angle * kDegree);
        expectPixels(dib.get(), result.get(), kPart, [&](int x, int y, int k) {
            const double ox = x - cx, oy = y - cy;
            const double length = c.kind == 1 ? std::hypot(ox, oy) * zoom : c.kind == 2 ? std::hypot(ox, oy) * arc : c.value;
            const int n = std::clamp(int(length) + 1, 1, 48);
            double sum = 0;
            for (int i = 0; i < n; ++i) {
                const double t = n > 1 ? double(i) / (n - 1) : 0.0;
                if (c.kind == 1) {
                    sum += bilinear(in, kPart, cx + ox * (1.0 - zoom * t), cy + oy * (1.0 - zoom * t), k);
                } else if (c.kind == 2) {
                    const double a = arc * (t - 0.5);
                    sum += bilinear(in, kPart, cx + ox * std::cos(a) - oy * std::sin(a), cy + ox * std::sin(a) + oy * std::cos(a), k);
                } else {
                    sum += bilinear(in, kPart, x - dx * c.value * t, y - dy * c.value * t, k);
                }
            }
            return int(clampByte(sum / n));
        });
    }
}

TEST(FastPaths, WhirlAndPinchMoveOnlyTheInscribedCircle)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    // a centre as far from a pixel centre across as down (the diagonals mirror
    // pixels: a square and a tall part) and one that is not
    for (const Box &part : {kPart, Box{20, 50, 120, 150}, Box{13, 40, 131, 276}}) {
        SCOPED_TRACE(part.bottom);
        const double cx = (part.left + part.right - 1) / 2.0, cy = (part.top + part.bottom - 1) / 2.0;
        const double radius = std::min(part.right - part.left, part.bottom - part.top) / 2.0;
        auto check = [&](HGLOBAL result, auto map) {
            expectPixels(dib.get(), result, part, [&](int x, int y, int k) {
                const double dx = x - cx, dy = y - cy, r = std::sqrt(dx * dx + dy * dy) / radius;
                double sx = x, sy = y;
                if (r < 1.0 && r > 0.0)
                    map(dx, dy, r, sx, sy);
                return bilinear(in, part, sx, sy, k);
            });
        };
        GlobalBlock whirl(Whirl(dib.get(), 140.0, part.left, part.top, part.right, part.bottom, nullptr, nullptr));
        check(whirl.get(), [&](double dx, double dy, double r, double &sx, double &sy) {
            const double angle = 140.0 * 3.141592653589793 / 180.0 * (1.0 - r) * (1.0 - r);
            sx = cx + dx * std::cos(angle) - dy * std::sin(angle), sy = cy + dx * std::sin(angle) + dy * std::cos(angle);
        });
        GlobalBlock pinch(PinchHole(dib.get(), -15.0, part.left, part.top, part.right, part.bottom, nullptr, nullptr));
        check(pinch.get(), [&](double dx, double dy, double r, double &sx, double &sy) {
            const double factor = std::pow(std::sin(1.5707963267948966 * r), 1.5);
            sx = cx + dx * factor, sy = cy + dy * factor;
        });
    }
}

TEST(FastPaths, RotationInterpolatesWithTheBackgroundOutside)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    const int fill[3] = {0x20, 0x40, 0x80};
    const double cx = (kPart.left + kPart.right - 1) / 2.0, cy = (kPart.top + kPart.bottom - 1) / 2.0;
    // a slight turn, a steep one, one whose cosine is almost 0
    for (const double degrees : {23.5, -131.25, 89.9999}) {
        SCOPED_TRACE(degrees);
        const double angle = degrees * 3.141592653589793 / 180.0, c = std::cos(angle), s = std::sin(angle);
        GlobalBlock result(ILRotate(dib.get(), degrees, kPart.left, kPart.top, kPart.right, kPart.bottom, 0x00204080,
                                    nullptr, nullptr));
        expectPixels(dib.get(), result.get(), kPart, [&](int x, int y, int k) {
            const double dx = x - cx, dy = y - cy;
            const double sx = cx + dx * c - dy * s, sy = cy + dx * s + dy * c;
            const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            auto v = [&](int px, int py) { return kPart.contains(px, py) ? in.at(px, py, k) : fill[k]; };
            return int(clampByte((v(x0, y0) * (1 - fx) + v(x0 + 1, y0) * fx) * (1 - fy)
                                 + (v(x0, y0 + 1) * (1 - fx) + v(x0 + 1, y0 + 1) * fx) * fy));
        });
    }
}

TEST(FastPaths, ScalingAveragesByAreaAndInterpolatesInFloats)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    struct Tap {
        int index;
        float weight;
    };
    // each target position's source positions and weights
    auto tapsFor = [](int from, int to) {
        std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
        const double ratio = double(from) / to;
        for (int i = 0; i < to; ++i)
            if (to < from) {
                const double start = i * ratio, end = (i + 1) * ratio;
                for (int j = int(start); j < from && j < end; ++j)
                    if (const double cover = std::min(end, j + 1.0) - std::max(start, double(j)); cover > 0)
                        taps[std::size_t(i)].push_back({j, float(cover / ratio)});
            } else {
                const double position = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
                const int j = int(position);
                const double f = position - j;
                taps[std::size_t(i)].push_back({j, float(1.0 - f)});
                if (j + 1 < from && f > 0)
                    taps[std::size_t(i)].push_back({j + 1, float(f)});
            }
        return taps;
    };
    for (auto [width, height] : {std::pair{61, 113}, std::pair{233, 517}}) {
        SCOPED_TRACE(width);
        GlobalBlock result(ScaleDib(dib.get(), width, height, nullptr, nullptr));
        const auto across = tapsFor(kWidth, width), down = tapsFor(kHeight, height);
        const Box all{0, 0, width, height};
        expectPixels(result.get(), result.get(), all, [&](int x, int y, int k) {
            float sum = 0;
            for (const Tap &row : down[std::size_t(y)]) {
                float acrossSum = 0;
                for (const Tap &column : across[std::size_t(x)])
                    acrossSum += column.weight * in.at(column.index, row.index, k);
                sum += row.weight * acrossSum;
            }
            return int(clampByte(double(sum)));
        });
    }
}

namespace {

// Hue in degrees and saturation of a colour, as the effects see it.
void hueAndSaturation(const Pixels &in, int x, int y, double &hue, double &saturation)
{
    const double red = in.at(x, y, 2) / 255.0, green = in.at(x, y, 1) / 255.0, blue = in.at(x, y, 0) / 255.0;
    const double high = std::max({red, green, blue}), low = std::min({red, green, blue}), delta = high - low;
    hue = saturation = 0;
    if (delta <= 0.0)
        return;
    const double lightness = (high + low) / 2.0;
    saturation = lightness > 0.5 ? delta / (2.0 - high - low) : delta / (high + low);
    const double h = high == red ? (green - blue) / delta + (green < blue ? 6.0 : 0.0)
                   : high == green ? (blue - red) / delta + 2.0
                                   : (red - green) / delta + 4.0;
    hue = h * 60.0;
}

// A running box sum of radius r over `count` floats spaced `step` apart,
// edges clamped, each mean a float: the smoothing of the warp's field.
void boxLine(float *line, int count, int step, int r)
{
    std::vector<float> out(static_cast<std::size_t>(count));
    const float scale = 1.0f / float(2 * r + 1);
    auto at = [&](int i) { return line[std::size_t(std::clamp(i, 0, count - 1)) * step]; };
    double sum = 0;
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < count; ++i) {
        out[std::size_t(i)] = float(sum) * scale;
        sum += at(i + r + 1) - at(i - r);
    }
    for (int i = 0; i < count; ++i)
        line[std::size_t(i) * step] = out[std::size_t(i)];
}

} // namespace

TEST(FastPaths, WarpFlowsAlongItsSmoothedFieldMadeInBands)
{
    GlobalBlock dib = makeDib(kWidth, kHeight, busy);
    const Pixels in(dib.get());
    const int scale = 36, rotation = 40, displacement = 12, r = scale / 4;
    GlobalBlock result(Warp(dib.get(), 1, 1, 1, scale, rotation, 3, displacement, nullptr, nullptr, nullptr));
    // the whole field, smoothed along the rows, then down the columns
    std::vector<float> field(std::size_t(kWidth) * kHeight * 2);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double hue, saturation;
            hueAndSaturation(in, x, y, hue, saturation);
            const double direction = hue * 3.141592653589793 / 180.0 + rotation * 3.141592653589793 / 180.0;
            field[(std::size_t(y) * kWidth + x) * 2] = float(std::cos(direction) * saturation * displacement);
            field[(std::size_t(y) * kWidth + x) * 2 + 1] = float(std::sin(direction) * saturation * displacement);
        }
    for (int k = 0; k < 2; ++k) {
        for (int y = 0; y < kHeight; ++y)
            boxLine(field.data() + std::size_t(y) * kWidth * 2 + k, kWidth, 2, r);
        for (int x = 0; x < kWidth; ++x)
            boxLine(field.data() + std::size_t(x) * 2 + k, kHeight, kWidth * 2, r);
    }
    expectPixels(dib.get(), result.get(), kWhole, [&](int x, int y, int k) {
        const float *v = field.data() + (std::size_t(y) * kWidth + x) * 2;
        return bilinear(in, kWhole, x - v[0] * 1.0, y - v[1] * 1.0, k);
    });
}
