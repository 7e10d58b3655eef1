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
    // does what a user's click does.  A click that arrives while the handler
    // of the previous one still runs (a handler that lets input through) is
    // ignored: the box would otherwise switch twice to the same state.

signals:
    // Emitted before the state changes.
    void clicking(bool newState);

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override;

private:
    QPixmap glyph_;
    bool clicking_ = false;
};
