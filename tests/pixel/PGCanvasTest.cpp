// Drawing through the canvas reaches the pixel memory before any direct access.
#include "PixelTestSupport.h"

#include "PGCanvas.h"

#include <QPainter>

namespace {

const QRect drawn(2, 1, 4, 3);

// Fills `rect` through the image's canvas.
void fillThroughCanvas(TPixelGraphic &image, const QRect &rect, const QColor &colour)
{
    image.Canvas().Painter().fillRect(rect, colour);
}

} // namespace

TEST(Canvas, DrawingReachesThePixelsOfEveryFormat)
{
    struct Case {
        const char *name;
        TPGPixelFormat format;
        TPaletteIdent palette;
        QColor colour;
        uint32_t value; // the raw pixel value drawn
    };
    const Case cases[] = {
        {"24-bit", pg24Bit, pTrueColor, QColor(200, 100, 50), MakeRGB(200, 100, 50)},
        {"256 greys", pg8Bit, pGray256, QColor(77, 77, 77), 77},
        {"256 greys, colour drawn", pg8Bit, pGray256, QColor(200, 100, 50), (897 * 200 + 1761 * 100 + 342 * 50) / 1000 / 3},
        {"16 system colours", pg4Bit, pSys16, QColor(250, 5, 5), 9},
        {"black and white", pg1Bit, pBlackWhite, QColor(255, 255, 255), 1},
    };
    for (const Case &c : cases) {
        TPixelGraphic image;
        image.SetFormat(10, 6, c.format);
        image.SetPaletteIdent(c.palette);
        fillThroughCanvas(image, drawn, c.colour);
        EXPECT_TRUE(image.Canvas().HandleAllocated()) << c.name;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(image.GetPixel(x, y), drawn.contains(x, y) ? c.value : 0u) << c.name << " " << x << "," << y;
        EXPECT_FALSE(image.Canvas().HandleAllocated()) << c.name;
    }
}

TEST(Canvas, ScanLineSeesTheDrawing)
{
    TPixelGraphic image;
    image.SetFormat(10, 6, pg24Bit);
    fillThroughCanvas(image, drawn, QColor(1, 2, 3));
    const uint8_t *row = image.ScanLine(1);
    EXPECT_EQ(row[3 * 2], 3); // blue, green, red
    EXPECT_EQ(row[3 * 2 + 1], 2);
    EXPECT_EQ(row[3 * 2 + 2], 1);
}

TEST(Canvas, DrawDirectWriteDrawKeepsAll)
{
    for (const TPGPixelFormat format : {pg24Bit, pg8Bit}) {
        TPixelGraphic image;
        image.SetFormat(10, 6, format);
        image.SetPaletteIdent(format == pg8Bit ? pGray256 : pTrueColor);
        const uint32_t white = format == pg8Bit ? 255 : MakeRGB(255, 255, 255);
        fillThroughCanvas(image, QRect(0, 0, 2, 2), Qt::white);
        image.SetPixel(5, 5, white);
        fillThroughCanvas(image, QRect(8, 0, 2, 2), Qt::white);
        EXPECT_EQ(image.GetPixel(1, 1), white) << "first drawing, format " << int(format);
        EXPECT_EQ(image.GetPixel(5, 5), white) << "direct write, format " << int(format);
        EXPECT_EQ(image.GetPixel(9, 1), white) << "second drawing, format " << int(format);
        EXPECT_EQ(image.GetPixel(5, 1), 0u);
    }
}

TEST(Canvas, PixelsTheDrawingMissedKeepTheirIndex)
{
    // entries 0 and 1 share one colour: mapping colours back must not move an untouched pixel to entry 0
    TPixelGraphic image;
    image.SetFormat(4, 2, pg8Bit);
    image.SetPaletteCount(3);
    image.SetPaletteEntry(2, MakeRGB(255, 255, 255));
    image.SetPixel(3, 1, 1);
    fillThroughCanvas(image, QRect(0, 0, 1, 1), Qt::white);
    EXPECT_EQ(image.GetPixel(0, 0), 2u);
    EXPECT_EQ(image.GetPixel(3, 1), 1u);
}

TEST(Canvas, FormatChangesAssignAndLoadingReleaseThePainter)
{
    TPixelGraphic image, other;
    image.SetFormat(4, 4, pg24Bit);
    other.SetFormat(3, 3, pg24Bit);
    other.Canvas().Painter().fillRect(QRect(0, 0, 3, 3), Qt::red);
    image.Assign(&other); // the source's drawing is copied
    EXPECT_FALSE(other.Canvas().HandleAllocated());
    EXPECT_EQ(image.GetPixel(2, 2), MakeRGB(255, 0, 0));

    fillThroughCanvas(image, QRect(0, 0, 3, 3), Qt::blue);
    image.SetFormat(5, 5, pg8Bit);
    EXPECT_FALSE(image.Canvas().HandleAllocated());
    image.SetPaletteIdent(pGray256);
    fillThroughCanvas(image, QRect(0, 0, 5, 5), Qt::white);
    EXPECT_EQ(image.GetPixel(4, 4), 255u);

    fillThroughCanvas(image, QRect(0, 0, 5, 5), Qt::black);
    loadBytes(image, streamOf(other));
    EXPECT_FALSE(image.Canvas().HandleAllocated());
    EXPECT_EQ(image.GetPixel(2, 2), MakeRGB(255, 0, 0));
}
