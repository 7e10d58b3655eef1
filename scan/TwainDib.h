#pragma once
// The packed DIB of a native transfer as the component reads it: header
// completion, inversion and the bitmap made from it.  A source's DIB is
// made outside our libraries, so every function reads it through the view
// of dib.h, checked against the block's size first: a short or lying block
// gets nothing read or written outside it.
#include "dib.h"
#include "globalmem.h"

#include <QImage>

namespace scan {

// Fills biClrUsed, biClrImportant and biSizeImage of an info header when
// they are 0.  False (and nothing changed) when the DIB does not fit its block.
bool completeDibHeader(BITMAPINFOHEADER *header, size_t blockSize);

QImage dibToImage(HGLOBAL dib);
void invertDib(HGLOBAL dib);

} // namespace scan
