// The sheet arithmetic without any widget, on the paper of the test printer:
// A4 at 600 dpi with 4 mm margins, a physical page of 4961 x 7016 pixels with
// a printable area of 4773 x 6828 at (94, 94), shown on a 293 x 415 preview.
#include "SheetGeometry.h"

#include <gtest/gtest.h>

namespace {

platform::PaperMetrics a4(bool landscape = false)
{
    platform::PaperMetrics paper{{4961, 7016}, {4773, 6828}, {94, 94}, 600, 600, landscape};
    if (landscape) {
        paper.physical.transpose();
        paper.printable.transpose();
    }
    return paper;
}

const QSize Preview(293, 415);

} // namespace

TEST(SheetGeometry, PrintableAreaOnThePreview)
{
    const platform::SheetGeometry sheet(a4(), Preview);
    EXPECT_DOUBLE_EQ(sheet.printableWidthRatio(), 4773.0 / 4961.0);
    EXPECT_DOUBLE_EQ(sheet.offsetYRatio(), 94.0 / 7016.0);
    EXPECT_EQ(QRect(QPoint(sheet.x0(), sheet.y0()), QPoint(sheet.x1(), sheet.y1())), QRect(QPoint(6, 6), QPoint(287, 409)));
    EXPECT_EQ(sheet.printableWidth(), 282);
    EXPECT_EQ(sheet.printableHeight(), 404);
    EXPECT_DOUBLE_EQ(static_cast<double>(sheet.scaleX()), 4961.0 / 293.0);

    // The poster mode's square sheet keeps the ratios of the last drawing.
    const platform::SheetGeometry square = sheet.onPreview(QSize(293, 293));
    EXPECT_DOUBLE_EQ(square.printableHeightRatio(), sheet.printableHeightRatio());
    EXPECT_EQ(square.printableHeight(), 285);
}

TEST(SheetGeometry, LandscapePaperIsSeenUpright)
{
    // A landscape printer reports the page turned; the upright preview turns it back.
    platform::PaperMetrics paper = a4(true);
    paper.offset = QPoint(150, 94);
    const platform::SheetGeometry turned(paper, Preview);
    EXPECT_DOUBLE_EQ(turned.printableWidthRatio(), 4773.0 / 4961.0);
    EXPECT_DOUBLE_EQ(turned.printableHeightRatio(), 6828.0 / 7016.0);
    EXPECT_DOUBLE_EQ(turned.offsetXRatio(), 94.0 / 4961.0);
    EXPECT_DOUBLE_EQ(turned.offsetYRatio(), 150.0 / 7016.0);
}

TEST(SheetGeometry, MillimetresFollowTheTurnedSheet)
{
    const platform::SheetGeometry sheet(a4(), Preview);
    struct Case {
        int mm, x, y;
    };
    for (const Case &c : {Case{0, 0, 0}, Case{10, 14, 14}, Case{148, 206, 207}, Case{210, 293, 293}, Case{297, 414, 415}}) {
        EXPECT_EQ(sheet.mmToPixelsX(c.mm, false), c.x) << c.mm;
        EXPECT_EQ(sheet.mmToPixelsY(c.mm, false), c.y) << c.mm;
        EXPECT_EQ(sheet.pixelsToMmX(c.x, false), c.mm) << c.mm;
    }
    // The landscape box says which of the printer's axes runs along the
    // preview's width: with the printer landscape too, the upright sheet is
    // the same paper as in portrait.
    const platform::SheetGeometry turned(a4(true), Preview);
    EXPECT_EQ(turned.mmToPixelsX(210, true), 293);
    EXPECT_EQ(turned.mmToPixelsY(297, true), 415);
    EXPECT_EQ(turned.pixelsToMmY(415, true), 297);
    // With the box on and the printer still portrait, the axes cross.
    EXPECT_EQ(sheet.mmToPixelsX(210, true), 207);
    EXPECT_EQ(sheet.mmToPixelsY(148, true), 292);
    EXPECT_EQ(a4().widthMm(), 210);
    EXPECT_EQ(a4().heightMm(), 297);
}

TEST(SheetGeometry, PosterSizesBetweenTenthsOfMillimetresAndScreenPixels)
{
    EXPECT_EQ(platform::screenPixelsFromTenthsOfMm(254, 96), 96); // an inch
    EXPECT_EQ(platform::tenthsOfMmFromScreenPixels(96, 96), 254);
    EXPECT_EQ(platform::screenPixelsFromTenthsOfMm(1000, 96), 378); // 100 mm
    EXPECT_EQ(platform::screenPixelsFromTenthsOfMm(1, 96), 0); // 0,1 mm is less than a screen pixel
}

TEST(PosterLayout, SheetsColumnByColumnWithTheRemaindersLast)
{
    // ppi 600 makes screen pixels printer pixels.
    struct Case {
        QSize poster;
        int columns, rows;
        QRect lastPart;
    };
    const Case cases[] = {
        {{4773, 6828}, 1, 1, {0, 0, 4773, 6828}},
        {{4774, 6828}, 2, 1, {4773, 0, 1, 6828}},
        {{9546, 6828}, 2, 1, {4773, 0, 4773, 6828}},
        {{9547, 7000}, 3, 2, {9546, 6828, 1, 172}},
        // A height that rounds to nothing still lies on one row (it used to
        // make zero rows and a division by zero in the sketch).
        {{10000, 0}, 3, 1, {9546, 0, 454, 1}},
        {{0, 0}, 1, 1, {0, 0, 1, 1}},
    };
    for (const Case &c : cases) {
        const platform::PosterLayout poster(a4(), c.poster, 600);
        EXPECT_EQ(poster.columns(), c.columns) << c.poster.width() << "x" << c.poster.height();
        EXPECT_EQ(poster.rows(), c.rows) << c.poster.width() << "x" << c.poster.height();
        EXPECT_EQ(poster.singleSheet(), c.columns * c.rows == 1);
        EXPECT_EQ(poster.part(c.columns - 1, c.rows - 1), c.lastPart) << c.poster.width() << "x" << c.poster.height();
    }
}
