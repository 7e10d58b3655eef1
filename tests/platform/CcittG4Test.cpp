// The G4 coder against libtiff's decoder: awkward lines and widths go in,
// libtiff must give back every pixel.
#include "CcittG4.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>
#include <random>
#include <vector>

namespace {

// A picture as one byte per pixel, 1 = black.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    std::uint8_t &at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

Picture picture(int width, int height, const std::function<bool(int x, int y)> &black)
{
    Picture p{width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.at(x, y) = black(x, y) ? 1 : 0;
    return p;
}

// Packed most significant bit first, with garbage in the bits past the width
// that the coder must ignore.
std::vector<std::uint8_t> packed(const Picture &p, int bytesPerRow, bool oneIsBlack)
{
    std::vector<std::uint8_t> bits(std::size_t(bytesPerRow) * std::size_t(p.height), 0xA5);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            std::uint8_t &byte = bits[std::size_t(y) * std::size_t(bytesPerRow) + std::size_t(x / 8)];
            const std::uint8_t mask = std::uint8_t(0x80 >> (x % 8));
            const bool set = (p.pixels[std::size_t(y) * std::size_t(p.width) + std::size_t(x)] != 0) == oneIsBlack;
            byte = std::uint8_t(set ? byte | mask : byte & ~mask);
        }
    return bits;
}

// libtiff decodes the G4 data as the one strip of a TIFF file.
Picture decodedByLibtiff(const std::vector<std::uint8_t> &g4, int width, int height)
{
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("g4.tif")));
    TIFF *out = TIFFOpen(file.constData(), "w");
    EXPECT_NE(out, nullptr);
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, uint16_t(1));
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(out, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_CCITTFAX4));
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISWHITE));
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    TIFFWriteRawStrip(out, 0, const_cast<std::uint8_t *>(g4.data()), tmsize_t(g4.size()));
    TIFFClose(out);

    Picture result{width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height))};
    TIFF *in = TIFFOpen(file.constData(), "r");
    EXPECT_NE(in, nullptr);
    std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(in)));
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(TIFFReadScanline(in, row.data(), uint32_t(y), 0), 1) << "row " << y;
        for (int x = 0; x < width; ++x)
            result.at(x, y) = (row[std::size_t(x / 8)] >> (7 - x % 8)) & 1; // MinIsWhite: 1 is black
    }
    TIFFClose(in);
    return result;
}

struct Case {
    const char *name;
    Picture picture;
};

std::vector<Case> cases()
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(300 * 40);
    for (auto &n : noise)
        n = random() % 2;
    return {
        {"all white", picture(1728, 8, [](int, int) { return false; })},
        {"all black", picture(1728, 8, [](int, int) { return true; })},
        {"alternating pixels", picture(64, 6, [](int x, int) { return x % 2 == 1; })},
        {"alternating from black", picture(63, 6, [](int x, int) { return x % 2 == 0; })},
        {"checkerboard", picture(37, 9, [](int x, int y) { return (x + y) % 2 == 0; })},
        {"one pixel wide", picture(1, 12, [](int, int y) { return y % 3 == 1; })},
        {"one pixel wide, black", picture(1, 3, [](int, int) { return true; })},
        {"seven pixels wide", picture(7, 7, [](int x, int y) { return x == y; })},
        {"nine pixels wide", picture(9, 9, [](int x, int y) { return x >= y; })},
        {"last pixel only", picture(13, 4, [](int x, int) { return x == 12; })},
        // Every run length of both colours up to beyond the longest make-up code.
        {"every run length", picture(2700, 2700, [](int x, int y) { return x >= y; })},
        {"long runs in a wide line", picture(9000, 3, [](int x, int y) { return y == 1 ? x < 5200 : x >= 2600 && x < 7900; })},
        // Edges that move by up to four pixels from line to line: every vertical mode and the horizontal one.
        {"slanted edges", picture(200, 40, [](int x, int y) { return (x + y * (y % 9 - 4)) % 50 < 20; })},
        // Runs that end above the coding line's next change: pass mode.
        {"pass mode", picture(100, 20, [](int x, int y) { return y % 2 == 0 ? x % 20 < 5 : x >= 90; })},
        {"noise", picture(300, 40, [&](int x, int y) { return noise[std::size_t(y * 300 + x)] != 0; })},
    };
}

} // namespace

TEST(CcittG4, LibtiffDecodesEveryCaseAsDrawn)
{
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        const Picture &p = c.picture;
        for (bool oneIsBlack : {true, false}) {
            const int bytesPerRow = (p.width + 7) / 8 + 3; // rows padded as QImage pads them
            const std::vector<std::uint8_t> bits = packed(p, bytesPerRow, oneIsBlack);
            const std::vector<std::uint8_t> g4 = platform::encodeCcittG4({bits.data(), bytesPerRow, p.width, p.height, oneIsBlack});
            const Picture back = decodedByLibtiff(g4, p.width, p.height);
            ASSERT_EQ(back.pixels, p.pixels) << (oneIsBlack ? "1 = black" : "1 = white");
        }
    }
}

TEST(CcittG4, EndsWithEndOfFacsimileBlock)
{
    // Two EOL codes (000000000001 twice) close the data; an all-white line is one V0 code (a single 1 bit).
    const std::uint8_t white = 0x00;
    const std::vector<std::uint8_t> g4 = platform::encodeCcittG4({&white, 1, 8, 1, true});
    EXPECT_EQ(g4, (std::vector<std::uint8_t>{0x80, 0x08, 0x00, 0x80}));
}
