// TGA origins against two other programs.  A TGA descriptor names the
// corner of the first stored pixel (bit 5: top, bit 4: right).  ImageMagick
// keeps the stored rows as they are and the origin as the picture's
// orientation, so its view of a file is what `-auto-orient` gives; netpbm's
// tgatoppm follows the top/bottom bit and ignores left/right.
#include "Codec.h"
#include "TestImages.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace codecs;
using testimages::maxDifference;

namespace {

const char kTgaToPpm[] = "/usr/bin/tgatoppm";

// The picture netpbm reads from a TGA file, or a null image.
Image readWithNetpbm(const QString &tga, const QString &folder)
{
    const QString ppm = folder + QStringLiteral("/netpbm.ppm");
    QProcess process;
    process.setStandardOutputFile(ppm);
    process.start(QString::fromLatin1(kTgaToPpm), {tga});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return testimages::readPpm(ppm.toStdString());
}

int descriptorOf(const QString &tga)
{
    QFile file(tga);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(18);
    return header.size() == 18 ? std::uint8_t(header[17]) : -1;
}

struct OriginCase {
    const char *name;
    // ImageMagick stores its rows in order and writes the origin it is told:
    // turning the picture first makes the file show the picture itself
    std::vector<const char *> options;
    int descriptor;
};

class TgaOrigins : public testing::TestWithParam<OriginCase> {};

TEST_P(TgaOrigins, ImageMagicksFileReadsAsThePictureItShows)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    const OriginCase &c = GetParam();
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("picture.ppm"));
    const QString tga = dir.filePath(QStringLiteral("theirs.tga"));
    const Image picture = testimages::pattern(24, 29, 17);
    writeFile(source.toStdString(), Format::Pnm, picture);
    QStringList arguments = {source, QStringLiteral("-type"), QStringLiteral("TrueColor")};
    for (const char *option : c.options)
        arguments << QString::fromLatin1(option);
    ASSERT_TRUE(testimages::runConvert(arguments << QStringLiteral("TGA:") + tga));
    ASSERT_EQ(descriptorOf(tga), c.descriptor);
    // ImageMagick itself sees the picture in the file
    ASSERT_EQ(maxDifference(testimages::readWithImageMagick(tga, dir.path()), picture), 0);
    EXPECT_EQ(maxDifference(readFile(tga.toStdString()), picture), 0);
    if (QFileInfo::exists(QString::fromLatin1(kTgaToPpm)) && !(c.descriptor & 0x10)) {
        EXPECT_EQ(maxDifference(readWithNetpbm(tga, dir.path()), picture), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, TgaOrigins, testing::Values(
    OriginCase{"BottomLeft", {"-flip", "-orient", "BottomLeft"}, 0x00},
    OriginCase{"TopLeft", {"-orient", "TopLeft"}, 0x20},
    OriginCase{"BottomRight", {"-flip", "-flop", "-orient", "BottomRight"}, 0x10},
    OriginCase{"TopRight", {"-flop", "-orient", "TopRight"}, 0x30}),
    [](const testing::TestParamInfo<OriginCase> &info) { return std::string(info.param.name); });

TEST(TgaOrigin, OurFilesReadTheSameInImageMagickAndNetpbm)
{
    ASSERT_TRUE(testimages::haveImageMagick() && QFileInfo::exists(QString::fromLatin1(kTgaToPpm))) << "ImageMagick and netpbm are needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString tga = dir.filePath(QStringLiteral("ours.tga"));
    const Image picture = testimages::pattern(24, 29, 17);
    for (const bool rle : {false, true}) {
        WriteOptions options;
        options.rle = rle;
        writeFile(tga.toStdString(), Format::Tga, picture, options);
        EXPECT_EQ(maxDifference(testimages::readWithImageMagick(tga, dir.path()), picture), 0) << "RLE " << rle;
        EXPECT_EQ(maxDifference(readWithNetpbm(tga, dir.path()), picture), 0) << "RLE " << rle;
    }
}

// ImageMagick 6 writes a picture of no stated orientation top row first
// under a bottom-left descriptor.  Every reader that follows the descriptor
// shows that file upside down: so does ImageMagick's own `-auto-orient`,
// and so do we.
TEST(TgaOrigin, ImageMagicksUnorientedFileReadsAsNetpbmReadsIt)
{
    ASSERT_TRUE(testimages::haveImageMagick() && QFileInfo::exists(QString::fromLatin1(kTgaToPpm))) << "ImageMagick and netpbm are needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("picture.ppm"));
    const QString tga = dir.filePath(QStringLiteral("theirs.tga"));
    writeFile(source.toStdString(), Format::Pnm, testimages::pattern(24, 29, 17));
    ASSERT_TRUE(testimages::runConvert({source, QStringLiteral("-type"), QStringLiteral("TrueColor"), QStringLiteral("TGA:") + tga}));
    const Image netpbm = readWithNetpbm(tga, dir.path());
    ASSERT_FALSE(netpbm.isNull());
    EXPECT_EQ(maxDifference(readFile(tga.toStdString()), netpbm), 0);
    EXPECT_EQ(maxDifference(testimages::readWithImageMagick(tga, dir.path()), netpbm), 0);
}

} // namespace
