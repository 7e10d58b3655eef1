// Straightening and cropping pages laid crooked and off-centre on the glass:
// the angle measured within 0.1°, the document found within 2 pixels, the
// page's format kept, and a straight page left exactly as it was.
#include "Crop.h"
#include "Deskew.h"
#include "GlassScene.h"
#include "Exception.h"
#include "Rotate.h"
#include "Whiten.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>

namespace {

const QSize glassSize(1000, 1300);
const QSize pageSize(700, 900);
const QColor offWhite(238, 236, 229); // paper on a white lid: a little darker than the lid

enum class Content { Text, Photo };

QImage pageOf(Content content, QColor paper)
{
    return content == Content::Text ? synthetic::textPage(pageSize, 16, paper, QColor(20, 20, 25))
                                    : synthetic::photoPage(pageSize, paper);
}

const char *formatName(QImage::Format format)
{
    return format == QImage::Format_Mono ? "1-bit" : format == QImage::Format_Grayscale8 ? "grey" : "colour";
}

struct Case {
    Content content;
    QImage::Format format;
    QColor glass;
    QColor paper;
    double angle;
    QPointF centre;
};

std::ostream &operator<<(std::ostream &out, const Case &c)
{
    return out << (c.content == Content::Text ? "text" : "photo") << ", " << formatName(c.format) << ", glass "
               << c.glass.red() << ", " << c.angle << "°, centre (" << c.centre.x() << ", " << c.centre.y() << ")";
}

} // namespace

TEST(DeskewCrop, CrookedPagesComeOutStraightAndCroppedToTheDocument)
{
    const QColor grey(128, 128, 128), white(255, 255, 255), dark(40, 40, 40);
    const Case cases[] = {
        {Content::Text, QImage::Format_RGB888, grey, white, -12.0, {520, 680}},
        {Content::Text, QImage::Format_Grayscale8, white, offWhite, -7.3, {480, 630}},
        {Content::Text, QImage::Format_Mono, dark, white, -2.6, {530, 700}},
        {Content::Text, QImage::Format_RGB888, white, offWhite, -0.45, {450, 600}},
        {Content::Text, QImage::Format_Grayscale8, grey, white, 0.8, {540, 610}},
        {Content::Text, QImage::Format_Mono, dark, white, 5.15, {470, 690}},
        {Content::Text, QImage::Format_RGB888, dark, white, 12.0, {500, 650}},
        {Content::Photo, QImage::Format_RGB888, white, offWhite, -11.2, {515, 640}},
        {Content::Photo, QImage::Format_Grayscale8, grey, white, -4.4, {470, 700}},
        {Content::Photo, QImage::Format_RGB888, grey, white, 1.7, {530, 620}},
        {Content::Photo, QImage::Format_Grayscale8, white, offWhite, 9.6, {490, 660}},
        // Pushed into the glass's corner, as most people lay a page: its own corners are cut off.
        {Content::Text, QImage::Format_RGB888, white, offWhite, -0.6, {352, 452}},
        {Content::Photo, QImage::Format_RGB888, dark, white, 1.1, {996 - 350, 1296 - 450}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c);
        const glass::Scene scene = glass::onGlass(pageOf(c.content, c.paper), glassSize, c.glass, c.centre, c.angle, 4, c.format);
        const cleanup::Deskewed straight = cleanup::deskew(scene.scan);
        EXPECT_NEAR(straight.angle, c.angle, 0.1);
        EXPECT_TRUE(straight.turned);
        EXPECT_EQ(straight.page.format(), scene.scan.format());
        EXPECT_EQ(straight.page.size(), scene.scan.size());

        const cleanup::Cropped cropped = cleanup::crop(straight.page);
        const QRectF expected = glass::straightened(scene, straight.angle).intersected(QRectF(scene.scan.rect()));
        const QRect found = cropped.rect;
        EXPECT_NEAR(found.left(), expected.left(), 2.0);
        EXPECT_NEAR(found.top(), expected.top(), 2.0);
        EXPECT_NEAR(found.right() + 1, expected.right(), 2.0);
        EXPECT_NEAR(found.bottom() + 1, expected.bottom(), 2.0);
        EXPECT_EQ(cropped.page.size(), found.size());
        EXPECT_EQ(cropped.page.format(), scene.scan.format());
    }
}

TEST(DeskewCrop, AStraightPageIsLeftAsItIs)
{
    for (QImage::Format format : {QImage::Format_Mono, QImage::Format_Grayscale8, QImage::Format_RGB888}) {
        SCOPED_TRACE(formatName(format));
        const QImage page = glass::storedAs(synthetic::textPage(pageSize, 16, Qt::white, Qt::black, 4), format);
        const cleanup::Deskewed result = cleanup::deskew(page);
        EXPECT_NEAR(result.angle, 0.0, 0.05);
        EXPECT_FALSE(result.turned);
        ASSERT_EQ(result.page.format(), page.format());
        ASSERT_EQ(result.page.sizeInBytes(), page.sizeInBytes());
        EXPECT_EQ(std::memcmp(result.page.constBits(), page.constBits(), std::size_t(page.sizeInBytes())), 0);
        // A page that fills the scan has no glass around it: nothing to crop.
        EXPECT_EQ(cleanup::findDocument(page), page.rect());
    }
}

TEST(DeskewCrop, TheSameWhateverTheNumberOfThreads)
{
    const glass::Scene scene = glass::onGlass(pageOf(Content::Photo, offWhite), glassSize, QColor(90, 90, 90), {500, 650},
                                              3.3, 4, QImage::Format_RGB888);
    const auto cleaned = [&](int threads) {
        omp_set_num_threads(threads);
        const cleanup::Deskewed straight = cleanup::deskew(scene.scan);
        return std::pair{straight.angle, cleanup::whitenBackground(cleanup::crop(straight.page).page).page};
    };
    const int usual = omp_get_max_threads();
    const auto one = cleaned(1), three = cleaned(3);
    omp_set_num_threads(usual);
    EXPECT_EQ(one.first, three.first);
    EXPECT_EQ(one.second, three.second);
}

TEST(DeskewCrop, BlankAndEmptyPagesMeasureNothing)
{
    QImage blank(400, 500, QImage::Format_Grayscale8);
    blank.fill(250);
    EXPECT_EQ(cleanup::deskew(blank).angle, 0.0);
    EXPECT_EQ(cleanup::findDocument(blank), blank.rect());
    const QImage none;
    EXPECT_FALSE(cleanup::deskew(none).turned);
    EXPECT_TRUE(cleanup::crop(none).page.isNull());
}

TEST(Rotate, TurnsAboutTheCentreAndFillsTheCorners)
{
    // A white page with one black square right of the centre: a quarter turn
    // clockwise takes it below the centre; the corners take the fill colour.
    QImage page(201, 101, QImage::Format_Grayscale8);
    page.fill(255);
    for (int y = 45; y < 56; ++y)
        for (int x = 140; x < 151; ++x)
            page.scanLine(y)[x] = 0;
    const QImage turned = cleanup::rotated(page, 90, qRgb(128, 128, 128));
    EXPECT_EQ(turned.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(turned.pixelColor(100, 95).red(), 0);  // the square's centre, 45 below the page's
    EXPECT_EQ(turned.pixelColor(145, 50).red(), 255);
    EXPECT_EQ(turned.pixelColor(5, 5).red(), 128);   // outside the turned page
    EXPECT_EQ(turned.pixelColor(100, 50).red(), 255);
    // A turn by nothing changes nothing; a turn by no number is refused.
    const QImage same = cleanup::rotated(page, 0, qRgb(0, 0, 0));
    EXPECT_EQ(same, page);
    EXPECT_THROW(cleanup::rotated(page, std::nan(""), qRgb(0, 0, 0)), platform::Exception);
}
