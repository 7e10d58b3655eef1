#include "ILRubberBand.h"

#include "ILPImage.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace imaging {
namespace {

bool near(int a, int b)
{
    return std::abs(a - b) <= TILRubberBand::Tolerance;
}

} // namespace

TILRubberBand::TILRubberBand(TILPImage &owner) : QObject(&owner), owner_(owner)
{
    owner_.setMouseTracking(true);
}

void TILRubberBand::setBounds(int left, int top, int right, int bottom)
{
    left_ = std::min(left, right);
    right_ = std::max(left, right);
    top_ = std::min(top, bottom);
    bottom_ = std::max(top, bottom);
    owner_.update();
}

void TILRubberBand::setVisible(bool visible)
{
    visible_ = visible;
    dragging_ = Outside;
    drawingNew_ = false;
    owner_.setMouseTracking(visible);
    if (!visible)
        owner_.unsetCursor();
    owner_.update();
}

TILRubberBand::Zone TILRubberBand::zoneAt(QPoint p) const
{
    if (isEmpty())
        return Outside;
    const bool alongX = p.x() >= left_ - Tolerance && p.x() <= right_ + Tolerance;
    const bool alongY = p.y() >= top_ - Tolerance && p.y() <= bottom_ + Tolerance;
    const bool atLeft = near(p.x(), left_), atRight = near(p.x(), right_);
    const bool atTop = near(p.y(), top_), atBottom = near(p.y(), bottom_);
    if (atTop && atLeft)
        return TopLeft;
    if (atTop && atRight)
        return TopRight;
    if (atBottom && atLeft)
        return BottomLeft;
    if (atBottom && atRight)
        return BottomRight;
    if (atTop && alongX)
        return TopSide;
    if (atBottom && alongX)
        return BottomSide;
    if (atLeft && alongY)
        return LeftSide;
    if (atRight && alongY)
        return RightSide;
    if (p.x() > left_ && p.x() < right_ && p.y() > top_ && p.y() < bottom_)
        return Inside;
    return Outside;
}

void TILRubberBand::mouseDown(QPoint point)
{
    if (!visible_)
        return;
    last_ = point;
    if (isEmpty()) {
        drawingNew_ = true;
        anchor_ = point;
        setBounds(point.x(), point.y(), point.x(), point.y());
        return;
    }
    dragging_ = zoneAt(point);
    showZoneCursor(dragging_);
}

void TILRubberBand::mouseMove(QPoint point, bool buttonDown)
{
    if (!visible_)
        return;
    if (!buttonDown) {
        showZoneCursor(zoneAt(point));
        return;
    }
    const int width = owner_.width(), height = owner_.height();
    const QPoint p(std::clamp(point.x(), 0, width), std::clamp(point.y(), 0, height));
    if (drawingNew_) {
        setBounds(anchor_.x(), anchor_.y(), p.x(), p.y());
        changed();
        return;
    }
    if (dragging_ == Outside)
        return;
    // a side follows the mouse only while the mouse is along it, and never
    // passes the opposite side
    const bool alongX = p.x() >= left_ - Tolerance && p.x() <= right_ + Tolerance;
    const bool alongY = p.y() >= top_ - Tolerance && p.y() <= bottom_ + Tolerance;
    auto moveTop = [&] { top_ = std::min(p.y(), bottom_ - 1); };
    auto moveBottom = [&] { bottom_ = std::max(p.y(), top_ + 1); };
    auto moveLeft = [&] { left_ = std::min(p.x(), right_ - 1); };
    auto moveRight = [&] { right_ = std::max(p.x(), left_ + 1); };
    switch (dragging_) {
    case TopSide: if (alongX) moveTop(); break;
    case BottomSide: if (alongX) moveBottom(); break;
    case LeftSide: if (alongY) moveLeft(); break;
    case RightSide: if (alongY) moveRight(); break;
    case TopLeft: moveTop(), moveLeft(); break;
    case TopRight: moveTop(), moveRight(); break;
    case BottomLeft: moveBottom(), moveLeft(); break;
    case BottomRight: moveBottom(), moveRight(); break;
    case Inside: {
        // the whole band by the mouse's displacement, kept on the control
        const int dx = std::clamp(point.x() - last_.x(), -left_, width - right_);
        const int dy = std::clamp(point.y() - last_.y(), -top_, height - bottom_);
        left_ += dx, right_ += dx, top_ += dy, bottom_ += dy;
        break;
    }
    case Outside: break;
    }
    last_ = point;
    owner_.update();
    changed();
}

void TILRubberBand::mouseUp()
{
    if (!visible_)
        return;
    const bool wasDragging = drawingNew_ || dragging_ != Outside;
    drawingNew_ = false;
    dragging_ = Outside;
    if (wasDragging)
        changed();
}

void TILRubberBand::paint(QPainter &painter) const
{
    if (!visible_ || isEmpty())
        return;
    const QRect band(QPoint(left_, top_), QPoint(right_ - 1, bottom_ - 1));
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(band);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(band);
    painter.restore();
}

void TILRubberBand::changed()
{
    if (OnChange)
        OnChange(left_, top_, right_, bottom_);
}

void TILRubberBand::showZoneCursor(Zone zone)
{
    switch (zone) {
    case TopSide:
    case BottomSide: owner_.setCursor(Qt::SizeVerCursor); break;
    case LeftSide:
    case RightSide: owner_.setCursor(Qt::SizeHorCursor); break;
    case TopLeft:
    case BottomRight: owner_.setCursor(Qt::SizeFDiagCursor); break;
    case TopRight:
    case BottomLeft: owner_.setCursor(Qt::SizeBDiagCursor); break;
    case Inside: owner_.setCursor(Qt::SizeAllCursor); break;
    case Outside: owner_.unsetCursor(); break;
    }
}

} // namespace imaging
