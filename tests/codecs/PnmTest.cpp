// PBM, PGM and PPM: the kinds the writer chooses, files written by netpbm,
// hand-made headers and rasters, and the headers that must be refused.
#include "Codec.h"
#include "Convert.h"
#include "TestImages.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace codecs;
using testimages::maxDifference;
using testimages::pattern;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

std::string magicOf(const std::vector<std::uint8_t> &file) { return std::string(file.begin(), file.begin() + 2); }

Image withPalette(int bits, std::vector<Rgb> palette)
{
    Image image = pattern(bits, 19, 7);
    for (std::size_t i = 0; i < palette.size(); ++i)
        image.setColour(int(i), palette[i]);
    return image;
}

std::vector<Rgb> unevenGreys()
{
    std::vector<Rgb> greys;
    for (int i = 0; i < 16; ++i)
        greys.push_back({std::uint8_t(i * i), std::uint8_t(i * i), std::uint8_t(i * i)});
    return greys;
}

TEST(PnmCodec, WritesTheKindThatKeepsEveryColour)
{
    struct Case {
        const char *name;
        Image image;
        const char *magic;
        int readBits;
    };
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    const Case cases[] = {
        {"black and white", withPalette(1, {black, white}), "P4", 1},
        {"white and black", withPalette(1, {white, black}), "P4", 1},
        {"two colours", withPalette(1, {{200, 0, 0}, {0, 0, 90}}), "P6", 24},
        {"16 greys", withPalette(4, greyPalette(4)), "P5", 8},
        {"256 greys", toGrey(pattern(24, 19, 7)), "P5", 8},
        {"uneven greys", withPalette(4, unevenGreys()), "P5", 8},
        {"256 colours", pattern(8, 19, 7), "P6", 24},
        {"true colour", pattern(24, 19, 7), "P6", 24},
    };
    for (const Case &c : cases) {
        const std::vector<std::uint8_t> file = codec(Format::Pnm).write(c.image, {}, {});
        EXPECT_EQ(magicOf(file), c.magic) << c.name;
        const Image back = readMemory(file);
        EXPECT_EQ(back.bits(), c.readBits) << c.name;
        EXPECT_EQ(maxDifference(back, c.image), 0) << c.name << ": " << testimages::firstDifference(back, c.image);
    }
}

TEST(PnmCodec, ReadsPlainAndRawRastersWithCommentsAndAnyMaxval)
{
    struct Case {
        const char *name;
        std::string file;
        int bits;
        std::vector<std::uint8_t> levels; // first channel of each pixel, row by row
    };
    const Case cases[] = {
        {"plain PBM, 1 is black, digits may touch", "P1\n# two rows\n3 2\n0 1 0\n110", 1, {255, 0, 255, 0, 0, 255}},
        {"raw PBM, rows padded to a byte", std::string("P4 9 2\n") + std::string("\x80\x80\x7F\x00", 4), 1,
         {0, 255, 255, 255, 255, 255, 255, 255, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255}},
        {"plain PGM, comments everywhere", "P2 # kind\n3#width\n# more\n1\n4 # maxval\n0 2\n# inside\n4\n", 8,
         {0, 128, 255}},
        {"raw PGM, 16-bit big-endian samples", std::string("P5\n3 1\n65535\n") + std::string("\x80\x00\x00\xFF\xFF\xFF", 6), 8,
         {128, 1, 255}},
        {"raw PGM, maxval 1000", std::string("P5 2 1 1000\n") + std::string("\x01\xF4\x03\xE8", 4), 8, {128, 255}},
        {"plain PPM", "P3\n2 1\n255\n10 20 30  40 50 60\n", 24, {10, 40}},
        {"raw PPM, maxval 15", std::string("P6\n2 1\n15\n") + std::string("\x0F\x00\x00\x07\x07\x07", 6), 24, {255, 119}},
        {"first image of several", "P2 1 1 255 9 P2 1 1 255 200 ", 8, {9}},
    };
    for (const Case &c : cases) {
        const Image image = readMemory(bytesOf(c.file));
        ASSERT_EQ(image.bits(), c.bits) << c.name;
        ASSERT_EQ(std::size_t(image.width()) * std::size_t(image.height()), c.levels.size()) << c.name;
        for (std::size_t i = 0; i < c.levels.size(); ++i) {
            const auto x = std::int32_t(i % std::size_t(image.width())), y = std::int32_t(i / std::size_t(image.width()));
            EXPECT_EQ(pixelColour(image, image.row(y), x).red, c.levels[i]) << c.name << " pixel " << i;
        }
    }
    // a PPM keeps its channels apart
    const Image colour = readMemory(bytesOf("P3 1 1 255 10 20 30"));
    EXPECT_EQ(pixelColour(colour, colour.row(0), 0), (Rgb{10, 20, 30}));
}

TEST(PnmCodec, RefusesBadHeadersAndRastersWithTheirCodes)
{
    struct Case {
        const char *name;
        std::string file;
        ErrorCode code;
    };
    const Case cases[] = {
        {"not netpbm", "P7\n1 1\n255\n", ErrorCode::NotThisFormat},
        {"no magic blank", "P6x 1 1 255\n", ErrorCode::NotThisFormat},
        {"zero width", "P6\n0 5\n255\n", ErrorCode::TooLarge},
        {"negative height", "P6\n5 -1\n255\n", ErrorCode::Corrupt},
        {"maxval 0", "P5\n1 1\n0\n\x01", ErrorCode::Corrupt},
        {"maxval above 65535", "P5\n1 1\n65536\n\x01\x01", ErrorCode::Corrupt},
        {"huge maxval", "P5\n1 1\n99999999999999999999999\n\x01\x01", ErrorCode::Corrupt},
        {"header without end", "P6\n1 1\n255", ErrorCode::Corrupt},
        {"header ended by a comment", "P6\n1 1\n255#\n\x01\x02\x03", ErrorCode::Corrupt},
        {"100000 wide", "P6\n100000 100000\n255\n", ErrorCode::TooLarge},
        {"endless digits", "P4\n1 99999999999999999999999999\n", ErrorCode::TooLarge},
        {"large but short raw", "P6\n9999 9999\n255\nabc", ErrorCode::Corrupt},
        {"large but short plain", "P2\n9999 9999\n255\n1 2 3", ErrorCode::Corrupt},
        {"raw raster cut", "P5\n2 2\n255\n\x01\x02\x03", ErrorCode::Corrupt},
        {"16-bit raster cut", "P5\n1 1\n300\n\x01", ErrorCode::Corrupt},
        {"raw sample above maxval", "P5\n2 1\n100\n\x01\x65", ErrorCode::Corrupt},
        {"plain sample above maxval", "P2\n2 1\n10\n5 11\n", ErrorCode::Corrupt},
        {"plain PBM digit 2", "P1\n2 1\n0 2\n", ErrorCode::Corrupt},
        {"plain PPM cut", "P3\n1 1\n255\n1 2", ErrorCode::Corrupt},
        {"plain letters", "P2\n2 1\n255\n1 x\n", ErrorCode::Corrupt},
    };
    for (const Case &c : cases) {
        try {
            codec(Format::Pnm).read(bytesOf(c.file), {});
            ADD_FAILURE() << c.name << " was read";
        } catch (const Error &e) {
            EXPECT_EQ(e.code(), c.code) << c.name << ": " << e.what();
        }
    }
}

TEST(PnmCodec, HeaderGivesTheFileDepth)
{
    EXPECT_EQ(codec(Format::Pnm).readInfo(bytesOf("P1 3 2 "), {}).bits, 1);
    EXPECT_EQ(codec(Format::Pnm).readInfo(bytesOf("P5 3 2 65535 "), {}).bits, 16);
    const ImageInfo info = codec(Format::Pnm).readInfo(bytesOf("P3\n# size\n30 20\n255\n"), {});
    EXPECT_EQ(info.bits, 24);
    EXPECT_EQ(info.width, 30);
    EXPECT_EQ(info.height, 20);
}

// Runs a netpbm tool from `input` into `output`.
bool netpbm(const QString &tool, const QStringList &arguments, const QString &input, const QString &output)
{
    QProcess process;
    process.setStandardInputFile(input);
    process.setStandardOutputFile(output);
    process.start(QStringLiteral("/usr/bin/") + tool, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

TEST(PnmCodec, ReadsNetpbmFilesWithTheirPixels)
{
    ASSERT_TRUE(testimages::haveImageMagick() && QFile::exists(QStringLiteral("/usr/bin/pnmtoplainpnm"))) << "ImageMagick and netpbm are needed (scripts/setup installs it)";
    QTemporaryDir dir;
    const auto path = [&dir](const char *name) { return dir.filePath(QLatin1String(name)); };
    ASSERT_TRUE(testimages::runConvert({QStringLiteral("-size"), QStringLiteral("41x23"), QStringLiteral("-seed"),
                                        QStringLiteral("3"), QStringLiteral("plasma:"), QStringLiteral("-depth"),
                                        QStringLiteral("8"), path("colour.ppm")}));
    struct Step {
        const char *tool;
        QStringList arguments;
        const char *input, *output;
        int bits;
        bool lossless; // compared with the input, else with ImageMagick's reading of the output
    };
    const Step steps[] = {
        {"pnmtoplainpnm", {}, "colour.ppm", "plain.ppm", 24, true},
        {"ppmtopgm", {}, "colour.ppm", "grey.pgm", 8, false},
        {"pnmtoplainpnm", {}, "grey.pgm", "plain.pgm", 8, true},
        {"pamdepth", {QStringLiteral("65535")}, "grey.pgm", "deep.pgm", 8, true},
        {"pamdepth", {QStringLiteral("1000")}, "colour.ppm", "odd.ppm", 24, true},
        {"pgmtopbm", {QStringLiteral("-threshold")}, "grey.pgm", "bw.pbm", 1, false},
        {"pnmtoplainpnm", {}, "bw.pbm", "plain.pbm", 1, true},
    };
    for (const Step &s : steps) {
        ASSERT_TRUE(netpbm(QLatin1String(s.tool), s.arguments, path(s.input), path(s.output))) << s.tool;
        const Image ours = readFile(path(s.output).toStdString());
        const Image theirs = testimages::readWithImageMagick(path(s.lossless ? s.input : s.output), dir.path());
        EXPECT_EQ(ours.bits(), s.bits) << s.output;
        EXPECT_EQ(maxDifference(ours, theirs), 0) << s.output << ": " << testimages::firstDifference(ours, theirs);
    }
}

} // namespace
