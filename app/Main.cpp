#include "Main.h"

#include "Decimal.h"
#include "Folders.h"
#include "Handles.h"
#include "HelpViewer.h"
#include "Modal.h"
#include "TPicture.h"
#include "Registry.h"
#include "Resources.h"
#include "Snewfor.h"
#include "Rounding.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TSpinEdit.h"
#include "TTipsDialog.h"
#include "Tips.h"
#include "WaitCursor.h"
#include "sabout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

using platform::roundEven;

namespace {

const QString ApplicationTitle = QStringLiteral("Quillon 2002");
const QString WebSite = QStringLiteral("https://quillon.example.org/");
const QString CatalogueHelp = QStringLiteral("CATALOG.HLP");
const QString CopyHint = QStringLiteral("Copie (scanne et imprime)");
constexpr int HelpContextMain = 2;
constexpr int HelpContextOpen = 4;

int toInt(long double value)
{
    return static_cast<int>(roundEven(value));
}

template <typename T, typename... Args> T *named(const QString &name, Args &&...args)
{
    T *object = new T(std::forward<Args>(args)...);
    object->setObjectName(name);
    return object;
}

} // namespace

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
    setMinimumSize(640, 480);
    resources::initialise();
    images_ = TMMImageList(QPixmap(resources::strip), QSize(resources::stripCell, resources::stripCell));
    buildMenus();
    buildControls();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------- building

void TForm1::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    Fichier1 = menuBar()->addMenu(QStringLiteral("&Fichier"));
    Fichier1->setObjectName(QStringLiteral("Fichier1"));
    Ouvrir1 = item(Fichier1, QStringLiteral("Ouvrir1"), QStringLiteral("&Ouvrir une image ou une page déjà enregistrée..."));
    Enregistrersous1 = item(Fichier1, QStringLiteral("Enregistrersous1"), QStringLiteral("Enregistrer &sous..."));
    Fichier1->addSeparator();
    Quitter1 = item(Fichier1, QStringLiteral("Quitter1"), QStringLiteral("&Quitter"));

    Edition1 = menuBar()->addMenu(QStringLiteral("&Edition"));
    Edition1->setObjectName(QStringLiteral("Edition1"));
    Copier1 = item(Edition1, QStringLiteral("Copier1"), QStringLiteral("Co&pier"));
    Copier1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    Coller1 = item(Edition1, QStringLiteral("Coller1"), QStringLiteral("C&oller"));
    Coller1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));

    Options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));
    Imprimerlestraitsdecoupe1 = item(Options1, QStringLiteral("Imprimerlestraitsdecoupe1"),
        QStringLiteral("&Imprimer les traits de coupe pour les fonctions \"Dupliquer\" et \"Poster\""));
    Imprimerlestraitsdecoupe1->setCheckable(true);
    Options1->addSeparator();
    UserInterfaceMnu = item(Options1, QStringLiteral("UserInterfaceMnu"), QStringLiteral("Utiliser l'interface de &votre scanner"));
    UserInterfaceMnu->setCheckable(true);
    TwainDialMnu = item(Options1, QStringLiteral("TwainDialMnu"), QStringLiteral("&Réglages du scanner..."));

    Aide = menuBar()->addMenu(QStringLiteral("&?"));
    Aide->setObjectName(QStringLiteral("Aide"));
    Aide1 = item(Aide, QStringLiteral("Aide1"), QStringLiteral("&Aide..."));
    Apropos1 = item(Aide, QStringLiteral("Apropos1"), QStringLiteral("A &propos..."));
    Dummeauteur1 = item(Aide, QStringLiteral("Dummeauteur1"), QStringLiteral("&Du même auteur..."));
    Dummeauteur1->setVisible(false);
    Trucsetastuces1 = item(Aide, QStringLiteral("Trucsetastuces1"), QStringLiteral("&Trucs et astuces..."));
    Aide->addSeparator();
    SiteWeb1 = item(Aide, QStringLiteral("SiteWeb1"), QStringLiteral("Site &web..."));
}

void TForm1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setMinimumSize(632, 434);
    setCentralWidget(client);

    // The background covers the whole client area, behind every control.
    Image2 = new TPicture(QStringLiteral("Image2"), client, true);
    Image2->setPicture(QImage(resources::background));
    auto *backgroundLayout = new QVBoxLayout(client);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    backgroundLayout->addWidget(Image2);

    auto place = [](QWidget *widget, int x, int y, int w, int h, const QString &hint = {}) {
        widget->setGeometry(x, y, w, h);
        if (!hint.isEmpty())
            widget->setToolTip(hint);
    };
    auto button = [&](QWidget *parent, const QString &name, int image, const QString &hint, const QString &caption = {}) {
        auto *b = named<TMMBitmapButton>(name, parent);
        b->setImages(&images_);
        b->setImageIndex(image);
        b->setText(caption);
        b->setToolTip(hint);
        return b;
    };
    auto checkBox = [&](QWidget *parent, const QString &name, const QString &caption, const QString &hint = {}) {
        auto *c = named<TMMBitmapCheckBox>(name, caption, parent);
        c->setGlyph(images_.image(0));
        c->setToolTip(hint);
        return c;
    };
    auto label = [&](QWidget *parent, const QString &name, const QString &caption) {
        return named<QLabel>(name, caption, parent);
    };

    // The sheet.
    Panel1 = named<QFrame>(QStringLiteral("Panel1"), client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    place(Panel1, 8, 8, 295, 417);
    Page = new TPicture(QStringLiteral("Page"), Panel1);
    place(Page, 1, 1, 293, 415);
    Image = new TPicture(QStringLiteral("Image"), Panel1, true);
    Image1 = new TPicture(QStringLiteral("Image1"), client);
    Image1->hide();
    UndoImg = new TPicture(QStringLiteral("UndoImg"), client);
    UndoImg->hide();
    SH = new TStretchHandle(Panel1);
    SH->setDragCursor(QCursor(Qt::SizeAllCursor));

    // Copy, scan and print.
    GoBtn = button(client, QStringLiteral("GoBtn"), 17, CopyHint);
    place(GoBtn, 312, 8, 107, 93);
    GoBtn->setIconSize(QSize(64, 64));
    GoBtn->setCursor(Qt::PointingHandCursor);
    ScanSelect = button(client, QStringLiteral("ScanSelect"), 7, QStringLiteral("Choix du scanner"));
    place(ScanSelect, 426, 8, 40, 40);
    ScanImage = button(client, QStringLiteral("ScanImage"), 8, QStringLiteral("Lance la numérisation"));
    place(ScanImage, 470, 8, 40, 40);
    PrintBtn = button(client, QStringLiteral("PrintBtn"), 16, QStringLiteral("Lance l'impression"));
    place(PrintBtn, 514, 8, 40, 40);
    ConfigBtn = button(client, QStringLiteral("ConfigBtn"), 15, QStringLiteral("Configuration de l'imprimante"));
    place(ConfigBtn, 558, 8, 40, 40);
    Label4 = label(client, QStringLiteral("Label4"), QStringLiteral("Exemplaires :"));
    place(Label4, 428, 60, 80, 20);
    SpinEdit = named<TSpinEdit>(QStringLiteral("SpinEdit"), 1, 9999, 1, client);
    place(SpinEdit, 514, 58, 84, 24, QStringLiteral("Nombre d'exemplaires"));

    // Modes.
    Panel2 = named<QFrame>(QStringLiteral("Panel2"), client);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel2, 312, 106, 312, 52);
    Dupliquer = checkBox(Panel2, QStringLiteral("Dupliquer"), QStringLiteral("Dupliquer"),
        QStringLiteral("Passe en mode de duplication de petites images (inactif si l'image est trop grande)"));
    place(Dupliquer, 13, 4, 100, 20);
    Poster = checkBox(Panel2, QStringLiteral("Poster"), QStringLiteral("Poster"),
        QStringLiteral("Passe en mode d'agrandissement sur plusieurs feuilles de papier"));
    place(Poster, 117, 4, 90, 20);
    PaysBtn = checkBox(Panel2, QStringLiteral("PaysBtn"), QStringLiteral("Paysage"),
        QStringLiteral("Choix de l'orientation de la feuille de papier"));
    place(PaysBtn, 13, 27, 100, 20);
    CheckBox1 = checkBox(Panel2, QStringLiteral("CheckBox1"), QStringLiteral("Paysage"));
    place(CheckBox1, 117, 27, 90, 20);
    CheckBox1->hide();
    Label3 = label(Panel2, QStringLiteral("Label3"), QString());
    place(Label3, 13, 27, 100, 20);
    Label3->hide();
    FormatBtn = button(Panel2, QStringLiteral("FormatBtn"), 19, QStringLiteral("Format"));
    place(FormatBtn, 214, 6, 40, 40);
    FormatBtn->hide();

    // Positions and sizes.
    Panel3 = named<QFrame>(QStringLiteral("Panel3"), client);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel3, 312, 162, 212, 266);
    Label2 = label(Panel3, QStringLiteral("Label2"), QStringLiteral("Positions et dimensions"));
    place(Label2, 8, 3, 196, 16);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    struct BarRow {
        QLabel *&caption;
        const char *captionName;
        const char *text;
        QScrollBar *&bar;
        const char *barName;
        const char *hint;
        QLabel *&value;
        const char *valueName;
        const char *initial;
        int minimum, maximum, position;
    };
    const BarRow rows[] = {
        {Label1, "Label1", "Taille", Zoom, "Zoom", "Facteur d'agrandissement ou de réduction", ZoomLabel, "ZoomLabel", "100 %", 10, 300, 100},
        {Label5, "Label5", "Marge haute", Haut, "Haut", "Marge haute", Label6, "Label6", "0 mm", 0, 300, 0},
        {Label7, "Label7", "Marge gauche", Gauche, "Gauche", "Marge gauche", Label8, "Label8", "0 mm", 0, 300, 0},
        {Label9, "Label9", "Largeur", LargIm, "LargIm", "Largeur", Label10, "Label10", "10 mm", 10, 300, 10},
        {Label11, "Label11", "Hauteur", HautIm, "HautIm", "Hauteur", Label12, "Label12", "10 mm", 10, 300, 10},
    };
    int y = 20;
    for (const BarRow &row : rows) {
        row.caption = label(Panel3, QString::fromLatin1(row.captionName), QString::fromUtf8(row.text));
        place(row.caption, 8, y, 150, 14);
        row.bar = named<QScrollBar>(QString::fromLatin1(row.barName), Qt::Horizontal, Panel3);
        row.bar->setRange(row.minimum, row.maximum);
        row.bar->setValue(row.position);
        row.bar->setPageStep(10);
        row.bar->setSingleStep(1);
        place(row.bar, 8, y + 15, 146, 16, QString::fromUtf8(row.hint));
        row.value = label(Panel3, QString::fromLatin1(row.valueName), QString::fromUtf8(row.initial));
        place(row.value, 158, y + 15, 50, 16);
        y += 30;
    }
    ComboFormats = named<QComboBox>(QStringLiteral("ComboFormats"), Panel3);
    for (const PredefinedFormat &format : Formats)
        ComboFormats->addItem(QString::fromUtf8(format.name));
    ComboFormats->setMaxVisibleItems(10);
    place(ComboFormats, 8, y + 2, 196, 22, QStringLiteral("Formats prédéfinis"));
    conserver = checkBox(Panel3, QStringLiteral("conserver"), QStringLiteral("Conserver les proportions"));
    conserver->setChecked(true);
    place(conserver, 8, y + 28, 196, 20);
    const int buttonsTop = y + 52;
    OrigBtn = button(Panel3, QStringLiteral("OrigBtn"), 2, QStringLiteral("Déplace l'image à l'origine de la zone imprimable"));
    FillBtn = button(Panel3, QStringLiteral("FillBtn"), 3, QStringLiteral("Adapte l'image à la taille de la feuille"));
    centrerh = button(Panel3, QStringLiteral("centrerh"), 4, QStringLiteral("Centre horizontalement l'image sur la feuille physique"));
    centrerv = button(Panel3, QStringLiteral("centrerv"), 5, QStringLiteral("Centre verticalement l'image sur la feuille physique"));
    centrerp = button(Panel3, QStringLiteral("centrerp"), 6, QStringLiteral("Centre l'image sur la feuille physique"));
    RetourneBtn = button(Panel3, QStringLiteral("RetourneBtn"), 1, QStringLiteral("Tourne l'image de 180°"));
    int x = 8;
    for (TMMBitmapButton *b : {OrigBtn, FillBtn, centrerh, centrerv, centrerp, RetourneBtn}) {
        place(b, x, buttonsTop, 32, 36);
        x += 33;
    }
    pressedPicture(OrigBtn, 2, 20);
    pressedPicture(centrerp, 6, 21);
    pressedPicture(centrerh, 4, 22);
    pressedPicture(centrerv, 5, 23);
    pressedPicture(FillBtn, 3, 24);
    pressedPicture(RetourneBtn, 1, 25);

    // Corrections.
    SpeedButton1 = button(client, QStringLiteral("SpeedButton1"), 9,
        QStringLiteral("Convertit instantanément une image couleur en niveaux de gris"), QStringLiteral("N et B"));
    SpeedButton3 = button(client, QStringLiteral("SpeedButton3"), 10, QStringLiteral("Inverse les couleurs de l'image"),
        QStringLiteral("Négatif"));
    SpeedButton2 = button(client, QStringLiteral("SpeedButton2"), 11,
        QStringLiteral("Ajuste automatiquement le contraste de l'image"), QStringLiteral("Contraste"));
    FXBtn = button(client, QStringLiteral("FXBtn"), 12,
        QStringLiteral("Luminosité, contraste, couleurs, netteté : plus de 40 filfres et effets..."), QStringLiteral("Effets"));
    ComboBox1 = named<QComboBox>(QStringLiteral("ComboBox1"), client);
    for (const char *entry : {"Filtres de base", "RVB", "CMJN", "YCbCr", "TSL", "TSV", "LCG", "Durcir", "Détail",
                              "Adoucir", "Détection contour"})
        ComboBox1->addItem(QString::fromUtf8(entry));
    ComboBox1->setMaxVisibleItems(10);
    ComboBox1->setToolTip(QStringLiteral("10 filtres pour jouer avec luminosité, contraste, couleurs, ..."));
    EditBtn = button(client, QStringLiteral("EditBtn"), 13, QStringLiteral("Ouvre l'éditeur d'images"), QStringLiteral("Retouche"));
    UndoBtn = button(client, QStringLiteral("UndoBtn"), 14, QStringLiteral("Annule le dernier effet appliqué à l'image"),
        QStringLiteral("Annuler"));
    UndoBtn->hide();
    place(SpeedButton1, 530, 162, 94, 34);
    place(SpeedButton3, 530, 200, 94, 34);
    place(SpeedButton2, 530, 238, 94, 34);
    place(FXBtn, 530, 276, 94, 34);
    place(ComboBox1, 530, 316, 94, 24);
    place(EditBtn, 530, 346, 94, 34);
    place(UndoBtn, 530, 386, 94, 34);

    TipsDialog = new TTipsDialog(this);
    TipsDialog->setTips(tipTexts());
}

void TForm1::pressedPicture(TMMBitmapButton *button, int normal, int pressed)
{
    connect(button, &TMMBitmapButton::mouseDown, button, [button, pressed] { button->setImageIndex(pressed); });
    connect(button, &TMMBitmapButton::mouseUp, button, [button, normal] { button->setImageIndex(normal); });
}

void TForm1::onUserScroll(QScrollBar *bar, void (TForm1::*handler)())
{
    // A user's scroll moves the bar first, then runs its scroll handler.
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, handler](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        bar->setValue(bar->sliderPosition());
        (this->*handler)();
    });
}

void TForm1::connectHandlers()
{
    connect(Quitter1, &QAction::triggered, this, &TForm1::Quitter1Click);
    connect(Aide1, &QAction::triggered, this, &TForm1::Aide1Click);
    connect(Apropos1, &QAction::triggered, this, &TForm1::Apropos1Click);
    connect(Dummeauteur1, &QAction::triggered, this, &TForm1::Dummeauteur1Click);
    connect(Trucsetastuces1, &QAction::triggered, this, &TForm1::Trucsetastuces1Click);
    connect(SiteWeb1, &QAction::triggered, this, &TForm1::SiteWeb1Click);
    connect(UserInterfaceMnu, &QAction::triggered, this, &TForm1::UserInterfaceMnuClick);
    connect(Edition1, &QMenu::aboutToShow, this, &TForm1::Edition1Click);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        // The open item has a topic of its own while its menu is up.
        const bool onOpenItem = Fichier1->isVisible() && Fichier1->activeAction() == Ouvrir1;
        HelpViewer::showContext(HelpFile, onOpenItem ? HelpContextOpen : HelpContextMain, this);
    });

    connect(Image, &TPicture::clicked, this, &TForm1::ImageClick);
    connect(Page, &TPicture::clicked, this, &TForm1::PageClick);
    connect(SH, &TStretchHandle::mouseUp, this, &TForm1::SHMouseUp);

    onUserScroll(Zoom, &TForm1::ZoomScroll);
    onUserScroll(Haut, &TForm1::HautScroll);
    onUserScroll(Gauche, &TForm1::GaucheScroll);
    onUserScroll(LargIm, &TForm1::LargImScroll);
    onUserScroll(HautIm, &TForm1::HautImScroll);
    connect(Zoom, &QScrollBar::valueChanged, this, &TForm1::ZoomChange);
    connect(Haut, &QScrollBar::valueChanged, this, &TForm1::HautChange);
    connect(Gauche, &QScrollBar::valueChanged, this, &TForm1::GaucheChange);
    connect(LargIm, &QScrollBar::valueChanged, this, &TForm1::LargImChange);
    connect(HautIm, &QScrollBar::valueChanged, this, &TForm1::HautImChange);

    connect(OrigBtn, &QPushButton::clicked, this, &TForm1::OrigBtnClick);
    connect(FillBtn, &QPushButton::clicked, this, &TForm1::FillBtnClick);
    connect(centrerh, &QPushButton::clicked, this, &TForm1::centrerhClick);
    connect(centrerv, &QPushButton::clicked, this, &TForm1::centrervClick);
    connect(centrerp, &QPushButton::clicked, this, &TForm1::centrerpClick);
    connect(conserver, &TMMBitmapCheckBox::clicking, this, &TForm1::conserverClick);
    connect(ComboFormats, &QComboBox::activated, this, &TForm1::ComboFormatsChange);
    connect(Imprimerlestraitsdecoupe1, &QAction::triggered, this, &TForm1::Imprimerlestraitsdecoupe1Click);
    connect(PrintBtn, &QPushButton::clicked, this, &TForm1::PrintBtnClick);
    connect(Dupliquer, &TMMBitmapCheckBox::clicking, this, &TForm1::DupliquerClick);
    connect(Poster, &TMMBitmapCheckBox::clicking, this, &TForm1::PosterClick);
    connect(CheckBox1, &TMMBitmapCheckBox::clicking, this, &TForm1::CheckBox1Click);
    connect(FormatBtn, &QPushButton::clicked, this, &TForm1::FormatBtnClick);
}

// ---------------------------------------------------------------- life cycle

void TForm1::FormCreate()
{
    QApplication::setApplicationName(ApplicationTitle);
    RegistryKey = QStringLiteral("Software\\Vardo\\") + ApplicationTitle;
    SiteWeb1->setText(QStringLiteral("&Connexion au site web de l'auteur..."));
    ExeFolder = platform::exeFolder();
    HelpFile = ExeFolder + QStringLiteral("QUILLON.HLP");
    readSettings();
    setWindowTitle(ApplicationTitle);
    platform::setDecimalSeparator(QLatin1Char(','));
    Image1->setPicture(QImage(resources::sample).convertToFormat(QImage::Format_RGB888));
    Image->setPicture(Image1->picture());
    NaturalWidth = Image->pictureWidth();
    NaturalHeight = Image->pictureHeight();
    platform::Printer::instance().setOrientation(platform::Orientation::Portrait);
    setGoButton(CopyHint, 17);
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
        const int w = key.readInteger(main, QStringLiteral("w"), 640);
        const int h = key.readInteger(main, QStringLiteral("h"), 480);
        resize(w, h);
        const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
        const int x = key.readInteger(main, QStringLiteral("x"), (screen.width() - width()) / 2);
        const int y = key.readInteger(main, QStringLiteral("y"), (screen.height() - height()) / 2);
        move(x, y);
    }
    UserInterfaceMnu->setChecked(key.readBool(options, QStringLiteral("UserInterface"), false));
    TwainDialMnu->setEnabled(!UserInterfaceMnu->isChecked());
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
    FormShow();
    // The tips are offered once, when the window first comes up.
    QMetaObject::invokeMethod(this, &TForm1::FormActivate, Qt::QueuedConnection);
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
    FormClose();
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

// ---------------------------------------------------------------- menus

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
    HelpFile = QStringLiteral("QUILLON.HLP");
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
    TwainDialMnu->setEnabled(!UserInterfaceMnu->isChecked());
}

void TForm1::Edition1Click()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    Coller1->setEnabled(data && data->hasImage());
}

// ---------------------------------------------------------------- the sheet

int TForm1::SheetWidth() const { return Page->width(); }
int TForm1::SheetHeight() const { return Page->height(); }
int TForm1::X0() const { return toInt(static_cast<long double>(SheetWidth()) * OffsetXRatio); }
int TForm1::Y0() const { return toInt(static_cast<long double>(SheetHeight()) * OffsetYRatio); }
int TForm1::PW() const { return toInt(static_cast<long double>(SheetWidth()) * PrintableWidthRatio); }
int TForm1::PH() const { return toInt(static_cast<long double>(SheetHeight()) * PrintableHeightRatio); }
int TForm1::X1() const
{
    return toInt((static_cast<long double>(OffsetXRatio) + PrintableWidthRatio) * SheetWidth());
}
int TForm1::Y1() const
{
    return toInt((static_cast<long double>(OffsetYRatio) + PrintableHeightRatio) * SheetHeight());
}
int TForm1::PicW() const { return Image->pictureWidth(); }
int TForm1::PicH() const { return Image->pictureHeight(); }

void TForm1::ClearSheet()
{
    QImage canvas(SheetWidth(), SheetHeight(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, SheetWidth() - 1, SheetHeight() - 1);
    painter.end();
    Page->setPicture(canvas);
}

void TForm1::DrawSheet()
{
    ClearSheet();
    platform::Printer &printer = platform::Printer::instance();
    const QSize phys = printer.physicalPageSize();
    const QSize page = printer.printableSize();
    const QPoint offset = printer.printingOffset();
    PrintableWidthRatio = static_cast<double>(page.width()) / phys.width();
    PrintableHeightRatio = static_cast<double>(page.height()) / phys.height();
    OffsetXRatio = static_cast<double>(offset.x()) / phys.width();
    OffsetYRatio = static_cast<double>(offset.y()) / phys.height();
    if (printer.orientation() == platform::Orientation::Landscape) {
        std::swap(PrintableWidthRatio, PrintableHeightRatio);
        std::swap(OffsetXRatio, OffsetYRatio);
    }
    QPainter painter(&Page->picture());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::red);
    painter.drawRect(X0(), Y0(), X1() - X0() - 1, Y1() - Y0() - 1);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, SheetWidth() - 1, SheetHeight() - 1);
    painter.end();
    Page->update();
}

void TForm1::setImageBounds(const QRect &bounds)
{
    Image->setGeometry(bounds);
}

void TForm1::PlaceNewImage()
{
    SH->Detach();
    int a = NaturalWidth, b = NaturalHeight;
    if (platform::Printer::instance().orientation() == platform::Orientation::Landscape)
        std::swap(a, b);
    const int pw = PW() - 4, ph = PH() - 4;
    // The picture's aspect, scaled by one side.
    auto heightFor = [&](int w) { return toInt(static_cast<long double>(w) * b / a); };
    auto widthFor = [&](int h) { return toInt(static_cast<long double>(a) * h / b); };
    int width = a, height = b;
    if (a > pw) {
        width = pw;
        height = heightFor(width);
        if (height > ph) {
            height = ph;
            width = widthFor(height);
        }
    }
    if (b > ph) {
        height = ph;
        width = widthFor(height);
        if (width > pw) {
            width = pw;
            height = heightFor(width);
        }
    }
    setImageBounds(QRect(X0() + 2, Y0() + 2, width, height));
    UpdateDuplicateOffer();
    UpdateZoomBar();
    UpdatePositionBars();
}

void TForm1::UpdateDuplicateOffer()
{
    if (2 * Image->width() > PW() - 4 && 2 * Image->height() > PH() - 4) {
        if (Dupliquer->isChecked())
            DupliquerClick(false); // leaving duplication mode
        Dupliquer->setChecked(false);
        Dupliquer->hide();
        Poster->move(13, Poster->y());
    } else {
        Dupliquer->show();
        Poster->move(117, Poster->y());
    }
}

namespace {

// One axis of the paper for the millimetre conversions: its physical size in
// printer pixels and its resolution.  With the landscape box on, the
// preview's horizontal axis is the paper's vertical one.
struct Axis {
    long double phys;
    long double dpi;
};

Axis paperAxis(bool horizontal)
{
    platform::Printer &printer = platform::Printer::instance();
    const QSize phys = printer.physicalPageSize();
    if (horizontal)
        return {static_cast<long double>(phys.width()), static_cast<long double>(printer.logPixelsX())};
    return {static_cast<long double>(phys.height()), static_cast<long double>(printer.logPixelsY())};
}

long double mmToPixels(int mm, long double previewSize, Axis axis)
{
    return axis.dpi * (mm / 25.4L) * (previewSize / axis.phys);
}

long double pixelsToMm(int px, long double previewSize, Axis axis)
{
    return px * 25.4L * (axis.phys / previewSize) / axis.dpi;
}

} // namespace

int TForm1::MmToPixelsX(int mm) const
{
    return toInt(mmToPixels(mm, SheetWidth(), paperAxis(!PaysBtn->isChecked())));
}

int TForm1::PixelsToMmX(int px) const
{
    return toInt(pixelsToMm(px, SheetWidth(), paperAxis(!PaysBtn->isChecked())));
}

int TForm1::MmToPixelsY(int mm) const
{
    return toInt(mmToPixels(mm, SheetHeight(), paperAxis(PaysBtn->isChecked())));
}

int TForm1::PixelsToMmY(int px) const
{
    return toInt(pixelsToMm(px, SheetHeight(), paperAxis(PaysBtn->isChecked())));
}

void TForm1::UpdateBarMaxima()
{
    platform::Printer &printer = platform::Printer::instance();
    const QSize phys = printer.physicalPageSize();
    const int heightMm = toInt(phys.height() * 25.4L / printer.logPixelsY());
    const int widthMm = toInt(phys.width() * 25.4L / printer.logPixelsX());
    Haut->setMaximum(heightMm);
    HautIm->setMaximum(heightMm);
    Gauche->setMaximum(widthMm);
    LargIm->setMaximum(widthMm);
}

void TForm1::UpdatePositionBars()
{
    Haut->setValue(PixelsToMmY(Image->y()));
    Gauche->setValue(PixelsToMmX(Image->x()));
    HautIm->setValue(PixelsToMmY(Image->height()));
    LargIm->setValue(PixelsToMmX(Image->width()));
}

void TForm1::UpdateZoomBar()
{
    if (PicH() == 0)
        return;
    Zoom->setValue(toInt(Image->height() * 100.0L / PicH()));
}

void TForm1::ApplyZoom()
{
    SH->Detach();
    const long double z = Zoom->value() / 100.0L;
    const int oldWidth = Image->width(), oldHeight = Image->height();
    const int height = toInt(PicH() * z);
    const int width = conserver->isChecked() ? toInt(z * PicW())
                                             : (oldHeight == 0 ? oldWidth : toInt(static_cast<long double>(height) * oldWidth / oldHeight));
    Image->resize(width, height);
}

void TForm1::KeepProportions()
{
    SH->Detach();
    if (PicW() == 0 || PicH() == 0)
        return;
    if (PicW() < PicH())
        Image->resize(toInt(static_cast<long double>(PicW()) * Image->height() / PicH()), Image->height());
    else
        Image->resize(Image->width(), toInt(static_cast<long double>(PicH()) * Image->width() / PicW()));
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::SetFormatSize(int widthMm, int heightMm)
{
    if (PaysBtn->isChecked())
        std::swap(widthMm, heightMm);
    LargIm->setValue(widthMm);
    HautIm->setValue(heightMm);
    SH->Detach();
    Image->resize(Image->width(), MmToPixelsY(HautIm->value()));
    Image->resize(MmToPixelsX(LargIm->value()), Image->height());
    UpdateZoomBar();
}

// ---------------------------------------------------------------- handlers

void TForm1::ImageClick()
{
    SH->Attach(Image);
}

void TForm1::PageClick()
{
    SH->Detach();
}

void TForm1::SHMouseUp()
{
    UpdateDuplicateOffer();
    if (conserver->isChecked())
        KeepProportions();
    SH->Attach(Image);
    UpdateZoomBar();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::ZoomChange()
{
    ZoomLabel->setText(QString::number(Zoom->value()) + QLatin1Char('%'));
}

void TForm1::HautChange()
{
    Label6->setText(QString::number(Haut->value()) + QStringLiteral(" mm"));
}

void TForm1::GaucheChange()
{
    Label8->setText(QString::number(Gauche->value()) + QStringLiteral(" mm"));
}

void TForm1::LargImChange()
{
    Label10->setText(QString::number(LargIm->value()) + QStringLiteral(" mm"));
}

void TForm1::HautImChange()
{
    Label12->setText(QString::number(HautIm->value()) + QStringLiteral(" mm"));
}

void TForm1::ZoomScroll()
{
    ApplyZoom();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::HautScroll()
{
    SH->Detach();
    Image->move(Image->x(), MmToPixelsY(Haut->value()));
    ComboFormats->setCurrentIndex(0);
}

void TForm1::GaucheScroll()
{
    SH->Detach();
    Image->move(MmToPixelsX(Gauche->value()), Image->y());
    ComboFormats->setCurrentIndex(0);
}

void TForm1::LargImScroll()
{
    SH->Detach();
    Image->resize(MmToPixelsX(LargIm->value()), Image->height());
    if (conserver->isChecked() && PicW() != 0) {
        Image->resize(Image->width(), toInt(static_cast<long double>(PicH()) * Image->width() / PicW()));
        UpdatePositionBars();
    }
    UpdateZoomBar();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::HautImScroll()
{
    SH->Detach();
    Image->resize(Image->width(), MmToPixelsY(HautIm->value()));
    if (conserver->isChecked() && PicH() != 0) {
        Image->resize(toInt(static_cast<long double>(PicW()) * Image->height() / PicH()), Image->height());
        UpdatePositionBars();
    }
    UpdateZoomBar();
    ComboFormats->setCurrentIndex(0);
    UpdateDuplicateOffer();
}

void TForm1::OrigBtnClick()
{
    SH->Detach();
    Image->move(X0() + 2, Y0() + 2);
    UpdatePositionBars();
}

void TForm1::FillBtnClick()
{
    SH->Detach();
    Image->resize(PW() - 4, PH() - 4);
    if (conserver->isChecked())
        KeepProportions();
    Image->move(X0() + 2, Y0() + 2);
    UpdateDuplicateOffer();
    UpdateZoomBar();
    UpdatePositionBars();
    ComboFormats->setCurrentIndex(0);
}

void TForm1::centrerhClick()
{
    SH->Detach();
    Image->move((SheetWidth() - Image->width()) / 2, Image->y());
    SH->Attach(Image);
    UpdatePositionBars();
}

void TForm1::centrervClick()
{
    SH->Detach();
    Image->move(Image->x(), (SheetHeight() - Image->height()) / 2);
    SH->Attach(Image);
    UpdatePositionBars();
}

void TForm1::centrerpClick()
{
    centrerhClick();
    centrervClick();
}

void TForm1::conserverClick(bool checking)
{
    if (checking)
        KeepProportions();
}

void TForm1::ComboFormatsChange(int index)
{
    if (index < 0 || index >= FormatCount)
        return;
    conserver->setChecked(false);
    const PredefinedFormat &format = Formats[index];
    if (index != 0)
        SetFormatSize(format.widthMm, format.heightMm);
    if (format.toOrigin) {
        Image->move(0, 0);
        UpdatePositionBars();
    }
    UpdateDuplicateOffer();
}

// ---------------------------------------------------------------- printing

int TForm1::PPI() const
{
    return logicalDpiX();
}

int TForm1::TenthsOfMm(int screenPixels) const
{
    return toInt(screenPixels * 254.0L / PPI());
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
    QPen dotted(Qt::black, 0, Qt::DotLine);
    canvas.setPen(dotted);
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
        NewFor->WScroll->setValue(std::min(NewFor->WScroll->maximum(), TenthsOfMm(PosterWidth)));
        NewFor->HScroll->setValue(std::min(NewFor->HScroll->maximum(), TenthsOfMm(PosterHeight)));
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
    // A landscape sheet is printed upright: the picture was turned on the preview instead.
    const bool wasLandscape = printer.orientation() == platform::Orientation::Landscape;
    if (wasLandscape)
        printer.setOrientation(platform::Orientation::Portrait);
    struct RestoreOrientation {
        platform::Printer &printer;
        bool landscape;
        ~RestoreOrientation()
        {
            if (landscape)
                printer.setOrientation(platform::Orientation::Landscape);
        }
    } restore{printer, wasLandscape};

    platform::WaitCursor hourglass;
    const QSize phys = printer.physicalPageSize();
    const QPoint offset = printer.printingOffset();
    const long double sx = static_cast<long double>(phys.width()) / SheetWidth();
    const long double sy = static_cast<long double>(phys.height()) / SheetHeight();
    platform::PrintJob job(printer, ApplicationTitle, SpinEdit->value());
    if (!job.isActive())
        throw std::runtime_error("Impossible de lancer l'impression.");
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
    const long double kx = static_cast<long double>(printer.logPixelsX()) / PPI();
    const long double ky = static_cast<long double>(printer.logPixelsY()) / PPI();
    const QString title = ApplicationTitle + QStringLiteral(" : Poster");
    const QSize page = printer.printableSize();
    const int c = toInt(PosterWidth * kx), d = toInt(PosterHeight * ky);

    QPrinter &device = printer.device();
    device.setCopyCount(SpinEdit->value());
    QPrintDialog dialog(&device, this);
    if (c <= page.width() && d <= page.height()) {
        dialog.setMinMax(1, 1);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
        if (platform::execModal(dialog) != QDialog::Accepted)
            return;
        platform::WaitCursor hourglass;
        platform::PrintJob job(printer, title, device.copyCount());
        if (!job.isActive())
            throw std::runtime_error("Impossible de lancer l'impression.");
        for (int pass = 0; pass < job.passes(); ++pass) {
            job.beginPage();
            DrawPosterImage(job.canvas(), QPointF(0, 0), kx, ky);
        }
        return;
    }

    const int cols = (c + page.width() - 1) / page.width();
    const int rows = (d + page.height() - 1) / page.height();
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(1, cols * rows);
    dialog.setFromTo(1, cols * rows);
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
    const long double fx = static_cast<long double>(work.width()) / c;
    const long double fy = static_cast<long double>(work.height()) / d;

    platform::PrintJob job(printer, title, device.copyCount());
    if (!job.isActive())
        throw std::runtime_error("Impossible de lancer l'impression.");
    for (int pass = 0; pass < job.passes(); ++pass) {
        int sheet = 0, x = 0, remainingWidth = c;
        for (int j = 1; j <= cols; ++j) {
            int y = 0, remainingHeight = d;
            for (int k = 1; k <= rows; ++k) {
                ++sheet;
                if (allPages || (from <= sheet && sheet <= to)) {
                    const QPoint corner(x + std::min(page.width(), remainingWidth),
                                        y + std::min(page.height(), remainingHeight));
                    job.beginPage();
                    printPosterSheet(job.canvas(), work, QRect(QPoint(x, y), corner - QPoint(1, 1)), fx, fy);
                }
                y += page.height();
                remainingHeight -= page.height();
            }
            x += page.width();
            remainingWidth -= page.width();
        }
    }
}

void TForm1::printPosterSheet(QPainter &canvas, const QImage &work, const QRect &part, long double fx, long double fy)
{
    // The part of the poster this sheet carries, cut from the work bitmap.
    const QImage tile = work.copy(toInt(part.x() * fx), toInt(part.y() * fy), std::max(1, toInt(part.width() * fx)),
                                  std::max(1, toInt(part.height() * fy)));
    DrawBitmapAsDib(tile, canvas, 0, 0, toInt(tile.width() / fx), toInt(tile.height() / fy));
    if (Imprimerlestraitsdecoupe1->isChecked()) {
        cutLinePen(canvas);
        canvas.drawRect(0, 0, part.width() - 1, part.height() - 1);
    }
}

// ---------------------------------------------------------------- modes

void TForm1::setModeLayout(const std::vector<QWidget *> &controls, bool normal)
{
    for (QWidget *control : controls)
        control->setVisible(normal);
    Ouvrir1->setEnabled(normal);
    Enregistrersous1->setEnabled(normal);
}

void TForm1::setGoButton(const QString &hint, int picture)
{
    GoBtn->setToolTip(hint);
    GoBtn->setImageIndex(picture);
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
    const std::vector<QWidget *> controls = {Poster, conserver, centrerv, centrerh, centrerp, ConfigBtn, FillBtn,
        PaysBtn, ScanImage, ScanSelect, Zoom, Label1, Label2, ZoomLabel, OrigBtn, Haut, Label5, Label6, Gauche, Label7,
        Label8, HautIm, Label9, Label10, LargIm, Label11, Label12, ComboFormats, RetourneBtn, PrintBtn};
    SH->Detach();
    if (switchingOn) {
        setModeLayout(controls, false);
        setGoButton(QStringLiteral("Imprime les images dupliquées"), 18);
        Image->hide();
        DrawDuplicatedSheet();
    } else {
        setModeLayout(controls, true);
        Image->show();
        setGoButton(CopyHint, 17);
        DrawSheet();
    }
}

void TForm1::PosterClick(bool switchingOn)
{
    const std::vector<QWidget *> controls = {Label1, Zoom, ZoomLabel, Label2, Label5, Haut, Label6, Label7, Gauche,
        Label8, Label9, LargIm, Label10, Label11, HautIm, Label12, ComboFormats, conserver, centrerv, centrerh, centrerp,
        ConfigBtn, FillBtn, ScanImage, ScanSelect, OrigBtn, RetourneBtn, PrintBtn, PaysBtn, Dupliquer};
    platform::Printer &printer = platform::Printer::instance();
    SH->Detach();
    if (switchingOn) {
        setModeLayout(controls, false);
        Poster->move(13, Poster->y());
        Label3->show();
        FormatBtn->show();
        CheckBox1->show();
        setGoButton(QStringLiteral("Imprime le poster"), 18);
        Image->hide();
        SavedOrientation = printer.orientation();
        Page->resize(Page->width(), Page->width());
        CheckBox1->setChecked(SavedOrientation == platform::Orientation::Landscape);
        PosterKeepProportions = conserver->isChecked();
        Label3->clear();
        DrawPosterSheet();
    } else {
        setModeLayout(controls, true);
        Label3->hide();
        FormatBtn->hide();
        CheckBox1->hide();
        UpdateDuplicateOffer();
        setGoButton(CopyHint, 17);
        Image->show();
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
    NewFor->WScroll->setValue(TenthsOfMm(PosterWidth));
    NewFor->HScroll->setValue(TenthsOfMm(PosterHeight));
    if (platform::execModal(*NewFor) != QDialog::Accepted)
        return;
    PosterWidth = NewFor->ScreenPixels(NewFor->WScroll->value());
    PosterHeight = NewFor->ScreenPixels(NewFor->HScroll->value());
    CheckBox1->setChecked(platform::Printer::instance().orientation() == platform::Orientation::Landscape);
    DrawPosterSheet();
}

void TForm1::Imprimerlestraitsdecoupe1Click()
{
    // The action has already toggled its check mark.
    if (Dupliquer->isChecked())
        DrawDuplicatedSheet();
}
