#pragma once
// The editor's image control: the working picture at its own pixel size
// with the outlines of a drag over it.  It repaints only what the canvas
// reports as changed, and passes the left and right buttons on: a press, the
// moves, and the release of the button that was pressed (a second button
// pressed meanwhile is ignored).
#include <QWidget>

namespace editor {

class Canvas;

class PictureView : public QWidget {
    Q_OBJECT
public:
    PictureView(Canvas &canvas, QWidget *parent = nullptr);

    // Takes the picture's size after the picture changed.
    void fitPicture();

signals:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void mouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Canvas &canvas_;
    Qt::MouseButton held_ = Qt::NoButton;
};

} // namespace editor
