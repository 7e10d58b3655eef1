#include "Codec.h"
#include "Convert.h"
#include "TestImages.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

#include <unistd.h>

using namespace codecs;
using testimages::maxDifference;
using testimages::pattern;

namespace {

struct RoundTripCase {
    const char *name;
    Format format;
    int bits;          // depth of the picture written
    int readBits;      // depth it comes back with
    WriteOptions options;
};

WriteOptions with(int compression = TiffNone, bool interlaced = false, bool rle = false)
{
    WriteOptions o;
    o.compression = compression;
    o.interlaced = interlaced;
    o.rle = rle;
    return o;
}

std::string caseName(const testing::TestParamInfo<RoundTripCase> &info) { return info.param.name; }

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, ReadsBackTheSamePixelsAtTheExpectedDepth)
{
    const RoundTripCase &c = GetParam();
    const Image original = pattern(c.bits, 41, 29, c.bits == 32);
    const std::vector<std::uint8_t> file = codec(c.format).write(original, c.options, {});
    ASSERT_TRUE(codec(c.format).canRead(file));
    EXPECT_EQ(probe(file)->format(), c.format);
    const Image back = readMemory(file);
    EXPECT_EQ(back.bits(), c.readBits);
    EXPECT_EQ(maxDifference(original, back), 0);
    if (c.bits == 32 && c.readBits == 32) {
        for (std::int32_t x = 0; x < 41; ++x)
            EXPECT_EQ(back.row(3)[x * 4 + 3], original.row(3)[x * 4 + 3]);
    }
    const ImageInfo info = codec(c.format).readInfo(file, {});
    EXPECT_EQ(info.width, 41);
    EXPECT_EQ(info.height, 29);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip, testing::Values(
    RoundTripCase{"Bmp1", Format::Bmp, 1, 1, {}}, RoundTripCase{"Bmp4", Format::Bmp, 4, 4, {}},
    RoundTripCase{"Bmp8", Format::Bmp, 8, 8, {}}, RoundTripCase{"Bmp16", Format::Bmp, 16, 16, {}},
    RoundTripCase{"Bmp24", Format::Bmp, 24, 24, {}}, RoundTripCase{"Bmp32", Format::Bmp, 32, 32, {}},
    RoundTripCase{"BmpRle8", Format::Bmp, 8, 8, with(TiffNone, false, true)},
    RoundTripCase{"BmpRle4", Format::Bmp, 4, 4, with(TiffNone, false, true)},
    RoundTripCase{"Png1", Format::Png, 1, 1, {}}, RoundTripCase{"Png4", Format::Png, 4, 4, {}},
    RoundTripCase{"Png8", Format::Png, 8, 8, {}}, RoundTripCase{"Png16", Format::Png, 16, 24, {}},
    RoundTripCase{"Png24", Format::Png, 24, 24, {}}, RoundTripCase{"Png32Alpha", Format::Png, 32, 32, {}},
    RoundTripCase{"Png24Interlaced", Format::Png, 24, 24, with(TiffNone, true)},
    RoundTripCase{"Png4Interlaced", Format::Png, 4, 4, with(TiffNone, true)},
    RoundTripCase{"Tiff1", Format::Tiff, 1, 1, {}}, RoundTripCase{"Tiff4", Format::Tiff, 4, 4, {}},
    RoundTripCase{"Tiff8", Format::Tiff, 8, 8, {}}, RoundTripCase{"Tiff24", Format::Tiff, 24, 24, {}},
    RoundTripCase{"Tiff32Alpha", Format::Tiff, 32, 32, {}},
    RoundTripCase{"Tiff1CcittRle", Format::Tiff, 1, 1, with(TiffCcittRle)},
    RoundTripCase{"Tiff1Fax3", Format::Tiff, 1, 1, with(TiffFax3)},
    RoundTripCase{"Tiff1Fax4", Format::Tiff, 1, 1, with(TiffFax4)},
    RoundTripCase{"Tiff8Lzw", Format::Tiff, 8, 8, with(TiffLzw)},
    RoundTripCase{"Tiff24Lzw", Format::Tiff, 24, 24, with(TiffLzw)},
    RoundTripCase{"Tiff4PackBits", Format::Tiff, 4, 4, with(TiffPackBits)},
    RoundTripCase{"Tiff24PackBits", Format::Tiff, 24, 24, with(TiffPackBits)},
    RoundTripCase{"Gif1", Format::Gif, 1, 1, {}}, RoundTripCase{"Gif4", Format::Gif, 4, 4, {}},
    RoundTripCase{"Gif8", Format::Gif, 8, 8, {}}, RoundTripCase{"Gif8Interlaced", Format::Gif, 8, 8, with(TiffNone, true)},
    RoundTripCase{"Pcx1", Format::Pcx, 1, 1, {}}, RoundTripCase{"Pcx4", Format::Pcx, 4, 4, {}},
    RoundTripCase{"Pcx8", Format::Pcx, 8, 8, {}}, RoundTripCase{"Pcx24", Format::Pcx, 24, 24, {}},
    RoundTripCase{"Tga8", Format::Tga, 8, 8, {}}, RoundTripCase{"Tga24", Format::Tga, 24, 24, {}},
    RoundTripCase{"Tga32Alpha", Format::Tga, 32, 32, {}}, RoundTripCase{"Tga24Rle", Format::Tga, 24, 24, with(TiffNone, false, true)},
    RoundTripCase{"Tga8Rle", Format::Tga, 8, 8, with(TiffNone, false, true)},
    RoundTripCase{"Eps24", Format::Eps, 24, 24, {}},
    RoundTripCase{"Pnm1", Format::Pnm, 1, 1, {}}, RoundTripCase{"Pnm8Colour", Format::Pnm, 8, 24, {}},
    RoundTripCase{"Pnm16", Format::Pnm, 16, 24, {}}, RoundTripCase{"Pnm24", Format::Pnm, 24, 24, {}}),
    caseName);

TEST(BmpCodec, ReadsTopDownRows)
{
    const Image original = pattern(24, 10, 6);
    std::vector<std::uint8_t> file = codec(Format::Bmp).write(original, {}, {});
    // negative height, rows stored top first
    const std::int32_t height = -6;
    std::memcpy(file.data() + 22, &height, 4);
    const std::size_t row = original.rowBytes(), start = file.size() - row * 6;
    for (std::int32_t y = 0; y < 6; ++y)
        std::memcpy(file.data() + start + std::size_t(y) * row, original.row(y), row);
    EXPECT_EQ(maxDifference(readMemory(file), original), 0);
}

TEST(JpegCodec, KeepsColourAndGreyWithinJpegLoss)
{
    for (const bool grey : {false, true}) {
        Image original = grey ? Image(64, 48, 8, greyPalette(8)) : Image(64, 48, 24);
        for (std::int32_t y = 0; y < 48; ++y)
            for (std::int32_t x = 0; x < 64 * (grey ? 1 : 3); ++x)
                original.row(y)[x] = std::uint8_t(x + y); // smooth, so JPEG keeps it closely
        WriteOptions options;
        options.quality = 95;
        const Image back = readMemory(codec(Format::Jpeg).write(original, options, {}));
        EXPECT_EQ(back.bits(), grey ? 8 : 24);
        EXPECT_LE(maxDifference(original, back), 12) << "grey " << grey;
    }
}

TEST(TiffCodec, AppendsPagesAndReadsEachPage)
{
    const Image first = pattern(24), second = pattern(8, 20, 10);
    std::vector<std::uint8_t> file = codec(Format::Tiff).write(first, with(TiffLzw), {});
    WriteOptions append = with(TiffPackBits);
    append.append = true;
    file = codec(Format::Tiff).write(second, append, file);
    EXPECT_EQ(codec(Format::Tiff).readInfo(file, {}).pages, 2);
    ReadOptions page;
    page.page = 1;
    EXPECT_EQ(codec(Format::Tiff).readInfo(file, page).compression, TiffPackBits);
    EXPECT_EQ(maxDifference(readMemory(file, page), second), 0);
    EXPECT_EQ(maxDifference(readMemory(file), first), 0);
    page.page = 2;
    try {
        readMemory(file, page);
        FAIL() << "page 3 of 2 was read";
    } catch (const Error &e) {
        EXPECT_EQ(e.code(), ErrorCode::NoSuchPage);
    }
}

// A page of several strips is compressed and decompressed a strip per core at
// a time: its rows must come back in order, for us and for ImageMagick.
TEST(TiffCodec, PagesOfManyStripsKeepTheirRows)
{
    const Image page = pattern(24, 700, 1100); // 2.3 MB: five strips of half a megabyte
    for (int compression : {TiffLzw, TiffDeflate, TiffPackBits, TiffNone}) {
        const std::vector<std::uint8_t> file = codec(Format::Tiff).write(page, with(compression), {});
        EXPECT_EQ(maxDifference(readMemory(file), page), 0) << compression;
    }
    if (!testimages::haveImageMagick())
        return;
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("strips.tif")).toStdString();
    writeFile(path, Format::Tiff, page, with(TiffLzw));
    EXPECT_EQ(maxDifference(testimages::readWithImageMagick(QString::fromStdString(path), dir.path()), page), 0);
}

// Strips of a YCbCr JPEG page are decoded to RGB by every strip reader, not
// only by the first.
TEST(TiffCodec, JpegStripsOfYCbCrPagesAllDecodeToRgb)
{
    const QString tiffcp = QStandardPaths::findExecutable(QStringLiteral("tiffcp"));
    ASSERT_TRUE(!tiffcp.isEmpty() && testimages::haveImageMagick()) << "tiffcp and ImageMagick are needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.tif")), jpeg = dir.filePath(QStringLiteral("jpeg.tif"));
    writeFile(plain.toStdString(), Format::Tiff, pattern(24, 300, 400), {});
    QProcess process; // libtiff's own JPEG writer stores YCbCr, 64 rows a strip
    process.start(tiffcp, {QStringLiteral("-c"), QStringLiteral("jpeg"), QStringLiteral("-r"), QStringLiteral("64"), plain, jpeg});
    ASSERT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0);
    EXPECT_LE(maxDifference(readFile(jpeg.toStdString()), testimages::readWithImageMagick(jpeg, dir.path())), 3);
}

TEST(TiffCodec, RefusesFaxCompressionForColour)
{
    try {
        codec(Format::Tiff).write(pattern(8), with(TiffFax4), {});
        FAIL();
    } catch (const Error &e) {
        EXPECT_EQ(e.code(), ErrorCode::BadDepth);
    }
}

TEST(Conversion, ReducesAndRaisesDepths)
{
    const Image colour = pattern(24, 64, 64);
    const Image eight = reduceColours(colour, 8, false);
    EXPECT_EQ(eight.bits(), 8);
    EXPECT_LE(maxDifference(colour, eight), 64);
    const Image dithered = reduceColours(colour, 4, true);
    EXPECT_EQ(dithered.bits(), 4);
    // a picture with few colours keeps them exactly
    const Image few = toTrueColour(pattern(4));
    EXPECT_EQ(maxDifference(reduceColours(few, 4, false), few), 0);
    EXPECT_EQ(maxDifference(reduceColours(few, 8, true), few), 0);
    const Image mono = reduceColours(colour, 1, true);
    EXPECT_EQ(mono.colourCount(), 2);
    for (int bits : {4, 8}) {
        const Image wide = widenIndices(pattern(1), bits);
        EXPECT_EQ(wide.bits(), bits);
        EXPECT_EQ(maxDifference(wide, pattern(1)), 0);
    }
    EXPECT_EQ(maxDifference(convertDepth(pattern(16), 24), pattern(16)), 0);
    EXPECT_EQ(convertDepth(colour, 32).row(5)[3], 255);
}

TEST(Image, FromPackedDibChecksTheBlockAndFlipsTopDownRows)
{
    const Image original = pattern(8, 9, 5);
    std::vector<std::uint8_t> dib = original.packed();
    EXPECT_EQ(maxDifference(Image::fromPackedDib(dib.data(), dib.size()), original), 0);
    EXPECT_THROW(Image::fromPackedDib(dib.data(), dib.size() - 1), Error);
    // the same rows stored top-down
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(dib.data());
    header->biHeight = -5;
    const Image flipped = Image::fromPackedDib(dib.data(), dib.size());
    EXPECT_EQ(flipped.index(0, 0), original.index(0, 4));
    header->biHeight = 5;
    header->biWidth = 100000;
    EXPECT_THROW(Image::fromPackedDib(dib.data(), dib.size()), Error);
}

TEST(Image, CopiesKeepEveryByteAlsoWhenSharedOut)
{
    // below and above the size from which a copy is shared out over the cores
    for (const auto &[width, height] : {std::pair{301, 7}, std::pair{2001, 1501}}) {
        Image original = pattern(24, width, height);
        original.row(0)[3 * width - 1] = 0xA5; // the last pixel byte of the block (rows bottom up)
        const Image copy = original;
        EXPECT_TRUE(copy.packed() == original.packed()) << width << " x " << height;
        EXPECT_NE(copy.pixels(), original.pixels());
    }
}

// ---- files written by ImageMagick -------------------------------------------

struct ForeignCase {
    const char *name;
    const char *extension;
    std::vector<const char *> options; // ImageMagick options before the output
    int readBits;
    int tolerance;
};

class ImageMagickFiles : public testing::TestWithParam<ForeignCase> {};

TEST_P(ImageMagickFiles, ReadWithTheSamePixels)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    const ForeignCase &c = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("in.") + QLatin1String(c.extension));
    const QString reference = dir.filePath(QStringLiteral("ref.ppm"));
    QStringList arguments = {QStringLiteral("-size"), QStringLiteral("53x37"), QStringLiteral("-seed"), QStringLiteral("7"),
                             QStringLiteral("plasma:"), QStringLiteral("-depth"), QStringLiteral("8")};
    for (const char *option : c.options)
        arguments << QString::fromLatin1(option);
    ASSERT_TRUE(testimages::runConvert(arguments + QStringList{file}));
    // the reference is what ImageMagick itself decodes from the file
    ASSERT_TRUE(testimages::runConvert({file, QStringLiteral("-auto-orient"), QStringLiteral("-depth"), QStringLiteral("8"), reference}));
    const Image expected = testimages::readPpm(reference.toStdString());
    const Image got = readFile(file.toStdString());
    EXPECT_EQ(got.bits(), c.readBits);
    EXPECT_LE(maxDifference(got, expected), c.tolerance) << testimages::firstDifference(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageMagickFiles, testing::Values(
    ForeignCase{"Bmp24", "bmp", {"-type", "TrueColor"}, 24, 0},
    ForeignCase{"Bmp3Palette", "bmp", {"-colors", "200", "-type", "Palette", "-define", "bmp:format=bmp3"}, 8, 0},
    ForeignCase{"Bmp4", "bmp", {"-colors", "16", "-define", "bmp:format=bmp3"}, 4, 0},
    ForeignCase{"Bmp1", "bmp", {"-monochrome"}, 1, 0},
    ForeignCase{"BmpRle8", "bmp", {"-colors", "100", "-type", "Palette", "-compress", "RLE", "-define", "bmp:format=bmp3"}, 8, 0},
    ForeignCase{"Bmp32Alpha", "bmp", {"-alpha", "set", "-define", "bmp:format=bmp4"}, 32, 0},
    ForeignCase{"Bmp565", "bmp", {"-define", "bmp:subtype=RGB565"}, 24, 4},
    ForeignCase{"Bmp555", "bmp", {"-define", "bmp:subtype=RGB555"}, 16, 4},
    ForeignCase{"Bmp2Os2", "bmp2", {"-colors", "200", "-type", "Palette"}, 8, 0},
    ForeignCase{"Png24", "png", {"-type", "TrueColor"}, 24, 0},
    ForeignCase{"Png48", "png", {"-depth", "16", "-type", "TrueColor"}, 24, 0},
    ForeignCase{"PngPalette", "png", {"-colors", "12", "-type", "Palette"}, 4, 0},
    ForeignCase{"PngGrey", "png", {"-colorspace", "Gray"}, 8, 0},
    ForeignCase{"PngInterlaced", "png", {"-interlace", "PNG", "-type", "TrueColor"}, 24, 0},
    ForeignCase{"Gif", "gif", {"-colors", "64"}, 8, 0},
    ForeignCase{"GifInterlaced", "gif", {"-colors", "100", "-interlace", "GIF"}, 8, 0},
    ForeignCase{"TiffLzw", "tif", {"-compress", "LZW"}, 24, 0},
    ForeignCase{"TiffZip", "tif", {"-compress", "Zip"}, 24, 0},
    ForeignCase{"TiffPackBits", "tif", {"-compress", "RLE"}, 24, 0},
    ForeignCase{"TiffTiles", "tif", {"-define", "tiff:tile-geometry=16x16", "-compress", "LZW"}, 24, 0},
    // 16-bit colour maps and samples: ImageMagick rounds to 8 bits its own way, at most one level apart
    ForeignCase{"TiffPalette", "tif", {"-colors", "30", "-type", "Palette"}, 8, 1},
    ForeignCase{"TiffGrey16", "tif", {"-colorspace", "Gray", "-depth", "16"}, 8, 1},
    ForeignCase{"TiffFax4", "tif", {"-monochrome", "-compress", "Group4"}, 1, 0},
    ForeignCase{"TiffFax3", "tif", {"-monochrome", "-compress", "Fax"}, 1, 0},
    ForeignCase{"TiffSeparatePlanes", "tif", {"-interlace", "Plane"}, 24, 0},
    ForeignCase{"TiffJpeg", "tif", {"-compress", "JPEG", "-quality", "95"}, 24, 3},
    ForeignCase{"TiffCmyk", "tif", {"-colorspace", "CMYK"}, 24, 2},
    ForeignCase{"Pcx24", "pcx", {"-type", "TrueColor"}, 24, 0},
    ForeignCase{"Pcx8", "pcx", {"-colors", "200", "-type", "Palette"}, 8, 0},
    ForeignCase{"Pcx8TwoColours", "pcx", {"-colors", "2", "-type", "Palette"}, 8, 0},
    ForeignCase{"Tga24", "tga", {"-type", "TrueColor"}, 24, 0},
    ForeignCase{"TgaRle", "tga", {"-compress", "RLE", "-type", "TrueColor"}, 24, 0},
    ForeignCase{"TgaPalette", "tga", {"-colors", "40", "-type", "Palette"}, 8, 0},
    ForeignCase{"TgaTopLeft", "tga", {"-orient", "TopLeft", "-type", "TrueColor"}, 24, 0},
    ForeignCase{"Jpeg", "jpg", {"-quality", "92"}, 24, 0},
    ForeignCase{"JpegProgressive", "jpg", {"-interlace", "JPEG", "-quality", "92"}, 24, 0},
    ForeignCase{"JpegGrey", "jpg", {"-colorspace", "Gray"}, 8, 0},
    ForeignCase{"JpegCmyk", "jpg", {"-colorspace", "CMYK"}, 24, 3},
    ForeignCase{"Ppm", "ppm", {}, 24, 0},
    ForeignCase{"PpmPlain", "ppm", {"-compress", "none"}, 24, 0},
    ForeignCase{"Pgm", "pgm", {"-colorspace", "Gray"}, 8, 0},
    ForeignCase{"PgmPlain", "pgm", {"-colorspace", "Gray", "-compress", "none"}, 8, 0},
    // samples above 8 bits: we round, ImageMagick at most one level apart (netpbm's are exact, PnmTest.cpp)
    ForeignCase{"Ppm10Bit", "ppm", {"-depth", "10"}, 24, 1},
    ForeignCase{"Pgm16", "pgm", {"-colorspace", "Gray", "-depth", "16"}, 8, 1},
    ForeignCase{"Pbm", "pbm", {"-monochrome"}, 1, 0},
    ForeignCase{"PbmPlain", "pbm", {"-monochrome", "-compress", "none"}, 1, 0}),
    [](const testing::TestParamInfo<ForeignCase> &info) { return std::string(info.param.name); });

// ---- files we write, read by ImageMagick ------------------------------------

struct OwnCase {
    const char *name;
    Format format;
    const char *extension;
    int bits;
    WriteOptions options;
    int tolerance;
};

class ImageMagickReadsOurFiles : public testing::TestWithParam<OwnCase> {};

TEST_P(ImageMagickReadsOurFiles, WithTheSamePixels)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    const OwnCase &c = GetParam();
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("out.") + QLatin1String(c.extension)).toStdString();
    const Image original = pattern(c.bits, 45, 31);
    writeFile(path, c.format, original, c.options);
    const Image seen = testimages::readWithImageMagick(QString::fromStdString(path), dir.path());
    ASSERT_FALSE(seen.isNull()) << "ImageMagick could not read " << path;
    // JPEG is lossy: ImageMagick must decode what libjpeg decodes
    EXPECT_LE(maxDifference(seen, c.format == Format::Jpeg ? readFile(path) : original), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageMagickReadsOurFiles, testing::Values(
    OwnCase{"Bmp1", Format::Bmp, "bmp", 1, {}, 0}, OwnCase{"Bmp4", Format::Bmp, "bmp", 4, {}, 0},
    OwnCase{"Bmp8", Format::Bmp, "bmp", 8, {}, 0}, OwnCase{"Bmp24", Format::Bmp, "bmp", 24, {}, 0},
    OwnCase{"BmpRle8", Format::Bmp, "bmp", 8, with(TiffNone, false, true), 0},
    OwnCase{"Png4", Format::Png, "png", 4, {}, 0}, OwnCase{"Png24Interlaced", Format::Png, "png", 24, with(TiffNone, true), 0},
    OwnCase{"Gif8", Format::Gif, "gif", 8, {}, 0}, OwnCase{"Gif24Reduced", Format::Gif, "gif", 24, {}, 48},
    OwnCase{"Tiff8Lzw", Format::Tiff, "tif", 8, with(TiffLzw), 0}, OwnCase{"Tiff24PackBits", Format::Tiff, "tif", 24, with(TiffPackBits), 0},
    OwnCase{"Tiff1Fax4", Format::Tiff, "tif", 1, with(TiffFax4), 0}, OwnCase{"Tiff1Fax3", Format::Tiff, "tif", 1, with(TiffFax3), 0},
    OwnCase{"Pcx4", Format::Pcx, "pcx", 4, {}, 0}, OwnCase{"Pcx8", Format::Pcx, "pcx", 8, {}, 0},
    OwnCase{"Pcx24", Format::Pcx, "pcx", 24, {}, 0}, OwnCase{"Tga24Rle", Format::Tga, "tga", 24, with(TiffNone, false, true), 0},
    OwnCase{"Tga8", Format::Tga, "tga", 8, {}, 0}, OwnCase{"Jpeg", Format::Jpeg, "jpg", 24, {}, 2},
    OwnCase{"Pbm", Format::Pnm, "pbm", 1, {}, 0}, OwnCase{"Ppm", Format::Pnm, "ppm", 24, {}, 0}),
    [](const testing::TestParamInfo<OwnCase> &info) { return std::string(info.param.name); });

TEST(EpsCodec, GhostscriptRendersOurEpsLikeTheImage)
{
    ASSERT_TRUE(QFileInfo::exists(QStringLiteral("/usr/bin/gs"))) << "Ghostscript is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    for (const int bits : {8, 24}) {
        Image original = bits == 8 ? Image(40, 30, 8, greyPalette(8)) : pattern(24, 40, 30);
        if (bits == 8)
            for (std::int32_t y = 0; y < 30; ++y)
                for (std::int32_t x = 0; x < 40; ++x)
                    original.row(y)[x] = std::uint8_t(x * 6 + y);
        const std::string eps = dir.filePath(QStringLiteral("out.eps")).toStdString();
        writeFile(eps, Format::Eps, original);
        const QString ppm = dir.filePath(QStringLiteral("gs.ppm"));
        QProcess gs;
        gs.start(QStringLiteral("/usr/bin/gs"), {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                                                 QStringLiteral("-dNOPAUSE"), QStringLiteral("-dEPSCrop"), QStringLiteral("-r72"),
                                                 QStringLiteral("-sDEVICE=ppmraw"), QStringLiteral("-sOutputFile=") + ppm,
                                                 QString::fromStdString(eps)});
        ASSERT_TRUE(gs.waitForFinished(60000));
        ASSERT_EQ(gs.exitCode(), 0) << gs.readAllStandardError().toStdString();
        EXPECT_EQ(maxDifference(testimages::readPpm(ppm.toStdString()), original), 0) << bits << " bits";
        EXPECT_EQ(maxDifference(readFile(eps), original), 0);
    }
}

TEST(EpsCodec, ReadsTheTiffPreviewOfADosEps)
{
    const Image preview = pattern(8, 30, 20);
    const std::vector<std::uint8_t> tiff = codec(Format::Tiff).write(preview, {}, {});
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 30 20\n";
    std::vector<std::uint8_t> file = {0xC5, 0xD0, 0xD3, 0xC6};
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) file.push_back(std::uint8_t(v >> (8 * i))); };
    u32(30);
    u32(std::uint32_t(ps.size()));
    u32(0);
    u32(0);
    u32(std::uint32_t(30 + ps.size()));
    u32(std::uint32_t(tiff.size()));
    file.push_back(0xFF);
    file.push_back(0xFF);
    file.insert(file.end(), ps.begin(), ps.end());
    file.insert(file.end(), tiff.begin(), tiff.end());
    EXPECT_EQ(maxDifference(readMemory(file), preview), 0);
}

// A line (0,0)-(100,50), a circle at (60,10) of radius 5 and a closed
// polyline (0,50)-(100,50)-(100,0).
const char kDrawing[] = "  0\nSECTION\n  2\nENTITIES\n"
                        "  0\nLINE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n100.0\n 21\n50.0\n 31\n0.0\n"
                        "  0\nCIRCLE\n  8\n0\n 10\n60.0\n 20\n10.0\n 30\n0.0\n 40\n5.0\n"
                        "  0\nLWPOLYLINE\n  8\n0\n 90\n3\n 70\n1\n 10\n0.0\n 20\n50.0\n 10\n100.0\n 20\n50.0\n"
                        " 10\n100.0\n 20\n0.0\n  0\nENDSEC\n  0\nEOF\n";

TEST(DxfCodec, DrawsLinesCirclesAndClosedPolylinesBlackOnWhite)
{
    const std::span<const std::uint8_t> file(reinterpret_cast<const std::uint8_t *>(kDrawing), sizeof kDrawing - 1);
    ASSERT_EQ(probe(file)->format(), Format::Dxf);
    const Image image = readMemory(file);
    const ImageInfo info = codec(Format::Dxf).readInfo(file, {});
    EXPECT_EQ(image.bits(), 1);
    EXPECT_EQ(image.width(), 1024);
    EXPECT_EQ(info.width, image.width());
    EXPECT_EQ(info.height, image.height());
    // drawing units to pixels: the longer side fills the width inside a 4-pixel margin
    const double scale = (1024 - 1 - 8) / 100.0;
    auto black = [&](double x, double y) {
        const auto px = std::int32_t(std::lround(x * scale)) + 4;
        const auto py = image.height() - 1 - (std::int32_t(std::lround(y * scale)) + 4);
        return image.colour(image.index(px, py)) == Rgb{0, 0, 0};
    };
    EXPECT_TRUE(black(0, 0));
    EXPECT_TRUE(black(100, 50));
    EXPECT_TRUE(black(60, 15));       // top of the circle
    EXPECT_FALSE(black(60, 10));      // its centre
    EXPECT_TRUE(black(25, 37.5));     // on the closing edge of the polyline
    EXPECT_FALSE(black(25, 30));
    EXPECT_THROW(codec(Format::Dxf).write(image, {}, {}), Error);
    const char empty[] = "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n";
    EXPECT_THROW(readMemory(std::span(reinterpret_cast<const std::uint8_t *>(empty), sizeof empty - 1)), Error);
}

TEST(DxfCodec, TruncatedAndDamagedDrawingsEndWithoutHanging)
{
    std::vector<std::uint8_t> file(kDrawing, kDrawing + sizeof kDrawing - 1);
    for (std::size_t cut = 12; cut < file.size(); cut += 7) {
        try {
            readMemory(std::span(file).first(cut));
        } catch (const Error &) {
        }
    }
    std::mt19937 random(99);
    for (int round = 0; round < 100; ++round) {
        std::vector<std::uint8_t> damaged = file;
        for (int i = 0; i < 4; ++i)
            damaged[12 + random() % (damaged.size() - 12)] = std::uint8_t(random());
        try {
            codec(Format::Dxf).read(damaged, {});
        } catch (const Error &) {
        }
    }
    // a long binary line after a valid start
    std::vector<std::uint8_t> binary(file.begin(), file.begin() + 30);
    binary.insert(binary.end(), 5000, 0xAB);
    EXPECT_THROW(codec(Format::Dxf).read(binary, {}), Error);
}

// A Photo CD image pack whose three images hold luma `y` everywhere except
// luma 0 in the top-left pixel, and neutral chroma.
std::vector<std::uint8_t> photoCd(std::uint8_t y, std::uint8_t orientation = 0)
{
    std::vector<std::uint8_t> file(0x30000 + 768 * 512 * 3 / 2, 0);
    std::memcpy(file.data() + 0x800, "PCD_IPI", 7);
    file[0xE02] = orientation;
    const std::pair<std::size_t, std::size_t> packs[] = {{0x2000, 192}, {0xB800, 384}, {0x30000, 768}};
    for (const auto &[offset, width] : packs) {
        const std::size_t height = width * 2 / 3;
        for (std::size_t pair = 0; pair < height / 2; ++pair) {
            std::uint8_t *group = file.data() + offset + pair * width * 3;
            std::memset(group, y, 2 * width);
            std::memset(group + 2 * width, 156, width / 2);
            std::memset(group + 2 * width + width / 2, 137, width / 2);
        }
        file[offset] = 0;
    }
    return file;
}

TEST(PcdCodec, ReadsTheThreeBaseResolutionsAsNeutralGrey)
{
    const std::vector<std::uint8_t> file = photoCd(100);
    ASSERT_EQ(probe(file)->format(), Format::Pcd);
    const int widths[] = {192, 384, 768};
    for (int resolution = 0; resolution < 3; ++resolution) {
        ReadOptions options;
        options.page = resolution;
        const Image image = readMemory(file, options);
        EXPECT_EQ(image.width(), widths[resolution]);
        EXPECT_EQ(image.height(), widths[resolution] * 2 / 3);
        EXPECT_EQ(pixelColour(image, image.row(5), 7), (Rgb{136, 136, 136})); // 1.3584 × 100
        EXPECT_EQ(pixelColour(image, image.row(0), 0), (Rgb{0, 0, 0}));
        EXPECT_EQ(codec(Format::Pcd).readInfo(file, options).width, widths[resolution]);
    }
    // stored a quarter turn clockwise: read upright, the dark corner moves to the bottom left
    ReadOptions base;
    base.page = 0;
    const Image turned = readMemory(photoCd(100, 1), base);
    EXPECT_EQ(turned.width(), 128);
    EXPECT_EQ(turned.height(), 192);
    EXPECT_EQ(pixelColour(turned, turned.row(191), 0), (Rgb{0, 0, 0}));
    base.page = 3;
    EXPECT_THROW(readMemory(file, base), Error);
    EXPECT_THROW(readMemory(std::span(file).first(0x30000 + 1000), ReadOptions{2, {}}), Error);
}

TEST(PcdCodec, ReadsImageMagicksPhotoCd)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString pcd = dir.filePath(QStringLiteral("a.pcd"));
    ASSERT_TRUE(testimages::runConvert({QStringLiteral("-size"), QStringLiteral("768x512"), QStringLiteral("xc:gray50"), pcd}));
    ReadOptions base;
    base.page = 2;
    const Image image = readFile(pcd.toStdString(), std::nullopt, base);
    EXPECT_EQ(image.width(), 768);
    EXPECT_EQ(image.height(), 512);
    const Rgb c = pixelColour(image, image.row(100), 100);
    EXPECT_EQ(c.red, c.green); // grey stays grey
    EXPECT_EQ(c.green, c.blue);
}

// ---- damaged input -----------------------------------------------------------

struct DamageCase {
    const char *name;
    Format format;
    int bits;
    WriteOptions options;
};

std::vector<DamageCase> damageCases()
{
    return {{"Bmp8", Format::Bmp, 8, {}}, {"BmpRle4", Format::Bmp, 4, with(TiffNone, false, true)},
            {"Bmp24", Format::Bmp, 24, {}}, {"Png8", Format::Png, 8, {}}, {"Png24", Format::Png, 24, with(TiffNone, true)},
            {"Jpeg", Format::Jpeg, 24, {}}, {"TiffLzw", Format::Tiff, 24, with(TiffLzw)},
            {"TiffFax4", Format::Tiff, 1, with(TiffFax4)}, {"Tiff8", Format::Tiff, 8, {}}, {"Gif", Format::Gif, 8, {}},
            {"Pcx8", Format::Pcx, 8, {}}, {"Pcx24", Format::Pcx, 24, {}}, {"TgaRle", Format::Tga, 24, with(TiffNone, false, true)},
            {"Tga8", Format::Tga, 8, {}}, {"Eps", Format::Eps, 24, {}}, {"Pnm1", Format::Pnm, 1, {}},
            {"Pnm24", Format::Pnm, 24, {}}};
}

class DamagedFiles : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFiles, TruncatedFilesFailWithAnError)
{
    const DamageCase &c = GetParam();
    const std::vector<std::uint8_t> file = codec(c.format).write(pattern(c.bits, 120, 90), c.options, {});
    for (int step = 0; step < 20; ++step) {
        const std::size_t cut = file.size() * std::size_t(step) / 25;
        const std::vector<std::uint8_t> part(file.begin(), file.begin() + std::ptrdiff_t(cut));
        EXPECT_THROW(codec(c.format).read(part, {}), Error) << "cut at " << cut << " of " << file.size();
    }
}

TEST_P(DamagedFiles, CorruptedBytesNeverCrash)
{
    const DamageCase &c = GetParam();
    const std::vector<std::uint8_t> file = codec(c.format).write(pattern(c.bits, 60, 40), c.options, {});
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> damaged = file;
        const int changes = 1 + int(random() % 8);
        for (int i = 0; i < changes; ++i) {
            // mostly in the headers, where damage does the most harm
            const std::size_t span = random() % 3 ? std::min<std::size_t>(damaged.size(), 160) : damaged.size();
            damaged[random() % span] = std::uint8_t(random());
        }
        try {
            const Image image = codec(c.format).read(damaged, {});
            EXPECT_FALSE(image.isNull());
        } catch (const Error &) {
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFiles, testing::ValuesIn(damageCases()),
                         [](const testing::TestParamInfo<DamageCase> &info) { return std::string(info.param.name); });

// Sets a little-endian value inside a file.
void poke(std::vector<std::uint8_t> &file, std::size_t offset, std::uint32_t value, int bytes, bool bigEndian = false)
{
    for (int i = 0; i < bytes; ++i)
        file[offset + std::size_t(i)] = std::uint8_t(value >> (8 * (bigEndian ? bytes - 1 - i : i)));
}

TEST(DamagedFiles, AbsurdDimensionsAreRefusedWithoutAllocating)
{
    struct Case {
        Format format;
        std::size_t widthOffset, heightOffset;
        int bytes;
        bool bigEndian;
    };
    // width and height fields of each header, set to 100000 or the field's maximum
    const Case cases[] = {{Format::Bmp, 18, 22, 4, false}, {Format::Pcx, 8, 10, 2, false}, {Format::Tga, 12, 14, 2, false}};
    for (const Case &c : cases) {
        std::vector<std::uint8_t> file = codec(c.format).write(pattern(8, 16, 16), {}, {});
        const std::uint32_t huge = c.bytes == 4 ? 100000u : 65535u;
        poke(file, c.widthOffset, huge, c.bytes, c.bigEndian);
        poke(file, c.heightOffset, huge, c.bytes, c.bigEndian);
        EXPECT_THROW(codec(c.format).read(file, {}), Error) << codec(c.format).name();
    }
    // PCX without planes: a size from the header and not a byte of pixel data to bound it
    std::vector<std::uint8_t> pcx = codec(Format::Pcx).write(pattern(4, 16, 16), {}, {});
    pcx.resize(128);
    poke(pcx, 8, 32512, 2);
    poke(pcx, 10, 50430, 2);
    poke(pcx, 65, 0, 1);
    poke(pcx, 66, 65024, 2);
    EXPECT_THROW(codec(Format::Pcx).read(pcx, {}), Error);
    // GIF: the frame (its descriptor follows the colour table) on a screen as large
    std::vector<std::uint8_t> gif = codec(Format::Gif).write(pattern(8, 16, 16), {}, {});
    const std::size_t frame = 13 + 3 * (std::size_t(2) << (gif[10] & 7));
    ASSERT_EQ(gif[frame], 0x2C);
    for (const std::size_t offset : {std::size_t(6), std::size_t(8), frame + 5, frame + 7})
        poke(gif, offset, 65535, 2);
    EXPECT_THROW(codec(Format::Gif).read(gif, {}), Error);
    // TIFF: the width and length entries of the first directory
    std::vector<std::uint8_t> tiff = codec(Format::Tiff).write(pattern(8, 16, 16), {}, {});
    const std::uint32_t ifd = tiff[4] | tiff[5] << 8 | tiff[6] << 16 | std::uint32_t(tiff[7]) << 24;
    const int entries = tiff[ifd] | tiff[ifd + 1] << 8;
    for (int i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        const int tag = tiff[entry] | tiff[entry + 1] << 8;
        if (tag == 256 || tag == 257)
            poke(tiff, entry + 8, 65535, 2);
    }
    EXPECT_THROW(codec(Format::Tiff).read(tiff, {}), Error);
    // JPEG: the frame header's height and width (big-endian, after 0xFFC0 and 3 bytes)
    std::vector<std::uint8_t> jpeg = codec(Format::Jpeg).write(pattern(24, 16, 16), {}, {});
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            poke(jpeg, i + 5, 65535, 2, true);
            poke(jpeg, i + 7, 65535, 2, true);
            break;
        }
    EXPECT_THROW(codec(Format::Jpeg).read(jpeg, {}), Error);
    // PNG: the IHDR chunk's CRC is checked, so damage it as a whole
    std::vector<std::uint8_t> png = codec(Format::Png).write(pattern(8, 16, 16), {}, {});
    poke(png, 16, 100000, 4, true);
    poke(png, 20, 100000, 4, true);
    EXPECT_THROW(codec(Format::Png).read(png, {}), Error);
}

TEST(Files, FailedWriteKeepsTheOldFileAndLeavesNoPartialFile)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("keep.tif")).toStdString();
    writeFile(path, Format::Tiff, pattern(8));
    const std::vector<std::uint8_t> before = readWholeFile(path);
    EXPECT_THROW(writeFile(path, Format::Tiff, pattern(8), with(TiffFax4)), Error);
    EXPECT_EQ(readWholeFile(path), before);
    const std::string fresh = dir.filePath(QStringLiteral("new.tif")).toStdString();
    EXPECT_THROW(writeFile(fresh, Format::Tiff, pattern(24), with(TiffFax3)), Error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.tif")});
    EXPECT_THROW(readFile(dir.filePath(QStringLiteral("missing.bmp")).toStdString()), Error);
}

// What is not a regular file is never replaced; a link is written through;
// every failure names the file and the reason.
TEST(Files, WritesGoThroughLinksAndNeverReplaceWhatIsNoFile)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const std::string fifo = (folder + QStringLiteral("/pipe.png")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string target = (folder + QStringLiteral("/target.png")).toStdString();
    const std::string link = (folder + QStringLiteral("/link.png")).toStdString();
    writeFile(target, Format::Png, pattern(8));
    ASSERT_EQ(::symlink("target.png", link.c_str()), 0);
    const std::string inFolder = (folder + QStringLiteral("/sub.png")).toStdString();
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("sub.png")));

    for (const std::string &refused : {fifo, inFolder, std::string("/nonexistent-folder/x.png")}) {
        try {
            writeFile(refused, Format::Png, pattern(24));
            ADD_FAILURE() << refused << " was written";
        } catch (const Error &error) {
            EXPECT_EQ(error.code(), ErrorCode::CannotCreate) << refused;
            EXPECT_NE(std::string(error.what()).find(refused), std::string::npos) << error.what();
        }
    }
    struct stat status{};
    ASSERT_EQ(::lstat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    writeFile(link, Format::Png, pattern(24, 33, 21));
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode)); // the link stays a link
    EXPECT_EQ(readFile(target).width(), 33); // and what it names has the new picture
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::System).size(), 3); // no temporary left
}

// Files are decoded while they are read: one that another program shortens
// after we opened it must end in an error, never in a read past its end.
TEST(Files, AFileShortenedWhileReadEndsInAnError)
{
    QTemporaryDir dir;
    for (const DamageCase &c : damageCases()) {
        const std::string path = dir.filePath(QStringLiteral("shortened")).toStdString();
        writeFile(path, c.format, pattern(c.bits, 120, 90), c.options);
        const std::unique_ptr<Input> input = openInput(path);
        ASSERT_EQ(::truncate(path.c_str(), off_t(input->size() / 2)), 0);
        EXPECT_THROW(codec(c.format).read(*input, {}), Error) << c.name;
    }
}

TEST(Files, FormatFromExtensionIgnoresCase)
{
    EXPECT_EQ(formatFromExtension("a/b.JPG"), Format::Jpeg);
    EXPECT_EQ(formatFromExtension("x.tiff"), Format::Tiff);
    EXPECT_EQ(formatFromExtension("scan.PGM"), Format::Pnm);
    EXPECT_EQ(formatFromExtension("dir.png/file"), std::nullopt);
    EXPECT_EQ(formatFromExtension("vignette.THB"), Format::Bmp);
    EXPECT_EQ(formatFromExtension("vignette.thj"), Format::Jpeg);
    EXPECT_EQ(formatFromExtension("page.ps"), Format::Eps);
    EXPECT_EQ(formatFromExtension("logo.wmf"), std::nullopt);
    EXPECT_EQ(formatFromExtension("noextension"), std::nullopt);
}

} // namespace
