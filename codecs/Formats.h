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

// A codec for a format decoded from the whole file in memory (small files,
// or layouts read back and forth): the file is read whole first.
class WholeFileCodec : public Codec {
public:
    ImageInfo readInfo(const Input &file, const ReadOptions &options) const final
    {
        return describe(WholeInput(file).bytes(), options);
    }
    Image read(const Input &file, const ReadOptions &options) const final
    {
        return decode(WholeInput(file).bytes(), options);
    }

protected:
    virtual ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &options) const = 0;
    virtual Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const = 0;
};

} // namespace codecs
