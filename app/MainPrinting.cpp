// Print composition: the sheet as it is shown, the duplicated tiles and the
// poster cut over several sheets, with the two modes that switch the window's
// layout for them.
#include "Main.h"

#include "Composition.h"
#include "Handles.h"
#include "Modal.h"
#include "Rounding.h"
#include "Snewfor.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>

using platform::roundInt;

int TForm1::PPI() const
{
    return logicalDpiX();
}

composition::Poster TForm1::poster() const
{
    return {Image->picture(), QSize(PosterWidth, PosterHeight), PPI(), PosterKeepProportions,
            Imprimerlestraitsdecoupe1->isChecked()};
}

void TForm1::DrawBitmapAsDib(const QImage &bitmap, QPainter &canvas, int x, int y, int width, int height)
{
    composition::drawBitmap(canvas, bitmap, x, y, width, height);
}

void TForm1::DrawImageAt(QPainter &canvas, int x, int y, long double sx, long double sy)
{
    composition::drawImageAt(canvas, Image->picture(), Image->size(), x, y, sx, sy);
}

void TForm1::DrawTiles(QPainter &canvas, int x, int y, long double sx, long double sy)
{
    composition::drawTiles(canvas, Image->picture(), Image->size(), QSize(PW(), PH()), QPoint(x, y), sx, sy,
                           Imprimerlestraitsdecoupe1->isChecked());
}

void TForm1::DrawPosterImage(QPainter &canvas, QPointF origin, long double kx, long double ky)
{
    composition::drawPosterImage(canvas, poster(), origin, kx, ky);
}

void TForm1::ResetPosterSize()
{
    platform::Printer &printer = platform::Printer::instance();
    const QSize page = printer.printableSize();
    PosterWidth = roundInt(page.width() * 1.5L * PPI() / printer.logPixelsX());
    PosterHeight = roundInt(page.height() * 1.5L * PPI() / printer.logPixelsY());
    if (NewFor) {
        NewFor->WScroll->setValue(
            std::min(NewFor->WScroll->maximum(), platform::tenthsOfMmFromScreenPixels(PosterWidth, PPI())));
        NewFor->HScroll->setValue(
            std::min(NewFor->HScroll->maximum(), platform::tenthsOfMmFromScreenPixels(PosterHeight, PPI())));
    }
}

void TForm1::PrintBtnClick()
{
    platform::WaitCursor hourglass;
    if (Poster->isChecked())
        PrintPoster();
    else
        PrintSheet();
}

void TForm1::PrintSheet()
{
    platform::WaitCursor hourglass;
    composition::printSheet(platform::Printer::instance(),
                            {Image->picture(), Image->geometry(), sheet(), Dupliquer->isChecked(),
                             Imprimerlestraitsdecoupe1->isChecked()},
                            SpinEdit->value(), QApplication::applicationName());
}

void TForm1::PrintPoster()
{
    platform::Printer &printer = platform::Printer::instance();
    const platform::PosterLayout layout(platform::PaperMetrics::of(printer), QSize(PosterWidth, PosterHeight), PPI());
    QPrinter &device = printer.device();
    device.setCopyCount(SpinEdit->value());
    QPrintDialog dialog(&device, this);
    if (layout.singleSheet()) {
        dialog.setMinMax(1, 1);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    } else {
        dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(1, layout.sheets());
        dialog.setFromTo(1, layout.sheets());
    }
    if (printer.execPrintDialog(dialog) != QDialog::Accepted)
        return;
    const bool range = !layout.singleSheet() && dialog.printRange() == QAbstractPrintDialog::PageRange;
    platform::WaitCursor hourglass;
    composition::printPoster(printer, poster(), device.copyCount(), QApplication::applicationName() + QStringLiteral(" : Poster"),
                             range ? dialog.fromPage() : 0, range ? dialog.toPage() : 0);
}

void TForm1::applyMode(const ModeLayout &mode, bool on)
{
    for (QWidget *control : mode.hidden)
        control->setVisible(!on);
    for (QWidget *control : mode.shown)
        control->setVisible(on);
    Ouvrir1->setEnabled(!on);
    Enregistrersous1->setEnabled(!on);
    GoBtn->setToolTip(on ? mode.goHint : CopyHint);
    GoBtn->setImageIndex(on ? mode.goPicture : CopyPicture);
    SH->Detach();
    Image->setVisible(!on);
}

void TForm1::DrawDuplicatedSheet()
{
    platform::WaitCursor hourglass;
    DrawSheet();
    QPainter canvas(&Page->picture());
    DrawTiles(canvas, X0() + 2, Y0() + 2, 1, 1);
    canvas.end();
    Page->update();
}

void TForm1::DrawPosterSheet()
{
    DrawPosterSheets(Page, PosterWidth, PosterHeight,
                     [this](QPainter &canvas, QPointF origin, long double kx, long double ky) {
                         DrawPosterImage(canvas, origin, kx, ky);
                     },
                     Label3, PPI());
}

void TForm1::DupliquerClick(bool switchingOn)
{
    applyMode(duplicationLayout_, switchingOn);
    if (switchingOn)
        DrawDuplicatedSheet();
    else
        DrawSheet();
}

void TForm1::PosterClick(bool switchingOn)
{
    platform::Printer &printer = platform::Printer::instance();
    applyMode(posterLayout_, switchingOn);
    if (switchingOn) {
        Poster->move(13, Poster->y());
        SavedOrientation = printer.orientation();
        Page->resize(Page->width(), Page->width());
        CheckBox1->setChecked(SavedOrientation == platform::Orientation::Landscape);
        PosterKeepProportions = conserver->isChecked();
        Label3->clear();
        DrawPosterSheet();
    } else {
        UpdateDuplicateOffer();
        printer.setOrientation(SavedOrientation);
        Page->resize(composition::WindowPreview);
        DrawSheet();
    }
}

void TForm1::CheckBox1Click(bool switchingOn)
{
    platform::Printer::instance().setOrientation(switchingOn ? platform::Orientation::Landscape
                                                             : platform::Orientation::Portrait);
    DrawPosterSheet();
}

void TForm1::FormatBtnClick()
{
    if (!NewFor)
        return;
    NewFor->WScroll->setValue(platform::tenthsOfMmFromScreenPixels(PosterWidth, PPI()));
    NewFor->HScroll->setValue(platform::tenthsOfMmFromScreenPixels(PosterHeight, PPI()));
    if (platform::execModal(*NewFor) != QDialog::Accepted)
        return;
    PosterWidth = NewFor->ScreenPixels(NewFor->WScroll->value());
    PosterHeight = NewFor->ScreenPixels(NewFor->HScroll->value());
    CheckBox1->setChecked(platform::Printer::instance().orientation() == platform::Orientation::Landscape);
    DrawPosterSheet();
}

void TForm1::GoBtnClick()
{
    ContinueToPrint = true;
    if (!Dupliquer->isChecked() && !Poster->isChecked())
        ScanImageClick();
    // The print button may be hidden by a mode; only a missing printer stops the copy.
    if (ContinueToPrint && PrintBtn->isEnabled())
        PrintBtnClick();
}

void TForm1::ConfigBtnClick()
{
    platform::Printer &printer = platform::Printer::instance();
    const platform::Orientation before = printer.orientation();
    printer.pageSetup(this);
    if (printer.orientation() != before) {
        OrientationLock = true;
        DrawSheet();
        SH->Detach();
        const bool landscape = printer.orientation() == platform::Orientation::Landscape;
        RotateQuarter(landscape ? 1 : 3);
        PaysBtn->setChecked(landscape);
        if (Image->width() > PW() - 4 || Image->height() > PH() - 4)
            PlaceNewImage();
        OrientationLock = false;
        UpdateDuplicateOffer();
    }
    UpdateBarMaxima();
    UpdatePositionBars();
}

void TForm1::Imprimerlestraitsdecoupe1Click()
{
    // The action has already toggled its check mark.
    if (Dupliquer->isChecked())
        DrawDuplicatedSheet();
}
