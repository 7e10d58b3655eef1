#pragma once
// ILTDib: a view on, or the owner of, one DIB in a locked global block; and
// the bitmap of a DIB from outside, read through its checked view.
#include "Bitmap.h"
#include "dib.h"
#include "globalmem.h"

#include <QList>
#include <QRgb>
#include <optional>

namespace imaging {

// A DIB handle whose block is this small or smaller counts as empty.
inline constexpr std::size_t kEmptyDibSize = 5;
bool isEmptyDib(HGLOBAL dib);
// Unlocks fully, then frees; none is allowed.
void FreeDib(HGLOBAL dib);

// The picture of an uncompressed DIB view, either row order: palette depths,
// 24 bits and the plain 5-5-5 and blue-green-red 32-bit layouts keep their
// depth, other bit-field masks give 24 bits.  Throws EImagingError "Can't
// allocate memory" when the bitmap cannot be made.
Bitmap DibViewToBitmap(const DibView &view);

class ILTDib {
public:
    ILTDib() = default;
    ~ILTDib();
    ILTDib(const ILTDib &) = delete;
    ILTDib &operator=(const ILTDib &) = delete;

    // Made from the colour table on first request, dropped with the DIB.
    std::optional<QList<QRgb>> PaletteHandle;
    // The locked block (a pointer GlobalLock returned), none when empty.
    BITMAPINFOHEADER *Header = nullptr;
    // When true, replacing or destroying the object frees the block.
    bool OwnsMemory = true;

    void Attach(BITMAPINFOHEADER *header);
    int BitCount() const { return Header ? Header->biBitCount : 0; }
    int Width() const { return Header ? Header->biWidth : 0; }
    int Height() const { return Header ? Header->biHeight : 0; }
    int Compression() const { return Header ? int(Header->biCompression) : 0; }
    int ColorCount() const;
    // Header, masks and colour table: where the pixels begin.
    std::size_t HeaderSize() const { return Header ? dib_bits_offset(Header) : 0; }
    // Stores biSizeImage first when it is 0.
    std::size_t TotalSize();
    BYTE *Bits() const { return Header ? reinterpret_cast<BYTE *>(Header) + HeaderSize() : nullptr; }
    const QList<QRgb> &Palette();
    void SetPalette(const QList<QRgb> &palette);
    // Bits 1 or 2 make a 1-bit DIB; other depths than 1, 2, 4, 8, 16, 24, 32
    // give false.  Throws EImagingError "Can't allocate memory".
    bool CreateNew(const QList<QRgb> *palette, int width, int bits, int height);
    // New blocks, byte copies of the attached DIB or of any block.
    HGLOBAL Duplicate() const;
    static HGLOBAL CopyBlock(HGLOBAL handle);
    // The global block of the attached DIB.
    HGLOBAL Handle() const;
    // Gives up the block: the caller owns the returned handle, still locked once.
    HGLOBAL Release();

private:
    void freeBlock();
};

} // namespace imaging
