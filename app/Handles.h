#pragma once
// Selection handles: a frame with eight grab squares laid around one or more
// sibling controls.  Dragging inside moves them, dragging a square resizes
// them, the arrow keys nudge them.  During a drag only an outline is shown;
// the controls move once, on release.
#include "Exception.h"

#include <QColor>
#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <vector>

class QRubberBand;

class EBadChild : public platform::Exception {
public:
    using platform::Exception::Exception;
};

class TStretchHandle : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor SecondaryColor READ secondaryColor WRITE setSecondaryColor)
    Q_PROPERTY(bool Locked READ locked WRITE setLocked)
    Q_PROPERTY(int GridX READ gridX WRITE setGridX)
    Q_PROPERTY(int GridY READ gridY WRITE setGridY)
    Q_PROPERTY(bool SnapToGrid READ snapToGrid WRITE setSnapToGrid)
    Q_PROPERTY(int GrabHandle READ grabHandle)
    Q_PROPERTY(bool Dragging READ dragging)
    Q_PROPERTY(int AttachedCount READ attachedCount)
public:
    explicit TStretchHandle(QWidget *parent = nullptr);

    void Attach(QWidget *control);
    void Detach();
    // Moves and sizes the frame and, unless locked, the attached controls by the same deltas.
    void SetBounds(const QRect &bounds);

    const std::vector<QWidget *> &attached() const { return attached_; }
    int attachedCount() const { return static_cast<int>(attached_.size()); }

    QColor color() const { return color_; }
    void setColor(const QColor &colour);
    QColor secondaryColor() const { return secondaryColor_; }
    void setSecondaryColor(const QColor &colour);
    bool locked() const { return locked_; }
    void setLocked(bool locked);
    int gridX() const { return gridX_; }
    void setGridX(int grid);
    int gridY() const { return gridY_; }
    void setGridY(int grid);
    bool snapToGrid() const { return gridX_ > 1 || gridY_ > 1; }
    void setSnapToGrid(bool snap);
    void setDragCursor(const QCursor &cursor) { dragCursor_ = cursor; }
    int grabHandle() const { return grabHandle_; }
    bool dragging() const { return dragging_; }
    QPoint dragStart() const { return dragStart_; }
    QRect dragFrame() const { return dragFrame_; }

    // Square under a client point (0 = move); squares count only with one control attached.
    int HitTest(QPoint point) const;
    // Frame bounds a drag to this client point would give.
    QRect DragBounds(QPoint point) const;

signals:
    void mouseDown(QMouseEvent *event);
    void mouseUp(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void keyDown(QKeyEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool overAttached(QPoint parentPoint) const;
    QPoint clampToParent(QPoint point) const;
    void drawOutline(bool show, QPoint point);
    void passThrough(QMouseEvent *event);
    static Qt::CursorShape cursorFor(int handle);

    std::vector<QWidget *> attached_;
    QColor color_ = Qt::black;
    QColor secondaryColor_ = QColor(128, 128, 128);
    bool locked_ = false;
    int gridX_ = 1;
    int gridY_ = 1;
    QCursor dragCursor_ = QCursor(Qt::SizeAllCursor);
    int grabHandle_ = 0;
    QPoint dragStart_;
    bool dragging_ = false;
    QRect dragFrame_;
    QRubberBand *outline_ = nullptr;
};
