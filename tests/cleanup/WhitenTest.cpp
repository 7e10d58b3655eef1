// Whitening the background: tinted paper becomes white, ink keeps its darkness.
#include "SyntheticPage.h"
#include "Whiten.h"

#include <gtest/gtest.h>

namespace {

// A colour as a page of that format stores it.
QRgb stored(QColor colour, QImage::Format format)
{
    QImage one(1, 1, QImage::Format_RGB888);
    one.fill(colour);
    return one.convertToFormat(format).pixel(0, 0);
}

int channel(const QImage &image, int x, int y, int c)
{
    const QRgb pixel = image.pixel(x, y);
    return c == 0 ? qRed(pixel) : c == 1 ? qGreen(pixel) : qBlue(pixel);
}

} // namespace

TEST(Whiten, TintedPaperTurnsWhiteAndInkKeepsItsDarkness)
{
    struct Case {
        const char *name;
        QColor paper, ink;
        QImage::Format format;
    };
    const Case cases[] = {
        {"cream paper, colour", QColor(234, 224, 196), QColor(28, 30, 34), QImage::Format_RGB888},
        {"grey recycled paper, colour", QColor(205, 203, 198), QColor(45, 45, 50), QImage::Format_RGB888},
        {"bluish paper, 32 bits", QColor(214, 226, 240), QColor(20, 24, 60), QImage::Format_RGB32},
        {"cream paper, grey", QColor(234, 224, 196), QColor(28, 30, 34), QImage::Format_Grayscale8},
        {"dark grey paper, grey", QColor(180, 180, 180), QColor(60, 60, 60), QImage::Format_Grayscale8},
    };
    const QSize size(600, 800);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // The noiseless page tells which pixels are paper and which are the ink's core.
        const QImage clean = synthetic::textPage(size, 18, c.paper, c.ink).convertToFormat(c.format);
        const QImage scan = synthetic::textPage(size, 18, c.paper, c.ink, 3).convertToFormat(c.format);
        const cleanup::Whitened result = cleanup::whitenBackground(scan);
        ASSERT_TRUE(result.changed);
        ASSERT_EQ(result.page.format(), c.format);
        const int channels = c.format == QImage::Format_Grayscale8 ? 1 : 3;
        const QRgb paper = stored(c.paper, c.format), ink = stored(c.ink, c.format);
        int darkestPaper = 255;
        long inkBefore[3] = {}, inkAfter[3] = {}, inkPixels = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                if (clean.pixel(x, y) == paper) {
                    for (int k = 0; k < channels; ++k)
                        darkestPaper = std::min(darkestPaper, channel(result.page, x, y, k));
                } else if (clean.pixel(x, y) == ink) {
                    ++inkPixels;
                    for (int k = 0; k < channels; ++k) {
                        inkBefore[k] += channel(scan, x, y, k);
                        inkAfter[k] += channel(result.page, x, y, k);
                    }
                }
            }
        EXPECT_GE(darkestPaper, 250);
        ASSERT_GT(inkPixels, 1000);
        for (int k = 0; k < channels; ++k)
            EXPECT_NEAR(double(inkAfter[k]) / inkPixels, double(inkBefore[k]) / inkPixels, 3.0) << "channel " << k;
    }
}

TEST(Whiten, PagesWithNothingToWhitenStayAsTheyAre)
{
    const QImage text = synthetic::textPage(QSize(300, 400), 16);
    const QImage cases[] = {
        synthetic::bilevel(synthetic::textPage(QSize(300, 400), 16, QColor(230, 220, 190))), // 1-bit: already white
        text,                                                                                 // white paper
        QImage(text).convertToFormat(QImage::Format_Grayscale8),
    };
    for (const QImage &page : cases) {
        const cleanup::Whitened result = cleanup::whitenBackground(page);
        EXPECT_FALSE(result.changed);
        EXPECT_EQ(result.page, page);
    }
    // A page that is all dark picture has no paper to whiten.
    QImage night(200, 200, QImage::Format_RGB888);
    night.fill(QColor(30, 30, 60));
    EXPECT_FALSE(cleanup::whitenBackground(night).changed);
    EXPECT_TRUE(cleanup::whitenBackground(QImage()).page.isNull());
}
