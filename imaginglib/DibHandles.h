#pragma once
// Between the DIBs that cross the library's C interface (global blocks)
// and codec images.
#include "Image.h"
#include "globalmem.h"

namespace imaginglib {

// Any DIB we meet: plain, run-length, bit fields, top-down.  Throws
// codecs::Error (BadImage) when the block is empty or shorter than its header says.
codecs::Image imageFromDib(const BITMAPINFOHEADER *header, std::size_t size);
codecs::Image imageFromHandle(HGLOBAL dib);
// A new global block; throws OutOfMemory.
HGLOBAL handleFromImage(const codecs::Image &image);

} // namespace imaginglib
