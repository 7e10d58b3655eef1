#pragma once
// The codec objects, one per format file; only Codec.cpp's registry uses these.
#include "Codec.h"

namespace codecs {

const Codec &bmpCodec();
const Codec &pngCodec();
const Codec &jpegCodec();
const Codec &tiffCodec();
const Codec &gifCodec();
const Codec &pcxCodec();
const Codec &tgaCodec();
const Codec &epsCodec();
const Codec &dxfCodec();
const Codec &pcdCodec();
const Codec &pnmCodec();

} // namespace codecs
