#pragma once
// The open-image dialog with its preview.
#include <QDialog>

class TOpenDial : public QDialog {
    Q_OBJECT
public:
    explicit TOpenDial(QWidget *parent = nullptr);
};
