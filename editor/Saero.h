#pragma once
// TAeroDlg, "Pistolet à peinture": the airbrush's size and speed, with a
// preview that sprays with them until the dialog closes.
#include "Spray.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class TPicture;
class TThreadedTimer;

class TAeroDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 1;

    explicit TAeroDlg(QWidget *parent = nullptr);

    QFrame *Bevel1;
    TPicture *Image1;
    QLabel *Label1, *Label2;
    QScrollBar *ScrollBar1; // size, 1 .. 100
    QScrollBar *ScrollBar2; // speed, 0 .. 100
    QPushButton *OKBtn, *CancelBtn;
    TThreadedTimer *Timer;

    editor::Spray &spray() { return spray_; }
    // Closing, by OK or cancel, stops the preview.
    void done(int result) override;

public slots:
    void FormShow();
    void FormActivate();
    void FormClose();
    void TimerTimer();
    void ScrollBar1Change();
    void ScrollBar2Change();

signals:
    // F1: the help topic of this dialog.
    void helpRequested(int context);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void clearPreview();
    // The tick interval for the speed bar's position: 101 ms at 0, 1 ms at 100.
    int speedInterval() const;

    editor::Spray spray_;
};
