// The convolution filter.  Real arithmetic is in long double (80-bit extended).
#include "PGConvFilter.h"
#include "HotLoop.h"

#include "PGNumeric.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

using Real = long double;

constexpr int maxKernelSize = 99;

std::function<Real(Real)> density(TDistributionShape shape, Real sigma)
{
    switch (shape) {
    case dsGaussian:
        return [sigma](Real x) {
            return std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * std::numbers::pi_v<Real>));
        };
    case dsTent: {
        const Real a = std::sqrt(Real(6)) * sigma;
        return [a](Real x) { return std::fabs(x) <= a ? 1 / a - std::fabs(x) / (a * a) : Real(0); };
    }
    case dsRect: {
        const Real a = std::sqrt(Real(3)) * sigma;
        return [a](Real x) { return std::fabs(x) <= a ? 1 / (2 * a) : Real(0); };
    }
    }
    return {};
}

int64_t rnd(Real v) { return pgRound(v); }

// sums[k] += weight x pixels[k] for k < count: each tap's share of a run of
// channel values.  Integers, so both versions give the same sums.
QUILLON_HOT_LOOP void addWeighted(int32_t *sums, const uint8_t *pixels, int32_t weight, int count)
{
    for (int k = 0; k < count; ++k)
        sums[k] += weight * pixels[k];
}

void requirePercent(Real percent)
{
    if (!(percent > 0) || !std::isfinite(percent))
        throw EPGConvFilter(Text1(msgOutOfRange, QStringLiteral("Percent")));
}

} // namespace

TConvFilter::TConvFilter() : kernel_(1, 1) {}

size_t TConvFilter::index(int Col, int Row) const
{
    if (Col < 0 || Col >= width_ || Row < 0 || Row >= height_)
        throw EPGConvFilter(Text(msgXYIndexOutOfRange));
    return size_t(Col) + size_t(Row) * size_t(width_);
}

int32_t TConvFilter::Kernel(int Col, int Row) const
{
    return kernel_[index(Col, Row)];
}

void TConvFilter::SetKernel(int Col, int Row, int32_t Weight)
{
    kernel_[index(Col, Row)] = Weight;
}

void TConvFilter::SetWidth(int Value)
{
    if (Value < 1 || Value > maxKernelSize)
        throw EPGConvFilter(Text1(msgOutOfRange, QStringLiteral("TConvFilter.Width")));
    if (Value != width_)
        resize(Value, height_);
}

void TConvFilter::SetHeight(int Value)
{
    if (Value < 1 || Value > maxKernelSize)
        throw EPGConvFilter(Text1(msgOutOfRange, QStringLiteral("TConvFilter.Height")));
    if (Value != height_)
        resize(width_, Value);
}

void TConvFilter::resize(int Width, int Height)
{
    width_ = Width;
    height_ = Height;
    kernel_.assign(size_t(Width) * size_t(Height), 0);
}

void TConvFilter::BuildKernel(TDistributionShape Shape, bool UseDistance, Real StdDeviation)
{
    const auto refuseDeviation = [] {
        throw EPGConvFilter(Text1(msgOutOfRange, QStringLiteral("StdDeviation")));
    };
    if (!(StdDeviation > 0) || !std::isfinite(StdDeviation))
        refuseDeviation();
    // Half the largest kernel (99 x 99), rounded up.
    constexpr int maxRadius = (maxKernelSize + 1) / 2;
    const auto f = density(Shape, StdDeviation);
    if (!f) {
        OffsetX = OffsetY = 0;
        return;
    }
    const auto distance = [](int dx, int dy) { return std::sqrt(Real(dx * dx + dy * dy)); };
    int centreIndex;
    if (Shape == dsRect) {
        int x = 0;
        while (f(x) > 0 && x <= maxRadius)
            ++x;
        if (x > maxRadius)
            refuseDeviation();
        centreIndex = x - 1;
        resize(2 * x - 1, 2 * x - 1);
        for (int j = 0; j < width_; ++j)
            for (int i = 0; i < width_; ++i) {
                const int dx = i - centreIndex, dy = j - centreIndex;
                const bool inside = UseDistance ? f(distance(dx, dy)) > 0 : f(dx) * f(dy) > 0;
                kernel_[index(i, j)] = inside ? 1 : 0;
            }
    } else {
        // The centre weight is 16; the radius ends where a weight rounds to 0.
        const Real f0 = f(0);
        const Real k = UseDistance ? 16 / f0 : 16 / (f0 * f0);
        int e = 0;
        while (rnd(UseDistance ? f(e) * k : f0 * f(e) * k) != 0 && e <= maxRadius)
            ++e;
        if (e > maxRadius)
            refuseDeviation();
        centreIndex = e - 1;
        resize(2 * e - 1, 2 * e - 1);
        for (int j = 0; j < width_; ++j)
            for (int i = 0; i < width_; ++i) {
                const int dx = i - centreIndex, dy = j - centreIndex;
                kernel_[index(i, j)] = int32_t(UseDistance ? rnd(k * f(distance(dx, dy))) : rnd(f(dx) * k * f(dy)));
            }
    }
    OffsetX = OffsetY = -centreIndex;
    Bias = 0;
    Scale = 1;
}

int64_t TConvFilter::weightSum() const
{
    int64_t sum = 0;
    for (int32_t w : kernel_)
        sum += w;
    return sum;
}

int32_t &TConvFilter::centre()
{
    return kernel_[index(width_ / 2, height_ / 2)];
}

void TConvFilter::negate()
{
    for (int32_t &w : kernel_)
        w = -w;
}

void TConvFilter::collectTaps()
{
    taps_.clear();
    for (int row = 0; row < height_; ++row)
        for (int col = 0; col < width_; ++col)
            if (const int32_t w = kernel_[index(col, row)]; w != 0)
                taps_.push_back({col, row, w});
}

void TConvFilter::SetupSmooth(TDistributionShape Shape, bool UseDistance, Real Percent, Real StdDeviation)
{
    requirePercent(Percent);
    BuildKernel(Shape, UseDistance, StdDeviation);
    const int64_t sum = weightSum();
    centre() += int32_t(rnd((100 / Percent - 1) * sum));
}

void TConvFilter::SetupSharpen(TDistributionShape Shape, bool UseDistance, Real Percent, Real StdDeviation)
{
    requirePercent(Percent);
    BuildKernel(Shape, UseDistance, StdDeviation);
    const int64_t sum = weightSum();
    negate();
    centre() = int32_t(rnd(100 / Percent * sum));
}

void TConvFilter::SetupDetail(TDistributionShape Shape, bool UseDistance, Real Percent, Real StdDeviation)
{
    requirePercent(Percent);
    BuildKernel(Shape, UseDistance, StdDeviation);
    const int64_t sum = weightSum();
    const int32_t centreWeight = centre();
    negate();
    centre() = int32_t(rnd(100 / Percent * (sum - centreWeight + 1)));
}

void TConvFilter::SetupContour(TDistributionShape Shape, bool UseDistance, bool WhiteBk, Real Percent,
                               Real StdDeviation)
{
    BuildKernel(Shape, UseDistance, StdDeviation);
    const int64_t sum = weightSum();
    const int32_t centreWeight = centre();
    negate();
    centre() = int32_t(sum - centreWeight + 1);
    Bias = WhiteBk ? 100 : 0;
    Scale = WhiteBk ? Percent : -Percent;
}

// Everything the pixels of a run read is prepared here, once: the pixels may
// then be computed on several threads, and a kernel changed meanwhile (by a
// filter dialog) takes effect at the next run.
void TConvFilter::Init(const TPixelGraphic *Source)
{
    TPGFilter::Init(Source);
    collectTaps();
    planRun();
}

// One channel: the sum normalised by the weights that took part, scaled and offset.
int TConvFilter::channel(int64_t Sum, int64_t Weights) const
{
    const Real m = Weights != 0 ? Real(Sum) / Weights : Real(Sum);
    return pgRoundByte(run_.scale * m + run_.offset);
}

void TConvFilter::planRun()
{
    run_ = {};
    run_.scale = Scale;
    run_.offset = Bias * 255 / 100;
    if (!Source || Source->PixelFormat() != pg24Bit || !Source->ScanLine(0))
        return;
    run_.firstRow = Source->ScanLine(0);
    run_.stride = ptrdiff_t(Source->RowStride());
    if (Source->Width() < width_ || Source->Height() < height_)
        return;
    int64_t negative = 0, positive = 0, weights = 0;
    for (const Tap &tap : taps_) {
        (tap.weight < 0 ? negative : positive) += tap.weight;
        weights += tap.weight;
    }
    // A table no longer than the channel values it saves computing, and small
    // enough that the sums fit in 32 bits.
    const int64_t sums = 255 * (positive - negative) + 1;
    const int64_t channelValues = 3 * int64_t(Source->Width()) * Source->Height();
    if (sums > std::min<int64_t>(int64_t(1) << 20, channelValues))
        return;
    for (const Tap &tap : taps_) {
        run_.offsets.push_back(3 * ptrdiff_t(tap.col) - ptrdiff_t(tap.row) * run_.stride);
        run_.weights.push_back(tap.weight);
    }
    run_.lowestSum = int32_t(255 * negative);
    run_.results.resize(size_t(sums));
    for (int64_t i = 0; i < sums; ++i)
        run_.results[size_t(i)] = uint8_t(channel(run_.lowestSum + i, weights));
}

TRGB TConvFilter::GetFilteredPixel(int X, int Y)
{
    const int left = X + OffsetX, top = Y + OffsetY;
    const int width = Source->Width(), height = Source->Height();
    const bool inside = left >= 0 && top >= 0 && left + width_ <= width && top + height_ <= height;
    if (inside && !run_.results.empty()) {
        const uint8_t *topLeft = run_.firstRow - top * run_.stride + 3 * left;
        int32_t b = 0, g = 0, r = 0;
        for (size_t i = 0; i < run_.offsets.size(); ++i) {
            const uint8_t *p = topLeft + run_.offsets[i];
            const int32_t w = run_.weights[i];
            b += w * p[0];
            g += w * p[1];
            r += w * p[2];
        }
        const auto result = [this](int32_t sum) { return run_.results[size_t(sum - run_.lowestSum)]; };
        return MakeRGB(result(r), result(g), result(b));
    }
    const uint8_t *firstRow = run_.firstRow;
    const ptrdiff_t stride = run_.stride;
    int64_t sums[3] = {0, 0, 0};
    int64_t weights = 0;
    for (const Tap &tap : taps_) {
        const int x = left + tap.col, y = top + tap.row;
        if (!inside && (x < 0 || y < 0 || x >= width || y >= height))
            continue;
        int r, g, b;
        if (firstRow) {
            const uint8_t *p = firstRow - y * stride + 3 * x;
            b = p[0];
            g = p[1];
            r = p[2];
        } else {
            const TRGB c = Source->GetPixelColor(x, y);
            r = RedOf(c);
            g = GreenOf(c);
            b = BlueOf(c);
        }
        sums[0] += int64_t(tap.weight) * r;
        sums[1] += int64_t(tap.weight) * g;
        sums[2] += int64_t(tap.weight) * b;
        weights += tap.weight;
    }
    return MakeRGB(channel(sums[0], weights), channel(sums[1], weights), channel(sums[2], weights));
}

// Where the whole kernel lies inside the source and the results are planned,
// a run of pixels is a run of channel values: each tap adds its weight times
// the values it sees to every sum at once, and each sum's result is looked up.
// The pixels near the edges take the general way.
void TConvFilter::FilterRow(int Y, uint8_t *Out)
{
    const int width = Source->Width();
    const int top = Y + OffsetY;
    int from = 0, to = 0; // the pixels whose kernel lies inside
    if (!run_.results.empty() && top >= 0 && top + height_ <= Source->Height()) {
        from = std::min(width, std::max(0, -OffsetX));
        to = std::max(from, std::min(width, width - width_ - OffsetX + 1));
    }
    const auto general = [&](int x) {
        const TRGB colour = GetFilteredPixel(x, Y);
        Out[3 * x] = uint8_t(BlueOf(colour));
        Out[3 * x + 1] = uint8_t(GreenOf(colour));
        Out[3 * x + 2] = uint8_t(RedOf(colour));
    };
    for (int x = 0; x < from; ++x)
        general(x);
    for (int x = to; x < width; ++x)
        general(x);
    if (from == to)
        return;
    const int count = 3 * (to - from);
    std::vector<int32_t> sums(size_t(count), 0);
    const uint8_t *topLeft = run_.firstRow - ptrdiff_t(top) * run_.stride + 3 * ptrdiff_t(from + OffsetX);
    for (size_t i = 0; i < run_.offsets.size(); ++i)
        addWeighted(sums.data(), topLeft + run_.offsets[i], run_.weights[i], count);
    uint8_t *out = Out + 3 * ptrdiff_t(from);
    for (int k = 0; k < count; ++k)
        out[k] = run_.results[size_t(sums[size_t(k)] - run_.lowestSum)];
}
