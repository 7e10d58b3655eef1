// Image files and their page files: opening a picture (with the layout its
// ".qpx" page file kept), saving the picture by its extension with the page
// file beside it.  Tampon reads and writes the formats.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Exception.h"
#include "Handles.h"
#include "HelpViewer.h"
#include "IniFile.h"
#include "Modal.h"
#include "PGPixelGraphic.h"
#include "Sopend.h"
#include "TMMBitmapCheckBox.h"
#include "TMultiP.h"
#include "TPicture.h"
#include "TShellFolderTree.h"
#include "WaitCursor.h"
#include "sjpeg.h"

#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>
#include <optional>

namespace {

const QString Settings = QStringLiteral("Réglages");
const QString Picture = QStringLiteral("Image");
constexpr int HelpContextSave = 5;

// The page file beside an image: same folder and base name, extension ".qpx".
QString pageFileOf(const QString &imageFile)
{
    const QFileInfo image(imageFile);
    return image.dir().filePath(image.completeBaseName() + QStringLiteral(".qpx"));
}

} // namespace

void TForm1::buildFileComponents()
{
    Tampon = new imaging::TPMultiImage(this);
    Tampon->setObjectName(QStringLiteral("Tampon"));
    Tampon->hide();
    Tampon->ImageDither = true;
    Tampon->TifSaveCompress = imaging::sLZW;
    Tampon->setTiffPage(1);
    Tampon->setJPegSaveQuality(25);
    Tampon->setJPegSaveSmooth(5);
    // Loading and saving a page take a while: the library's caption and percentage show meanwhile.
    Tampon->ShowProgressWindow = true;
    Tampon->Loaded();
}

void TForm1::Ouvrir1Click()
{
    if (!OpenDial)
        return;
    OpenDial->tv->setSelection(ImageFolder);
    platform::execModal(*OpenDial);
    if (!OpenDial->Accepted)
        return;
    const QString file = OpenDial->ChosenFile;
    {
        platform::WaitCursor hourglass;
        ImageFolder = OpenDial->tv->Selection();
        SH->Detach();
        // A file that cannot be read raises here and leaves the picture as it was.
        Tampon->setImageName(file);
    }
    Image->setPicture(Tampon->Picture().image());
    NaturalWidth = PicW();
    NaturalHeight = PicH();
    if (!readPageFile(pageFileOf(file))) {
        PlaceArrivedPicture();
        ComboFormats->setCurrentIndex(0);
    }
    setWindowTitle(QApplication::applicationName() + QStringLiteral(" : fichier ") + QFileInfo(file).fileName());
    ResetPosterSize();
}

bool TForm1::readPageFile(const QString &pageFile)
{
    if (!QFileInfo::exists(pageFile))
        return false;
    const platform::IniFile page(pageFile);
    const int format = page.readInteger(Settings, QStringLiteral("Format"), 0);
    ComboFormats->setCurrentIndex(format >= 0 && format < FormatCount ? format : 0);
    // The file's picture is already turned: the box follows, the printer and the picture stay.
    OrientationLock = true;
    PaysBtn->setChecked(page.readBool(Picture, QStringLiteral("Paysage"), false));
    OrientationLock = false;
    conserver->setChecked(page.readBool(Picture, QStringLiteral("Conserver"), true));
    // Bounds that leave the sheet are brought back onto it, as a drag would.
    const QSize sheetSize(SheetWidth(), SheetHeight());
    const QSize size = QSize(page.readInteger(Picture, QStringLiteral("Width"), PicW()),
                             page.readInteger(Picture, QStringLiteral("Height"), PicH()))
                           .expandedTo(QSize(8, 8))
                           .boundedTo(sheetSize);
    const QPoint corner(std::clamp(page.readInteger(Picture, QStringLiteral("Left"), 0), 0, sheetSize.width() - size.width()),
                        std::clamp(page.readInteger(Picture, QStringLiteral("Top"), 0), 0, sheetSize.height() - size.height()));
    Image->setGeometry(QRect(corner, size));
    UpdateZoomBar();
    UpdatePositionBars();
    UpdateDuplicateOffer();
    return true;
}

void TForm1::writePageFile(const QString &pageFile) const
{
    platform::IniFile page(pageFile);
    page.writeInteger(Settings, QStringLiteral("Format"), ComboFormats->currentIndex());
    page.writeBool(Picture, QStringLiteral("Paysage"), PaysBtn->isChecked());
    page.writeBool(Picture, QStringLiteral("Conserver"), conserver->isChecked());
    page.writeInteger(Picture, QStringLiteral("Left"), Image->x());
    page.writeInteger(Picture, QStringLiteral("Top"), Image->y());
    page.writeInteger(Picture, QStringLiteral("Width"), Image->width());
    if (!page.writeInteger(Picture, QStringLiteral("Height"), Image->height()))
        throw platform::Exception(QStringLiteral("Impossible d'écrire le fichier %1.").arg(QDir::toNativeSeparators(pageFile)));
}

void TForm1::Enregistrersous1Click()
{
    QFileDialog dialog(this, QStringLiteral("Enregistrer sous"), ImageFolder);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("tif"));
    dialog.setNameFilters({QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("Pcx (*.pcx)"), QStringLiteral("Tiff (*.tif)"),
                           QStringLiteral("Gif (*.gif)"), QStringLiteral("Jpeg (*.jpg)"), QStringLiteral("Png (*.png)"),
                           QStringLiteral("Eps (*.eps)"), QStringLiteral("Tga (*.tga)")});
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    connect(help, &QShortcut::activated, &dialog,
            [this, &dialog] { platform::guarded([&] { HelpViewer::showContext(HelpFile, HelpContextSave, &dialog); }); });
    if (platform::execModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString file = dialog.selectedFiles().first();
    setWindowTitle(QApplication::applicationName() + QStringLiteral(" : fichier ") + QFileInfo(file).fileName());
    SaveImageAs(file);
}

void TForm1::SaveImageAs(const QString &fileName)
{
    std::optional<platform::WaitCursor> hourglass(std::in_place);
    Tampon->setPicture(Image->picture());
    Tampon->ImageWriteRes = imaging::sAutoMatic;
    const QString extension = (QStringLiteral(".") + QFileInfo(fileName).suffix()).toUpper().left(4);
    if (extension == QLatin1String(".JPG")) {
        Tampon->ImageWriteRes = imaging::sColorTrue;
        hourglass.reset();
        if (!JPEG || platform::execModal(*JPEG) != QDialog::Accepted)
            return;
        hourglass.emplace();
        Tampon->setJPegSaveQuality(JPEG->ScrollBar1->value());
        Tampon->setJPegSaveSmooth(JPEG->ScrollBar2->value());
        Tampon->SaveAsJPEG(fileName);
    } else if (extension == QLatin1String(".TIF")) {
        Tampon->SaveAsTIF(fileName);
    } else if (extension == QLatin1String(".BMP")) {
        Tampon->SaveAsBMP(fileName);
    } else if (extension == QLatin1String(".GIF")) {
        Tampon->SaveAsGIF(fileName);
    } else if (extension == QLatin1String(".PCX")) {
        Tampon->SaveAsPCX(fileName);
    } else if (extension == QLatin1String(".PNG")) {
        Tampon->SaveAsPNG(fileName);
    } else if (extension == QLatin1String(".EPS")) {
        Tampon->SaveAsEPS(fileName);
    } else if (extension == QLatin1String(".TGA")) {
        // Tampon has no TGA writer: the pixel library has one.
        TPixelGraphic graphic;
        graphic.LoadFromBitmap(Image->picture());
        graphic.SaveToFile(fileName);
    }
    writePageFile(pageFileOf(fileName));
}
