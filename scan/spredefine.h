#pragma once
// The scanner presets window, shown before each scan.
#include <QDialog>

class TPredefine : public QDialog {
    Q_OBJECT
public:
    explicit TPredefine(QWidget *parent = nullptr);
};
