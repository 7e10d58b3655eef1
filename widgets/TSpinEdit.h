#pragma once
// A number box with up and down arrows; Value clamps into MinValue..MaxValue.
#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget *parent = nullptr) : QSpinBox(parent) {}
    TSpinEdit(int minimum, int maximum, int value, QWidget *parent = nullptr) : QSpinBox(parent)
    {
        setRange(minimum, maximum);
        setValue(value);
    }
};
