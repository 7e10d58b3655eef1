// Pictures from the clipboard, the one-level undo, and the refresh of the
// duplication and poster views after any change of the picture.
#include "Main.h"

#include "Bitmap.h"
#include "ErrorBoundary.h"
#include "Handles.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QMimeData>

void TForm1::buildSources()
{
    using platform::connectGuarded;
    Copier1 = makeMenuItem(Edition1, QStringLiteral("Copier1"), QStringLiteral("Co&pier"));
    Copier1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    Coller1 = makeMenuItem(Edition1, QStringLiteral("Coller1"), QStringLiteral("C&oller"));
    Coller1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    UndoImg = new TPicture(QStringLiteral("UndoImg"), Client);
    UndoImg->hide();
    UndoBtn = makeButton(Client, QStringLiteral("UndoBtn"), 14, QStringLiteral("Annule le dernier effet appliqué à l'image"),
                         QStringLiteral("Annuler"));
    place(UndoBtn, 530, 386, ColumnWidth, 34);
    UndoBtn->hide();
    connectGuarded(Edition1, &QMenu::aboutToShow, this, &TForm1::Edition1Click);
    connectGuarded(Copier1, &QAction::triggered, this, &TForm1::Copier1Click);
    connectGuarded(Coller1, &QAction::triggered, this, &TForm1::Coller1Click);
    connectGuarded(UndoBtn, &QPushButton::clicked, this, &TForm1::UndoBtnClick);
}

void TForm1::Edition1Click()
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    Coller1->setEnabled(data && data->hasImage());
}

void TForm1::Copier1Click()
{
    const bool sheetShown = Dupliquer->isChecked() || Poster->isChecked();
    QApplication::clipboard()->setImage(sheetShown ? Page->picture() : Image->picture());
}

void TForm1::Coller1Click()
{
    const QImage pasted = QApplication::clipboard()->image();
    if (pasted.isNull())
        return;
    // Pasted pictures come in any format; the program's pictures have a plain depth.
    Image->setPicture(imaging::Bitmap::fromImage(pasted).image());
    SH->Detach();
    ResetPosterSize();
    PlaceArrivedPicture();
    // The tiles are drawn once the pasted picture has its size on the sheet.
    if (Dupliquer->isChecked())
        DrawDuplicatedSheet();
    setWindowTitle(QApplication::applicationName());
    ComboFormats->setCurrentIndex(0);
}

void TForm1::TakeUndoSnapshot()
{
    TakeUndoSnapshot(Image->picture());
}

void TForm1::TakeUndoSnapshot(const QImage &picture)
{
    UndoImg->setPicture(picture);
    UndoBtn->show();
}

void TForm1::UndoBtnClick()
{
    if (UndoBtn->isHidden())
        return;
    Image->setPicture(UndoImg->picture());
    UndoBtn->hide();
    RefreshModeView();
}

void TForm1::RefreshModeView()
{
    if (Dupliquer->isChecked())
        DrawDuplicatedSheet();
    else if (Poster->isChecked())
        DrawPosterSheet();
}
