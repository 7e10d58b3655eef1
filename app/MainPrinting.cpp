// Print composition: the sheet as it is shown, the duplicated tiles and the
// poster cut over several sheets, with the two modes that switch the window's
// layout for them.
#include "Main.h"

#include "Composition.h"
#include "ErrorBoundary.h"
#include "Handles.h"
#include "Identity.h"
#include "MessageBox.h"
#include "Modal.h"
#include "Named.h"
#include "Rounding.h"
#include "SPrinterSetup.h"
#include "Snewfor.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>

using platform::roundInt;

void TForm1::buildPrinting()
{
    using platform::connectGuarded;
    GoBtn = makeButton(Client, QStringLiteral("GoBtn"), CopyPicture, CopyHint);
    place(GoBtn, 312, 8, 107, 93);
    GoBtn->setIconSize(QSize(64, 64));
    GoBtn->setCursor(Qt::PointingHandCursor);
    PrintBtn = makeButton(Client, QStringLiteral("PrintBtn"), 16, QStringLiteral("Lance l'impression"));
    place(PrintBtn, 514, 8, 40, 40);
    ConfigBtn = makeButton(Client, QStringLiteral("ConfigBtn"), 15, QStringLiteral("Configuration de l'imprimante"));
    place(ConfigBtn, 558, 8, 40, 40);
    Label4 = makeLabel(Client, QStringLiteral("Label4"), QStringLiteral("Exemplaires :"));
    place(Label4, 426, 60, 86, 20);
    SpinEdit = named<TSpinEdit>(QStringLiteral("SpinEdit"), Client, 1, 9999, 1);
    place(SpinEdit, 514, 58, 84, 24, QStringLiteral("Nombre d'exemplaires"));

    // The layout modes, with the poster's own controls.
    Panel2 = named<QFrame>(QStringLiteral("Panel2"), Client);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel2, 312, 106, 352, 52);
    Dupliquer = makeCheckBox(Panel2, QStringLiteral("Dupliquer"), QStringLiteral("Dupliquer"),
        QStringLiteral("Passe en mode de duplication de petites images (inactif si l'image est trop grande)"));
    place(Dupliquer, 13, 4, 100, 20);
    Poster = makeCheckBox(Panel2, QStringLiteral("Poster"), QStringLiteral("Poster"),
        QStringLiteral("Passe en mode d'agrandissement sur plusieurs feuilles de papier"));
    place(Poster, 117, 4, 90, 20);
    CheckBox1 = makeCheckBox(Panel2, QStringLiteral("CheckBox1"), QStringLiteral("Paysage"));
    place(CheckBox1, 117, 27, 90, 20);
    Label3 = makeLabel(Panel2, QStringLiteral("Label3"), QString());
    place(Label3, 13, 27, 100, 20);
    FormatBtn = makeButton(Panel2, QStringLiteral("FormatBtn"), 19, QStringLiteral("Format"));
    place(FormatBtn, 214, 6, 40, 40);

    Imprimerlestraitsdecoupe1 = makeMenuItem(Options1, QStringLiteral("Imprimerlestraitsdecoupe1"),
        QStringLiteral("&Imprimer les traits de coupe pour les fonctions \"Dupliquer\" et \"Poster\""));
    Imprimerlestraitsdecoupe1->setCheckable(true);

    PrinterSetupDialog = new TPrinterSetup(this);
    NewFor = new TNewFor(this);
    NewFor->setOwner({[this] { return Image->picture().size(); }, [this] { return PosterKeepProportions; },
                      [this](bool keep) { PosterKeepProportions = keep; }});

    connectGuarded(PrintBtn, &QPushButton::clicked, this, &TForm1::PrintBtnClick);
    connectGuarded(ConfigBtn, &QPushButton::clicked, this, &TForm1::ConfigBtnClick);
    connectGuarded(GoBtn, &QPushButton::clicked, this, &TForm1::GoBtnClick);
    connectGuarded(Dupliquer, &TMMBitmapCheckBox::clicking, this, &TForm1::DupliquerClick);
    connectGuarded(Poster, &TMMBitmapCheckBox::clicking, this, &TForm1::PosterClick);
    connectGuarded(CheckBox1, &TMMBitmapCheckBox::clicking, this, &TForm1::CheckBox1Click);
    connectGuarded(FormatBtn, &QPushButton::clicked, this, &TForm1::FormatBtnClick);
    connectGuarded(Imprimerlestraitsdecoupe1, &QAction::triggered, this, &TForm1::Imprimerlestraitsdecoupe1Click);

    hideDuring({PrintBtn, ConfigBtn}, {Mode::Duplication, Mode::Poster});
    hideDuring({Poster}, {Mode::Duplication});
    hideDuring({Dupliquer}, {Mode::Poster});
    showOnlyDuring({Label3, FormatBtn, CheckBox1}, Mode::Poster);
    layoutOf(Mode::Duplication).goHint = QStringLiteral("Imprime les images dupliquées");
    layoutOf(Mode::Duplication).goPicture = 18;
    layoutOf(Mode::Poster).goHint = QStringLiteral("Imprime le poster");
    layoutOf(Mode::Poster).goPicture = 18;
}

void TForm1::setCopyButton(const QString &hint, int picture)
{
    GoBtn->setToolTip(hint);
    GoBtn->setImageIndex(picture);
}

int TForm1::PPI() const
{
    return logicalDpiX();
}

composition::Poster TForm1::poster() const
{
    return {Image->picture(), QSize(PosterWidth, PosterHeight), PPI(), PosterKeepProportions,
            Imprimerlestraitsdecoupe1->isChecked()};
}

void TForm1::ResetPosterSize()
{
    platform::Printer &printer = platform::Printer::instance();
    const QSize page = printer.printableSize();
    PosterWidth = roundInt(page.width() * 1.5L * PPI() / printer.logPixelsX());
    PosterHeight = roundInt(page.height() * 1.5L * PPI() / printer.logPixelsY());
    NewFor->WScroll->setValue(
        std::min(NewFor->WScroll->maximum(), platform::tenthsOfMmFromScreenPixels(PosterWidth, PPI())));
    NewFor->HScroll->setValue(
        std::min(NewFor->HScroll->maximum(), platform::tenthsOfMmFromScreenPixels(PosterHeight, PPI())));
}

void TForm1::PrintBtnClick()
{
    platform::WaitCursor hourglass;
    if (Poster->isChecked())
        PrintPoster();
    else
        PrintSheet();
}

std::vector<composition::Sheet> TForm1::sheetsToPrint() const
{
    const bool cutLines = Imprimerlestraitsdecoupe1->isChecked();
    std::vector<composition::Sheet> sheets{{Image->picture(), Image->geometry(), sheet(), Dupliquer->isChecked(), cutLines}};
    if (Dupliquer->isChecked())
        return sheets;
    for (const QImage &page : morePages_) {
        const QImage picture = quarterTurns_ == 0 ? page : turned(page, 90 * quarterTurns_);
        // A page of the picture's size lies where it lies; another is placed as a new picture would be.
        QRect bounds = Image->geometry();
        if (picture.size() != Image->picture().size())
            bounds = QRect(QPoint(X0() + 2, Y0() + 2), platform::fitPicture(picture.size(), QSize(PW() - 4, PH() - 4)));
        sheets.push_back({picture, bounds, sheet(), false, cutLines});
    }
    return sheets;
}

void TForm1::reportPrinted(const platform::PrintedTo &to)
{
    say(QStringLiteral("Copie %1.").arg(composition::whereItWent(to)));
}

void TForm1::PrintSheet()
{
    const long long sheets = static_cast<long long>(sheetsToPrint().size()) * SpinEdit->value();
    if (sheets > composition::LargeJobSheets && !platform::askYesNo(composition::largeJobQuestion(sheets)))
        return;
    platform::WaitCursor hourglass;
    reportPrinted(composition::printSheets(platform::Printer::instance(), sheetsToPrint(), copyOptions_.printOptions(SpinEdit->value()),
                                           identity::Title));
}

void TForm1::PrintPoster()
{
    platform::Printer &printer = platform::Printer::instance();
    const platform::PosterLayout layout(platform::PaperMetrics::of(printer), QSize(PosterWidth, PosterHeight), PPI());
    QPrinter &device = printer.device();
    device.setCopyCount(SpinEdit->value());
    device.setCollateCopies(true);
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
    const long long sheets =
        static_cast<long long>(range ? dialog.toPage() - dialog.fromPage() + 1 : layout.sheets()) * device.copyCount();
    if (sheets > composition::LargeJobSheets && !platform::askYesNo(composition::largeJobQuestion(sheets)))
        return;
    platform::WaitCursor hourglass;
    reportPrinted(composition::printPosters(printer, {poster()}, {device.copyCount(), device.collateCopies(), copyOptions_.twoSided, copyOptions_.jpegColour},
                                            identity::Title + QStringLiteral(" : Poster"), range ? dialog.fromPage() : 0,
                                            range ? dialog.toPage() : 0));
}

void TForm1::DrawDuplicatedSheet()
{
    platform::WaitCursor hourglass;
    DrawSheet();
    QPainter canvas(&Page->picture());
    composition::drawTiles(canvas, Image->picture(), Image->size(), QSize(PW(), PH()), QPoint(X0() + 2, Y0() + 2), 1, 1,
                           Imprimerlestraitsdecoupe1->isChecked());
    canvas.end();
    Page->update();
}

void TForm1::DrawPosterSheet()
{
    DrawPosterSheets(Page, PosterWidth, PosterHeight,
                     [this](QPainter &canvas, QPointF origin, long double kx, long double ky) {
                         composition::drawPosterImage(canvas, poster(), origin, kx, ky);
                     },
                     Label3, PPI());
}

void TForm1::DupliquerClick(bool switchingOn)
{
    applyMode(Mode::Duplication, switchingOn);
    if (switchingOn)
        DrawDuplicatedSheet();
    else
        DrawSheet();
}

void TForm1::PosterClick(bool switchingOn)
{
    platform::Printer &printer = platform::Printer::instance();
    applyMode(Mode::Poster, switchingOn);
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
    if (PrinterSetupDialog->Execute() == QDialog::Accepted)
        rememberedPrinter_ = {printer.currentName(), printer.paper().key(), printer.pdfFolder()};
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

void TForm1::restorePrinter()
{
    // A printer chosen for this run (on the command line) wins over the remembered one.
    platform::Printer &printer = platform::Printer::instance();
    if (printer.chosenForTheRun())
        return;
    if (!rememberedPrinter_.name.isEmpty() && !printer.select(rememberedPrinter_.name))
        say(QStringLiteral("L'imprimante « %1 » choisie la dernière fois est introuvable : « %2 » la remplace.")
                .arg(rememberedPrinter_.name, printer.currentName()));
    printer.setPdfFolder(rememberedPrinter_.pdfFolder);
    for (const QPageSize &paper : printer.papers())
        if (paper.key() == rememberedPrinter_.paper)
            printer.setPaper(paper);
}

void TForm1::Imprimerlestraitsdecoupe1Click()
{
    // The action has already toggled its check mark.
    if (Dupliquer->isChecked())
        DrawDuplicatedSheet();
}
