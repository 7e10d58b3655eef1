#pragma once
// The airbrush settings dialog.
#include <QDialog>

class TAeroDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAeroDlg(QWidget *parent = nullptr);
};
