// The gamma a PNG declares (gAMA, or the one an sRGB chunk implies) reaches
// the image; files that declare none report none.
#include "Codec.h"
#include "TestImages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace codecs;

namespace {

TEST(PngCodec, ReportsTheDisplayGammaOfItsGammaChunk)
{
    ASSERT_TRUE(testimages::haveImageMagick()) << "ImageMagick is needed (scripts/setup installs it)";
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QStringList options;
        std::optional<double> gamma;
    };
    // ImageMagick writes gAMA 0.45455 unless told otherwise; -gamma 0.8 makes it 0.45455 x 0.8
    const Case cases[] = {
        {"gAMA 0.45455", {}, 2.2},
        {"gAMA 0.36364", {QStringLiteral("-gamma"), QStringLiteral("0.8")}, 2.2 / 0.8},
        {"no gAMA", {QStringLiteral("-define"), QStringLiteral("png:exclude-chunk=gAMA,sRGB")}, std::nullopt},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("g.png"));
        ASSERT_TRUE(testimages::runConvert(QStringList{QStringLiteral("-size"), QStringLiteral("4x4"),
                                                       QStringLiteral("xc:gray50")}
                                           + c.options + QStringList{path}));
        const std::optional<double> gamma = readFile(path.toStdString()).gamma();
        ASSERT_EQ(gamma.has_value(), c.gamma.has_value()) << c.name;
        if (gamma) {
            EXPECT_NEAR(*gamma, *c.gamma, 1e-3) << c.name;
        }
    }
}

// CRC-32 of PNG chunks (ISO 3309), bit by bit.
std::uint32_t crc32(const std::vector<std::uint8_t> &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

TEST(PngCodec, AnSrgbChunkAloneMeansGamma22)
{
    std::vector<std::uint8_t> file = codec(Format::Png).write(testimages::pattern(24), {}, {});
    // sRGB, rendering intent 0, right after the 8-byte signature and the 25-byte IHDR chunk
    const std::vector<std::uint8_t> body = {'s', 'R', 'G', 'B', 0};
    const std::uint32_t crc = crc32(body);
    std::vector<std::uint8_t> chunk = {0, 0, 0, 1};
    chunk.insert(chunk.end(), body.begin(), body.end());
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk.push_back(std::uint8_t(crc >> shift));
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    const std::optional<double> gamma = readMemory(file).gamma();
    ASSERT_TRUE(gamma.has_value());
    EXPECT_NEAR(*gamma, 2.2, 1e-3);
}

TEST(PngCodec, OwnFilesAndOtherFormatsDeclareNoGamma)
{
    for (const Format format : {Format::Png, Format::Bmp, Format::Pnm})
        EXPECT_FALSE(readMemory(codec(format).write(testimages::pattern(24), {}, {})).gamma().has_value());
}

} // namespace
