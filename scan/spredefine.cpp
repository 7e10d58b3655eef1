#include "spredefine.h"

#include "ErrorBoundary.h"
#include "Resources.h"
#include "TMMBitmapButton.h"
#include "csTwainDialog.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

TPredefine::TPredefine(QWidget *parent) : QDialog(parent)
{
    resources::initialise();
    faces_ = TMMImageList(QPixmap(resources::presetFaces), resources::presetFaceCell);
    setObjectName(QStringLiteral("TPredefine"));
    setWindowTitle(QStringLiteral("Réglages prédéfinis du scanner"));
    setFixedSize(resources::presetsClientSize);
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(rect());
    Image1->setPixmap(QPixmap(resources::presetsBackground));

    MMBitmapButton1 = addButton(1, QRect(24, 24, 257, 33), &TPredefine::Button1Click);
    MMBitmapButton2 = addButton(2, QRect(24, 56, 257, 33), &TPredefine::Button2Click);
    MMBitmapButton3 = addButton(3, QRect(24, 88, 257, 33), &TPredefine::Button3Click);
    MMBitmapButton4 = addButton(4, QRect(24, 120, 257, 33), &TPredefine::Button4Click);
    MMBitmapButton5 = addButton(5, QRect(24, 151, 41, 33), &TPredefine::SpeedButton1Click);
    MMBitmapButton6 = addButton(6, QRect(64, 152, 217, 33), &TPredefine::Button5Click);
    MMBitmapButton7 = addButton(7, QRect(216, 208, 75, 25), &TPredefine::Button6Click);
}

TMMBitmapButton *TPredefine::addButton(int number, QRect geometry, void (TPredefine::*handler)())
{
    auto *button = new TMMBitmapButton(this);
    button->setObjectName(QStringLiteral("MMBitmapButton%1").arg(number));
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    // The faces carry their text; none of them is pressed by Enter unasked.
    button->setAutoDefault(false);
    button->setImages(&faces_);
    button->setImageIndex(number - 1);
    platform::connectGuarded(button, &QPushButton::clicked, this, handler);
    return button;
}

void TPredefine::SetScanner(TcsTwainScan *twain, TcsTwainDialog *dialog)
{
    twain_ = twain;
    dialog_ = dialog;
}

void TPredefine::chooseMode(TcsBitDepth bitDepth, TcsPixelType pixelType, int32_t resolution)
{
    if (twain_) {
        twain_->SetBitDepth(bitDepth);
        twain_->SetPixelType(pixelType);
        twain_->SetResolution(resolution);
    }
    accept();
}

void TPredefine::Button1Click()
{
    chooseMode(bd1Bit, pxBW, 100);
}

void TPredefine::Button2Click()
{
    chooseMode(bd8Bit, pxGray, 100);
}

void TPredefine::Button3Click()
{
    chooseMode(bd24Bit, pxRGB, 100);
}

void TPredefine::Button4Click()
{
    chooseMode(bd24Bit, pxRGB, 300);
}

void TPredefine::SpeedButton1Click()
{
    // The presets stay open behind the settings, whatever is chosen there.
    if (dialog_)
        dialog_->Execute();
}

void TPredefine::Button5Click()
{
    accept();
}

void TPredefine::Button6Click()
{
    reject();
}

void TPredefine::done(int result)
{
    QDialog::done(result);
    // Painted now rather than at the next turn of the event loop, which the
    // scan would hold back until it ends, leaving this window's picture on
    // the main window meanwhile.  Nothing else is handled here: no click can
    // slip in before the scan.
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->repaint();
}
