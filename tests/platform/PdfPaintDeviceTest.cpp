// A painter on the PDF device: the print composition's drawing (pictures in
// rectangles, dotted cut lines) lands on the page where it was placed, at
// the picture's own resolution, and whatever else a painter draws looks as
// Qt's own raster engine paints it.
#include "PdfDocument.h"
#include "PdfPaintDevice.h"
#include "Poppler.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <functional>

using namespace poppler;

namespace {

constexpr int dpi = 150;
const QSize paper(600, 800); // 4 × 5⅓ inches

// The pages painted by `paint` (which may call newPage through the device), as a PDF file in dir.
QString paintedPdf(const QTemporaryDir &dir, const std::function<void(QPainter &, platform::PdfPaintDevice &)> &paint)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    platform::PdfDocument document(buffer, {});
    platform::PdfPaintDevice device(document, paper, dpi);
    QPainter painter(&device);
    paint(painter, device);
    painter.end();
    document.finish();
    return saved(dir, buffer.data());
}

bool dark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// A picture with a black frame around grey quarters.
QImage framedPicture()
{
    QImage picture(60, 40, QImage::Format_Grayscale8);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const bool frame = x == 0 || y == 0 || x == picture.width() - 1 || y == picture.height() - 1;
            picture.scanLine(y)[x] = uchar(frame ? 0 : x < 30 ? (y < 20 ? 160 : 200) : (y < 20 ? 220 : 240));
        }
    return picture;
}

} // namespace

TEST(PdfPaintDevice, CompositionLandsWhereItWasPlaced)
{
    QTemporaryDir dir;
    const QImage picture = framedPicture();
    const QRect placed(101, 123, 120, 80); // twice the picture's size: 75 pixels per inch
    const QRect cut(50, 60, 400, 500);
    const QString pdf = paintedPdf(dir, [&](QPainter &painter, platform::PdfPaintDevice &) {
        // What the print composition does: a picture in a rectangle, a dotted cosmetic frame.
        painter.drawImage(placed, picture);
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cut.adjusted(0, 0, -1, -1));
    });
    const std::vector<Listed> listed = listImages(pdf);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].xPpi, dpi / 2);
    EXPECT_EQ(listed[0].yPpi, dpi / 2);

    const QImage page = rendered(pdf, dpi);
    ASSERT_EQ(page.size(), paper);
    // The picture: its frame's outer edge within a pixel of the rectangle, its quarters' greys exact.
    QRect found;
    for (int y = placed.top() - 5; y <= placed.bottom() + 5; ++y)
        for (int x = placed.left() - 5; x <= placed.right() + 5; ++x)
            if (dark(page.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    for (const auto &[edge, expected] : {std::pair{found.left(), placed.left()}, {found.top(), placed.top()},
                                         {found.right(), placed.right()}, {found.bottom(), placed.bottom()}})
        EXPECT_LE(std::abs(edge - expected), 1) << "picture edge at " << edge << " instead of " << expected;
    for (const QPoint quarter : {QPoint(15, 10), QPoint(45, 10), QPoint(15, 30), QPoint(45, 30)})
        EXPECT_EQ(qGray(page.pixel(placed.topLeft() + 2 * quarter)), picture.pixelColor(quarter).red());
    // The cut lines: on the rectangle's edges (within a pixel), dotted: about one pixel in three.
    const auto darkInRow = [&](int y) {
        int count = 0;
        for (int x = cut.left(); x <= cut.right(); ++x)
            count += dark(page.pixel(x, y));
        return count;
    };
    const auto darkInColumn = [&](int x) {
        int count = 0;
        for (int y = cut.top(); y <= cut.bottom(); ++y)
            count += dark(page.pixel(x, y));
        return count;
    };
    const auto best = [](int from, const std::function<int(int)> &count) {
        int line = from;
        for (int i = from; i <= from + 2; ++i)
            line = count(i) > count(line) ? i : line;
        return line;
    };
    const int top = best(cut.top() - 1, darkInRow), bottom = best(cut.bottom() - 1, darkInRow);
    const int left = best(cut.left() - 1, darkInColumn), right = best(cut.right() - 1, darkInColumn);
    EXPECT_EQ(top, cut.top());
    EXPECT_EQ(bottom, cut.bottom());
    EXPECT_EQ(left, cut.left());
    EXPECT_EQ(right, cut.right());
    for (int count : {darkInRow(top), darkInRow(bottom)}) {
        EXPECT_GT(count, cut.width() / 4);
        EXPECT_LT(count, cut.width() / 2);
    }
    for (int count : {darkInColumn(left), darkInColumn(right)}) {
        EXPECT_GT(count, cut.height() / 4);
        EXPECT_LT(count, cut.height() / 2);
    }
}

TEST(PdfPaintDevice, NewPageStartsTheNextSheetWithThePainterKept)
{
    QTemporaryDir dir;
    const QImage picture = framedPicture();
    const QString pdf = paintedPdf(dir, [&](QPainter &painter, platform::PdfPaintDevice &device) {
        painter.translate(20, 30);
        for (int sheet = 0; sheet < 3; ++sheet) {
            if (sheet > 0)
                device.newPage();
            painter.drawImage(QRect(sheet * 100, 0, 60, 40), picture);
        }
    });
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages: +3\\n"))));
    const std::vector<Listed> listed = listImages(pdf);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[2].object, listed[0].object);
    EXPECT_EQ(listed[2].xPpi, dpi);
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QStringLiteral("3"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, dir.filePath("third")});
    const QImage third(dir.filePath(QStringLiteral("third.png")));
    EXPECT_TRUE(dark(third.pixel(20 + 200, 30)));
    EXPECT_FALSE(dark(third.pixel(20 + 200 - 2, 30)));
    EXPECT_FALSE(dark(third.pixel(20, 30)));
}

TEST(PdfPaintDevice, RefusesAPaperOrResolutionOfNothing)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    platform::PdfDocument document(buffer, {});
    EXPECT_THROW(platform::PdfPaintDevice(document, QSize(0, 800), dpi), platform::PdfError);
    EXPECT_THROW(platform::PdfPaintDevice(document, paper, 0), platform::PdfError);
}

// Everything else a painter may draw, compared with Qt's raster engine
// painting the same on a picture of the page's size and resolution.
TEST(PdfPaintDevice, OtherDrawingLooksAsQtPaintsIt)
{
    const auto scene = [](QPainter &painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(QRect(20, 20, 200, 100), QColor(30, 90, 200));                 // solid fill
        painter.setPen(QPen(Qt::darkGreen, 6, Qt::DashLine, Qt::RoundCap));
        painter.drawEllipse(QRectF(250, 30, 250, 150));                                  // curves, dashes
        painter.setPen(Qt::black);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 20));
        painter.drawText(QPointF(30, 260), QStringLiteral("Copie exacte"));               // text as outlines
        painter.fillRect(QRect(100, 200, 300, 120), QColor(255, 0, 0, 110));              // translucent
        QLinearGradient gradient(0, 400, 0, 500);
        gradient.setColorAt(0, Qt::yellow);
        gradient.setColorAt(1, Qt::darkRed);
        painter.fillRect(QRect(40, 400, 250, 100), gradient);                             // gradient
        painter.save();
        painter.setClipRect(QRect(330, 380, 150, 150));                                   // clipping
        painter.translate(400, 460);
        painter.rotate(30);                                                               // rotated picture
        QImage checks(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                checks.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        painter.drawImage(QRectF(-100, -100, 200, 200), checks);
        painter.restore();
        painter.setPen(QPen(Qt::magenta, 3));
        painter.drawPolyline(QPolygon({QPoint(50, 600), QPoint(200, 700), QPoint(350, 600), QPoint(500, 750)}));
    };
    QTemporaryDir dir;
    const QImage page = rendered(paintedPdf(dir, [&](QPainter &painter, platform::PdfPaintDevice &) { scene(painter); }), dpi);
    QImage expected(paper, QImage::Format_RGB32);
    expected.setDotsPerMeterX(qRound(dpi / 0.0254));
    expected.setDotsPerMeterY(qRound(dpi / 0.0254));
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        scene(painter);
    }
    // Edges are smoothed differently: a pixel is wrong only when no pixel
    // around it in the other picture is close to it.
    int wrong = 0;
    for (int y = 1; y < paper.height() - 1; ++y)
        for (int x = 1; x < paper.width() - 1; ++x) {
            int closest = 255;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QRgb a = page.pixel(x, y), b = expected.pixel(x + dx, y + dy);
                    closest = std::min(closest, std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                                          std::abs(qBlue(a) - qBlue(b))}));
                }
            wrong += closest > 40;
        }
    EXPECT_LT(wrong, paper.width() * paper.height() / 500) << "pixels unlike Qt's: " << wrong;
}
