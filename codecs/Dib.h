#pragma once
// Packed DIBs read through the checked view of dib.h, shared by the BMP
// codec (a BMP file is a file header and a DIB) and Image::fromPackedDib.
#include "Codec.h"

namespace codecs {

// The checked view of a DIB, its rows at pixelOffset when not 0.  Throws
// Corrupt or Unsupported naming the fault, TooLarge beyond our limits.
DibView openDib(std::span<const std::uint8_t> dib, std::size_t pixelOffset = 0);
// The picture a view holds, bottom-up.
Image decodeDib(const DibView &view, const Progress &progress = {});

} // namespace codecs
