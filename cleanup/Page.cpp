#include "Page.h"

#include <algorithm>
#include <array>
#include <vector>

namespace cleanup {

namespace {

bool greyPalette(const QImage &image)
{
    const QList<QRgb> palette = image.colorTable();
    return std::all_of(palette.begin(), palette.end(), [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

int channelsOf(const QImage &pixels)
{
    return pixels.format() == QImage::Format_Grayscale8 ? 1 : 3;
}

} // namespace

WorkPage workPage(const QImage &page)
{
    switch (page.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
        const QImage indexed = page.convertToFormat(QImage::Format_Indexed8);
        QList<QRgb> palette = indexed.colorTable();
        palette.resize(256, qRgb(0, 0, 0));
        QImage grey(page.size(), QImage::Format_Grayscale8);
        for (int y = 0; y < page.height(); ++y) {
            const uchar *in = indexed.constScanLine(y);
            uchar *out = grey.scanLine(y);
            for (int x = 0; x < page.width(); ++x)
                out[x] = uchar(qGray(palette[in[x]]));
        }
        return {grey, PageKind::Bilevel};
    }
    case QImage::Format_Grayscale8:
        return {page, PageKind::Grey};
    case QImage::Format_Indexed8:
        if (greyPalette(page))
            return {page.convertToFormat(QImage::Format_Grayscale8), PageKind::Grey};
        break;
    case QImage::Format_Grayscale16:
        return {page.convertToFormat(QImage::Format_Grayscale8), PageKind::Grey};
    default:
        break;
    }
    return {page.convertToFormat(QImage::Format_RGB888), PageKind::Colour};
}

QImage storedLike(const QImage &pixels, const QImage &original)
{
    switch (original.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
        // Each pixel takes the palette entry on its side of mid-grey: the darker entry for the dark pixels.
        QList<QRgb> palette = original.colorTable();
        palette.resize(2, qRgb(255, 255, 255));
        const uint dark = qGray(palette[0]) <= qGray(palette[1]) ? 0 : 1;
        QImage mono(pixels.size(), QImage::Format_Mono);
        mono.setColorTable(palette);
        mono.fill(1 - dark);
        for (int y = 0; y < pixels.height(); ++y) {
            const uchar *in = pixels.constScanLine(y);
            uchar *out = mono.scanLine(y);
            for (int x = 0; x < pixels.width(); ++x)
                if (in[x] < 128) {
                    const uchar bit = uchar(0x80 >> (x & 7));
                    out[x >> 3] = uchar(dark ? out[x >> 3] | bit : out[x >> 3] & ~bit);
                }
        }
        return mono.convertToFormat(original.format());
    }
    case QImage::Format_Indexed8:
        return pixels;
    default:
        return pixels.convertToFormat(original.format());
    }
}

QImage luminance(const QImage &pixels)
{
    if (pixels.format() == QImage::Format_Grayscale8)
        return pixels;
    QImage grey(pixels.size(), QImage::Format_Grayscale8);
    // Rows are written through one pointer taken here: QImage::scanLine() is not for several threads at once.
    uchar *const bits = grey.bits();
    const qsizetype stride = grey.bytesPerLine();
#pragma omp parallel for schedule(static)
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *in = pixels.constScanLine(y);
        uchar *out = bits + y * stride;
        for (int x = 0; x < pixels.width(); ++x)
            out[x] = uchar((77 * in[3 * x] + 150 * in[3 * x + 1] + 29 * in[3 * x + 2] + 128) >> 8);
    }
    return grey;
}

QImage reduced(const QImage &pixels, int factor)
{
    if (factor <= 1)
        return pixels;
    const int channels = channelsOf(pixels);
    const int width = (pixels.width() + factor - 1) / factor, height = (pixels.height() + factor - 1) / factor;
    QImage small(width, height, pixels.format());
    uchar *const bits = small.bits();
    const qsizetype stride = small.bytesPerLine();
#pragma omp parallel for schedule(static)
    for (int cy = 0; cy < height; ++cy) {
        std::vector<int> sums(std::size_t(width * channels), 0);
        const int top = cy * factor, bottom = std::min(top + factor, pixels.height());
        for (int y = top; y < bottom; ++y) {
            const uchar *in = pixels.constScanLine(y);
            for (int cx = 0; cx < width; ++cx) {
                int *sum = sums.data() + cx * channels;
                const int end = std::min((cx + 1) * factor, pixels.width());
                for (int x = cx * factor; x < end; ++x)
                    for (int c = 0; c < channels; ++c)
                        sum[c] += in[x * channels + c];
            }
        }
        uchar *out = bits + cy * stride;
        for (int cx = 0; cx < width; ++cx) {
            const int cells = (std::min((cx + 1) * factor, pixels.width()) - cx * factor) * (bottom - top);
            for (int c = 0; c < channels; ++c)
                out[cx * channels + c] = uchar((sums[std::size_t(cx * channels + c)] + cells / 2) / cells);
        }
    }
    return small;
}

QRgb edgeColour(const QImage &pixels)
{
    const int channels = channelsOf(pixels);
    std::array<std::array<long, 256>, 3> histograms{};
    long count = 0;
    const auto take = [&](int x, int y) {
        const uchar *p = pixels.constScanLine(y) + x * channels;
        for (int c = 0; c < channels; ++c)
            ++histograms[std::size_t(c)][p[c]];
        ++count;
    };
    for (int x = 0; x < pixels.width(); ++x) {
        take(x, 0);
        take(x, pixels.height() - 1);
    }
    for (int y = 1; y < pixels.height() - 1; ++y) {
        take(0, y);
        take(pixels.width() - 1, y);
    }
    std::array<int, 3> median{};
    for (int c = 0; c < channels; ++c) {
        long seen = 0;
        int value = 0;
        while ((seen += histograms[std::size_t(c)][std::size_t(value)]) * 2 < count)
            ++value;
        median[std::size_t(c)] = value;
    }
    return channels == 1 ? qRgb(median[0], median[0], median[0]) : qRgb(median[0], median[1], median[2]);
}

} // namespace cleanup
