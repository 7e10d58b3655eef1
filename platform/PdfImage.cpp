#include "PdfImage.h"

#include "CcittG4.h"
#include "Exception.h"

#include <QBuffer>
#include <QImageWriter>

#include <libdeflate.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace platform {

namespace {

bool isBlack(QRgb c)
{
    return c == qRgb(0, 0, 0);
}

bool isWhite(QRgb c)
{
    return c == qRgb(255, 255, 255);
}

bool isGrey(QRgb c)
{
    return qAlpha(c) == 255 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
}

bool isIndexed(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8;
}

// A palette entry for every index the storage can hold: pixels that point
// past a short palette show black, as QImage itself reads them.
QList<QRgb> fullPalette(const QImage &image)
{
    QList<QRgb> palette = image.colorTable();
    palette.resize(image.depth() == 1 ? 2 : 256, qRgb(0, 0, 0));
    return palette;
}

// libdeflate's level 4: on scanned pages within half a percent of level 6's
// size in half its time.
constexpr int compressionLevel = 4;

QByteArray deflate(const QByteArray &data)
{
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(compressionLevel), libdeflate_free_compressor);
    if (!compressor)
        throw std::bad_alloc();
    QByteArray out(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), std::size_t(data.size()))), Qt::Uninitialized);
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), data.constData(), std::size_t(data.size()),
                                                      out.data(), std::size_t(out.size()));
    out.truncate(qsizetype(size));
    return out;
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray sizeEntries(const QImage &image)
{
    return "/Type /XObject /Subtype /Image /Width " + number(image.width()) + " /Height " + number(image.height());
}

// One row through one PNG predictor: the residuals, and their sum as signed bytes.
template <typename Predictor>
long filterRow(const std::uint8_t *row, const std::uint8_t *up, int rowBytes, int bytesPerPixel, std::uint8_t *out,
               Predictor predict)
{
    long sum = 0;
    for (int i = 0; i < bytesPerPixel; ++i) { // no pixel on the left
        out[i] = std::uint8_t(row[i] - predict(0, up[i], 0));
        sum += std::abs(int(std::int8_t(out[i])));
    }
    for (int i = bytesPerPixel; i < rowBytes; ++i) {
        out[i] = std::uint8_t(row[i] - predict(row[i - bytesPerPixel], up[i], up[i - bytesPerPixel]));
        sum += std::abs(int(std::int8_t(out[i])));
    }
    return sum;
}

// Rows of the PNG predictors: every row starts with the filter that gives the
// smallest sum of residuals (the usual heuristic), which lets Flate find far
// more repeats in scanned pages than in the raw samples.
QByteArray predicted(const QByteArray &samples, int rowBytes, int bytesPerPixel)
{
    const int rows = int(samples.size() / rowBytes);
    QByteArray out(qsizetype(rows) * (rowBytes + 1), Qt::Uninitialized);
    const std::vector<std::uint8_t> zero(std::size_t(rowBytes), 0);
    std::vector<std::uint8_t> candidates[5];
    for (auto &candidate : candidates)
        candidate.resize(std::size_t(rowBytes));
    const auto none = [](int, int, int) { return 0; };
    const auto sub = [](int left, int, int) { return left; };
    const auto upper = [](int, int up, int) { return up; };
    const auto average = [](int left, int up, int) { return (left + up) / 2; };
    const auto paeth = [](int a, int b, int c) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    for (int y = 0; y < rows; ++y) {
        const auto *row = reinterpret_cast<const std::uint8_t *>(samples.constData()) + qsizetype(y) * rowBytes;
        const std::uint8_t *up = y > 0 ? row - rowBytes : zero.data();
        const long sums[5] = {
            filterRow(row, up, rowBytes, bytesPerPixel, candidates[0].data(), none),
            filterRow(row, up, rowBytes, bytesPerPixel, candidates[1].data(), sub),
            filterRow(row, up, rowBytes, bytesPerPixel, candidates[2].data(), upper),
            filterRow(row, up, rowBytes, bytesPerPixel, candidates[3].data(), average),
            filterRow(row, up, rowBytes, bytesPerPixel, candidates[4].data(), paeth),
        };
        const auto chosen = std::size_t(std::min_element(sums, sums + 5) - sums);
        char *target = out.data() + qsizetype(y) * (rowBytes + 1);
        target[0] = char(chosen);
        std::copy(candidates[chosen].begin(), candidates[chosen].end(), target + 1);
    }
    return out;
}

PdfStream flateSamples(const QImage &image, const QByteArray &samples, int components)
{
    const int rowBytes = image.width() * components;
    PdfStream stream;
    stream.dictionary = sizeEntries(image) + (components == 1 ? " /ColorSpace /DeviceGray" : " /ColorSpace /DeviceRGB")
        + " /BitsPerComponent 8 /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " + number(components)
        + " /Columns " + number(image.width()) + " >>";
    stream.data = deflate(predicted(samples, rowBytes, components));
    return stream;
}

// The picture as rows of 1-bit samples, packed without padding, 1 = black.
QByteArray blackBits(const QImage &image)
{
    const int rowBytes = (image.width() + 7) / 8;
    QByteArray bits(qsizetype(rowBytes) * image.height(), '\0');
    const QList<QRgb> palette = fullPalette(image);
    if (image.depth() == 1) {
        const QImage mono = image.convertToFormat(QImage::Format_Mono);
        const std::uint8_t oneIsBlack = isBlack(palette[1]) ? 0xFF : 0x00, zeroIsBlack = isBlack(palette[0]) ? 0xFF : 0x00;
        for (int y = 0; y < image.height(); ++y) {
            const uchar *row = mono.constScanLine(y);
            char *target = bits.data() + qsizetype(y) * rowBytes;
            for (int i = 0; i < rowBytes; ++i)
                target[i] = char((row[i] & oneIsBlack) | (~row[i] & zeroIsBlack));
        }
        return bits;
    }
    if (image.format() == QImage::Format_Indexed8) {
        for (int y = 0; y < image.height(); ++y) {
            const uchar *row = image.constScanLine(y);
            auto *target = reinterpret_cast<std::uint8_t *>(bits.data()) + qsizetype(y) * rowBytes;
            for (int x = 0; x < image.width(); ++x)
                if (isBlack(palette[row[x]]))
                    target[x >> 3] |= std::uint8_t(0x80u >> (x & 7));
        }
        return bits;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        auto *target = reinterpret_cast<std::uint8_t *>(bits.data()) + qsizetype(y) * rowBytes;
        for (int x = 0; x < image.width(); ++x)
            if (isBlack(row[x]))
                target[x >> 3] |= std::uint8_t(0x80u >> (x & 7));
    }
    return bits;
}

PdfStream bilevelStream(const QImage &image)
{
    const QByteArray bits = blackBits(image);
    const int rowBytes = (image.width() + 7) / 8;
    const std::vector<std::uint8_t> g4 = encodeCcittG4(
        {reinterpret_cast<const std::uint8_t *>(bits.constData()), rowBytes, image.width(), image.height(), true});
    // DeviceGray reads 1 as white: the Flate candidate stores the bits inverted.
    QByteArray whiteBits(bits);
    for (char &byte : whiteBits)
        byte = char(~byte);
    QByteArray flate = deflate(whiteBits);
    PdfStream stream;
    stream.dictionary = sizeEntries(image) + " /ColorSpace /DeviceGray /BitsPerComponent 1";
    if (g4.size() <= std::size_t(flate.size())) {
        stream.dictionary += " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns " + number(image.width())
            + " /Rows " + number(image.height()) + " >>";
        stream.data = QByteArray(reinterpret_cast<const char *>(g4.data()), qsizetype(g4.size()));
    } else {
        stream.dictionary += " /Filter /FlateDecode";
        stream.data = std::move(flate);
    }
    return stream;
}

PdfStream greyStream(const QImage &image)
{
    QByteArray samples(qsizetype(image.width()) * image.height(), Qt::Uninitialized);
    if (isIndexed(image.format())) {
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
        const QList<QRgb> palette = fullPalette(indexed);
        for (int y = 0; y < image.height(); ++y) {
            const uchar *row = indexed.constScanLine(y);
            char *target = samples.data() + qsizetype(y) * image.width();
            for (int x = 0; x < image.width(); ++x)
                target[x] = char(qRed(palette[row[x]]));
        }
    } else if (image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16) {
        // 16-bit grey keeps its high byte: PDF 1.4 samples have at most 8 bits.
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < image.height(); ++y)
            std::copy_n(grey.constScanLine(y), image.width(), samples.data() + qsizetype(y) * image.width());
    } else { // true colour whose every pixel is grey
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            char *target = samples.data() + qsizetype(y) * image.width();
            for (int x = 0; x < image.width(); ++x)
                target[x] = char(qRed(row[x]));
        }
    }
    return flateSamples(image, samples, 1);
}

PdfStream jpegStream(const QImage &rgb, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(rgb))
        throw Exception(QStringLiteral("Impossible de compresser l'image en JPEG : %1").arg(writer.errorString()));
    return {sizeEntries(rgb) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", buffer.data()};
}

PdfImageObjects colourObjects(const QImage &image, const PdfImageOptions &options)
{
    PdfImageObjects objects;
    QImage rgb;
    if (image.hasAlphaChannel()) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        QByteArray alpha(qsizetype(image.width()) * image.height(), Qt::Uninitialized);
        bool opaque = true;
        for (int y = 0; y < image.height(); ++y) {
            const uchar *row = rgba.constScanLine(y);
            char *target = alpha.data() + qsizetype(y) * image.width();
            for (int x = 0; x < image.width(); ++x) {
                target[x] = char(row[4 * x + 3]);
                opaque = opaque && row[4 * x + 3] == 255;
            }
        }
        if (!opaque)
            objects.softMask = flateSamples(image, alpha, 1);
        rgb = rgba.convertToFormat(QImage::Format_RGB888);
    } else {
        rgb = image.convertToFormat(QImage::Format_RGB888);
    }
    if (options.colour == PdfColourCoding::Jpeg) {
        objects.image = jpegStream(rgb, options.jpegQuality);
        return objects;
    }
    const int rowBytes = 3 * image.width();
    QByteArray samples(qsizetype(rowBytes) * image.height(), Qt::Uninitialized);
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(rgb.constScanLine(y), rowBytes, samples.data() + qsizetype(y) * rowBytes);
    objects.image = flateSamples(image, samples, 3);
    return objects;
}

} // namespace

PdfPixels pdfPixelsOf(const QImage &image)
{
    if (image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16)
        return PdfPixels::Grey;
    if (isIndexed(image.format())) {
        const QList<QRgb> palette = fullPalette(image);
        if (std::all_of(palette.begin(), palette.end(), [](QRgb c) { return isBlack(c) || isWhite(c); }))
            return PdfPixels::Bilevel;
        if (std::all_of(palette.begin(), palette.end(), isGrey))
            return PdfPixels::Grey;
        return PdfPixels::Colour;
    }
    // True colour by its pixels: a black-and-white or grey page that went
    // through a 24- or 32-bit picture on its way still prints as what it is.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bool bilevel = true;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (!isGrey(row[x]))
                return PdfPixels::Colour;
            bilevel = bilevel && (isBlack(row[x]) || isWhite(row[x]));
        }
    }
    return bilevel ? PdfPixels::Bilevel : PdfPixels::Grey;
}

PdfImageObjects encodePdfImage(const QImage &image, const PdfImageOptions &options)
{
    if (image.isNull())
        throw Exception(QStringLiteral("Image vide : rien à imprimer."));
    switch (pdfPixelsOf(image)) {
    case PdfPixels::Bilevel:
        return {bilevelStream(image), std::nullopt};
    case PdfPixels::Grey:
        return {greyStream(image), std::nullopt};
    case PdfPixels::Colour:
        break;
    }
    return colourObjects(image, options);
}

} // namespace platform
