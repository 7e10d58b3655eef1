// BMP: Windows and OS/2 headers, 1 to 32 bits, RLE4/RLE8, bit fields,
// top-down rows.  Palette depths and plain 16/24/32 bits come through as
// they are; other bit-field layouts become 24 or 32 bits.
#include "ByteReader.h"
#include "Formats.h"

#include <bit>
#include <cstring>

namespace codecs {
namespace {

constexpr std::uint32_t kAlphaBitFields = 6;

struct BmpHeader {
    std::uint32_t offBits = 0;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;   // negative: top-down
    int bits = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colours = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::size_t paletteOffset = 0;
    int paletteEntryBytes = 4;
    std::int32_t xPels = 2835, yPels = 2835;
    bool topDown() const { return height < 0; }
    std::int32_t rows() const { return height < 0 ? -height : height; }
};

BmpHeader parseHeader(std::span<const std::uint8_t> file)
{
    ByteReader in(file);
    if (file.size() < 18 || in.u16() != DIB_FILE_TYPE)
        fail(ErrorCode::NotThisFormat, "not a BMP file");
    in.skip(8);
    BmpHeader h;
    h.offBits = in.u32();
    h.headerSize = in.u32();
    if (h.headerSize == 12) {
        h.width = in.u16();
        h.height = in.u16();
        in.u16();
        h.bits = in.u16();
        h.paletteEntryBytes = 3;
    } else if (h.headerSize >= 16 && h.headerSize <= 124) {
        h.width = in.i32();
        h.height = in.i32();
        in.u16();
        h.bits = in.u16();
        const std::size_t end = 14 + h.headerSize;
        if (h.headerSize >= 20)
            h.compression = in.u32();
        if (h.headerSize >= 40) {
            in.u32();
            h.xPels = in.i32();
            h.yPels = in.i32();
            h.colours = in.u32();
            in.u32();
        }
        const bool bitFields = h.compression == BI_BITFIELDS || h.compression == kAlphaBitFields;
        if (h.headerSize == 64 && h.compression > BI_RLE4)
            fail(ErrorCode::Unsupported, "OS/2 Huffman and RLE24 are not supported");
        if (bitFields) {
            // masks follow a 40-byte header, or sit inside a longer one
            in.seek(14 + 40);
            const int count = (h.compression == kAlphaBitFields || h.headerSize >= 56) ? 4 : 3;
            for (int i = 0; i < count; ++i)
                h.masks[i] = in.u32();
            if (h.headerSize > 40 + 4u * count)
                in.seek(end);
        } else {
            in.seek(end);
        }
    } else {
        fail(ErrorCode::Unsupported, "unknown BMP header size");
    }
    h.paletteOffset = in.position();
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN)
        fail(ErrorCode::Corrupt, "bad BMP dimensions");
    checkDimensions(h.width, h.rows(), h.bits ? h.bits : 1);
    return h;
}

int maskShift(std::uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }

// Scales a masked field to 0..255.
std::uint8_t maskedValue(std::uint32_t pixel, std::uint32_t mask)
{
    if (!mask)
        return 0;
    const std::uint32_t v = (pixel & mask) >> maskShift(mask);
    const std::uint32_t max = mask >> maskShift(mask);
    return std::uint8_t((std::uint64_t(v) * 255 + max / 2) / max);
}

void readPalette(const BmpHeader &h, std::span<const std::uint8_t> file, Image &image)
{
    ByteReader in(file, h.paletteOffset);
    const int entries = h.colours ? int(std::min<std::uint32_t>(h.colours, 1u << h.bits)) : 1 << h.bits;
    for (int i = 0; i < entries; ++i) {
        const auto entry = in.bytes(std::size_t(h.paletteEntryBytes));
        image.setColour(i, {entry[2], entry[1], entry[0]});
    }
}

// Run-length rows, bottom row first; a missing end marker is damage.
void decodeRle(const BmpHeader &h, ByteReader &in, Image &image)
{
    const bool four = h.compression == BI_RLE4;
    std::int32_t x = 0, y = image.height() - 1; // y counted from the top
    auto put = [&](int value) {
        if (x < image.width() && y >= 0)
            image.setIndex(x, y, value);
        ++x;
    };
    for (;;) {
        const int count = in.u8();
        const int value = in.u8();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            --y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta
            x += in.u8();
            y -= in.u8();
        } else { // absolute run, padded to 16 bits
            const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : std::size_t(value);
            const auto run = in.bytes(bytes);
            for (int i = 0; i < value; ++i)
                put(four ? ((i & 1) ? run[i / 2] & 0x0F : run[i / 2] >> 4) : run[i]);
            if (bytes & 1)
                in.skip(1);
        }
        if (y < -1)
            fail(ErrorCode::Corrupt, "RLE data past the last row");
    }
}

class BmpCodec final : public Codec {
public:
    Format format() const override { return Format::Bmp; }
    const char *name() const override { return "BMP"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 18 && head[0] == 'B' && head[1] == 'M';
    }

    ImageInfo readInfo(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        const BmpHeader h = parseHeader(file);
        ImageInfo info;
        info.format = Format::Bmp;
        info.width = h.width;
        info.height = h.rows();
        info.bits = h.bits;
        info.compressionName = h.compression == BI_RLE8 ? "RLE8" : h.compression == BI_RLE4 ? "RLE4"
                             : h.compression == BI_RGB ? "NONE" : "BITFIELDS";
        info.compression = h.compression == BI_RGB ? TiffNone : int(h.compression);
        return info;
    }

    Image read(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        const BmpHeader h = parseHeader(file);
        ProgressTicker tick(options.progress, h.rows());
        // without an offset the pixels follow the colour table
        const std::size_t tableEntries = h.colours ? h.colours : h.bits <= 8 ? 1u << h.bits : 0u;
        const std::size_t pixelStart = h.offBits ? h.offBits : h.paletteOffset + tableEntries * std::size_t(h.paletteEntryBytes);
        ByteReader in(file);
        in.seek(pixelStart);

        if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
            if ((h.compression == BI_RLE8 && h.bits != 8) || (h.compression == BI_RLE4 && h.bits != 4) || h.topDown())
                fail(ErrorCode::Corrupt, "bad RLE header");
            Image image(h.width, h.rows(), h.bits);
            readPalette(h, file, image);
            decodeRle(h, in, image);
            image.setResolution(h.xPels, h.yPels);
            tick(h.rows());
            return image;
        }

        const bool bitFields = h.compression == BI_BITFIELDS || h.compression == kAlphaBitFields;
        if (h.compression != BI_RGB && !bitFields)
            fail(ErrorCode::Unsupported, "unsupported BMP compression");
        if (bitFields && h.bits != 16 && h.bits != 32)
            fail(ErrorCode::Corrupt, "bit fields need 16 or 32 bits");
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
            fail(ErrorCode::Unsupported, "unsupported BMP depth");

        const bool plain16 = h.bits == 16 && (!bitFields || (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F));
        const bool plain32 = h.bits == 32 && (!bitFields || (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF));
        const bool direct = h.bits <= 8 || plain16 || h.bits == 24 || plain32;
        Image image(h.width, h.rows(), direct ? h.bits : (h.bits == 32 || h.masks[3] ? 32 : 24));
        if (h.bits <= 8)
            readPalette(h, file, image);
        const std::size_t fileRow = dib_row_bytes(h.width, unsigned(h.bits));
        const std::uint32_t mask16[3] = {0x7C00, 0x03E0, 0x001F};
        const std::uint32_t *masks = bitFields ? h.masks : mask16;
        for (std::int32_t i = 0; i < h.rows(); ++i) {
            const auto src = in.bytes(fileRow);
            const std::int32_t y = h.topDown() ? i : h.rows() - 1 - i;
            std::uint8_t *line = image.row(y);
            if (direct) {
                std::memcpy(line, src.data(), image.rowBytes());
            } else {
                const int step = image.bits() / 8;
                for (std::int32_t x = 0; x < h.width; ++x) {
                    const std::uint32_t p = h.bits == 16 ? std::uint32_t(src[x * 2] | src[x * 2 + 1] << 8)
                                                         : std::uint32_t(src[x * 4]) | std::uint32_t(src[x * 4 + 1]) << 8
                                                               | std::uint32_t(src[x * 4 + 2]) << 16 | std::uint32_t(src[x * 4 + 3]) << 24;
                    std::uint8_t *out = line + x * step;
                    out[0] = maskedValue(p, masks[2]);
                    out[1] = maskedValue(p, masks[1]);
                    out[2] = maskedValue(p, masks[0]);
                    if (step == 4)
                        out[3] = maskedValue(p, h.masks[3]);
                }
            }
            tick(i);
        }
        image.setResolution(h.xPels, h.yPels);
        return image;
    }

    std::vector<std::uint8_t> write(const Image &image, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const bool rle = options.rle && (image.bits() == 8 || image.bits() == 4);
        const std::size_t tableBytes = std::size_t(image.colourCount()) * 4;
        const std::vector<std::uint8_t> encoded = rle ? encodeRle(image) : std::vector<std::uint8_t>{};
        const std::uint8_t *pixels = rle ? encoded.data() : image.pixels();
        const std::size_t pixelBytes = rle ? encoded.size() : image.rowBytes() * std::size_t(image.height());
        ByteWriter out;
        const std::uint32_t offBits = std::uint32_t(14 + sizeof(BITMAPINFOHEADER) + tableBytes);
        out.bytes().reserve(offBits + pixelBytes);
        out.u16(DIB_FILE_TYPE);
        out.u32(std::uint32_t(offBits + pixelBytes));
        out.u32(0);
        out.u32(offBits);
        BITMAPINFOHEADER header = *image.header();
        header.biCompression = rle ? (image.bits() == 8 ? BI_RLE8 : BI_RLE4) : BI_RGB;
        header.biSizeImage = std::uint32_t(pixelBytes);
        out.append(&header, sizeof header);
        out.append(image.packed().data() + sizeof(BITMAPINFOHEADER), tableBytes);
        out.append(pixels, pixelBytes);
        return std::move(out.bytes());
    }

private:
    // Encoded runs only (no absolute runs): always valid, compact on the
    // flat areas where RLE is worth having.
    static std::vector<std::uint8_t> encodeRle(const Image &image)
    {
        const bool four = image.bits() == 4;
        ByteWriter out;
        for (std::int32_t y = image.height() - 1; y >= 0; --y) {
            std::int32_t x = 0;
            while (x < image.width()) {
                const int value = image.index(x, y);
                int run = 1;
                while (x + run < image.width() && run < 255 && image.index(x + run, y) == value)
                    ++run;
                out.u8(unsigned(run));
                out.u8(four ? unsigned(value << 4 | value) : unsigned(value));
                x += run;
            }
            out.u16(0); // end of line
        }
        out.u8(0);
        out.u8(1); // end of bitmap
        return std::move(out.bytes());
    }
};

} // namespace

const Codec &bmpCodec()
{
    static const BmpCodec codec;
    return codec;
}

} // namespace codecs
