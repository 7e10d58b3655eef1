// The main window as a copier: the turns of the picture, the clipboard,
// undo, the printer setup and the scanner, with the real imaging library and
// SANE's test device behind our source manager.  The printer is a PDF
// printer of known geometry (A4, 600 dpi, 4 mm margins; printable area
// 282 x 404 preview pixels at (6, 6)).
#include "Folders.h"
#include "Handles.h"
#include "MessageBox.h"
#include "Modal.h"
#include "SPrinterSetup.h"
#include "SaneTestBackend.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "PdfProbe.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"
#include "csTwainScan.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QPrinter>
#include <QScrollBar>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

// A picture whose quarter turns can be told apart: red top-left corner,
// blue bottom-right corner, grey elsewhere.
QImage marked(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(Qt::gray);
    picture.setPixelColor(0, 0, Qt::red);
    picture.setPixelColor(width - 1, height - 1, Qt::blue);
    return picture;
}

struct Copier : WindowTest {
    ~Copier() override { platform::Printer::instance().setOrientation(platform::Orientation::Portrait); }
};

} // namespace

TEST_F(Copier, LandscapeOnAndOffGivesThePictureBack)
{
    arrive(marked(100, 60));
    const QImage before = image()->picture();
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("PaysBtn")->isChecked());
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Landscape);
    EXPECT_EQ(image()->picture().size(), QSize(60, 100));
    // Turned clockwise: the top-left corner is now the top-right one.
    EXPECT_EQ(image()->picture().pixelColor(59, 0), QColor(Qt::red));
    EXPECT_EQ(image()->size(), QSize(60, 100));
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    EXPECT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Portrait);
    EXPECT_EQ(image()->picture().convertToFormat(before.format()), before);
    EXPECT_EQ(image()->size(), QSize(100, 60));
}

TEST_F(Copier, QuarterTurnKeepsThePictureInThePrintableArea)
{
    arrive(marked(100, 60));
    image()->move(150, 300); // near the bottom right of the sheet
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    // Turned with the sheet, then clamped inside the printable area less 2 pixels.
    const QRect bounds = image()->geometry();
    EXPECT_EQ(bounds.size(), QSize(60, 100));
    EXPECT_GE(bounds.left(), form->X0() + 2);
    EXPECT_GE(bounds.top(), form->Y0() + 2);
    EXPECT_LE(bounds.right() + 1, form->X1() - 2);
    EXPECT_LE(bounds.bottom() + 1, form->Y1() - 2);

    // Filling the sheet without proportions, then turning: too wide, placed anew.
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    ui<TMMBitmapCheckBox>("conserver")->setChecked(false);
    ui<TMMBitmapButton>("FillBtn")->click();
    ASSERT_EQ(image()->size(), QSize(278, 400));
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    EXPECT_EQ(image()->geometry(), QRect(form->X0() + 2, form->Y0() + 2, 60, 100)); // its natural size, turned
}

TEST_F(Copier, HalfTurnKeepsThePlaceAndSize)
{
    arrive(marked(100, 60));
    image()->setGeometry(20, 30, 150, 90);
    ui<TMMBitmapButton>("RetourneBtn")->click();
    EXPECT_EQ(image()->geometry(), QRect(20, 30, 150, 90));
    EXPECT_EQ(image()->picture().pixelColor(99, 59), QColor(Qt::red));
    EXPECT_EQ(image()->picture().pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(Copier, ALandscapePrinterTurnsEveryArrivingPicture)
{
    platform::Printer::instance().setOrientation(platform::Orientation::Landscape);
    form->DrawSheet();
    arrive(marked(100, 60));
    EXPECT_EQ(form->property("NaturalWidth").toInt(), 100);
    EXPECT_EQ(image()->picture().size(), QSize(60, 100));
    EXPECT_EQ(image()->size(), QSize(60, 100));
}

TEST_F(Copier, PasteWhileDuplicatingShowsTheTilesOfThePastedPicture)
{
    image()->resize(100, 140);
    ui<TMMBitmapCheckBox>("Dupliquer")->click();
    ASSERT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isChecked());
    QImage green(50, 40, QImage::Format_ARGB32);
    green.fill(Qt::green);
    QApplication::clipboard()->setImage(green);
    form->Edition1Click();
    EXPECT_TRUE(item("Coller1")->isEnabled());
    item("Coller1")->trigger();
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("Dupliquer")->isChecked());
    EXPECT_EQ(form->property("NaturalWidth").toInt(), 50);
    EXPECT_EQ(image()->size(), QSize(50, 40));
    EXPECT_EQ(page()->picture().pixelColor(form->X0() + 2 + 60, form->Y0() + 2 + 10), QColor(Qt::green));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillon 2002"));
    // Copying in duplication mode gives the sheet with its tiles.
    item("Copier1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), page()->size());

    QApplication::clipboard()->clear();
    form->Edition1Click();
    EXPECT_FALSE(item("Coller1")->isEnabled());
}

TEST_F(Copier, OneLevelOfUndo)
{
    arrive(marked(100, 60));
    const QImage first = image()->picture();
    EXPECT_TRUE(ui<TMMBitmapButton>("UndoBtn")->isHidden());
    form->TakeUndoSnapshot();
    ui<TMMBitmapButton>("RetourneBtn")->click();
    form->TakeUndoSnapshot();
    const QImage turned = image()->picture();
    ui<TMMBitmapButton>("RetourneBtn")->click();
    ui<TMMBitmapButton>("UndoBtn")->click();
    EXPECT_EQ(image()->picture(), turned); // the last snapshot only
    EXPECT_TRUE(ui<TMMBitmapButton>("UndoBtn")->isHidden());
    form->UndoBtnClick(); // an undo right after an undo does nothing
    EXPECT_EQ(image()->picture(), turned);
    EXPECT_NE(image()->picture(), first);
}

TEST_F(Copier, PrinterSetupSwitchingOrientationTurnsThePicture)
{
    arrive(marked(100, 60));
    {
        platform::ScopedModalRunner landscape([](QDialog &dialog) {
            static_cast<TPrinterSetup &>(dialog).rbLandscape->setChecked(true);
            return int(QDialog::Accepted);
        });
        ui<TMMBitmapButton>("ConfigBtn")->click();
    }
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("PaysBtn")->isChecked());
    EXPECT_FALSE(form->property("OrientationLock").toBool());
    EXPECT_EQ(image()->picture().size(), QSize(60, 100));
    {
        platform::ScopedModalRunner a5([](QDialog &dialog) {
            auto &setup = static_cast<TPrinterSetup &>(dialog);
            setup.cmbPaper->setCurrentIndex(setup.cmbPaper->findData(QStringLiteral("A5")));
            return int(QDialog::Accepted);
        });
        ui<TMMBitmapButton>("ConfigBtn")->click();
    }
    // The bars' maxima follow the new paper, unturned.
    EXPECT_EQ(ui<QScrollBar>("Gauche")->maximum(), 210);
    EXPECT_EQ(ui<QScrollBar>("Haut")->maximum(), 148);
    EXPECT_TRUE(ui<TMMBitmapCheckBox>("PaysBtn")->isChecked());
}

TEST_F(Copier, ScanPlacesThePageKeepsACopyAndPrints)
{
    SaneTestBackend backend;
    ui<TcsTwainScan>("csTwainScan")->SetPixelType(pxRGB);
    ui<TcsTwainScan>("csTwainScan")->SetFeederEnabled(false);
    QFile::remove(platform::programFile(QStringLiteral("TEMP.BMP")));
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); }); // the presets
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    // The test device's A4 page at 100 dpi, fitted into the printable area.
    EXPECT_NEAR(form->property("NaturalWidth").toInt(), 823, 2);
    EXPECT_NEAR(form->property("NaturalHeight").toInt(), 1165, 2);
    EXPECT_EQ(image()->pos(), QPoint(form->X0() + 2, form->Y0() + 2));
    EXPECT_EQ(image()->width(), form->PW() - 4);
    QFile copy(platform::programFile(QStringLiteral("TEMP.BMP")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.read(2) == "BM");
    EXPECT_EQ(QImage(copy.fileName()).size(), QSize(form->property("NaturalWidth").toInt(), form->property("NaturalHeight").toInt()));
}

TEST_F(Copier, AFailedScanKeepsThePreviousPicture)
{
    arrive(marked(100, 60));
    const QImage before = image()->picture();
    const QRect bounds = image()->geometry();
    SaneTestBackend jammed("read-status-code \"SANE_STATUS_JAMMED\"\n");
    ui<TcsTwainScan>("csTwainScan")->SetFeederEnabled(false);
    platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); }); // the presets
    ui<TMMBitmapButton>("GoBtn")->click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("bourrage"))) << messages.texts().front().toStdString();
    EXPECT_EQ(image()->picture(), before);
    EXPECT_EQ(image()->geometry(), bounds);
}

// One press with a loaded feeder: every page is kept, each has its scan copy,
// and all print in one job, in as many copies as asked.
TEST_F(Copier, TheFeederKeepsEveryPageAndPrintsThemAll)
{
    SaneTestBackend backend;
    auto *scanner = form->findChild<TcsTwainScan *>(QStringLiteral("csTwainScan"));
    scanner->SetPixelType(pxGray);
    scanner->SetFeederEnabled(true);
    const QString pdf = testPrinterPdf();
    QFile::remove(pdf);
    ui<TSpinEdit>("SpinEdit")->setValue(2);
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); }); // the presets
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(pdfPageCount(pdf), 20); // the test device's ten pages, twice
    for (int page = 1; page <= 10; ++page)
        EXPECT_TRUE(QFile::exists(platform::programFile(page == 1 ? QStringLiteral("TEMP.BMP") : QStringLiteral("TEMP%1.BMP").arg(page))))
            << page;
    EXPECT_FALSE(QFile::exists(platform::programFile(QStringLiteral("TEMP11.BMP"))));
    EXPECT_TRUE(ui<QStatusBar>("StatusBar")->currentMessage().contains(QFileInfo(pdf).fileName()));
}

// A picture pasted on a landscape sheet is turned once, like any new picture.
TEST_F(Copier, APastedPictureIsTurnedOnceOnALandscapeSheet)
{
    ui<TMMBitmapCheckBox>("PaysBtn")->click();
    ASSERT_EQ(platform::Printer::instance().orientation(), platform::Orientation::Landscape);
    QApplication::clipboard()->setImage(marked(100, 60));
    form->Edition1Click();
    item("Coller1")->trigger();
    EXPECT_EQ(image()->picture().size(), QSize(60, 100));
    EXPECT_EQ(image()->picture().pixelColor(59, 0), QColor(Qt::red)); // a quarter turn clockwise
}

// The copy's options chosen in the "Copie" dialog: the feeder's ten pages
// four to a sheet in the print, the first sheet on the preview; a cleaned
// page's undo gives the scan back as it came.
TEST_F(Copier, TheCopyOptionsGatherTheFeedersPagesAndUndoGivesTheRawScan)
{
    SaneTestBackend backend;
    auto choose = [&](const char *option) {
        platform::ScopedModalRunner dialog([option](QDialog &copy) {
            copy.findChild<QAbstractButton *>(QLatin1String(option))->setChecked(true);
            return int(QDialog::Accepted);
        });
        form->findChild<QAction *>(QStringLiteral("CopieMnu"))->trigger();
    };
    choose("QuatreParFeuille");
    auto *scanner = ui<TcsTwainScan>("csTwainScan");
    scanner->SetPixelType(pxGray);
    scanner->SetFeederEnabled(true);
    const QString pdf = testPrinterPdf();
    QFile::remove(pdf);
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); }); // the presets
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(pdfPageCount(pdf), 3);
    // The preview shows the first gathered sheet: a picture of the printable area's proportions.
    const QImage first = image()->picture();
    EXPECT_NEAR(double(first.width()) / first.height(), double(form->PW()) / form->PH(), 0.02);

    choose("UneParFeuille");
    choose("Redresser");
    scanner->SetFeederEnabled(false);
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); });
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    EXPECT_FALSE(ui<TMMBitmapButton>("UndoBtn")->isHidden());
    const QImage placed = image()->picture();
    ui<TMMBitmapButton>("UndoBtn")->click();
    EXPECT_EQ(image()->picture().size(), placed.size()); // the test device's page needs no turn
    EXPECT_NEAR(image()->picture().width(), 823, 2);     // its A4 page at 100 dpi, as scanned
}

// An identity card is copied from the glass even with a loaded feeder: the
// front, the question to turn it, the back; one sheet. Declining prints nothing.
TEST_F(Copier, AnIdentityCardIsScannedTwiceFromTheGlass)
{
    SaneTestBackend backend("br_x 86.0\nbr_y 54.0\n");
    platform::ScopedModalRunner dialog([](QDialog &copy) {
        copy.findChild<QAbstractButton *>(QStringLiteral("CarteIdentite"))->setChecked(true);
        return int(QDialog::Accepted);
    });
    form->findChild<QAction *>(QStringLiteral("CopieMnu"))->trigger();
    auto *scanner = ui<TcsTwainScan>("csTwainScan");
    scanner->SetPixelType(pxGray);
    scanner->SetFeederEnabled(true);
    const QString pdf = testPrinterPdf();
    QFile::remove(pdf);
    messages.queueAnswer(platform::MessageAnswer::Yes);
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); }); // the presets
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("Retournez la carte")));
    EXPECT_EQ(pdfPageCount(pdf), 1);
    EXPECT_TRUE(scanner->FeederEnabled()); // the user's setting is kept for the next copy

    messages.clear();
    QFile::remove(pdf);
    messages.queueAnswer(platform::MessageAnswer::No);
    {
        platform::ScopedModalRunner keepTheSettings([](QDialog &) { return int(QDialog::Accepted); });
        ui<TMMBitmapButton>("GoBtn")->click();
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(ui<QStatusBar>("StatusBar")->currentMessage().contains(QStringLiteral("abandonnée")));
}
