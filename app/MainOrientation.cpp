// The landscape sheet and the turns of the picture.  The preview is always
// upright: a landscape sheet is the picture turned a quarter turn on it,
// printed in portrait.
#include "Main.h"

#include "Bitmap.h"
#include "DllSP96.h"
#include "ErrorBoundary.h"
#include "Handles.h"
#include "TMMBitmapButton.h"
#include "TMMBitmapCheckBox.h"
#include "TPicture.h"
#include "WaitCursor.h"

#include <QFrame>

void TForm1::buildOrientation()
{
    PaysBtn = makeCheckBox(Panel2, QStringLiteral("PaysBtn"), QStringLiteral("Paysage"),
                           QStringLiteral("Choix de l'orientation de la feuille de papier"));
    place(PaysBtn, 13, 27, 100, 20);
    RetourneBtn = makeButton(Panel3, QStringLiteral("RetourneBtn"), 1, QStringLiteral("Tourne l'image de 180°"));
    place(RetourneBtn, 173, PlacementRowTop, 32, 36);
    pressedPicture(RetourneBtn, 1, 25);
    platform::connectGuarded(PaysBtn, &TMMBitmapCheckBox::clicking, this, &TForm1::PaysBtnClick);
    platform::connectGuarded(RetourneBtn, &QPushButton::clicked, this, &TForm1::RetourneBtnClick);
    hideDuring({PaysBtn, RetourneBtn}, {Mode::Duplication, Mode::Poster});
}

QImage TForm1::turned(const QImage &picture, int degreesClockwise)
{
    imaging::Bitmap bitmap = imaging::Bitmap::fromImage(picture);
    // The library turns counter-clockwise for positive angles.
    imaging::RotateBitmap(bitmap, -degreesClockwise, qRgb(255, 255, 255));
    return bitmap.image();
}

void TForm1::turnPicture(int degreesClockwise)
{
    platform::WaitCursor hourglass;
    Image->setPicture(turned(Image->picture(), degreesClockwise));
    quarterTurns_ = (quarterTurns_ + degreesClockwise / 90) % 4;
}

void TForm1::RetourneBtnClick()
{
    SH->Detach();
    turnPicture(180);
}

void TForm1::RotateQuarter(int n)
{
    turnPicture(90 * n);
    const QRect old = Image->geometry();
    const int width = old.height(), height = old.width();
    // The picture keeps its place relative to the printable area as the sheet turns under it.
    int left, top;
    if (n == 1) {
        top = Y0() + (old.left() - X0());
        left = X1() + Y0() - width - old.top();
    } else {
        top = X1() + Y0() - old.left() - height;
        left = X0() + (old.top() - Y0());
    }
    if (left < X0() + 2)
        left = X0() + 2;
    if (top < Y0() + 2)
        top = Y0() + 2;
    if (top + height > Y1() - 2)
        top = Y1() - height - 2;
    if (left + width > X1() - 2)
        left = X1() - width - 2;
    Image->setGeometry(left, top, width, height);
}

void TForm1::PaysBtnClick(bool switchingOn)
{
    if (OrientationLock)
        return;
    // The conversions below already see the box in its new state.
    PaysBtn->setChecked(switchingOn);
    platform::Printer &printer = platform::Printer::instance();
    printer.setOrientation(switchingOn ? platform::Orientation::Landscape : platform::Orientation::Portrait);
    DrawSheet();
    SH->Detach();
    RotateQuarter(printer.orientation() == platform::Orientation::Landscape ? 1 : 3);
    if (Image->width() > PW() || Image->height() > PH())
        PlaceNewImage();
    UpdateDuplicateOffer();
    UpdatePositionBars();
}

void TForm1::PlaceArrivedPicture()
{
    // A new picture ends the pages of the last feeder run.
    morePages_.clear();
    quarterTurns_ = 0;
    NaturalWidth = PicW();
    NaturalHeight = PicH();
    PlaceNewImage();
    if (platform::Printer::instance().orientation() == platform::Orientation::Landscape) {
        RotateQuarter(1);
        PlaceNewImage();
    }
}
