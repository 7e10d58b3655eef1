// One size limit for every reader, in pixels whatever the depth: a picture a
// reader accepts can be widened to true colour by every path that works in
// it, and one beyond the limit is refused from its header, quickly and
// without taking its memory.
#include "Codec.h"
#include "Convert.h"
#include "TestImages.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <fstream>

using namespace codecs;
using testimages::pattern;

namespace {

void putBigEndian(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

void pngChunk(std::vector<std::uint8_t> &out, const char *type, const std::vector<std::uint8_t> &data)
{
    putBigEndian(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian(out, std::uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// The header of an 8-bit grey PNG of the given size and one black row.
std::vector<std::uint8_t> greyPngHeader(std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian(header, width);
    putBigEndian(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0});
    pngChunk(file, "IHDR", header);
    const std::vector<std::uint8_t> row(std::size_t(width) + 1, 0); // filter byte and pixels
    std::vector<std::uint8_t> pixels(compressBound(uLong(row.size())));
    uLongf size = uLongf(pixels.size());
    compress(pixels.data(), &size, row.data(), uLong(row.size()));
    pixels.resize(size);
    pngChunk(file, "IDAT", pixels);
    pngChunk(file, "IEND", {});
    return file;
}

// Sets a value of `bytes` bytes inside a file.
void poke(std::vector<std::uint8_t> &file, std::size_t offset, std::uint32_t value, int bytes, bool bigEndian = false)
{
    for (int i = 0; i < bytes; ++i)
        file[offset + std::size_t(i)] = std::uint8_t(value >> (8 * (bigEndian ? bytes - 1 - i : i)));
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// The window and the print command read a file at 24 bits: whatever a
// reader accepts, a 20000 x 20000 grey PNG for one, must survive widening
// to true colour.  (The pictures made here take no memory until written.)
TEST(SizeLimit, IsInPixelsWhateverTheDepth)
{
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        EXPECT_NO_THROW(Image(23170, 23170, bits)) << bits; // the largest square within the limit
        EXPECT_NO_THROW(Image(kMaxDimension, std::int32_t(kMaxPixels / kMaxDimension), bits)) << bits;
        EXPECT_THROW(Image(23171, 23171, bits), Error) << bits;
    }
    EXPECT_THROW(checkDimensions(kMaxPixels + 1, 1), Error);
    EXPECT_THROW(checkDimensions(kMaxDimension + 1, 1), Error);
}

// TIFF was limited as if every picture had 32 bits: 16384 x 16384 at most.
TEST(SizeLimit, ATiffIsLimitedByItsPixelsNotAsIfTrueColour)
{
    Image bits(16385, 16385, 1, std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}});
    bits.setIndex(16384, 16384, 1);
    const std::vector<std::uint8_t> file = codec(Format::Tiff).write(bits, {}, {});
    bits = Image();
    const Image back = codec(Format::Tiff).read(file, {});
    EXPECT_EQ(back.width(), 16385);
    EXPECT_EQ(back.index(16384, 16384), 1);
    EXPECT_EQ(back.index(0, 0), 0);
}

// A 1 x 1 frame on a logical screen of 65535 x 65535: the screen is beyond
// the limit and holds no data, so the picture is the frame's one pixel.
TEST(SizeLimit, AGifIsBoundedByItsFrameNotItsScreen)
{
    Image dot(1, 1, 8, std::vector<Rgb>{{10, 20, 30}, {200, 100, 50}});
    dot.setIndex(0, 0, 1);
    std::vector<std::uint8_t> file = codec(Format::Gif).write(dot, {}, {});
    poke(file, 6, 65535, 2);
    poke(file, 8, 65535, 2);
    const Image image = codec(Format::Gif).read(file, {});
    ASSERT_EQ(image.width(), 1);
    ASSERT_EQ(image.height(), 1);
    EXPECT_EQ(pixelColour(image, image.row(0), 0), (Rgb{200, 100, 50}));
    const ImageInfo info = codec(Format::Gif).readInfo(file, {});
    EXPECT_EQ(info.width, 1);
    EXPECT_EQ(info.height, 1);
}

// Small files whose headers claim a picture one pixel a side beyond the
// limit (23171 x 23171): each refused at once, without its memory.
TEST(SizeLimit, PicturesBeyondItAreRefusedFromTheirHeaders)
{
    struct Case {
        const char *name;
        Format format;
        int bits;
        std::vector<std::size_t> offsets; // of the width and height fields
        int bytes;
        bool bigEndian;
    };
    const std::vector<Case> cases = {
        {"BMP", Format::Bmp, 24, {18, 22}, 4, false},  {"PCX", Format::Pcx, 8, {8, 10}, 2, false},
        {"TGA", Format::Tga, 24, {12, 14}, 2, false}, {"GIF", Format::Gif, 8, {6, 8}, 2, false},
    };
    const auto check = [](const char *name, Format format, const std::vector<std::uint8_t> &file) {
        const long before = peakKb();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(codec(format).read(file, {}), Error) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
        EXPECT_LT(peakKb() - before, 64 * 1024) << name;
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> file = codec(c.format).write(pattern(c.bits, 16, 16), {}, {});
        for (const std::size_t offset : c.offsets)
            poke(file, offset, 23171, c.bytes, c.bigEndian);
        if (c.format == Format::Gif) { // the frame too, which follows the colour table
            const std::size_t frame = 13 + 3 * (std::size_t(2) << (file[10] & 7));
            poke(file, frame + 5, 23171, 2);
            poke(file, frame + 7, 23171, 2);
        }
        check(c.name, c.format, file);
    }
    check("PNG", Format::Png, greyPngHeader(23171, 23171));
    const std::string pnm = "P5\n23171 23171\n255\n";
    check("PNM", Format::Pnm, std::vector<std::uint8_t>(pnm.begin(), pnm.end()));
    // JPEG: the frame header's height and width (big-endian, 3 bytes after 0xFFC0)
    std::vector<std::uint8_t> jpeg = codec(Format::Jpeg).write(pattern(24, 16, 16), {}, {});
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            poke(jpeg, i + 5, 23171, 2, true);
            poke(jpeg, i + 7, 23171, 2, true);
            break;
        }
    check("JPEG", Format::Jpeg, jpeg);
    // TIFF: the width and length entries of the first directory
    std::vector<std::uint8_t> tiff = codec(Format::Tiff).write(pattern(8, 16, 16), {}, {});
    const std::uint32_t ifd = tiff[4] | tiff[5] << 8 | tiff[6] << 16 | std::uint32_t(tiff[7]) << 24;
    for (int i = 0; i < (tiff[ifd] | tiff[ifd + 1] << 8); ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        const int tag = tiff[entry] | tiff[entry + 1] << 8;
        if (tag == 256 || tag == 257)
            poke(tiff, entry + 8, 23171, 2);
    }
    check("TIFF", Format::Tiff, tiff);
}
