#pragma once
// A check box drawn with a two-picture glyph (unchecked half, checked half)
// beside its caption.  A click by the user runs the click handler BEFORE the
// state changes: the handler is told the state the box is switching to.
#include <QAbstractButton>
#include <QPixmap>

class TMMBitmapCheckBox : public QAbstractButton {
    Q_OBJECT
public:
    explicit TMMBitmapCheckBox(const QString &caption, QWidget *parent = nullptr);

    void setGlyph(const QPixmap &glyph);
    QSize sizeHint() const override;

    // setChecked() is a program-made change and runs no handler; click()
    // does what a user's click does.

signals:
    // Emitted before the state changes.
    void clicking(bool newState);

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override;

private:
    QPixmap glyph_;
};
