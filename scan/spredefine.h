#pragma once
// The scanner presets window, shown before each scan made without the
// scanner's own window: four ready-made modes, a way to keep the settings as
// they are, the full settings dialog, and cancel.  Accepted means "scan".
// Created once and shown again and again; it keeps nothing of its own.
#include "TMMImageList.h"
#include "csTwainScan.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class TMMBitmapButton;
class TcsTwainDialog;

class TPredefine : public QDialog {
    Q_OBJECT
public:
    explicit TPredefine(QWidget *parent = nullptr);

    // The scanner component the modes set, and the settings dialog the wrench opens (linked to the same scanner).
    // Both belong to the caller; either may be left out.
    void SetScanner(TcsTwainScan *twain, TcsTwainDialog *dialog);

    QLabel *Image1;
    TMMBitmapButton *MMBitmapButton1, *MMBitmapButton2, *MMBitmapButton3, *MMBitmapButton4, *MMBitmapButton5,
        *MMBitmapButton6, *MMBitmapButton7;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void SpeedButton1Click();
    void Button5Click();
    void Button6Click();

    // Closing draws the windows beneath again at once: the scan that follows
    // holds the GUI thread while it reads the page.
    void done(int result) override;

private:
    TMMBitmapButton *addButton(int number, QRect geometry, void (TPredefine::*handler)());
    // Sets a mode through the setters, the bit depth first, and closes with OK.
    void chooseMode(TcsBitDepth bitDepth, TcsPixelType pixelType, int32_t resolution);

    TMMImageList faces_;
    QPointer<TcsTwainScan> twain_;
    QPointer<TcsTwainDialog> dialog_;
};
