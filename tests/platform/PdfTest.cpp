// Exact PDF pages, read back by poppler (pdfimages, pdftoppm, pdfinfo): the
// pixels drawn come back byte for byte with their depth and resolution, a
// painter's drawing lands where it was placed, and a device that refuses
// bytes makes an error rather than half a file.
#include "PdfDocument.h"
#include "Poppler.h"
#include "SyntheticPage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <random>

using platform::PdfDocument;
using platform::PdfError;
using platform::PdfOptions;
using namespace poppler;

namespace {

QByteArray pdfOf(const std::function<void(PdfDocument &)> &draw, const PdfOptions &options = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PdfDocument document(buffer, options);
    draw(document);
    document.finish();
    return buffer.data();
}

// Pictures with awkward sizes and every kind of pixel.
QImage greyRamp(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    std::mt19937 random(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar((x * 255 / width + random() % 16) & 0xFF);
    return image;
}

QImage colourNoise(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(int(random() % 256), x * 255 / width, y * 255 / height,
                                       image.hasAlphaChannel() ? int(random() % 256) : 255));
    return image;
}

// A scanned text page in black and white.
QImage textLike(int width, int height, QImage::Format format)
{
    QImage mono = synthetic::bilevel(synthetic::textPage(QSize(width, height), 24, Qt::white, Qt::black, 60));
    if (format == QImage::Format_MonoLSB) { // the same pixels, stored the other way round with the palette swapped
        mono.invertPixels();
        mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    }
    return mono.convertToFormat(format);
}

QImage indexed(int width, int height, const QList<QRgb> &palette)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(palette);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar((x / 3 + y) % palette.size());
    return image;
}

QImage checkerboard(int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, uint((x + y) % 2));
    return image;
}

int maxDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

TEST(PdfDocument, PicturesComeBackExactWithTheirDepthAndResolution)
{
    const QList<QRgb> greys = {qRgb(0, 0, 0), qRgb(60, 60, 60), qRgb(128, 128, 128), qRgb(200, 200, 200)};
    const QList<QRgb> colours = {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200)};
    struct Case {
        const char *name;
        QImage image;
        const char *colour;
        int bits;
        const char *encoding;
        platform::PdfColourCoding coding = platform::PdfColourCoding::Lossless;
    };
    const Case cases[] = {
        {"1-bit text", textLike(333, 217, QImage::Format_Mono), "gray", 1, "ccitt"},
        {"1-bit text, LSB first, white is 1", textLike(331, 64, QImage::Format_MonoLSB), "gray", 1, "ccitt"},
        {"black and white palette of 8 bits", textLike(97, 41, QImage::Format_Indexed8), "gray", 1, "ccitt"},
        {"1-bit halftone, where Flate wins", checkerboard(203, 77), "gray", 1, "image"},
        {"grey", greyRamp(301, 99), "gray", 8, "image"},
        {"grey palette", indexed(45, 33, greys), "gray", 8, "image"},
        {"colour", colourNoise(123, 45, QImage::Format_RGB888), "rgb", 8, "image"},
        {"colour of 32 bits", colourNoise(64, 9, QImage::Format_RGB32), "rgb", 8, "image"},
        {"colour palette", indexed(50, 20, colours), "rgb", 8, "image"},
        {"black and white in 32 bits", textLike(150, 70, QImage::Format_RGB32), "gray", 1, "ccitt"},
        {"grey in 24 bits", greyRamp(90, 31).convertToFormat(QImage::Format_RGB888), "gray", 8, "image"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QImage &image = c.image;
        const QString pdf = saved(dir, pdfOf([&](PdfDocument &document) {
            document.beginPage({595, 842});
            // At its natural size for 300 dpi: 72 points are 300 pixels.
            document.drawImage(image, QRectF(36, 40, image.width() * 72.0 / 300, image.height() * 72.0 / 300));
        }));
        const std::vector<Listed> listed = listImages(pdf);
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].colour, QLatin1String(c.colour));
        EXPECT_EQ(listed[0].bitsPerComponent, c.bits);
        EXPECT_EQ(listed[0].encoding, QLatin1String(c.encoding));
        EXPECT_EQ(listed[0].width, image.width());
        EXPECT_EQ(listed[0].height, image.height());
        EXPECT_EQ(listed[0].xPpi, 300);
        EXPECT_EQ(listed[0].yPpi, 300);
        const std::vector<QImage> back = extractedImages(dir, pdf);
        ASSERT_EQ(back.size(), 1u);
        ASSERT_EQ(back[0].size(), image.size());
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                wrong += (back[0].pixel(x, y) & 0xFFFFFF) != (image.pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(wrong, 0);
    }
}

TEST(PdfDocument, TransparencyTravelsAsASoftMask)
{
    QTemporaryDir dir;
    const QImage image = colourNoise(70, 30, QImage::Format_ARGB32);
    const QString pdf = saved(dir, pdfOf([&](PdfDocument &document) {
        document.beginPage({200, 200});
        document.drawImage(image, QRectF(0, 0, 70, 30));
    }));
    const std::vector<Listed> listed = listImages(pdf);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].type, QLatin1String("image"));
    EXPECT_EQ(listed[1].type, QLatin1String("smask"));
    const std::vector<QImage> back = extractedImages(dir, pdf);
    ASSERT_EQ(back.size(), 2u);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(back[0].pixel(x, y) & 0xFFFFFF, image.pixel(x, y) & 0xFFFFFF);
            ASSERT_EQ(qGray(back[1].pixel(x, y)), qAlpha(image.pixel(x, y)));
        }
}

TEST(PdfDocument, JpegWhenAskedForSmallColourFilesOnly)
{
    QTemporaryDir dir;
    PdfOptions options;
    options.images.colour = platform::PdfColourCoding::Jpeg;
    options.images.jpegQuality = 90;
    QImage photo(240, 160, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x, y, (x + y) / 2));
    const QImage grey = greyRamp(50, 50), text = textLike(120, 40, QImage::Format_Mono);
    const QString pdf = saved(dir, pdfOf([&](PdfDocument &document) {
        document.beginPage({595, 842});
        document.drawImage(photo, QRectF(0, 0, 240, 160));
        document.drawImage(grey, QRectF(0, 200, 50, 50));
        document.drawImage(text, QRectF(0, 300, 120, 40));
    }, options));
    const std::vector<Listed> listed = listImages(pdf);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].encoding, QLatin1String("jpeg"));
    EXPECT_EQ(listed[1].encoding, QLatin1String("image"));
    EXPECT_EQ(listed[2].encoding, QLatin1String("ccitt"));
    const std::vector<QImage> back = extractedImages(dir, pdf);
    ASSERT_EQ(back.size(), 3u);
    long total = 0;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            total += maxDifference(back[0].pixel(x, y), photo.pixel(x, y));
    EXPECT_LT(double(total) / (photo.width() * photo.height()), 3.0);
}

namespace {

// Three pages (the last in landscape), each with the same tile four times.
QByteArray threePages(const PdfOptions &options = {})
{
    const QImage tile = greyRamp(40, 30);
    return pdfOf([&](PdfDocument &document) {
        for (int page = 0; page < 3; ++page) {
            document.beginPage(page == 2 ? QSizeF(842, 595) : QSizeF(595, 842));
            for (int i = 0; i < 4; ++i)
                document.drawImage(tile, QRectF(10 + 50 * i, 10, 40, 30));
            document.strokeRect(QRectF(5, 5, 210, 40), platform::PdfPen::dotted(0.5));
        }
    }, options);
}

} // namespace

TEST(PdfDocument, PagesTitleAndOnePictureForEveryRepeat)
{
    QTemporaryDir dir;
    PdfOptions options;
    options.title = QStringLiteral("Copie d'été — « test »");
    const QString pdf = saved(dir, threePages(options));
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title: +Copie d'été — « test »\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages: +3\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size: +595 x 842 pts \\(A4\\)")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("PDF version: +1.4\\n")))) << info.toStdString();
    const std::vector<Listed> listed = listImages(pdf);
    ASSERT_EQ(listed.size(), 12u);
    for (const Listed &image : listed)
        EXPECT_EQ(image.object, listed[0].object);
}

TEST(PdfDocument, CrossReferencesPointAtTheirObjects)
{
    const QByteArray pdf = threePages();
    ASSERT_TRUE(pdf.startsWith("%PDF-1.4\n"));
    ASSERT_TRUE(pdf.endsWith("%%EOF\n"));
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    const qsizetype xref = pdf.mid(startxref + 10).split('\n').first().toLongLong();
    ASSERT_TRUE(pdf.mid(xref).startsWith("xref\n0 "));
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int count = lines[1].split(' ')[1].toInt();
    EXPECT_TRUE(pdf.contains("/Size " + QByteArray::number(count) + ' '));
    for (int object = 1; object < count; ++object) {
        const QByteArray entry = lines[2 + object];
        ASSERT_EQ(entry.size(), 19) << "entries are 20 bytes with CR LF"; // the LF is the split's
        const qsizetype offset = entry.left(10).toLongLong();
        EXPECT_TRUE(pdf.mid(offset).startsWith(QByteArray::number(object) + " 0 obj\n")) << "object " << object;
    }
}

namespace {

// A device that takes `limit` bytes and then refuses the rest, all at once
// or by writing only what still fits.
class FullDevice : public QIODevice {
public:
    FullDevice(qint64 limit, bool shortWrites) : limit_(limit), shortWrites_(shortWrites) { open(WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override
    {
        const qint64 room = limit_ - taken_;
        if (length <= room) {
            taken_ += length;
            return length;
        }
        setErrorString(QStringLiteral("no space left"));
        if (!shortWrites_ || room == 0)
            return -1;
        taken_ = limit_;
        return room;
    }

private:
    qint64 limit_, taken_ = 0;
    bool shortWrites_;
};

void writeThreePages(QIODevice &device)
{
    const QImage tile = greyRamp(40, 30), text = textLike(200, 100, QImage::Format_Mono);
    PdfDocument document(device, {});
    for (int page = 0; page < 3; ++page) {
        document.beginPage({595, 842});
        document.drawImage(tile, QRectF(10, 10, 40, 30));
        document.drawImage(text, QRectF(10, 100, 200, 100));
        document.strokeLine(QLineF(0, 0, 100, 0), platform::PdfPen::solid(1));
    }
    document.finish();
}

} // namespace

TEST(PdfDocument, AFailingDeviceIsAnErrorNeverAFinishedFile)
{
    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    writeThreePages(whole);
    const qint64 size = whole.data().size();
    for (bool shortWrites : {false, true})
        for (qint64 limit : {qint64(0), qint64(9), qint64(300), size / 2, size - 1}) {
            SCOPED_TRACE(testing::Message() << "limit " << limit << (shortWrites ? ", short writes" : ""));
            FullDevice device(limit, shortWrites);
            EXPECT_THROW(writeThreePages(device), PdfError);
        }
    FullDevice roomy(size, false);
    EXPECT_NO_THROW(writeThreePages(roomy));

    // A buffered file on a full disk fails at the latest when finish() flushes it.
    QFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    EXPECT_THROW(writeThreePages(full), PdfError);
}
