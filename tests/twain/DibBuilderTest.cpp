// A SANE frame becomes the DIB of a native transfer: bottom row first, rows
// padded, line art and grey with their palettes, colour in blue-green-red.
#include "DibBuilder.h"
#include "dib.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Frame {
    SANE_Frame format;
    int depth;
    int width;
    int bytesPerLine;
    std::vector<unsigned char> rows; // top row first, as SANE sends them
};

struct BuiltDib {
    GlobalBlock block;
    BITMAPINFOHEADER header{};
    std::vector<unsigned char> bytes;

    const RGBQUAD *palette() const { return reinterpret_cast<const RGBQUAD *>(bytes.data() + sizeof header); }
    // Row y counted from the top of the picture.
    const unsigned char *row(int y) const
    {
        const size_t stride = dib_row_bytes(header.biWidth, header.biBitCount);
        return bytes.data() + sizeof header + header.biClrUsed * 4 + size_t(header.biHeight - 1 - y) * stride;
    }
};

BuiltDib build(const Frame &frame, double dpi = 100)
{
    SANE_Parameters parameters{};
    parameters.format = frame.format;
    parameters.last_frame = SANE_TRUE;
    parameters.depth = frame.depth;
    parameters.pixels_per_line = frame.width;
    parameters.bytes_per_line = frame.bytesPerLine;
    parameters.lines = -1;
    HGLOBAL dib = nullptr;
    EXPECT_EQ(dsm::buildDib(parameters, frame.rows, dpi, &dib), dsm::DibResult::Done);
    BuiltDib view;
    view.block.reset(dib);
    GlobalLockGuard lock(dib);
    std::memcpy(&view.header, lock.data(), sizeof view.header);
    view.bytes.assign(lock.as<unsigned char>(), lock.as<unsigned char>() + GlobalSize(dib));
    return view;
}

} // namespace

TEST(DibBuilder, LineArtIsOneBitWithBlackAtIndexZero)
{
    // 10 pixels: SANE's 1 is black.  Two rows: all black, then black-white alternating.
    const BuiltDib dib = build({SANE_FRAME_GRAY, 1, 10, 2, {0xFF, 0xC0, 0xAA, 0x80}});
    EXPECT_EQ(+dib.header.biBitCount, 1);
    EXPECT_EQ(+dib.header.biWidth, 10);
    EXPECT_EQ(+dib.header.biHeight, 2);
    EXPECT_EQ(+dib.header.biClrUsed, 2u);
    EXPECT_EQ(+dib.header.biSizeImage, 8u);
    EXPECT_EQ(dib.palette()[0].rgbRed, 0);
    EXPECT_EQ(dib.palette()[1].rgbRed, 255);
    EXPECT_EQ(dib.row(0)[0], 0x00);
    EXPECT_EQ(dib.row(0)[1], 0x00);
    EXPECT_EQ(dib.row(1)[0], 0x55);
    // The pad bits beyond the tenth pixel stay clear.
    EXPECT_EQ(dib.row(1)[1], 0x40);
}

TEST(DibBuilder, GreyHasAGreyPaletteAndRowsBottomFirst)
{
    const BuiltDib dib = build({SANE_FRAME_GRAY, 8, 3, 3, {1, 2, 3, 4, 5, 6}});
    EXPECT_EQ(+dib.header.biBitCount, 8);
    EXPECT_EQ(+dib.header.biClrUsed, 256u);
    EXPECT_EQ(dib.palette()[128].rgbGreen, 128);
    EXPECT_EQ(dib.palette()[255].rgbBlue, 255);
    EXPECT_EQ(dib.row(0)[0], 1);
    EXPECT_EQ(dib.row(1)[2], 6);
    EXPECT_EQ(+dib.header.biSizeImage, 8u);
    EXPECT_EQ(+dib.header.biXPelsPerMeter, 3937);
}

TEST(DibBuilder, ColourComesOutBlueGreenRed)
{
    const BuiltDib dib = build({SANE_FRAME_RGB, 8, 2, 6, {10, 20, 30, 40, 50, 60}});
    EXPECT_EQ(+dib.header.biBitCount, 24);
    EXPECT_EQ(+dib.header.biClrUsed, 0u);
    const unsigned char expected[] = {30, 20, 10, 60, 50, 40};
    EXPECT_EQ(std::memcmp(dib.row(0), expected, 6), 0);
}

TEST(DibBuilder, SixteenBitSamplesKeepTheirHighByte)
{
    const uint16_t samples[] = {0x1234, 0xABCD};
    std::vector<unsigned char> rows(4);
    std::memcpy(rows.data(), samples, 4);
    const BuiltDib dib = build({SANE_FRAME_GRAY, 16, 2, 4, rows});
    EXPECT_EQ(dib.row(0)[0], 0x12);
    EXPECT_EQ(dib.row(0)[1], 0xAB);
}

TEST(DibBuilder, RefusesWhatItCannotShow)
{
    struct Case {
        const char *what;
        Frame frame;
    };
    const Case cases[] = {
        {"one colour plane of three", {SANE_FRAME_RED, 8, 2, 2, {1, 2}}},
        {"line art in colour", {SANE_FRAME_RGB, 1, 8, 3, {1, 2, 3}}},
        {"rows shorter than the width", {SANE_FRAME_GRAY, 8, 10, 4, {1, 2, 3, 4}}},
        {"no complete row", {SANE_FRAME_GRAY, 8, 4, 4, {1, 2}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SANE_Parameters parameters{};
        parameters.format = c.frame.format;
        parameters.depth = c.frame.depth;
        parameters.pixels_per_line = c.frame.width;
        parameters.bytes_per_line = c.frame.bytesPerLine;
        parameters.lines = 1;
        HGLOBAL dib = nullptr;
        EXPECT_EQ(dsm::buildDib(parameters, c.frame.rows, 100, &dib), dsm::DibResult::Unsupported);
        EXPECT_EQ(dib, nullptr);
    }
}

TEST(DibBuilder, ShortFrameGivesTheRowsThatCame)
{
    SANE_Parameters parameters{};
    parameters.format = SANE_FRAME_GRAY;
    parameters.depth = 8;
    parameters.pixels_per_line = 2;
    parameters.bytes_per_line = 2;
    parameters.lines = 3;
    std::unique_ptr<dsm::DibWriter> writer;
    ASSERT_EQ(dsm::DibWriter::create(parameters, 3, 100, &writer), dsm::DibResult::Done);
    const unsigned char top[] = {1, 2};
    const unsigned char next[] = {3, 4};
    writer->addRow(top);
    writer->addRow(next);
    GlobalBlock dib(writer->release());
    ASSERT_TRUE(dib);
    GlobalLockGuard lock(dib.get());
    auto *header = lock.as<BITMAPINFOHEADER>();
    EXPECT_EQ(+header->biHeight, 2);
    EXPECT_EQ(+header->biSizeImage, 8u);
    // Bottom row first: "next" then "top".
    EXPECT_EQ(dib_bits(header)[0], 3);
    EXPECT_EQ(dib_bits(header)[4], 1);

    // Nothing at all came: no DIB.
    ASSERT_EQ(dsm::DibWriter::create(parameters, 3, 100, &writer), dsm::DibResult::Done);
    EXPECT_EQ(writer->release(), nullptr);
}
