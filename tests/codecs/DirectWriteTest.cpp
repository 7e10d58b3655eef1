// What saves a page-sized copy against the plain way: files written straight
// into the file, PNG rows filtered and compressed without libpng, DIBs read
// where they lie and handed over as the block they are.
#include "Codec.h"
#include "Convert.h"
#include "TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

using namespace codecs;
using testimages::pattern;

namespace {

struct DirectCase {
    const char *name;
    Format format;
    int bits;
    WriteOptions options;
};

WriteOptions compressed(int compression, bool interlaced = false)
{
    WriteOptions o;
    o.compression = compression;
    o.interlaced = interlaced;
    return o;
}

class WrittenStraight : public testing::TestWithParam<DirectCase> {};

TEST_P(WrittenStraight, IntoTheFileAsInMemory)
{
    const DirectCase &c = GetParam();
    const Image image = pattern(c.bits, 301, 77, c.bits == 32);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("out")).toStdString();
    writeFile(path, c.format, image, c.options);
    EXPECT_EQ(readWholeFile(path), codec(c.format).write(image, c.options, {}));
    EXPECT_EQ(testimages::maxDifference(readFile(path), image), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, WrittenStraight, testing::Values(
    DirectCase{"Bmp24", Format::Bmp, 24, {}}, DirectCase{"Bmp8", Format::Bmp, 8, {}},
    DirectCase{"Tiff24", Format::Tiff, 24, {}}, DirectCase{"Tiff32Lzw", Format::Tiff, 32, compressed(TiffLzw)},
    DirectCase{"Tiff1Fax4", Format::Tiff, 1, compressed(TiffFax4)}, DirectCase{"Png24", Format::Png, 24, {}},
    DirectCase{"Png32", Format::Png, 32, {}}, DirectCase{"Png4", Format::Png, 4, {}},
    DirectCase{"Png8Interlaced", Format::Png, 8, compressed(TiffNone, true)}),
    [](const testing::TestParamInfo<DirectCase> &info) { return std::string(info.param.name); });

// The concatenated IDAT data of a PNG file, inflated: the filtered rows.
std::vector<std::uint8_t> filteredRows(const std::vector<std::uint8_t> &file)
{
    std::vector<std::uint8_t> stream;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length = std::size_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
            stream.insert(stream.end(), file.begin() + std::ptrdiff_t(at + 8), file.begin() + std::ptrdiff_t(at + 8 + length));
        at += length + 12;
    }
    std::vector<std::uint8_t> rows(16 << 20);
    uLongf size = uLongf(rows.size());
    EXPECT_EQ(uncompress(rows.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
    rows.resize(size);
    return rows;
}

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// The picture as libpng writes it with its own defaults: red, green, blue
// (and alpha) rows, each filter chosen by libpng.
std::vector<std::uint8_t> libpngFile(const Image &image, bool alpha)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng failed";
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (std::int32_t y = 0; y < image.height(); ++y)
        png_write_row(png, image.row(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

TEST(PngCodec, FiltersEachRowAsLibpngDoes)
{
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Image image = pattern(bits, 211, 97, bits == 32);
        // smooth parts, where the filters differ, beside the pattern's edges
        for (std::int32_t y = 40; y < 97; ++y)
            for (std::int32_t x = 0; x < 211; ++x)
                image.row(y)[x * (bits / 8)] = std::uint8_t(x + y);
        const std::vector<std::uint8_t> ours = codec(Format::Png).write(image, {}, {});
        EXPECT_EQ(filteredRows(ours), filteredRows(libpngFile(image, bits == 32)));
    }
}

TEST(Conversion, ErrorDiffusionOfThreeBytePixelsIsTheGeneralOne)
{
    // 24 bits to 8 takes a reader and writer of its own; 32 bits the general ones
    const Image colour = pattern(24, 120, 90);
    const Image wide = convertDepth(colour, 32);
    for (bool dither : {false, true}) {
        const Image fast = reduceColours(colour, 8, dither, 64), general = reduceColours(wide, 8, dither, 64);
        EXPECT_EQ(fast.palette(), general.palette());
        EXPECT_EQ(fast.packed(), general.packed()) << dither;
    }
}

TEST(Image, BorrowsItsOwnLayoutAndCopiesAnyOther)
{
    Image owner = pattern(24, 30, 20);
    const std::vector<std::uint8_t> bytes = owner.packed();
    // handed over as the block it is
    GlobalBlock handed(owner.release());
    EXPECT_TRUE(owner.isNull());
    ASSERT_EQ(GlobalSize(handed.get()), bytes.size());
    EXPECT_EQ(std::memcmp(GlobalLockGuard(handed.get()).data(), bytes.data(), bytes.size()), 0);
    {
        // read where it lies
        const HeldDib held(handed.get());
        EXPECT_TRUE(held.image().isBorrowed());
        EXPECT_EQ(held.image().packed().data(), GlobalLockGuard(handed.get()).data());
        // a copy owns its pixels
        const Image copy = held.image();
        EXPECT_FALSE(copy.isBorrowed());
        EXPECT_EQ(copy.packed(), held.image().packed());
    }
    {
        // top-down rows are another layout: read into a picture of its own
        GlobalLockGuard lock(handed.get());
        lock.as<BITMAPINFOHEADER>()->biHeight = -20;
        const HeldDib held(handed.get());
        EXPECT_FALSE(held.image().isBorrowed());
        EXPECT_EQ(held.image().row(0)[0], pattern(24, 30, 20).row(19)[0]);
    }
}
