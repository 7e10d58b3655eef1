// BMP: Windows and OS/2 headers, 1 to 32 bits, RLE4/RLE8, bit fields,
// top-down rows.  A BMP file is a file header and a packed DIB, read
// through the checked DIB view that every DIB from outside goes through.
#include "ByteReader.h"
#include "Dib.h"
#include "Formats.h"

#include <cstring>

namespace codecs {

namespace {

// A view's failure as a codec error.
[[noreturn]] void failDib(DibStatus status)
{
    const bool unsupported = status == DIB_BAD_HEADER_SIZE || status == DIB_BAD_DEPTH || status == DIB_BAD_COMPRESSION;
    fail(unsupported ? ErrorCode::Unsupported : ErrorCode::Corrupt, dib_status_text(status));
}

// Run-length rows, bottom row first; a missing end marker is damage.
void decodeRle(const DibView &view, Image &image)
{
    ByteReader in({view.pixels, view.pixel_bytes});
    const bool four = view.compression == BI_RLE4;
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

} // namespace

DibView openDib(std::span<const std::uint8_t> dib, std::size_t pixelOffset)
{
    DibView view;
    const DibStatus status = dib_view_open_at(&view, dib.data(), dib.size(), pixelOffset);
    if (status != DIB_OK)
        failDib(status);
    checkDimensions(view.width, view.height);
    return view;
}

// Palette depths, 24 bits and the plain 16 and 32-bit layouts come through
// as they are; other bit-field layouts become 24 bits, or 32 with an alpha mask.
Image decodeDib(const DibView &view, const Progress &progress)
{
    ProgressTicker tick(progress, view.height);
    const bool direct = view.bits <= 8 || view.bits == 24 || dib_view_plain_masks(&view);
    Image image(view.width, view.height, direct ? int(view.bits) : (view.bits == 32 || view.masks[3] ? 32 : 24));
    for (unsigned i = 0; i < view.colour_count && i < unsigned(image.colourCount()); ++i) {
        const std::uint8_t *entry = view.colours + std::size_t(i) * view.colour_bytes;
        image.setColour(int(i), {entry[2], entry[1], entry[0]});
    }
    if (view.compression == BI_RLE8 || view.compression == BI_RLE4) {
        decodeRle(view, image);
    } else {
        const int step = image.bits() / 8;
        for (std::int32_t y = 0; y < view.height; ++y) {
            const std::uint8_t *src = dib_view_row(&view, y);
            std::uint8_t *line = image.row(y);
            if (direct) {
                std::memcpy(line, src, image.rowBytes());
            } else {
                for (std::int32_t x = 0; x < view.width; ++x) {
                    const RGBQUAD c = dib_view_colour(&view, src, x);
                    std::uint8_t *out = line + x * step;
                    out[0] = c.rgbBlue, out[1] = c.rgbGreen, out[2] = c.rgbRed;
                    if (step == 4) {
                        const std::uint32_t p = view.bits == 16 ? std::uint32_t(src[x * 2] | src[x * 2 + 1] << 8)
                                                                : dib_read_u32(src + 4 * std::size_t(x));
                        out[3] = dib_mask_channel(p, view.masks[3]);
                    }
                }
            }
            tick(y);
        }
    }
    image.setResolution(view.x_pels_per_meter, view.y_pels_per_meter);
    return image;
}

namespace {

// The DIB of a BMP file, what follows the 14-byte file header, with its rows
// where bfOffBits puts them (right after the colour table when it is 0).
DibView openFile(std::span<const std::uint8_t> file)
{
    if (file.size() < 18 || file[0] != 'B' || file[1] != 'M')
        fail(ErrorCode::NotThisFormat, "not a BMP file");
    const std::uint32_t offBits = dib_read_u32(file.data() + 10);
    return openDib(file.subspan(14), offBits > 14 ? offBits - 14 : 0);
}

class BmpCodec final : public WholeFileCodec {
public:
    Format format() const override { return Format::Bmp; }
    const char *name() const override { return "BMP"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 18 && head[0] == 'B' && head[1] == 'M';
    }

    ImageInfo describe(std::span<const std::uint8_t> file, const ReadOptions &) const override
    {
        const DibView view = openFile(file);
        ImageInfo info;
        info.format = Format::Bmp;
        info.width = view.width;
        info.height = view.height;
        info.bits = int(view.bits);
        info.compressionName = view.compression == BI_RLE8 ? "RLE8" : view.compression == BI_RLE4 ? "RLE4"
                             : view.compression == BI_RGB ? "NONE" : "BITFIELDS";
        info.compression = view.compression == BI_RGB ? TiffNone : int(view.compression);
        return info;
    }

    Image decode(std::span<const std::uint8_t> file, const ReadOptions &options) const override
    {
        return decodeDib(openFile(file), options.progress);
    }

    std::vector<std::uint8_t> write(const Image &image, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const bool rle = options.rle && (image.bits() == 8 || image.bits() == 4);
        const std::vector<std::uint8_t> encoded = rle ? encodeRle(image) : std::vector<std::uint8_t>{};
        const std::span<const std::uint8_t> pixels = rle ? std::span<const std::uint8_t>(encoded) : plainPixels(image);
        std::vector<std::uint8_t> file = head(image, pixels.size(), rle);
        file.reserve(file.size() + pixels.size());
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }

    // Plain rows go to the file from where the picture keeps them.
    void writeInto(FileOutput &out, const Image &image, const WriteOptions &options) const override
    {
        if (options.rle && (image.bits() == 8 || image.bits() == 4))
            return Codec::writeInto(out, image, options);
        const std::span<const std::uint8_t> pixels = plainPixels(image);
        out.append(head(image, pixels.size(), false));
        out.append(pixels);
    }

private:
    static std::span<const std::uint8_t> plainPixels(const Image &image)
    {
        return {image.pixels(), image.rowBytes() * std::size_t(image.height())};
    }

    // The file header, the DIB's header and its colour table.
    static std::vector<std::uint8_t> head(const Image &image, std::size_t pixelBytes, bool rle)
    {
        const std::size_t tableBytes = std::size_t(image.colourCount()) * 4;
        ByteWriter out;
        const std::uint32_t offBits = std::uint32_t(14 + sizeof(BITMAPINFOHEADER) + tableBytes);
        out.bytes().reserve(offBits);
        out.u16(DIB_FILE_TYPE);
        out.u32(std::uint32_t(offBits + pixelBytes));
        out.u32(0);
        out.u32(offBits);
        BITMAPINFOHEADER header = *image.header();
        header.biCompression = rle ? (image.bits() == 8 ? BI_RLE8 : BI_RLE4) : BI_RGB;
        header.biSizeImage = std::uint32_t(pixelBytes);
        out.append(&header, sizeof header);
        out.append(image.packed().data() + sizeof(BITMAPINFOHEADER), tableBytes);
        return std::move(out.bytes());
    }

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
