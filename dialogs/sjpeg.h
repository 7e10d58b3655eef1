#pragma once
// The JPEG save options.
#include <QDialog>

class TJPEG : public QDialog {
    Q_OBJECT
public:
    explicit TJPEG(QWidget *parent = nullptr);
};
