#pragma once
// The selection band of the effects dialog: a rectangle on the preview
// control that the mouse draws, moves and sizes by its sides and corners.
// Left and top are the first pixels inside, right and bottom the first
// outside, so the whole control is (0, 0, width, height).
#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

class QPainter;

namespace imaging {

class TILPImage;

class TILRubberBand : public QObject {
    Q_OBJECT
public:
    // Where the mouse is over the band.
    enum Zone { Outside, TopSide, BottomSide, LeftSide, RightSide, TopLeft, TopRight, BottomLeft, BottomRight, Inside };
    static constexpr int Tolerance = 3;

    explicit TILRubberBand(TILPImage &owner);

    int left() const { return left_; }
    int top() const { return top_; }
    int right() const { return right_; }
    int bottom() const { return bottom_; }
    // Without calling the change callback.
    void setBounds(int left, int top, int right, int bottom);
    bool isEmpty() const { return right_ <= left_ || bottom_ <= top_; }

    // A hidden band is neither drawn nor moved by the mouse.
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }

    Zone zoneAt(QPoint point) const;

    // The owner's mouse, in its pixels.
    void mouseDown(QPoint point);
    void mouseMove(QPoint point, bool buttonDown);
    void mouseUp();
    void paint(QPainter &painter) const;

    // (left, top, right, bottom) after every change made with the mouse.
    std::function<void(int, int, int, int)> OnChange;

private:
    void changed();
    void showZoneCursor(Zone zone);

    TILPImage &owner_;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    bool visible_ = true;
    Zone dragging_ = Outside;
    bool drawingNew_ = false;
    QPoint anchor_;
    QPoint last_;
};

} // namespace imaging
