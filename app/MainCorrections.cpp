// The corrections column: the imaging library's instant corrections and its
// effects dialog through Tampon, and the ten basic filters through the pixel
// library's image control PGTampon.  Each takes an undo snapshot first and
// ends with the refresh of the duplication or poster view.
#include "Main.h"

#include "ErrorBoundary.h"
#include "Handles.h"
#include "HelpViewer.h"
#include "PGBasicFilters.h"
#include "PGImage.h"
#include "PGMessages.h"
#include "PGPixelGraphic.h"
#include "ScopeExit.h"
#include "TMultiP.h"
#include "Saero.h"
#include "Sediteur.h"
#include "TPicture.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QComboBox>

void TForm1::buildWorkComponents()
{
    // The dialogs take their texts when they are made, in the library's
    // language of that moment, before the window turns it to French.
    BasicFilters = new TBasicFilterDialogs(this);
    BasicFilters->setObjectName(QStringLiteral("BasicFilters"));
    PGTampon = new TPGImage(this);
    PGTampon->setObjectName(QStringLiteral("PGTampon"));
    PGTampon->setGeometry(296, 304, 100, 100);
    PGTampon->SetZoomFactor(1.0L);
    PGTampon->hide();
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

void TForm1::setEditor(TEditeur *editor)
{
    Editeur = editor;
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
    if (Editeur->AeroDlg)
        connect(Editeur->AeroDlg, &TAeroDlg::helpRequested, this, showHelp);
}

void TForm1::EditBtnClick()
{
    if (!Editeur)
        return;
    TakeUndoSnapshot();
    Editeur->Edit(Image->picture());
    UpdatePositionBars();
}

void TForm1::ComboBox1Click(int index)
{
    // The list goes back to its title entry, whatever happens.
    const platform::ScopeExit title([this] { ComboBox1->setCurrentIndex(0); });
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
