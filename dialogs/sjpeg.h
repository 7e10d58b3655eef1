#pragma once
// The JPEG save options "Options d'enregistrement JPEG": quality and
// smoothing bars with their values.  The positions last confirmed by "OK"
// are proposed again at the next showing of the run; "Annuler" puts them
// back.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

class TJPEG : public QDialog {
    Q_OBJECT
public:
    explicit TJPEG(QWidget *parent = nullptr);

    QFrame *Bevel1;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QScrollBar *ScrollBar1, *ScrollBar2;
    QPushButton *OKBtn, *CancelBtn;

public slots:
    void FormCreate();
    void ScrollBar1Change();
    void ScrollBar2Change();

    void accept() override;
    void reject() override;

private:
    int confirmedQuality_ = 80;
    int confirmedSmoothing_ = 10;
};
