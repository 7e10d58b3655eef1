// The main window's start-up, its settings in the registry, its menus and help.
#include "Main.h"

#include "Decimal.h"
#include "ErrorBoundary.h"
#include "Folders.h"
#include "HelpViewer.h"
#include "Modal.h"
#include "PGMessages.h"
#include "Registry.h"
#include "Resources.h"
#include "TMMBitmapButton.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "TTipsDialog.h"
#include "csTwainScan.h"
#include "sabout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

namespace {

const QString ApplicationTitle = QStringLiteral("Quillon 2002");
const QString HelpFileName = QStringLiteral("QUILLON.HLP");
const QString WebSite = QStringLiteral("https://quillon.example.org/");
const QString CatalogueHelp = QStringLiteral("CATALOG.HLP");
constexpr int HelpContextMain = 2;
constexpr int HelpContextOpen = 4;
const QSize SmallestWindow(640, 480);

} // namespace

const QString TForm1::CopyHint = QStringLiteral("Copie (scanne et imprime)");

const TForm1::PredefinedFormat TForm1::Formats[TForm1::FormatCount] = {
    {"Formats prédéfinis", 0, 0, false},
    {"A4", 210, 297, true},
    {"A5", 148, 210, false},
    {"A6", 105, 148, false},
    {"A3", 297, 420, true},
    {"Photo 130x90", 130, 90, false},
    {"Photo 90x130", 90, 130, false},
    {"Photo 150x100", 150, 100, false},
    {"Photo 100x150", 100, 150, false},
    {"Photo d'identité 35x45", 35, 45, false},
    {"Carte de visite 90x55", 90, 55, false},
};

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setMinimumSize(SmallestWindow);
    resources::initialise();
    images_ = TMMImageList(QPixmap(resources::strip), QSize(resources::stripCell, resources::stripCell));
    buildMenus();
    buildControls();
    buildModeLayouts();
    buildScanner();
    buildWorkComponents();
    buildFileComponents();
    connectHandlers();
    FormCreate();
    csTwainScan->Loaded();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate()
{
    QApplication::setApplicationName(ApplicationTitle);
    RegistryKey = QStringLiteral("Software\\Vardo\\") + ApplicationTitle;
    SiteWeb1->setText(QStringLiteral("&Connexion au site web de l'auteur..."));
    ExeFolder = platform::exeFolder();
    HelpFile = ExeFolder + HelpFileName;
    readSettings();
    setWindowTitle(ApplicationTitle);
    platform::setDecimalSeparator(QLatin1Char(','));
    Image1->setPicture(QImage(resources::sample).convertToFormat(QImage::Format_RGB888));
    Image->setPicture(Image1->picture());
    NaturalWidth = Image->pictureWidth();
    NaturalHeight = Image->pictureHeight();
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
    GoBtn->setToolTip(CopyHint);
    GoBtn->setImageIndex(CopyPicture);
    PGLanguage = pglFrench;
    ComboFormats->setCurrentIndex(0);
    ComboBox1->setCurrentIndex(0);
}

void TForm1::readSettings()
{
    platform::RegistryKey key(RegistryKey);
    const QString main = QStringLiteral("MainW"), options = QStringLiteral("Options");
    if (key.readBool(main, QStringLiteral("Maxi"), false)) {
        setWindowState(Qt::WindowMaximized);
    } else {
        // The border is fixed: the user cannot resize the window, the settings can.
        const int w = key.readInteger(main, QStringLiteral("w"), SmallestWindow.width());
        const int h = key.readInteger(main, QStringLiteral("h"), SmallestWindow.height());
        setFixedSize(QSize(w, h).expandedTo(SmallestWindow));
        const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
        const int x = key.readInteger(main, QStringLiteral("x"), (screen.width() - width()) / 2);
        const int y = key.readInteger(main, QStringLiteral("y"), (screen.height() - height()) / 2);
        move(x, y);
    }
    UserInterfaceMnu->setChecked(key.readBool(options, QStringLiteral("UserInterface"), false));
    UserInterfaceMnuClick();
    TipAtStart = key.readBool(options, QStringLiteral("TipAtStart"), true);
    PreviewInOpenDialog = key.readBool(options, QStringLiteral("Aperçu"), true);
    ImageFolder = key.readString(options, QStringLiteral("CheminImagesPerso"), QStringLiteral("c:\\"));
    Imprimerlestraitsdecoupe1->setChecked(key.readBool(options, QStringLiteral("Cadre"), true));
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    platform::guarded([this] { FormShow(); });
    // The tips are offered once, when the window first comes up.
    QMetaObject::invokeMethod(this, [this] { platform::guarded([this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TForm1::FormShow()
{
    DrawSheet();
    PlaceNewImage();
    UpdateBarMaxima();
    ResetPosterSize();
    SpinEdit->setFocus();
    const bool printers = platform::Printer::instance().hasPrinter();
    PrintBtn->setEnabled(printers);
    ConfigBtn->setEnabled(printers);
}

void TForm1::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    TipsDialog->setShowAtStartup(TipAtStart);
    TipsDialog->Execute();
    TipAtStart = TipsDialog->showAtStartup();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    platform::guarded([this] { FormClose(); });
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    platform::RegistryKey key(RegistryKey);
    const QString main = QStringLiteral("MainW"), options = QStringLiteral("Options");
    const QRect bounds = isMaximized() ? normalGeometry() : QRect(pos(), size());
    key.writeInteger(main, QStringLiteral("x"), bounds.x());
    key.writeInteger(main, QStringLiteral("y"), bounds.y());
    key.writeInteger(main, QStringLiteral("w"), bounds.width());
    key.writeInteger(main, QStringLiteral("h"), bounds.height());
    key.writeBool(main, QStringLiteral("Maxi"), isMaximized());
    key.writeBool(options, QStringLiteral("Cadre"), Imprimerlestraitsdecoupe1->isChecked());
    key.writeBool(options, QStringLiteral("TipAtStart"), TipAtStart);
    key.writeBool(options, QStringLiteral("Aperçu"), PreviewInOpenDialog);
    key.writeString(options, QStringLiteral("CheminImagesPerso"), ImageFolder);
    key.writeBool(options, QStringLiteral("UserInterface"), UserInterfaceMnu->isChecked());
    key.flush();
}

void TForm1::Quitter1Click()
{
    close();
}

void TForm1::showHelpContents()
{
    HelpViewer::showContents(HelpFile, this);
}

void TForm1::Aide1Click()
{
    showHelpContents();
}

void TForm1::Dummeauteur1Click()
{
    HelpFile = ExeFolder + CatalogueHelp;
    showHelpContents();
    HelpFile = ExeFolder + HelpFileName;
}

void TForm1::Apropos1Click()
{
    TAboutBox *about = findChild<TAboutBox *>();
    if (about == nullptr)
        about = new TAboutBox(this);
    platform::execModal(*about);
}

void TForm1::Trucsetastuces1Click()
{
    TipsDialog->setShowAtStartup(true);
    TipsDialog->Execute();
    TipAtStart = TipsDialog->showAtStartup();
}

void TForm1::SiteWeb1Click()
{
    QDesktopServices::openUrl(QUrl(WebSite));
}

void TForm1::UserInterfaceMnuClick()
{
    // The action has already toggled its check mark.
    csTwainScan->SetUserInterface(UserInterfaceMnu->isChecked());
    TwainDialMnu->setEnabled(!UserInterfaceMnu->isChecked());
}

void TForm1::Edition1Click()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    Coller1->setEnabled(data && data->hasImage());
}

int TForm1::helpContextOf(const QAction *item) const
{
    return item == Ouvrir1 ? HelpContextOpen : HelpContextMain;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            const int context = helpContextOf(menu->activeAction());
            platform::guarded([&] { HelpViewer::showContext(HelpFile, context, this); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
