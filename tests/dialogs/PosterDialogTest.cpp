// The poster format dialog and its sheet sketch, on A4 at 600 dpi with 4 mm
// margins: a printable area of 4773 x 6828 printer pixels.
#include "Decimal.h"
#include "Snewfor.h"
#include "TPicture.h"
#include "TestPrinter.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

// Sheet count for a poster given in printer pixels (ppi 600 makes screen and printer pixels equal).
QString sheetsFor(int width, int height)
{
    TPicture target(QStringLiteral("Sketch"));
    target.resize(284, 284);
    QLabel label;
    DrawPosterSheets(&target, width, height, {}, &label, 600);
    return label.text();
}

struct PosterDialog : testing::Test {
    QSize picture{200, 100};
    bool keep = false;
    TNewFor dialog;

    PosterDialog()
    {
        useTestPrinter();
        platform::setDecimalSeparator(QLatin1Char(','));
        dialog.setOwner({[this] { return picture; }, [this] { return keep; }, [this](bool k) { keep = k; }});
    }
    ~PosterDialog() override { platform::setDecimalSeparator(QLatin1Char('.')); }
};

} // namespace

TEST(PosterSheets, CountsColumnsAndRowsLikeThePrintJob)
{
    useTestPrinter();
    const std::tuple<int, int, const char *> cases[] = {
        {4773, 6828, "Feuilles : 1"},  // exactly the printable area
        {4774, 6828, "Feuilles : 2"},  // one printer pixel wider
        {9546, 6828, "Feuilles : 2"},  // exactly twice as wide
        {9547, 6829, "Feuilles : 6"},
        {1000, 20000, "Feuilles : 3"},
        {10000, 0, "Feuilles : 3"},    // a height of nothing still makes one row
    };
    for (auto [width, height, expected] : cases)
        EXPECT_EQ(sheetsFor(width, height), QString::fromUtf8(expected)) << width << "x" << height;
}

TEST(PosterSheets, OneSheetShowsThePosterInThePrintableCorner)
{
    useTestPrinter();
    TPicture target(QStringLiteral("Sketch"));
    target.resize(284, 284);
    QLabel label;
    DrawPosterSheets(&target, 2362, 2362, {}, &label, 600); // 100 x 100 mm
    EXPECT_EQ(label.text(), QStringLiteral("Feuilles : 1"));
    const QImage &sketch = target.picture();
    // Portrait A4 is taller than wide: the sheet spans the height, centred across.
    const int sheetWidth = 201, left = (284 - sheetWidth) / 2;
    EXPECT_EQ(sketch.pixelColor(left + 1, 150), QColor(Qt::white));
    EXPECT_EQ(sketch.pixelColor(left + 20, 20), QColor(0, 255, 255)); // the poster
    EXPECT_EQ(sketch.pixelColor(left + 150, 150), QColor(Qt::white)); // beyond 100 mm
}

TEST(PosterSheets, AZeroHeightPosterOverSeveralSheetsIsSketchedWithItsPicture)
{
    useTestPrinter();
    TPicture target(QStringLiteral("Sketch"));
    target.resize(284, 284);
    QLabel label;
    int drawn = 0;
    DrawPosterSheets(&target, 10000, 0, [&](QPainter &, QPointF, long double, long double) { ++drawn; }, &label, 600);
    EXPECT_EQ(label.text(), QStringLiteral("Feuilles : 3"));
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(target.picture().size(), QSize(284, 284));
}

// Drawing with the picture lets input through between sheets; a picture the
// target gets meanwhile (another mode, another sketch) is not drawn over.
TEST(PosterSheets, APictureGivenWhileDrawingIsKept)
{
    useTestPrinter();
    TPicture target(QStringLiteral("Sketch"));
    target.resize(284, 284);
    QLabel label;
    QImage newer(284, 284, QImage::Format_RGB32);
    newer.fill(Qt::green);
    QMetaObject::invokeMethod(&target, [&] { target.setPicture(newer); }, Qt::QueuedConnection);
    DrawPosterSheets(&target, 9547, 7000, [](QPainter &canvas, QPointF origin, long double, long double) {
        canvas.fillRect(QRectF(origin, QSizeF(50, 50)), Qt::red);
    }, &label, 600);
    EXPECT_EQ(target.picture(), newer);
}

TEST_F(PosterDialog, TypedSizesAreClampedOrFallBack)
{
    dialog.Edit1->setText(QStringLiteral("3000"));
    dialog.CommitWidthEdit();
    EXPECT_EQ(dialog.WScroll->value(), 29700);
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("2970,0"));
    dialog.Edit2->setText(QStringLiteral("12,34"));
    dialog.CommitHeightEdit();
    EXPECT_EQ(dialog.HScroll->value(), 123);
    dialog.Edit2->setText(QStringLiteral("12.5")); // a point is not a number under the comma
    dialog.CommitHeightEdit();
    EXPECT_EQ(dialog.HScroll->value(), 1000);
    dialog.Edit1->setText(QStringLiteral("0"));
    dialog.CommitWidthEdit();
    EXPECT_EQ(dialog.WScroll->value(), 1);
}

TEST_F(PosterDialog, KeepingProportionsPinsTheHeightAtItsMaximum)
{
    keep = true;
    picture = QSize(100, 200); // twice as tall as wide
    dialog.WScroll->setValue(5000);
    EXPECT_EQ(dialog.HScroll->value(), 10000);
    dialog.WScroll->setValue(20000);
    EXPECT_EQ(dialog.HScroll->value(), 29700);
    EXPECT_EQ(dialog.WScroll->value(), 14850);
    EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("1485,0"));
}

TEST_F(PosterDialog, LandscapeBoxTurnsThePrinterAtOnce)
{
    dialog.FormShow();
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    dialog.CheckBox1->setChecked(true);
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Landscape);
    dialog.reject();
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Landscape);
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
}

TEST_F(PosterDialog, ProportionsBoxWritesTheOwnersOption)
{
    dialog.FormShow();
    dialog.CheckBox2->setChecked(true);
    EXPECT_TRUE(keep);
    EXPECT_EQ(dialog.HScroll->value(), dialog.WScroll->value() / 2);
}
