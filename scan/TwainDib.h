#pragma once
// The packed DIB of a native transfer as the component reads it: header
// completion, the place of the pixels, inversion and the bitmap made from it.
// Every function checks the header against the block's size first, so a
// source that hands over a short or inconsistent block gets nothing written
// outside it.
#include "dib.h"
#include "globalmem.h"

#include <QImage>

namespace scan {

// Fills biClrUsed, biClrImportant and biSizeImage when they are 0.  False
// (and nothing changed) when the block is too small for the header or the
// header is unusable.
bool completeDibHeader(BITMAPINFOHEADER *header, size_t blockSize);
// Bytes from the header's start to the first pixel row of a completed header.
size_t dibPixelOffset(const BITMAPINFOHEADER &header);
// Whether the colour table and biSizeImage bytes of pixels lie within the block.
bool dibFits(const BITMAPINFOHEADER &header, size_t blockSize);

QImage dibToImage(HGLOBAL dib);
void invertDib(HGLOBAL dib);

} // namespace scan
