// The main window's start-up: the frame, the menus, the settings kept in the
// registry, help, the tips and the about box, and closing.
#include "Main.h"

#include "Decimal.h"
#include "ErrorBoundary.h"
#include "Folders.h"
#include "Handles.h"
#include "HelpViewer.h"
#include "Identity.h"
#include "Modal.h"
#include "PGMessages.h"
#include "Registry.h"
#include "Resources.h"
#include "SettingsTable.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "TTipsDialog.h"
#include "Tips.h"
#include "csTwainScan.h"
#include "sabout.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString HelpFileName = QStringLiteral("QUILLON.HLP");
const QString WebSite = QStringLiteral("https://quillon.example.org/");
const QString CatalogueHelp = QStringLiteral("CATALOG.HLP");
constexpr int HelpContextMain = 2;
constexpr int HelpContextOpen = 4;
// The corrections column is wider than it was first drawn, so that the
// filters' list and the buttons show their whole texts.
const QSize SmallestWindow(680, 480);

QRect screenGeometry()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

QSize availableScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableSize() : QSize(1024, 768);
}

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
    // The order matters where concerns share a panel or a menu: the sheet's
    // panel takes the orientation's half turn, the modes' panel its landscape
    // box, and the menu items come in the order the concerns add them.
    buildFrame();
    buildSheet();
    buildPrinting();
    buildOrientation();
    buildFiles();
    buildSources();
    buildScanning();
    buildCorrections();
    buildCopyOptions();
    finishMenus();
    setTabOrder();
    FormCreate();
    csTwainScan->Loaded();
}

TForm1::~TForm1() = default;

void TForm1::buildFrame()
{
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setMinimumSize(672, 434);
    setCentralWidget(Client);
    // The background covers the whole client area, behind every control.
    Image2 = new TPicture(QStringLiteral("Image2"), Client, true);
    Image2->setPicture(QImage(resources::background));
    auto *backgroundLayout = new QVBoxLayout(Client);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    backgroundLayout->addWidget(Image2);

    auto menu = [this](const QString &name, const QString &caption) {
        QMenu *created = menuBar()->addMenu(caption);
        created->setObjectName(name);
        // F1 in an open menu gives the topic of its item.
        created->installEventFilter(this);
        return created;
    };
    Fichier1 = menu(QStringLiteral("Fichier1"), QStringLiteral("&Fichier"));
    Edition1 = menu(QStringLiteral("Edition1"), QStringLiteral("&Edition"));
    Options1 = menu(QStringLiteral("Options1"), QStringLiteral("&Options"));
    Aide = menu(QStringLiteral("Aide"), QStringLiteral("&?"));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
}

void TForm1::say(const QString &status)
{
    statusBar()->showMessage(status);
}

QString TForm1::status() const
{
    return statusBar()->currentMessage();
}

void TForm1::finishMenus()
{
    Fichier1->addSeparator();
    Quitter1 = makeMenuItem(Fichier1, QStringLiteral("Quitter1"), QStringLiteral("&Quitter"));
    Aide1 = makeMenuItem(Aide, QStringLiteral("Aide1"), QStringLiteral("&Aide..."));
    Apropos1 = makeMenuItem(Aide, QStringLiteral("Apropos1"), QStringLiteral("A &propos..."));
    Dummeauteur1 = makeMenuItem(Aide, QStringLiteral("Dummeauteur1"), QStringLiteral("&Du même auteur..."));
    Dummeauteur1->setVisible(false);
    Trucsetastuces1 = makeMenuItem(Aide, QStringLiteral("Trucsetastuces1"), QStringLiteral("&Trucs et astuces..."));
    Aide->addSeparator();
    SiteWeb1 = makeMenuItem(Aide, QStringLiteral("SiteWeb1"), QStringLiteral("Site &web..."));
    TipsDialog = new TTipsDialog(this);
    TipsDialog->setTips(tipTexts());
    AboutBox = new TAboutBox(this);

    using platform::connectGuarded;
    connectGuarded(Quitter1, &QAction::triggered, this, &TForm1::Quitter1Click);
    connectGuarded(Aide1, &QAction::triggered, this, &TForm1::Aide1Click);
    connectGuarded(Apropos1, &QAction::triggered, this, &TForm1::Apropos1Click);
    connectGuarded(Dummeauteur1, &QAction::triggered, this, &TForm1::Dummeauteur1Click);
    connectGuarded(Trucsetastuces1, &QAction::triggered, this, &TForm1::Trucsetastuces1Click);
    connectGuarded(SiteWeb1, &QAction::triggered, this, &TForm1::SiteWeb1Click);
    // F1 gives the window's topic; while a menu is up the menu has the
    // keyboard, and the event filter gives the topic of its item.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connectGuarded(help, &QShortcut::activated, this,
                   [this] { HelpViewer::showContext(HelpFile, helpContextOf(nullptr), this); });
}

void TForm1::setTabOrder()
{
    // Copy and print first, then the modes, the sheet's bars and buttons, the corrections.
    const std::initializer_list<QWidget *> order = {
        GoBtn, ScanSelect, ScanImage, PrintBtn, ConfigBtn, SpinEdit, Dupliquer, Poster, PaysBtn, CheckBox1, FormatBtn,
        Zoom, Haut, Gauche, LargIm, HautIm, ComboFormats, conserver, OrigBtn, FillBtn, centrerh, centrerv, centrerp,
        RetourneBtn, SpeedButton1, SpeedButton3, SpeedButton2, FXBtn, ComboBox1, EditBtn, UndoBtn};
    QWidget *previous = nullptr;
    for (QWidget *control : order) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void TForm1::FormCreate()
{
    identity::applyToApplication();
    RegistryKey = identity::RegistryKey;
    SiteWeb1->setText(QStringLiteral("&Connexion au site web de l'auteur..."));
    ExeFolder = platform::exeFolder();
    HelpFile = ExeFolder + HelpFileName;
    const platform::RegistryKey key(RegistryKey);
    settingsTable().readFrom(key);
    restorePrinter();
    setWindowTitle(identity::Title);
    platform::setDecimalSeparator(QLatin1Char(','));
    Image1->setPicture(QImage(resources::sample).convertToFormat(QImage::Format_RGB888));
    Image->setPicture(Image1->picture());
    NaturalWidth = Image->pictureWidth();
    NaturalHeight = Image->pictureHeight();
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
    setCopyButton(CopyHint, CopyPicture);
    PGLanguage = pglFrench;
    ComboFormats->setCurrentIndex(0);
    ComboBox1->setCurrentIndex(0);
}

platform::SettingsTable TForm1::settingsTable()
{
    using platform::always;
    const QString main = QStringLiteral("MainW"), options = QStringLiteral("Options");
    // The border is fixed: the user cannot resize the window, the settings
    // can, within the screen and never below the smallest window.  An
    // unset position centres the window on the size just applied.
    auto bounds = [this] { return isMaximized() ? normalGeometry() : QRect(pos(), size()); };
    // A maximised window keeps the size it had: the size values are not read.
    auto sized = [this] { return !(windowState() & Qt::WindowMaximized); };
    auto fitWidth = [](int width) { return std::clamp(width, SmallestWindow.width(), std::max(SmallestWindow.width(), availableScreen().width())); };
    auto fitHeight = [](int height) { return std::clamp(height, SmallestWindow.height(), std::max(SmallestWindow.height(), availableScreen().height())); };
    platform::SettingsTable table;
    table.boolean(main, QStringLiteral("Maxi"), always(false), [this] { return isMaximized(); },
                  [this](bool maximised) {
                      if (maximised)
                          setWindowState(Qt::WindowMaximized);
                  })
        .integer(main, QStringLiteral("w"), always(SmallestWindow.width()), [=] { return bounds().width(); },
                 [=, this](int width) {
                     if (sized())
                         setFixedSize(fitWidth(width), height());
                 })
        .integer(main, QStringLiteral("h"), always(SmallestWindow.height()), [=] { return bounds().height(); },
                 [=, this](int height) {
                     if (sized())
                         setFixedSize(width(), fitHeight(height));
                 })
        .integer(main, QStringLiteral("x"), [this] { return (screenGeometry().width() - width()) / 2; },
                 [=] { return bounds().x(); },
                 [=, this](int x) {
                     if (sized())
                         move(x, y());
                 })
        .integer(main, QStringLiteral("y"), [this] { return (screenGeometry().height() - height()) / 2; },
                 [=] { return bounds().y(); },
                 [=, this](int y) {
                     if (sized())
                         move(x(), y);
                 })
        .boolean(options, QStringLiteral("UserInterface"), always(false), [this] { return UserInterfaceMnu->isChecked(); },
                 [this](bool own) {
                     UserInterfaceMnu->setChecked(own);
                     UserInterfaceMnuClick();
                 })
        .boolean(options, QStringLiteral("TipAtStart"), always(true), [this] { return TipAtStart; },
                 [this](bool tips) { TipAtStart = tips; })
        .boolean(options, QStringLiteral("Aperçu"), always(true), [this] { return PreviewInOpenDialog; },
                 [this](bool preview) { PreviewInOpenDialog = preview; })
        .text(options, QStringLiteral("CheminImagesPerso"), always(QStringLiteral("c:\\")), [this] { return ImageFolder; },
              [this](const QString &folder) { ImageFolder = folder; })
        .boolean(options, QStringLiteral("Cadre"), always(true), [this] { return Imprimerlestraitsdecoupe1->isChecked(); },
                 [this](bool cutLines) { Imprimerlestraitsdecoupe1->setChecked(cutLines); })
        .text(options, QStringLiteral("Imprimante"), always(QString()), [this] { return rememberedPrinter_.name; },
              [this](const QString &name) { rememberedPrinter_.name = name; })
        .text(options, QStringLiteral("Papier"), always(QString()), [this] { return rememberedPrinter_.paper; },
              [this](const QString &paper) { rememberedPrinter_.paper = paper; })
        .text(options, QStringLiteral("DossierPDF"), always(QString()), [this] { return rememberedPrinter_.pdfFolder; },
              [this](const QString &folder) { rememberedPrinter_.pdfFolder = folder; });
    CopyOptions::addRows(table, copyOptions_);
    return table;
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
    settingsTable().writeTo(key);
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
    platform::execModal(*AboutBox);
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
