// What the copy makes of the originals before they are placed: gathered
// several to a sheet, a card's two faces at their true size, a page cleaned.
#include "CopyPages.h"
#include "Deskew.h"
#include "Rotate.h"
#include "SyntheticPage.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr int Dpi = 100;

QImage original(QSize size, QColor colour, int dpi = Dpi)
{
    QImage page(size, QImage::Format_RGB888);
    page.fill(colour);
    copying::setDotsPerInch(page, dpi);
    return page;
}

// A4's printable area less 4 mm margins, at 100 dpi.
const copying::GatherSheet Sheet{QSize(795, 1138), Dpi};

// The bounding box of the pixels of `colour` on a sheet.
QRect areaOf(const QImage &sheet, QColor colour)
{
    QRect area;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x)
            if (sheet.pixelColor(x, y) == colour)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

TEST(CopyPages, OriginalsAreGatheredOnSheetsEachTurnedWhenItFitsLarger)
{
    // Five A4 portrait originals, two to a sheet: three sheets, each half a
    // landscape cell where a portrait page is larger turned.
    std::vector<QImage> originals;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta};
    for (const QColor &colour : colours)
        originals.push_back(original(QSize(827, 1169), colour));
    const std::vector<QImage> two = copying::gathered(originals, 2, Sheet);
    ASSERT_EQ(two.size(), 3u);
    for (const QImage &sheet : two)
        EXPECT_EQ(sheet.size(), Sheet.size);
    const QRect first = areaOf(two[0], Qt::red), second = areaOf(two[0], Qt::green);
    EXPECT_GT(first.width(), first.height()); // turned a quarter
    EXPECT_LT(first.bottom(), second.top());  // one above the other
    EXPECT_NEAR(double(first.width()) / first.height(), 1169.0 / 827, 0.02);
    EXPECT_TRUE(areaOf(two[2], Qt::green).isEmpty());
    EXPECT_FALSE(areaOf(two[2], Qt::magenta).isEmpty());

    // Four to a sheet: two by two, upright.
    const std::vector<QImage> four = copying::gathered(originals, 4, Sheet);
    ASSERT_EQ(four.size(), 2u);
    const QRect a = areaOf(four[0], Qt::red), b = areaOf(four[0], Qt::green), c = areaOf(four[0], Qt::blue);
    EXPECT_LT(a.width(), a.height());
    EXPECT_LT(a.right(), b.left());
    EXPECT_LT(a.bottom(), c.top());
    EXPECT_EQ(copying::dotsPerInch(four[0]), Dpi);
    // One to a sheet: the originals as they are.
    EXPECT_EQ(copying::gathered(originals, 1, Sheet)[0].cacheKey(), originals[0].cacheKey());
}

TEST(CopyPages, ACardsTwoFacesKeepTheirTrueSizeOneAboveTheOther)
{
    // 85.6 x 54 mm faces scanned at 200 dpi, gathered at 100 dpi: 337 x 213 pixels each.
    const QImage front = original(QSize(674, 425), Qt::red, 200), back = original(QSize(674, 425), Qt::blue, 200);
    const QImage sheet = copying::identityCard(front, back, Sheet);
    const QRect top = areaOf(sheet, Qt::red), bottom = areaOf(sheet, Qt::blue);
    EXPECT_NEAR(top.width(), 337, 1);
    EXPECT_NEAR(top.height(), 213, 1);
    EXPECT_EQ(bottom.size(), top.size());
    EXPECT_LT(top.bottom(), bottom.top());
    EXPECT_NEAR(top.center().x(), Sheet.size.width() / 2, 1);

    // Faces too large for the sheet (a whole glass each) are reduced alike to fit.
    const QImage glass = original(QSize(827, 1169), Qt::red);
    const QImage reduced = copying::identityCard(glass, glass, Sheet);
    const QRect face = areaOf(reduced, Qt::red);
    EXPECT_LE(face.height(), Sheet.size.height());
    EXPECT_NEAR(double(face.width()) / face.height(), 827.0 / (2 * 1169 + 39), 0.02); // both faces and the gap
}

TEST(CopyPages, APreparedCardIsCroppedFromTheGlassAndAPageIsStraightened)
{
    // A card lying on a grey glass, front and back: the sheet holds only the cards.
    QImage glass = original(QSize(827, 1169), QColor(128, 128, 128));
    {
        QPainter paint(&glass);
        paint.fillRect(QRect(100, 150, 337, 213), QColor(250, 250, 250));
        paint.fillRect(QRect(150, 200, 200, 100), Qt::black);
    }
    CopyOptions card;
    card.identityCard = true;
    const std::vector<QImage> sheets = copying::prepared({glass, glass}, card, Sheet);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_TRUE(areaOf(sheets[0], QColor(128, 128, 128)).isEmpty());
    EXPECT_NEAR(areaOf(sheets[0], Qt::black).width(), 200, 3);

    // A text page turned 4 degrees comes back straight with its resolution.
    QImage text = synthetic::textPage(QSize(827, 1169), 14);
    copying::setDotsPerInch(text, Dpi);
    QImage turned = cleanup::rotated(text, 4, qRgb(255, 255, 255));
    turned.setDotsPerMeterX(text.dotsPerMeterX());
    turned.setDotsPerMeterY(text.dotsPerMeterY());
    CopyOptions straighten;
    straighten.straighten = true;
    const QImage straight = copying::cleaned(turned, straighten);
    EXPECT_EQ(straight.size(), turned.size());
    EXPECT_EQ(straight.dotsPerMeterX(), turned.dotsPerMeterX());
    EXPECT_NEAR(cleanup::deskew(turned).angle, 4, 0.1);
    EXPECT_NEAR(cleanup::deskew(straight).angle, 0, 0.1);
    // Without any cleaning asked, the very page comes back.
    EXPECT_EQ(copying::cleaned(turned, CopyOptions{}).cacheKey(), turned.cacheKey());
}
