// Pictures from the clipboard, the one-level undo, and the refresh of the
// duplication and poster views after any change of the picture.
#include "Main.h"

#include "Bitmap.h"
#include "Handles.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>

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
    UndoImg->setPicture(Image->picture());
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
