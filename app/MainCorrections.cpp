// The corrections column: the imaging library's instant corrections and its
// effects dialog through Tampon, and the ten basic filters through the pixel
// library's image control PGTampon.  Each takes an undo snapshot first and
// ends with the refresh of the duplication or poster view.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Handles.h"
#include "HelpViewer.h"
#include "Named.h"
#include "PGBasicFilters.h"
#include "PGImage.h"
#include "PGMessages.h"
#include "PGPixelGraphic.h"
#include "ScopeExit.h"
#include "Saero.h"
#include "Sediteur.h"
#include "TMMBitmapButton.h"
#include "TMultiP.h"
#include "TPicture.h"
#include "WaitCursor.h"
#include "ilfilter.h"

#include <QApplication>
#include <QComboBox>

void TForm1::buildCorrections()
{
    using platform::connectGuarded;
    SpeedButton1 = makeButton(Client, QStringLiteral("SpeedButton1"), 9,
        QStringLiteral("Convertit instantanément une image couleur en niveaux de gris"), QStringLiteral("N et B"));
    SpeedButton3 = makeButton(Client, QStringLiteral("SpeedButton3"), 10, QStringLiteral("Inverse les couleurs de l'image"),
        QStringLiteral("Négatif"));
    SpeedButton2 = makeButton(Client, QStringLiteral("SpeedButton2"), 11,
        QStringLiteral("Ajuste automatiquement le contraste de l'image"), QStringLiteral("Contraste"));
    FXBtn = makeButton(Client, QStringLiteral("FXBtn"), 12,
        QStringLiteral("Luminosité, contraste, couleurs, netteté : plus de 40 filfres et effets..."), QStringLiteral("Effets"));
    ComboBox1 = named<QComboBox>(QStringLiteral("ComboBox1"), Client);
    for (const char *entry : {"Filtres de base", "RVB", "CMJN", "YCbCr", "TSL", "TSV", "LCG", "Durcir", "Détail",
                              "Adoucir", "Détection contour"})
        ComboBox1->addItem(QString::fromUtf8(entry));
    ComboBox1->setMaxVisibleItems(10);
    ComboBox1->setToolTip(QStringLiteral("10 filtres pour jouer avec luminosité, contraste, couleurs, ..."));
    EditBtn = makeButton(Client, QStringLiteral("EditBtn"), 13, QStringLiteral("Ouvre l'éditeur d'images"), QStringLiteral("Retouche"));
    place(SpeedButton1, 530, 162, ColumnWidth, 34);
    place(SpeedButton3, 530, 200, ColumnWidth, 34);
    place(SpeedButton2, 530, 238, ColumnWidth, 34);
    place(FXBtn, 530, 276, ColumnWidth, 34);
    place(ComboBox1, 530, 316, ColumnWidth, 24);
    place(EditBtn, 530, 346, ColumnWidth, 34);
    connectGuarded(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connectGuarded(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    connectGuarded(SpeedButton3, &QPushButton::clicked, this, &TForm1::SpeedButton3Click);
    connectGuarded(FXBtn, &QPushButton::clicked, this, &TForm1::FXBtnClick);
    connectGuarded(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Click);
    connectGuarded(EditBtn, &QPushButton::clicked, this, &TForm1::EditBtnClick);

    // The dialogs take their texts when they are made, in the library's
    // language of that moment, before the window turns it to French.
    BasicFilters = new TBasicFilterDialogs(this);
    BasicFilters->setObjectName(QStringLiteral("BasicFilters"));
    PGTampon = new TPGImage(this);
    PGTampon->setObjectName(QStringLiteral("PGTampon"));
    PGTampon->setGeometry(296, 304, 100, 100);
    PGTampon->SetZoomFactor(1.0L);
    PGTampon->hide();
    imaging::RegisterEffectForm();

    // The image editor with its airbrush dialog hands its picture back here.
    Editeur = new TEditeur(this);
    AeroDlg = new TAeroDlg(this);
    Editeur->AeroDlg = AeroDlg;
    Editeur->setTampon(Tampon);
    Editeur->setOwner({[this](const TEditeur::HandBack &back) {
        if (back.resized()) {
            // A cropped picture keeps its scale on the sheet.
            SH->Detach();
            Image->resize(back.displayedSize(Image->size()));
            ComboFormats->setCurrentIndex(0);
        }
        Image->setPicture(back.picture.image());
        RefreshModeView();
    }});
    auto showHelp = [this](int context) {
        platform::guarded([&] { HelpViewer::showContext(HelpFile, context, QApplication::activeModalWidget()); });
    };
    connect(Editeur, &TEditeur::helpRequested, this, showHelp);
    connect(AeroDlg, &TAeroDlg::helpRequested, this, showHelp);
}

void TForm1::correctThroughTampon(const std::function<void()> &correction)
{
    SH->Detach();
    platform::WaitCursor hourglass;
    TakeUndoSnapshot();
    Tampon->setPicture(Image->picture());
    // What Tampon holds comes back, also when the library failed (it has said why).
    const platform::ScopeExit putBack([this] {
        Image->setPicture(Tampon->Picture().image());
        RefreshModeView();
    });
    correction();
}

void TForm1::SpeedButton1Click()
{
    correctThroughTampon([this] { Tampon->GrayAreaImage(0, 0, 0, 0); });
}

void TForm1::SpeedButton2Click()
{
    correctThroughTampon([this] { Tampon->AutoContrastArea(0, 0, 0, 0); });
}

void TForm1::SpeedButton3Click()
{
    correctThroughTampon([this] { Tampon->InvertImage(); });
}

void TForm1::FXBtnClick()
{
    SH->Detach();
    TakeUndoSnapshot();
    Tampon->setPicture(Image->picture());
    const platform::ScopeExit putBack([this] {
        Image->setPicture(Tampon->Picture().image());
        RefreshModeView();
    });
    Tampon->ShowEffects();
}

void TForm1::EditBtnClick()
{
    TakeUndoSnapshot();
    Editeur->Edit(Image->picture());
    UpdatePositionBars();
}

void TForm1::ComboBox1Click(int index)
{
    // The list keeps the chosen entry: the same filter is one choice away.
    TakeUndoSnapshot();
    if (index < 1 || index > TBasicFilterDialogs::EntryCount)
        return;
    SH->Detach();
    {
        platform::WaitCursor hourglass;
        auto graphic = std::make_unique<TPixelGraphic>();
        graphic->LoadFromBitmap(Image->picture());
        PGTampon->SetPixelGraphic(std::move(graphic));
    }
    if (!BasicFilters->Run(index, *PGTampon, this))
        return;
    if (const TPixelGraphic *filtered = PGTampon->CurrentPixelGraphic()) {
        QImage picture;
        filtered->SaveToBitmap(picture);
        Image->setPicture(picture);
    }
    RefreshModeView();
}
