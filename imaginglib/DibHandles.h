#pragma once
// Between the DIBs that cross the library's C interface (global blocks)
// and codec images.
#include "Image.h"
#include "globalmem.h"

namespace imaginglib {

// Any DIB we meet: plain, run-length, bit fields, top-down, checked against
// its block.  Throws codecs::Error (BadImage) for a DIB that does not fit it.
codecs::Image imageFromHandle(HGLOBAL dib);
// The picture's own global block (a copy's when it is an lvalue); throws
// OutOfMemory.
HGLOBAL handleFromImage(codecs::Image image);

} // namespace imaginglib
