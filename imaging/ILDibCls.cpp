#include "ILDibCls.h"

#include "ImagingError.h"
#include "Resolution.h"

#include <cstdlib>
#include <cstring>

namespace imaging {

bool isEmptyDib(HGLOBAL dib)
{
    return GlobalSize(dib) <= kEmptyDibSize;
}

void FreeDib(HGLOBAL dib)
{
    if (dib)
        GlobalRelease(dib);
}

Bitmap DibViewToBitmap(const DibView &view)
{
    const bool direct = view.bits <= 8 || view.bits == 24 || dib_view_plain_masks(&view);
    const int bits = direct ? int(view.bits) : 24;
    QImage image(view.width, view.height, Bitmap::formatFor(bits));
    if (image.isNull())
        throw EImagingError(QStringLiteral("Can't allocate memory"));
    if (bits <= 8) {
        // indices beyond the DIB's table show black
        QList<QRgb> table(1 << bits, qRgb(0, 0, 0));
        for (unsigned i = 0; i < view.colour_count && i < unsigned(table.size()); ++i) {
            const BYTE *entry = view.colours + std::size_t(i) * view.colour_bytes;
            table[qsizetype(i)] = qRgb(entry[2], entry[1], entry[0]);
        }
        image.setColorTable(table);
    }
    for (int y = 0; y < view.height; ++y) {
        const BYTE *row = dib_view_row(&view, y);
        uchar *line = image.scanLine(y);
        if (bits == 4) {
            for (int x = 0; x < view.width; ++x)
                line[x] = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
        } else if (direct) {
            std::memcpy(line, row, std::min<std::size_t>(view.row_bytes, std::size_t(image.bytesPerLine())));
        } else {
            for (int x = 0; x < view.width; ++x) {
                const RGBQUAD c = dib_view_colour(&view, row, x);
                line[3 * x] = c.rgbBlue, line[3 * x + 1] = c.rgbGreen, line[3 * x + 2] = c.rgbRed;
            }
        }
    }
    image.setDotsPerMeterX(view.x_pels_per_meter);
    image.setDotsPerMeterY(view.y_pels_per_meter);
    return Bitmap(image, bits);
}

ILTDib::~ILTDib()
{
    if (OwnsMemory)
        freeBlock();
}

void ILTDib::freeBlock()
{
    PaletteHandle.reset();
    if (Header)
        FreeDib(GlobalHandle(Header));
    Header = nullptr;
}

void ILTDib::Attach(BITMAPINFOHEADER *header)
{
    if (OwnsMemory)
        freeBlock();
    PaletteHandle.reset();
    Header = header;
}

int ILTDib::ColorCount() const
{
    if (!Header)
        return 0;
    if (Header->biClrUsed)
        return int(Header->biClrUsed);
    switch (Header->biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::size_t ILTDib::TotalSize()
{
    if (!Header)
        return 0;
    if (Header->biSizeImage == 0)
        Header->biSizeImage = DWORD(dib_row_bytes(Header->biWidth, Header->biBitCount) * std::size_t(std::abs(Header->biHeight)));
    return HeaderSize() + Header->biSizeImage;
}

const QList<QRgb> &ILTDib::Palette()
{
    if (!PaletteHandle) {
        QList<QRgb> palette;
        const RGBQUAD *table = Header ? dib_colour_table(Header) : nullptr;
        for (int i = 0; i < ColorCount(); ++i)
            palette << qRgb(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
        PaletteHandle = palette;
    }
    return *PaletteHandle;
}

void ILTDib::SetPalette(const QList<QRgb> &palette)
{
    if (Header) {
        RGBQUAD *table = dib_colour_table(Header);
        for (int i = 0; i < ColorCount() && i < palette.size(); ++i)
            table[i] = {BYTE(qBlue(palette[i])), BYTE(qGreen(palette[i])), BYTE(qRed(palette[i])), 0};
    }
    PaletteHandle = palette;
}

bool ILTDib::CreateNew(const QList<QRgb> *palette, int width, int bits, int height)
{
    int colours = 0;
    switch (bits) {
    case 1:
    case 2:
        bits = 1;
        colours = 2;
        break;
    case 4: colours = 16; break;
    case 8: colours = 256; break;
    case 16:
    case 24:
    case 32: break;
    default: return false;
    }
    if (dib_row_bytes(width, unsigned(bits)) == 0 || height <= 0)
        return false;
    const BITMAPINFOHEADER info = dib_info_header(width, height, unsigned(bits), DWORD(colours), platform::pelsPerMeter(75));
    HGLOBAL block = GlobalAlloc(GHND, dib_packed_size(&info));
    if (!block)
        throw EImagingError(QStringLiteral("Can't allocate memory"));
    auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(block));
    *header = info;
    Attach(header);
    if (palette)
        SetPalette(*palette);
    return true;
}

HGLOBAL ILTDib::Duplicate() const
{
    return CopyBlock(Handle());
}

HGLOBAL ILTDib::CopyBlock(HGLOBAL handle)
{
    const std::size_t size = GlobalSize(handle);
    if (size == 0)
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GHND, size);
    if (!copy)
        throw EImagingError(QStringLiteral("Can't allocate memory"));
    GlobalLockGuard from(handle), to(copy);
    std::memcpy(to.data(), from.data(), size);
    return copy;
}

HGLOBAL ILTDib::Handle() const
{
    return GlobalHandle(Header);
}

HGLOBAL ILTDib::Release()
{
    HGLOBAL handle = Handle();
    Header = nullptr;
    PaletteHandle.reset();
    return handle;
}

} // namespace imaging
