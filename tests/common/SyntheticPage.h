#pragma once
// Pages as a scanner sees them, made the same on every run: lines of random
// words (no two glyphs alike once the noise is in, as in a real scan) or a
// photo-like picture, on paper of a chosen tint.  Shared by the tests and
// the benchmarks of exact printing and of page cleaning.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace synthetic {

class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return state_ >> 8;
    }
    int below(int n) { return int(next() % std::uint32_t(n)); }

private:
    std::uint32_t state_;
};

// Adds a uniform noise of ±amplitude to every channel.
inline void addNoise(QImage &page, int amplitude, std::uint32_t seed)
{
    if (amplitude <= 0)
        return;
    Random random(seed);
    const int channels = page.format() == QImage::Format_Grayscale8 ? 1 : 3;
    for (int y = 0; y < page.height(); ++y) {
        uchar *row = page.scanLine(y);
        for (int i = 0; i < page.width() * channels; ++i)
            row[i] = uchar(std::clamp(row[i] + random.below(2 * amplitude + 1) - amplitude, 0, 255));
    }
}

// Lines of words in `pixelSize` glyphs from a margin of a tenth of the
// width, on an RGB888 page.
inline QImage textPage(QSize size, int pixelSize, QColor paper = Qt::white, QColor ink = Qt::black, int noise = 0,
                       std::uint32_t seed = 1)
{
    QImage page(size, QImage::Format_RGB888);
    page.fill(paper);
    QPainter painter(&page);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(ink);
    Random random(seed);
    const int margin = size.width() / 10;
    for (int y = margin + pixelSize; y < size.height() - margin; y += pixelSize * 3 / 2) {
        QString line;
        while (painter.fontMetrics().horizontalAdvance(line) < size.width() - 2 * margin - 6 * pixelSize) {
            for (int i = 2 + random.below(8); i > 0; --i)
                line += QChar(u'a' + random.below(26));
            line += QLatin1Char(' ');
        }
        painter.drawText(margin, y, line.trimmed());
    }
    painter.end();
    addNoise(page, noise, seed + 1);
    return page;
}

// A photo-like picture (smooth colour waves, a disc and a bar) filling the
// page but for a margin of a tenth of the width, on an RGB888 page.
inline QImage photoPage(QSize size, QColor paper = Qt::white, int noise = 0, std::uint32_t seed = 1)
{
    QImage page(size, QImage::Format_RGB888);
    page.fill(paper);
    const int margin = size.width() / 10;
    const QRect photo(margin, margin, size.width() - 2 * margin, size.height() - 2 * margin);
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        uchar *row = page.scanLine(y);
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const double u = double(x) / size.width(), v = double(y) / size.height();
            row[3 * x] = uchar(110 + 90 * std::sin(7 * u + 3 * v));
            row[3 * x + 1] = uchar(100 + 80 * std::sin(5 * v - 4 * u + 1));
            row[3 * x + 2] = uchar(90 + 70 * std::cos(9 * u * v + 2));
        }
    }
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(photo);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 60, 150));
    painter.drawEllipse(QPointF(photo.left() + photo.width() * 0.3, photo.top() + photo.height() * 0.35),
                        photo.width() * 0.18, photo.width() * 0.18);
    painter.setBrush(QColor(230, 200, 40));
    painter.drawRect(QRectF(photo.left() + photo.width() * 0.55, photo.top() + photo.height() * 0.6,
                            photo.width() * 0.3, photo.height() * 0.15));
    painter.end();
    addNoise(page, noise, seed + 1);
    return page;
}

// Black where the page is darker than mid-grey.
inline QImage bilevel(const QImage &page)
{
    return page.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

} // namespace synthetic
