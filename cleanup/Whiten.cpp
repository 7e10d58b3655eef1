#include "Whiten.h"

#include "Page.h"
#include "Rounding.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace cleanup {

namespace {

using Histogram = std::array<long, 256>;

// The level below which `share` of the counted values lie.
int percentile(const Histogram &histogram, double share)
{
    long total = 0;
    for (long count : histogram)
        total += count;
    const long wanted = long(share * double(total));
    long seen = 0;
    int level = 0;
    while (level < 255 && (seen += histogram[std::size_t(level)]) <= wanted)
        ++level;
    return level;
}

// The paper's luminance: the peak of the (lightly smoothed) histogram above its median.
int paperPeak(const Histogram &histogram)
{
    const int median = percentile(histogram, 0.5);
    int peak = median;
    long best = -1;
    for (int level = median; level < 256; ++level) {
        long sum = 0;
        for (int d = -2; d <= 2; ++d)
            sum += histogram[std::size_t(std::clamp(level + d, 0, 255))];
        if (sum > best)
            best = sum, peak = level;
    }
    return peak;
}

// How wide the paper's peak is: where the histogram first falls under half the peak, on either side.
int peakHalfWidth(const Histogram &histogram, int peak)
{
    const long half = histogram[std::size_t(peak)] / 2;
    int low = peak, high = peak;
    while (low > 0 && histogram[std::size_t(low - 1)] > half)
        --low;
    while (high < 255 && histogram[std::size_t(high + 1)] > half)
        ++high;
    return std::max(peak - low, high - peak);
}

} // namespace

Whitened whitenBackground(const QImage &page)
{
    if (page.isNull())
        return {page};
    const WorkPage work = workPage(page);
    if (work.kind == PageKind::Bilevel)
        return {page};
    const QImage &pixels = work.pixels;
    const int channels = pixels.format() == QImage::Format_Grayscale8 ? 1 : 3;
    const QImage grey = luminance(pixels);

    Histogram levels{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++levels[row[x]];
    }
    const int peak = paperPeak(levels);
    if (peak < 128)
        return {page};
    // The paper's pixels: those near the peak, by twice its half width.
    const int band = 2 * peakHalfWidth(levels, peak) + 2;
    std::array<Histogram, 3> paperChannels{};
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *row = pixels.constScanLine(y), *lum = grey.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x)
            if (std::abs(lum[x] - peak) <= band)
                for (int c = 0; c < channels; ++c)
                    ++paperChannels[std::size_t(c)][row[x * channels + c]];
    }
    std::array<int, 3> white{}, median{};
    for (int c = 0; c < channels; ++c) {
        white[std::size_t(c)] = percentile(paperChannels[std::size_t(c)], 0.01);
        median[std::size_t(c)] = percentile(paperChannels[std::size_t(c)], 0.5);
    }
    if (channels == 1)
        white[1] = white[2] = white[0], median[1] = median[2] = median[0];
    const int lowestWhite = *std::min_element(white.begin(), white.end());
    const int ink = std::min(percentile(levels, 0.01), lowestWhite / 2);
    const Whitened unchanged{page, qRgb(median[0], median[1], median[2]), ink};
    if (lowestWhite - ink < 32 || std::all_of(white.begin(), white.end(), [](int w) { return w == 255; }))
        return unchanged;

    std::array<std::array<uchar, 256>, 3> tables{};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const int w = white[std::size_t(c)];
            tables[std::size_t(c)][std::size_t(v)] = uchar(
                v <= ink ? v : std::min(255, platform::roundInt(ink + (long double)(v - ink) * (255 - ink) / (w - ink))));
        }
    QImage result(pixels.size(), pixels.format());
    const uchar *in = pixels.constBits();
    uchar *out = result.bits();
    const qsizetype inStride = pixels.bytesPerLine(), outStride = result.bytesPerLine();
#pragma omp parallel for schedule(static)
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *source = in + y * inStride;
        uchar *target = out + y * outStride;
        for (int x = 0; x < pixels.width(); ++x)
            for (int c = 0; c < channels; ++c)
                target[x * channels + c] = tables[std::size_t(c)][source[x * channels + c]];
    }
    return {storedLike(result, page), unchanged.paper, ink, true};
}

} // namespace cleanup
