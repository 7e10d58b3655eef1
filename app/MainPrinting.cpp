// Print composition: the sheet as it is shown, the duplicated tiles and the
// poster cut over several sheets, with the two modes that switch the window's
// layout for them.
#include "Main.h"

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

namespace {

int toInt(long double value)
{
    return static_cast<int>(platform::roundEven(value));
}

// A landscape sheet is printed upright (the picture was turned on the
// preview instead): the printer is portrait for the job, landscape again after.
class UprightForTheJob {
public:
    explicit UprightForTheJob(platform::Printer &printer)
        : printer_(printer), landscape_(printer.orientation() == platform::Orientation::Landscape)
    {
        if (landscape_)
            printer_.setOrientation(platform::Orientation::Portrait);
    }
    ~UprightForTheJob()
    {
        if (landscape_)
            printer_.setOrientation(platform::Orientation::Landscape);
    }
    UprightForTheJob(const UprightForTheJob &) = delete;
    UprightForTheJob &operator=(const UprightForTheJob &) = delete;

private:
    platform::Printer &printer_;
    bool landscape_;
};

} // namespace

int TForm1::PPI() const
{
    return logicalDpiX();
}

platform::PosterLayout TForm1::posterLayout() const
{
    return platform::PosterLayout(platform::PaperMetrics::of(platform::Printer::instance()),
                                  QSize(PosterWidth, PosterHeight), PPI());
}

void TForm1::DrawBitmapAsDib(const QImage &bitmap, QPainter &canvas, int x, int y, int width, int height)
{
    if (width < 1 || height < 1) {
        width = bitmap.width();
        height = bitmap.height();
    }
    canvas.drawImage(QRect(x, y, width, height), bitmap);
}

void TForm1::DrawImageAt(QPainter &canvas, int x, int y, long double sx, long double sy)
{
    DrawBitmapAsDib(Image->picture(), canvas, x, y, toInt(Image->width() * sx), toInt(Image->height() * sy));
}

void TForm1::cutLinePen(QPainter &canvas) const
{
    canvas.setPen(QPen(Qt::black, 0, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
}

void TForm1::DrawTiles(QPainter &canvas, int x, int y, long double sx, long double sy)
{
    const int width = Image->width(), height = Image->height();
    if (width <= 0 || height <= 0)
        return;
    const int cols = PW() / width, rows = PH() / height;
    for (int i = 0; i < cols; ++i) {
        for (int j = 0; j < rows; ++j) {
            const QPoint origin(toInt(static_cast<long double>(i) * width * sx) + x,
                                toInt(static_cast<long double>(j) * height * sy) + y);
            DrawImageAt(canvas, origin.x(), origin.y(), sx, sy);
            if (Imprimerlestraitsdecoupe1->isChecked()) {
                cutLinePen(canvas);
                canvas.drawRect(QRect(origin, QSize(toInt(width * sx), toInt(height * sy))).adjusted(0, 0, -1, -1));
            }
        }
    }
}

void TForm1::DrawPosterImage(QPainter &canvas, QPointF origin, long double kx, long double ky)
{
    long double f = PosterWidth, e = PosterHeight;
    if (PosterKeepProportions && PicW() > 0 && PicH() > 0) {
        const long double h = f * PicH() / PicW();
        if (e >= h)
            e = toInt(h);
        else
            f = toInt(e * PicW() / PicH());
    }
    const int x = toInt(origin.x()), y = toInt(origin.y());
    DrawBitmapAsDib(Image->picture(), canvas, x, y, toInt(f * kx), toInt(e * ky));
}

void TForm1::ResetPosterSize()
{
    platform::Printer &printer = platform::Printer::instance();
    const QSize page = printer.printableSize();
    PosterWidth = toInt(page.width() * 1.5L * PPI() / printer.logPixelsX());
    PosterHeight = toInt(page.height() * 1.5L * PPI() / printer.logPixelsY());
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
    platform::Printer &printer = platform::Printer::instance();
    UprightForTheJob upright(printer);
    platform::WaitCursor hourglass;
    const QPoint offset = printer.printingOffset();
    const platform::SheetGeometry paper = currentPaper();
    const long double sx = paper.scaleX(), sy = paper.scaleY();
    platform::PrintJob job(printer, QApplication::applicationName(), SpinEdit->value());
    for (int pass = 0; pass < job.passes(); ++pass) {
        job.beginPage();
        if (Dupliquer->isChecked())
            DrawTiles(job.canvas(), 0, 0, sx, sy);
        else
            DrawImageAt(job.canvas(), toInt(sx * Image->x()) - offset.x(), toInt(sy * Image->y()) - offset.y(), sx, sy);
    }
}

void TForm1::PrintPoster()
{
    platform::Printer &printer = platform::Printer::instance();
    const platform::PosterLayout poster = posterLayout();
    const QString title = QApplication::applicationName() + QStringLiteral(" : Poster");

    QPrinter &device = printer.device();
    device.setCopyCount(SpinEdit->value());
    QPrintDialog dialog(&device, this);
    if (poster.singleSheet()) {
        dialog.setMinMax(1, 1);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
        if (platform::execModal(dialog) != QDialog::Accepted)
            return;
        platform::WaitCursor hourglass;
        platform::PrintJob job(printer, title, device.copyCount());
        for (int pass = 0; pass < job.passes(); ++pass) {
            job.beginPage();
            DrawPosterImage(job.canvas(), QPointF(0, 0), poster.kx(), poster.ky());
        }
        return;
    }

    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(1, poster.sheets());
    dialog.setFromTo(1, poster.sheets());
    if (platform::execModal(dialog) != QDialog::Accepted)
        return;
    const bool allPages = dialog.printRange() != QAbstractPrintDialog::PageRange;
    const int from = dialog.fromPage(), to = dialog.toPage();

    platform::WaitCursor hourglass;
    // The picture stretched to the poster's proportions.
    const int n = std::max(PicW(), PicH());
    const QSize workSize = PosterHeight > PosterWidth
        ? QSize(toInt(static_cast<long double>(PosterWidth) * n / PosterHeight), n)
        : QSize(n, toInt(static_cast<long double>(PosterHeight) * n / PosterWidth));
    QImage work(workSize.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    {
        QPainter stretch(&work);
        stretch.drawImage(work.rect(), Image->picture());
    }
    const long double fx = static_cast<long double>(work.width()) / poster.width();
    const long double fy = static_cast<long double>(work.height()) / poster.height();

    platform::PrintJob job(printer, title, device.copyCount());
    for (int pass = 0; pass < job.passes(); ++pass) {
        int sheet = 0;
        for (int column = 0; column < poster.columns(); ++column) {
            for (int row = 0; row < poster.rows(); ++row) {
                ++sheet;
                if (!allPages && (sheet < from || sheet > to))
                    continue;
                const QRect part = poster.part(column, row);
                job.beginPage();
                // The part of the poster this sheet carries, cut from the work bitmap.
                const QImage tile = work.copy(toInt(part.x() * fx), toInt(part.y() * fy),
                                              std::max(1, toInt(part.width() * fx)), std::max(1, toInt(part.height() * fy)));
                DrawBitmapAsDib(tile, job.canvas(), 0, 0, toInt(tile.width() / fx), toInt(tile.height() / fy));
                if (Imprimerlestraitsdecoupe1->isChecked()) {
                    cutLinePen(job.canvas());
                    job.canvas().drawRect(0, 0, part.width() - 1, part.height() - 1);
                }
            }
        }
    }
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
        Page->resize(Page->width(), 415);
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
