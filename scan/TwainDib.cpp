#include "TwainDib.h"

#include <cstring>

namespace scan {

namespace {

size_t rowBytes(const BITMAPINFOHEADER &header)
{
    return size_t(((int64_t(header.biWidth) * header.biBitCount + 31) & ~int64_t(31)) / 8);
}

bool hasMasks(const BITMAPINFOHEADER &header)
{
    return header.biSize == sizeof(BITMAPINFOHEADER) && (header.biBitCount == 16 || header.biBitCount == 32)
        && header.biCompression == BI_BITFIELDS;
}

QImage::Format formatOf(const BITMAPINFOHEADER &header)
{
    switch (header.biBitCount) {
    case 1: return QImage::Format_Mono;
    case 4:
    case 8: return QImage::Format_Indexed8;
    case 16: return QImage::Format_RGB555;
    case 24: return QImage::Format_BGR888;
    case 32: return QImage::Format_RGB32;
    default: return QImage::Format_Invalid;
    }
}

} // namespace

bool completeDibHeader(BITMAPINFOHEADER *header, size_t blockSize)
{
    if (blockSize < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0
        || header->biWidth > 0x7FFFFF || header->biHeight == 0 || header->biHeight == INT32_MIN
        || header->biBitCount == 0 || header->biBitCount > 32)
        return false;
    if (header->biClrUsed == 0)
        header->biClrUsed = header->biBitCount == 1 ? 2 : header->biBitCount == 4 ? 16 : header->biBitCount == 8 ? 256 : 0;
    if (header->biClrImportant == 0)
        header->biClrImportant = header->biClrUsed;
    if (header->biSizeImage == 0) {
        const uint64_t size = uint64_t(rowBytes(*header)) * uint64_t(header->biHeight < 0 ? -int64_t(header->biHeight)
                                                                                          : header->biHeight);
        header->biSizeImage = size > UINT32_MAX ? UINT32_MAX : DWORD(size);
    }
    return true;
}

size_t dibPixelOffset(const BITMAPINFOHEADER &header)
{
    return size_t(header.biSize) + (hasMasks(header) ? 12 : 0) + size_t(header.biClrUsed) * sizeof(RGBQUAD);
}

bool dibFits(const BITMAPINFOHEADER &header, size_t blockSize)
{
    const uint64_t end = uint64_t(header.biSize) + (hasMasks(header) ? 12 : 0)
        + uint64_t(header.biClrUsed) * sizeof(RGBQUAD) + header.biSizeImage;
    return header.biClrUsed <= 0x1000000 && end <= blockSize;
}

QImage dibToImage(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    const size_t blockSize = GlobalSize(dib);
    if (!header || !completeDibHeader(header, blockSize) || !dibFits(*header, blockSize)
        || header->biCompression == BI_RLE8 || header->biCompression == BI_RLE4)
        return {};
    const QImage::Format format = formatOf(*header);
    const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    const size_t row = rowBytes(*header);
    if (format == QImage::Format_Invalid || uint64_t(row) * uint64_t(height) > header->biSizeImage)
        return {};
    QImage image(header->biWidth, height, format);
    if (image.isNull())
        return {};
    const auto *palette = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(header) + header->biSize);
    if (header->biBitCount <= 8) {
        QList<QRgb> colours;
        const unsigned count = std::min<unsigned>(header->biClrUsed, 1u << header->biBitCount);
        for (unsigned i = 0; i < count; ++i)
            colours.append(qRgb(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue));
        while (colours.size() < (1 << header->biBitCount))
            colours.append(qRgb(0, 0, 0));
        image.setColorTable(colours);
    }
    const BYTE *bits = reinterpret_cast<const BYTE *>(header) + dibPixelOffset(*header);
    for (int y = 0; y < height; ++y) {
        const BYTE *source = bits + size_t(header->biHeight > 0 ? height - 1 - y : y) * row;
        uchar *target = image.scanLine(y);
        if (header->biBitCount == 4) {
            for (int x = 0; x < header->biWidth; ++x)
                target[x] = (x & 1) ? (source[x / 2] & 0x0F) : (source[x / 2] >> 4);
        } else {
            std::memcpy(target, source, std::min<size_t>(row, size_t(image.bytesPerLine())));
        }
    }
    image.setDotsPerMeterX(header->biXPelsPerMeter);
    image.setDotsPerMeterY(header->biYPelsPerMeter);
    return image;
}

void invertDib(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    const size_t blockSize = GlobalSize(dib);
    if (!header || !completeDibHeader(header, blockSize) || !dibFits(*header, blockSize))
        return;
    if (header->biBitCount == 4 || header->biBitCount == 8) {
        // The palette follows a 40-byte header.
        auto *palette = reinterpret_cast<BYTE *>(header) + sizeof(BITMAPINFOHEADER);
        for (size_t i = 0; i < size_t(header->biClrUsed) * sizeof(RGBQUAD); ++i)
            palette[i] = BYTE(~palette[i]);
        return;
    }
    BYTE *bits = reinterpret_cast<BYTE *>(header) + dibPixelOffset(*header);
    for (size_t word = 0; word < header->biSizeImage / 4; ++word) {
        uint32_t value;
        std::memcpy(&value, bits + word * 4, 4);
        value = ~value;
        std::memcpy(bits + word * 4, &value, 4);
    }
}

} // namespace scan
