#pragma once
// The poster format dialog.
#include <QDialog>

class TNewFor : public QDialog {
    Q_OBJECT
public:
    explicit TNewFor(QWidget *parent = nullptr);
};
