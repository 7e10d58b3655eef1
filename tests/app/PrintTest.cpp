// Print composition through a PDF printer of known geometry (A4, 600 dpi,
// 4 mm margins; preview 293 x 415, printable area 282 x 404 at (6, 6)).
#include "Modal.h"
#include "Snewfor.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "PdfProbe.h"
#include "WindowFixture.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The PDF is rendered with some loss: colours are compared loosely.
bool isRed(QColor c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

bool isWhite(QColor c)
{
    return c.red() > 230 && c.green() > 230 && c.blue() > 230;
}

// The PDF printer writes to a file of the test's own.
void usePdf(const QString &pdf)
{
    platform::PrinterChoice choice;
    choice.kind = platform::PrinterChoice::Kind::Pdf;
    choice.pdf = {pdf, 600, QPageSize::A4, 4.0};
    platform::Printer::instance().use(choice);
}

struct Printing : WindowTest {
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("out.pdf"));

    Printing() : WindowTest([] {})
    {
        usePdf(pdf);
        open();
        QImage red(100, 50, QImage::Format_RGB888);
        red.fill(Qt::red);
        image()->setPicture(red);
        setState("NaturalWidth", 100);
        setState("NaturalHeight", 50);
        form->PlaceNewImage();
    }
};

} // namespace

TEST_F(Printing, SheetPrintsThePictureWhereItLiesOnThePreview)
{
    ui<TSpinEdit>("SpinEdit")->setValue(2);
    form->PrintBtnClick();
    EXPECT_EQ(pdfPageCount(pdf), 2);
    const QImage page = pdfPages(pdf, 60).value(0);
    ASSERT_EQ(page.size(), QSize(496, 702));
    // Preview (8, 8) 100 x 50 is (135, 135) 1693 x 845 printer pixels on the paper.
    EXPECT_TRUE(isRed(page.pixelColor(20, 20)));
    EXPECT_TRUE(isRed(page.pixelColor(175, 90)));
    EXPECT_TRUE(isWhite(page.pixelColor(10, 20)));
    EXPECT_TRUE(isWhite(page.pixelColor(190, 20)));
    EXPECT_TRUE(isWhite(page.pixelColor(20, 105)));
}

TEST_F(Printing, LandscapeSheetPrintsUprightAndStaysLandscape)
{
    platform::Printer::instance().setOrientation(platform::Orientation::Landscape);
    form->PrintBtnClick();
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Landscape);
    EXPECT_EQ(pdfPages(pdf, 60).value(0).size(), QSize(496, 702));
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
}

TEST_F(Printing, TilesFillThePrintableArea)
{
    image()->resize(100, 140); // 2 columns x 2 rows in 282 x 404
    // The sheet in duplication mode: the tiles drawn from the printable corner plus 2, at scale 1.
    item("Imprimerlestraitsdecoupe1")->setChecked(false);
    ui<TMMBitmapCheckBox>("Dupliquer")->click();
    const QImage sheet = page()->picture();
    for (QPoint inside : {QPoint(50, 50), QPoint(150, 50), QPoint(50, 200), QPoint(150, 280)})
        EXPECT_EQ(sheet.pixelColor(inside), QColor(Qt::red)) << inside.x() << "," << inside.y();
    EXPECT_EQ(sheet.pixelColor(250, 50), QColor(Qt::white)); // no third column
    EXPECT_EQ(sheet.pixelColor(50, 330), QColor(Qt::white)); // no third row
}

TEST_F(Printing, DuplicationModeLayout)
{
    ASSERT_FALSE(ui<TMMBitmapCheckBox>("Dupliquer")->isHidden());
    ui<TMMBitmapCheckBox>("Dupliquer")->click();
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isChecked());
    EXPECT_TRUE(image()->isHidden());
    EXPECT_TRUE(ui<QScrollBar>("Zoom")->isHidden());
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("Poster")->isHidden());
    EXPECT_FALSE(item("Ouvrir1")->isEnabled());
    EXPECT_EQ(ui<TMMBitmapButton>("GoBtn")->imageIndex(), 18);
    EXPECT_EQ(ui<TMMBitmapButton>("GoBtn")->toolTip(), QStringLiteral("Imprime les images dupliquées"));
    EXPECT_EQ(page()->picture().pixelColor(20, 20), QColor(Qt::red)); // tiles on the sheet
    form->PrintBtnClick();
    EXPECT_EQ(pdfPageCount(pdf), 1);
    ui<TMMBitmapCheckBox>("Dupliquer")->click();
    EXPECT_FALSE(image()->isHidden());
    EXPECT_FALSE(ui<QScrollBar>("Zoom")->isHidden());
    EXPECT_TRUE(item("Ouvrir1")->isEnabled());
    EXPECT_EQ(ui<TMMBitmapButton>("GoBtn")->imageIndex(), 17);
}

TEST_F(Printing, PosterModeLayoutAndPageRange)
{
    ui<TMMBitmapCheckBox>("Poster")->click();
    EXPECT_EQ(page()->size(), QSize(293, 293));
    EXPECT_FALSE(ui<TMMBitmapButton>("FormatBtn")->isHidden());
    EXPECT_FALSE(ui<TMMBitmapCheckBox>("CheckBox1")->isHidden());
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isHidden());
    EXPECT_EQ(ui<TMMBitmapCheckBox>("Poster")->x(), 13);

    // A poster of 2 x 2 sheets; print pages 2 to 2 only.
    const long double kx = 600.0L / form->logicalDpiX();
    setState("PosterWidth", static_cast<int>(4773 * 1.5L / kx));
    setState("PosterHeight", static_cast<int>(6828 * 1.5L / kx));
    form->DrawPosterSheet();
    EXPECT_EQ(ui<QLabel>("Label3")->text(), QStringLiteral("Feuilles : 4"));
    int shown = 0;
    {
        platform::ScopedModalRunner runner([&](QDialog &modal) {
            auto *print = qobject_cast<QPrintDialog *>(&modal);
            ++shown;
            EXPECT_EQ(print->maxPage(), 4);
            print->setPrintRange(QAbstractPrintDialog::PageRange);
            print->setFromTo(2, 2);
            return int(QDialog::Accepted);
        });
        form->PrintBtnClick();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(pdfPageCount(pdf), 1);
    {
        platform::ScopedModalRunner cancel([](QDialog &) { return int(QDialog::Rejected); });
        QFile::remove(pdf);
        form->PrintBtnClick();
        EXPECT_FALSE(QFile::exists(pdf)); // cancelling prints nothing
    }
    ui<TMMBitmapCheckBox>("Poster")->click();
    EXPECT_EQ(page()->size(), QSize(293, 415));
    EXPECT_TRUE(ui<TMMBitmapButton>("FormatBtn")->isHidden());
    EXPECT_FALSE(image()->isHidden());
}

// The sketch with the picture lets clicks through between sheets.  A click
// that redraws it meanwhile wins: the picture left is the newer drawing.
TEST_F(Printing, TheSketchRedrawnWhileItIsDrawnShowsTheNewerState)
{
    ui<TMMBitmapCheckBox>("Poster")->click();
    setState("PosterWidth", 3 * form->logicalDpiX()); // wider than a sheet: drawn sheet by sheet
    setState("PosterHeight", 20 * form->logicalDpiX());
    QMetaObject::invokeMethod(form.get(), [this] { ui<TMMBitmapCheckBox>("CheckBox1")->click(); }, Qt::QueuedConnection);
    form->DrawPosterSheet();
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("CheckBox1")->isChecked());
    const QImage drawn = page()->picture();
    const QString count = ui<QLabel>("Label3")->text();
    form->DrawPosterSheet(); // the same state drawn afresh
    EXPECT_EQ(drawn, page()->picture());
    EXPECT_EQ(count, ui<QLabel>("Label3")->text());
    ui<TMMBitmapCheckBox>("Poster")->click();
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Portrait);
}

TEST_F(Printing, APosterOfNoHeightOverSeveralSheetsIsSketched)
{
    ui<TMMBitmapCheckBox>("Poster")->click();
    setState("PosterWidth", 10 * form->logicalDpiX()); // 254 mm: two printable widths
    setState("PosterHeight", 0);
    form->DrawPosterSheet();
    EXPECT_EQ(ui<QLabel>("Label3")->text(), QStringLiteral("Feuilles : 2"));
}

TEST_F(Printing, FormatCancelledKeepsTheSheetCount)
{
    ui<TMMBitmapCheckBox>("Poster")->click();
    const QString before = ui<QLabel>("Label3")->text();
    {
        platform::ScopedModalRunner cancel([](QDialog &dialog) {
            QMetaObject::invokeMethod(&dialog, "FormShow");
            return int(QDialog::Rejected);
        });
        ui<TMMBitmapButton>("FormatBtn")->click();
    }
    EXPECT_EQ(ui<QLabel>("Label3")->text(), before);
    form->DrawPosterSheet();
    EXPECT_EQ(ui<QLabel>("Label3")->text(), before);
}

// The printed sheets of a poster, laid edge to edge, give the picture as the
// sketch places it: with its proportions from the poster's corner, the rest
// of the poster blank.
TEST_F(Printing, ThePosterPrintsWhatTheSketchShows)
{
    QImage quarters(200, 100, QImage::Format_RGB888); // 2:1, unlike the poster
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            quarters.setPixelColor(x, y, colours[(x / 100) + 2 * (y / 50)]);
    arrive(quarters);
    ui<TMMBitmapCheckBox>("Poster")->click(); // 1.5 printable pages each way: 2 x 2 sheets
    ASSERT_EQ(ui<QLabel>("Label3")->text(), QStringLiteral("Feuilles : 4"));
    {
        platform::ScopedModalRunner allPages([](QDialog &) { return int(QDialog::Accepted); });
        form->PrintBtnClick();
    }
    const QList<QImage> sheets = pdfPages(pdf, 60);
    ASSERT_EQ(sheets.size(), 4);
    const platform::PosterLayout layout(platform::PaperMetrics::of(platform::Printer::instance()),
                                        QSize(state("PosterWidth"), state("PosterHeight")), form->logicalDpiX());
    const QSize drawn(layout.width(), layout.width() / 2); // the picture's proportions from the top-left corner
    // A point of the poster in printer pixels, as the sheets print it (a tenth at 60 dpi, from the printable corner).
    auto printed = [&](QPoint poster) {
        for (int column = 0; column < layout.columns(); ++column)
            for (int row = 0; row < layout.rows(); ++row) {
                const QRect part = layout.part(column, row);
                if (!part.contains(poster))
                    continue;
                const QPoint onPage = (poster - part.topLeft() + QPoint(94, 94)) / 10;
                return sheets[column * layout.rows() + row].pixelColor(onPage);
            }
        return QColor();
    };
    auto close = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
    };
    for (int i = 1; i < 20; ++i)
        for (int j = 1; j < 20; ++j) {
            const QPoint poster(layout.width() * i / 20, layout.height() * j / 20);
            if (std::abs(poster.x() - drawn.width() / 2) < 30 || std::abs(poster.y() - drawn.height() / 2) < 30
                || std::abs(poster.y() - drawn.height()) < 30)
                continue; // an edge between two colours, or the picture's end
            const QColor expected = poster.y() < drawn.height()
                ? colours[(2 * poster.x() / drawn.width()) + 2 * (2 * poster.y() / drawn.height())]
                : QColor(Qt::white);
            EXPECT_TRUE(close(printed(poster), expected)) << poster.x() << "," << poster.y();
        }
}

TEST_F(Printing, CopiesOfSeveralSheetsComeCollated)
{
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    std::vector<composition::Sheet> sheets;
    for (const QColor &colour : colours) {
        QImage picture(100, 50, QImage::Format_RGB888);
        picture.fill(colour);
        sheets.push_back({picture, QRect(8, 8, 100, 50), form->sheet(), false, false});
    }
    composition::printSheets(platform::Printer::instance(), sheets, {2, true, false}, QStringLiteral("collated"));
    const QList<QImage> pages = pdfPages(pdf, 20);
    ASSERT_EQ(pages.size(), 6);
    for (int page = 0; page < 6; ++page) {
        const QColor printed = pages[page].pixelColor(20, 15);
        const QColor expected = colours[page % 3];
        EXPECT_LT(std::abs(printed.red() - expected.red()) + std::abs(printed.green() - expected.green())
                      + std::abs(printed.blue() - expected.blue()),
                  60)
            << "page " << page + 1;
    }
}

// A job of more than a thousand sheets prints only once the user says yes.
TEST_F(Printing, AnOverlargeJobAsksFirst)
{
    ui<TSpinEdit>("SpinEdit")->setValue(1001);
    messages.queueAnswer(platform::MessageAnswer::No);
    form->PrintBtnClick();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("1001 feuilles"))) << messages.texts().front().toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}
