// The main window's controls, menus and the connections of their handlers.
#include "Main.h"

#include "Composition.h"
#include "ErrorBoundary.h"
#include "Handles.h"
#include "Named.h"
#include "HelpViewer.h"
#include "Resources.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "TSpinEdit.h"
#include "TTipsDialog.h"
#include "Tips.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

using platform::connectGuarded;

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
        auto *c = named<TMMBitmapCheckBox>(name, parent, caption);
        c->setGlyph(images_.image(0));
        c->setToolTip(hint);
        return c;
    };
    auto label = [&](QWidget *parent, const QString &name, const QString &caption) {
        return named<QLabel>(name, parent, caption);
    };

    // The sheet.
    Panel1 = named<QFrame>(QStringLiteral("Panel1"), client);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    place(Panel1, 8, 8, 295, 417);
    Page = new TPicture(QStringLiteral("Page"), Panel1);
    place(Page, 1, 1, composition::WindowPreview.width(), composition::WindowPreview.height());
    Image = new TPicture(QStringLiteral("Image"), Panel1, true);
    Image1 = new TPicture(QStringLiteral("Image1"), client);
    Image1->hide();
    UndoImg = new TPicture(QStringLiteral("UndoImg"), client);
    UndoImg->hide();
    SH = new TStretchHandle(Panel1);
    SH->setDragCursor(QCursor(Qt::SizeAllCursor));

    // Copy, scan and print.
    GoBtn = button(client, QStringLiteral("GoBtn"), CopyPicture, CopyHint);
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
    SpinEdit = named<TSpinEdit>(QStringLiteral("SpinEdit"), client, 1, 9999, 1);
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
        row.bar = named<QScrollBar>(QString::fromLatin1(row.barName), Panel3, Qt::Horizontal);
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

void TForm1::buildModeLayouts()
{
    // The controls each mode hides, in the order the window hides them.
    duplicationLayout_ = {
        {Poster, conserver, centrerv, centrerh, centrerp, ConfigBtn, FillBtn, PaysBtn, ScanImage, ScanSelect, Zoom,
         Label1, Label2, ZoomLabel, OrigBtn, Haut, Label5, Label6, Gauche, Label7, Label8, HautIm, Label9, Label10,
         LargIm, Label11, Label12, ComboFormats, RetourneBtn, PrintBtn},
        {},
        QStringLiteral("Imprime les images dupliquées"),
        18,
    };
    posterLayout_ = {
        {Label1, Zoom, ZoomLabel, Label2, Label5, Haut, Label6, Label7, Gauche, Label8, Label9, LargIm, Label10, Label11,
         HautIm, Label12, ComboFormats, conserver, centrerv, centrerh, centrerp, ConfigBtn, FillBtn, ScanImage,
         ScanSelect, OrigBtn, RetourneBtn, PrintBtn, PaysBtn, Dupliquer},
        {Label3, FormatBtn, CheckBox1},
        QStringLiteral("Imprime le poster"),
        18,
    };
}

void TForm1::onUserScroll(QScrollBar *bar, void (TForm1::*handler)())
{
    // A user's scroll moves the bar first, then runs its scroll handler.
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, handler](int action) {
        if (action == QAbstractSlider::SliderNoAction)
            return;
        bar->setValue(bar->sliderPosition());
        platform::guarded([&] { (this->*handler)(); });
    });
}

void TForm1::connectHandlers()
{
    connectGuarded(Quitter1, &QAction::triggered, this, &TForm1::Quitter1Click);
    connectGuarded(Aide1, &QAction::triggered, this, &TForm1::Aide1Click);
    connectGuarded(Apropos1, &QAction::triggered, this, &TForm1::Apropos1Click);
    connectGuarded(Dummeauteur1, &QAction::triggered, this, &TForm1::Dummeauteur1Click);
    connectGuarded(Trucsetastuces1, &QAction::triggered, this, &TForm1::Trucsetastuces1Click);
    connectGuarded(SiteWeb1, &QAction::triggered, this, &TForm1::SiteWeb1Click);
    connectGuarded(UserInterfaceMnu, &QAction::triggered, this, &TForm1::UserInterfaceMnuClick);
    connectGuarded(Edition1, &QMenu::aboutToShow, this, &TForm1::Edition1Click);
    // F1 gives the window's topic; while a menu is up the menu has the
    // keyboard, and F1 gives the topic of its item under the cursor.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connectGuarded(help, &QShortcut::activated, this, [this] { HelpViewer::showContext(HelpFile, helpContextOf(nullptr), this); });
    for (QMenu *menu : {Fichier1, Edition1, Options1, Aide})
        menu->installEventFilter(this);

    connectGuarded(Image, &TPicture::clicked, this, &TForm1::ImageClick);
    connectGuarded(Page, &TPicture::clicked, this, &TForm1::PageClick);
    connectGuarded(SH, &TStretchHandle::mouseUp, this, &TForm1::SHMouseUp);

    onUserScroll(Zoom, &TForm1::ZoomScroll);
    onUserScroll(Haut, &TForm1::HautScroll);
    onUserScroll(Gauche, &TForm1::GaucheScroll);
    onUserScroll(LargIm, &TForm1::LargImScroll);
    onUserScroll(HautIm, &TForm1::HautImScroll);
    connectGuarded(Zoom, &QScrollBar::valueChanged, this, &TForm1::ZoomChange);
    connectGuarded(Haut, &QScrollBar::valueChanged, this, &TForm1::HautChange);
    connectGuarded(Gauche, &QScrollBar::valueChanged, this, &TForm1::GaucheChange);
    connectGuarded(LargIm, &QScrollBar::valueChanged, this, &TForm1::LargImChange);
    connectGuarded(HautIm, &QScrollBar::valueChanged, this, &TForm1::HautImChange);

    connectGuarded(OrigBtn, &QPushButton::clicked, this, &TForm1::OrigBtnClick);
    connectGuarded(FillBtn, &QPushButton::clicked, this, &TForm1::FillBtnClick);
    connectGuarded(centrerh, &QPushButton::clicked, this, &TForm1::centrerhClick);
    connectGuarded(centrerv, &QPushButton::clicked, this, &TForm1::centrervClick);
    connectGuarded(centrerp, &QPushButton::clicked, this, &TForm1::centrerpClick);
    connectGuarded(conserver, &TMMBitmapCheckBox::clicking, this, &TForm1::conserverClick);
    connectGuarded(ComboFormats, &QComboBox::activated, this, &TForm1::ComboFormatsChange);
    connectGuarded(Imprimerlestraitsdecoupe1, &QAction::triggered, this, &TForm1::Imprimerlestraitsdecoupe1Click);
    connectGuarded(PrintBtn, &QPushButton::clicked, this, &TForm1::PrintBtnClick);
    connectGuarded(Dupliquer, &TMMBitmapCheckBox::clicking, this, &TForm1::DupliquerClick);
    connectGuarded(Poster, &TMMBitmapCheckBox::clicking, this, &TForm1::PosterClick);
    connectGuarded(CheckBox1, &TMMBitmapCheckBox::clicking, this, &TForm1::CheckBox1Click);
    connectGuarded(FormatBtn, &QPushButton::clicked, this, &TForm1::FormatBtnClick);
    connectGuarded(GoBtn, &QPushButton::clicked, this, &TForm1::GoBtnClick);
    connectGuarded(ConfigBtn, &QPushButton::clicked, this, &TForm1::ConfigBtnClick);

    connectGuarded(PaysBtn, &TMMBitmapCheckBox::clicking, this, &TForm1::PaysBtnClick);
    connectGuarded(RetourneBtn, &QPushButton::clicked, this, &TForm1::RetourneBtnClick);

    connectGuarded(Copier1, &QAction::triggered, this, &TForm1::Copier1Click);
    connectGuarded(Coller1, &QAction::triggered, this, &TForm1::Coller1Click);
    connectGuarded(UndoBtn, &QPushButton::clicked, this, &TForm1::UndoBtnClick);
    connectGuarded(ScanSelect, &QPushButton::clicked, this, &TForm1::ScanSelectClick);
    connectGuarded(TwainDialMnu, &QAction::triggered, this, &TForm1::TwainDialMnuClick);
    connectGuarded(Ouvrir1, &QAction::triggered, this, &TForm1::Ouvrir1Click);
    connectGuarded(Enregistrersous1, &QAction::triggered, this, &TForm1::Enregistrersous1Click);

    connectGuarded(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connectGuarded(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    connectGuarded(SpeedButton3, &QPushButton::clicked, this, &TForm1::SpeedButton3Click);
    connectGuarded(FXBtn, &QPushButton::clicked, this, &TForm1::FXBtnClick);
    connectGuarded(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Click);
    connectGuarded(EditBtn, &QPushButton::clicked, this, &TForm1::EditBtnClick);
    connectGuarded(ScanImage, &QPushButton::clicked, this, &TForm1::ScanImageClick);
}
