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
#include "SettingsTable.h"
#include "Sopend.h"
#include "TMMBitmapCheckBox.h"
#include "TMultiP.h"
#include "TPicture.h"
#include "TShellFolderTree.h"
#include "WaitCursor.h"
#include "sjpeg.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QMenu>
#include <QFileDialog>
#include <QFileInfo>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
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

void TForm1::buildFiles()
{
    using platform::connectGuarded;
    Ouvrir1 = makeMenuItem(Fichier1, QStringLiteral("Ouvrir1"), QStringLiteral("&Ouvrir une image ou une page déjà enregistrée..."));
    Enregistrersous1 = makeMenuItem(Fichier1, QStringLiteral("Enregistrersous1"), QStringLiteral("Enregistrer &sous..."));
    connectGuarded(Ouvrir1, &QAction::triggered, this, &TForm1::Ouvrir1Click);
    connectGuarded(Enregistrersous1, &QAction::triggered, this, &TForm1::Enregistrersous1Click);

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

    OpenDial = new TOpenDial(this);
    OpenDial->setOwner({[this] { return PreviewInOpenDialog; }, [this](bool preview) { PreviewInOpenDialog = preview; }});
    JPEG = new TJPEG(this);
}

// A page as its page file keeps it.
struct TForm1::PageLayout {
    int format = 0;
    bool landscape = false;
    bool keepProportions = true;
    QRect bounds;
};

platform::SettingsTable TForm1::pageFileRows(PageLayout &layout) const
{
    using platform::always;
    platform::SettingsTable rows;
    rows.integer(Settings, QStringLiteral("Format"), always(0), [&] { return layout.format; },
                 [&](int format) { layout.format = format; })
        .boolean(Picture, QStringLiteral("Paysage"), always(false), [&] { return layout.landscape; },
                 [&](bool landscape) { layout.landscape = landscape; })
        .boolean(Picture, QStringLiteral("Conserver"), always(true), [&] { return layout.keepProportions; },
                 [&](bool keep) { layout.keepProportions = keep; })
        .integer(Picture, QStringLiteral("Left"), always(0), [&] { return layout.bounds.x(); },
                 [&](int left) { layout.bounds.moveLeft(left); })
        .integer(Picture, QStringLiteral("Top"), always(0), [&] { return layout.bounds.y(); },
                 [&](int top) { layout.bounds.moveTop(top); })
        .integer(Picture, QStringLiteral("Width"), [this] { return PicW(); }, [&] { return layout.bounds.width(); },
                 [&](int width) { layout.bounds.setWidth(width); })
        .integer(Picture, QStringLiteral("Height"), [this] { return PicH(); }, [&] { return layout.bounds.height(); },
                 [&](int height) { layout.bounds.setHeight(height); });
    return rows;
}

QString TForm1::startingFolder() const
{
    // The folder last used, when it still exists; on a new account (or where
    // it named a drive of another system) the user's pictures.
    if (QFileInfo(ImageFolder).isDir())
        return ImageFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

void TForm1::Ouvrir1Click()
{
    OpenDial->tv->setSelection(startingFolder());
    platform::execModal(*OpenDial);
    if (!OpenDial->Accepted)
        return;
    ImageFolder = OpenDial->tv->Selection();
    openPicture(OpenDial->ChosenFile);
}

void TForm1::OpenFile(const QString &file)
{
    QFileInfo chosen(file);
    ImageFolder = chosen.absolutePath();
    if (chosen.suffix().compare(QLatin1String("qpx"), Qt::CaseInsensitive) == 0) {
        // A page file opens the picture it was saved beside.
        const QStringList pictures = chosen.dir().entryList({chosen.completeBaseName() + QStringLiteral(".*")}, QDir::Files);
        const auto picture = std::find_if(pictures.begin(), pictures.end(), [](const QString &name) {
            return !name.endsWith(QLatin1String(".qpx"), Qt::CaseInsensitive);
        });
        if (picture == pictures.end())
            throw platform::Exception(QStringLiteral("Aucune image n'accompagne la page « %1 ».").arg(QDir::toNativeSeparators(file)));
        chosen = QFileInfo(chosen.dir().filePath(*picture));
    }
    openPicture(chosen.absoluteFilePath());
}

void TForm1::openPicture(const QString &file)
{
    {
        platform::WaitCursor hourglass;
        SH->Detach();
        // A file that cannot be read raises here and leaves the picture as it was.
        try {
            Tampon->setImageName(file);
        } catch (const std::exception &error) {
            throw platform::Exception::aboutFile(file, error);
        }
    }
    Image->setPicture(Tampon->Picture().image());
    NaturalWidth = PicW();
    NaturalHeight = PicH();
    morePages_.clear();
    quarterTurns_ = 0;
    if (!readPageFile(pageFileOf(file))) {
        PlaceArrivedPicture();
        ComboFormats->setCurrentIndex(0);
    }
    setWindowTitle(QApplication::applicationName() + QStringLiteral(" : fichier ") + QFileInfo(file).fileName());
    ResetPosterSize();
}

bool TForm1::readPageFile(const QString &pageFile)
{
    // Only a regular file is a page file: a pipe or a device of that name would never end.
    if (!QFileInfo(pageFile).isFile())
        return false;
    PageLayout page;
    pageFileRows(page).readFrom(platform::IniFile(pageFile));
    ComboFormats->setCurrentIndex(page.format >= 0 && page.format < FormatCount ? page.format : 0);
    // The file's picture is already turned: the box follows, the printer and the picture stay.
    OrientationLock = true;
    PaysBtn->setChecked(page.landscape);
    OrientationLock = false;
    conserver->setChecked(page.keepProportions);
    // Bounds that leave the sheet are brought back onto it, as a drag would.
    const QSize sheetSize(SheetWidth(), SheetHeight());
    const QSize size = page.bounds.size().expandedTo(QSize(8, 8)).boundedTo(sheetSize);
    const QPoint corner(std::clamp(page.bounds.x(), 0, sheetSize.width() - size.width()),
                        std::clamp(page.bounds.y(), 0, sheetSize.height() - size.height()));
    Image->setGeometry(QRect(corner, size));
    UpdateZoomBar();
    UpdatePositionBars();
    UpdateDuplicateOffer();
    return true;
}

void TForm1::writePageFile(const QString &pageFile) const
{
    PageLayout page{ComboFormats->currentIndex(), PaysBtn->isChecked(), conserver->isChecked(), Image->geometry()};
    platform::IniFile file(pageFile);
    if (!pageFileRows(page).writeTo(file))
        throw platform::Exception(file.errorString());
}

void TForm1::Enregistrersous1Click()
{
    QFileDialog dialog(this, QStringLiteral("Enregistrer sous"), startingFolder());
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
        if (platform::execModal(*JPEG) != QDialog::Accepted)
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
