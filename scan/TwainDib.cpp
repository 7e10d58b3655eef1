#include "TwainDib.h"

#include "ILDibCls.h"
#include "ImagingError.h"

#include <cstring>

namespace scan {

bool completeDibHeader(BITMAPINFOHEADER *header, size_t blockSize)
{
    DibView view;
    if (!header || blockSize < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER)
        || dib_view_open(&view, header, blockSize) != DIB_OK)
        return false;
    if (header->biClrUsed == 0)
        header->biClrUsed = view.bits <= 8 ? view.colour_count : 0;
    if (header->biClrImportant == 0)
        header->biClrImportant = header->biClrUsed;
    if (header->biSizeImage == 0)
        header->biSizeImage = DWORD(view.pixel_bytes);
    return true;
}

QImage dibToImage(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    const size_t blockSize = GlobalSize(dib);
    DibView view;
    if (!completeDibHeader(header, blockSize) || dib_view_open(&view, header, blockSize) != DIB_OK
        || view.compression == BI_RLE8 || view.compression == BI_RLE4)
        return {};
    try {
        return imaging::DibViewToBitmap(view).image();
    } catch (const imaging::EImagingError &) {
        return {}; // too large for memory
    }
}

void invertDib(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    auto *header = lock.as<BITMAPINFOHEADER>();
    const size_t blockSize = GlobalSize(dib);
    DibView view;
    if (!completeDibHeader(header, blockSize) || dib_view_open(&view, header, blockSize) != DIB_OK)
        return;
    if (view.bits == 4 || view.bits == 8) {
        auto *palette = const_cast<BYTE *>(view.colours);
        for (size_t i = 0; i < size_t(view.colour_count) * view.colour_bytes; ++i)
            palette[i] = BYTE(~palette[i]);
        return;
    }
    auto *bits = const_cast<BYTE *>(view.pixels);
    for (size_t word = 0; word < view.pixel_bytes / 4; ++word) {
        uint32_t value;
        std::memcpy(&value, bits + word * 4, 4);
        value = ~value;
        std::memcpy(bits + word * 4, &value, 4);
    }
}

} // namespace scan
