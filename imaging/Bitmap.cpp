#include "Bitmap.h"

#include "ImagingError.h"

#include <QPainter>

namespace imaging {
namespace {

// The 16 colours of the standard VGA palette, for images made 4-bit that
// carry more colours.
QList<QRgb> vgaColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

} // namespace

QImage::Format Bitmap::formatFor(int bitCount)
{
    switch (bitCount) {
    case 1: return QImage::Format_Mono;
    case 4:
    case 8: return QImage::Format_Indexed8;
    case 16: return QImage::Format_RGB555;
    case 24: return QImage::Format_BGR888;
    case 32: return QImage::Format_RGB32;
    default: throw EImagingError(QStringLiteral("Unsupported bit depth"));
    }
}

void Bitmap::assign(const QImage &image, int bitCount)
{
    const QImage::Format format = formatFor(bitCount);
    if (image.isNull()) {
        clear();
        return;
    }
    if (image.format() == format && (bitCount != 4 || image.colorCount() <= 16))
        image_ = image;
    else if (bitCount == 4)
        image_ = image.convertToFormat(format, vgaColours(), Qt::ThresholdDither);
    else
        image_ = image.convertToFormat(format);
    bitCount_ = bitCount;
}

Bitmap Bitmap::fromImage(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return Bitmap(image, 1);
    case QImage::Format_Indexed8: return Bitmap(image, 8);
    case QImage::Format_RGB555:
    case QImage::Format_RGB16: return Bitmap(image, 16);
    default: break;
    }
    if (!image.hasAlphaChannel())
        return Bitmap(image, 24);
    // transparent parts show as on a white page
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    flat.setDotsPerMeterX(image.dotsPerMeterX());
    flat.setDotsPerMeterY(image.dotsPerMeterY());
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return Bitmap(flat, 24);
}

void Bitmap::clear()
{
    image_ = QImage();
    bitCount_ = 0;
}

} // namespace imaging
