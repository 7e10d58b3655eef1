#include "Handles.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>
#include <cmath>

namespace {

constexpr int SquareSize = 8;
constexpr int MinimumSize = 8;

int snap(int value, int grid)
{
    return (value / grid) * grid; // div rounds toward zero
}

} // namespace

TStretchHandle::TStretchHandle(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SH"));
    resize(24, 24);
    setEnabled(false);
    hide();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Only the squares are painted: the controls beneath stay visible.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TStretchHandle::setColor(const QColor &colour)
{
    color_ = colour;
    update();
}

void TStretchHandle::setSecondaryColor(const QColor &colour)
{
    secondaryColor_ = colour;
    update();
}

void TStretchHandle::setLocked(bool locked)
{
    locked_ = locked;
    if (locked_)
        setCursor(Qt::ForbiddenCursor);
}

void TStretchHandle::setGridX(int grid)
{
    gridX_ = std::clamp(grid, 1, 32);
}

void TStretchHandle::setGridY(int grid)
{
    gridY_ = std::clamp(grid, 1, 32);
}

void TStretchHandle::setSnapToGrid(bool snapOn)
{
    gridX_ = gridY_ = snapOn ? 8 : 1;
}

void TStretchHandle::Attach(QWidget *control)
{
    if (control == nullptr)
        return;
    if (control->isWindow())
        throw EBadChild("Handles can not be attached to a Form!");
    if (std::find(attached_.begin(), attached_.end(), control) != attached_.end())
        return;
    if (!attached_.empty() && control->parentWidget() != attached_.front()->parentWidget())
        Detach();
    const QRect c = control->geometry();
    if (!attached_.empty()) {
        const QRect f = geometry();
        const int left = std::min(f.x(), c.x() - 2);
        const int top = std::min(f.y(), c.y() - 2);
        const int width = std::max(f.x() + f.width() - 3, c.x() + c.width()) - left + 3;
        const int height = std::max(f.y() + f.height() - 3, c.y() + c.height()) - top + 3;
        setGeometry(left, top, width, height);
    } else {
        setParent(control->parentWidget());
        dragFrame_ = QRect();
        setEnabled(true);
        show();
        setGeometry(c.x() - 2, c.y() - 2, c.width() + 5, c.height() + 5);
    }
    attached_.push_back(control);
    grabHandle_ = 0;
    raise();
    if (isVisible() && isEnabled())
        setFocus(Qt::OtherFocusReason);
    update();
}

void TStretchHandle::Detach()
{
    attached_.clear();
    locked_ = false;
    dragging_ = false;
    resize(24, 24);
    setEnabled(false);
    hide();
    setParent(nullptr);
    dragFrame_ = QRect();
    if (outline_) {
        delete outline_;
        outline_ = nullptr;
    }
}

void TStretchHandle::SetBounds(const QRect &bounds)
{
    const bool wasHidden = !isVisible() && !attached_.empty();
    if (locked_)
        return;
    const QRect old = geometry();
    for (QWidget *control : attached_) {
        const QRect c = control->geometry();
        control->setGeometry(c.x() + bounds.x() - old.x(), c.y() + bounds.y() - old.y(),
                             c.width() + bounds.width() - old.width(), c.height() + bounds.height() - old.height());
    }
    setGeometry(bounds);
    if (wasHidden)
        show();
    raise();
}

int TStretchHandle::HitTest(QPoint point) const
{
    if (attached_.size() != 1)
        return 0;
    const double left = 0, top = 0, right = width(), bottom = height();
    const double x = point.x(), y = point.y();
    int handle = 0;
    auto near = [](double a, double b, double limit) { return std::abs(a - b) < limit; };
    if (near(x, left, 8) && near(y, top, 8))
        handle = 1;
    if (near(x, right, 8) && near(y, bottom, 8))
        handle = 4;
    if (near(x, right, 8) && near(y, top, 8))
        handle = 2;
    if (near(x, left, 8) && near(y, bottom, 8))
        handle = 3;
    if (near(x, (right - left) / 2, 4) && near(y, top, 8))
        handle = 5;
    if (near(x, (right - left) / 2, 4) && near(y, bottom, 8))
        handle = 7;
    if (near(y, (bottom - top) / 2, 4) && near(x, left, 8))
        handle = 6;
    if (near(y, (bottom - top) / 2, 4) && near(x, right, 8))
        handle = 8;
    return handle;
}

Qt::CursorShape TStretchHandle::cursorFor(int handle)
{
    switch (handle) {
    case 1:
    case 4: return Qt::SizeFDiagCursor;
    case 2:
    case 3: return Qt::SizeBDiagCursor;
    case 5:
    case 7: return Qt::SizeVerCursor;
    case 6:
    case 8: return Qt::SizeHorCursor;
    default: return Qt::ArrowCursor;
    }
}

QRect TStretchHandle::DragBounds(QPoint point) const
{
    const int x = point.x(), y = point.y();
    const int L = this->x(), T = this->y(), Wd = width(), Ht = height();
    const int sx = dragStart_.x(), sy = dragStart_.y();
    const int movedLeft = snap(x + L - sx, gridX_) - 2;
    const int movedTop = snap(y + T - sy, gridY_) - 2;
    const int grownWidth = snap(x + Wd - sx, gridX_) - 3;
    const int grownHeight = snap(y + Ht - sy, gridY_) - 3;
    int left = L, top = T, width = Wd, height = Ht;
    switch (grabHandle_) {
    case 0: left = movedLeft; top = movedTop; break;
    case 1: left = movedLeft; top = movedTop; width = Wd + L - left; height = Ht + T - top; break;
    case 2: top = movedTop; width = grownWidth; height = Ht + T - top; break;
    case 3: left = movedLeft; width = Wd + L - left; height = grownHeight; break;
    case 4: width = grownWidth; height = grownHeight; break;
    case 5: top = movedTop; height = Ht + T - top; break;
    case 6: left = movedLeft; width = Wd + L - left; break;
    case 7: height = grownHeight; break;
    case 8: width = grownWidth; break;
    }
    return QRect(left, top, std::max(width, MinimumSize), std::max(height, MinimumSize));
}

bool TStretchHandle::overAttached(QPoint parentPoint) const
{
    return std::any_of(attached_.begin(), attached_.end(), [&](QWidget *control) {
        return control->geometry().adjusted(-2, -2, 2, 2).contains(parentPoint);
    });
}

QPoint TStretchHandle::clampToParent(QPoint point) const
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return point;
    return {std::clamp(point.x(), -x(), parent->width() - x()), std::clamp(point.y(), -y(), parent->height() - y())};
}

void TStretchHandle::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (overAttached(mapToParent(point))) {
        if (event->button() == Qt::LeftButton && !locked_) {
            dragStart_ = point;
            dragging_ = true;
        }
        emit mouseDown(event);
        return;
    }
    unsetCursor();
    passThrough(event);
}

void TStretchHandle::mouseMoveEvent(QMouseEvent *event)
{
    QPoint point = event->position().toPoint();
    const bool leftHeld = event->buttons() & Qt::LeftButton;
    if (leftHeld && !dragging_ && !locked_) {
        dragStart_ = point;
        dragging_ = true;
    } else {
        const int hover = HitTest(point);
        setCursor(locked_ ? Qt::ForbiddenCursor : cursorFor(hover));
        if (dragging_) {
            point = clampToParent(point);
            if (grabHandle_ == 0)
                setCursor(dragCursor_);
            drawOutline(true, point);
        } else {
            grabHandle_ = hover;
        }
    }
    emit mouseMoved(event);
}

void TStretchHandle::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragging_ || event->button() != Qt::LeftButton) {
        passThrough(event);
        return;
    }
    const QPoint point = clampToParent(event->position().toPoint());
    if (point != dragStart_) {
        update();
        SetBounds(DragBounds(point));
    }
    drawOutline(false, point);
    if (isVisible() && isEnabled())
        setFocus(Qt::MouseFocusReason);
    dragging_ = false;
    unsetCursor();
    emit mouseUp(event);
}

void TStretchHandle::drawOutline(bool show, QPoint point)
{
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    if (!dragFrame_.isEmpty()) {
        if (outline_)
            outline_->hide();
        dragFrame_ = QRect();
    }
    if (!show) {
        parent->update();
        update();
        return;
    }
    const QRect bounds = DragBounds(point);
    const QRect inner(bounds.x() + 2, bounds.y() + 2, bounds.width() - 5, bounds.height() - 5);
    if (!outline_)
        outline_ = new QRubberBand(QRubberBand::Rectangle, parent);
    outline_->setGeometry(inner);
    outline_->show();
    outline_->raise();
    dragFrame_ = QRect(parent->mapToGlobal(inner.topLeft()), inner.size());
}

void TStretchHandle::passThrough(QMouseEvent *event)
{
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QPoint parentPoint = mapToParent(event->position().toPoint());
    QWidget *target = parent;
    QPoint targetPoint = parentPoint;
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget == this || qobject_cast<TStretchHandle *>(widget) || widget->isHidden()
            || widget->isWindow())
            continue;
        if (widget->geometry().contains(parentPoint)) {
            target = widget;
            targetPoint = parentPoint - widget->pos();
            break;
        }
    }
    QMouseEvent forwarded(event->type(), QPointF(targetPoint), target->mapToGlobal(QPointF(targetPoint)),
                          event->button(), event->buttons(), Qt::NoModifier);
    QApplication::sendEvent(target, &forwarded);
}

void TStretchHandle::keyPressEvent(QKeyEvent *event)
{
    QPoint delta;
    switch (event->key()) {
    case Qt::Key_Left: delta = {-1, 0}; break;
    case Qt::Key_Right: delta = {1, 0}; break;
    case Qt::Key_Up: delta = {0, -1}; break;
    case Qt::Key_Down: delta = {0, 1}; break;
    default: break;
    }
    if (!delta.isNull()) {
        update();
        SetBounds(geometry().translated(delta));
    }
    emit keyDown(event);
}

void TStretchHandle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(attached_.size() == 1 ? color_ : secondaryColor_);
    for (QWidget *control : attached_) {
        const QRect r = QRect(control->geometry().topLeft() - pos(), control->size()).adjusted(-2, -2, 2, 2);
        const int right = r.x() + r.width(), bottom = r.y() + r.height();
        painter.drawRect(r.x(), r.y(), SquareSize, SquareSize);
        painter.drawRect(right - SquareSize, r.y(), SquareSize, SquareSize);
        painter.drawRect(r.x(), bottom - SquareSize, SquareSize, SquareSize);
        painter.drawRect(right - SquareSize, bottom - SquareSize, SquareSize, SquareSize);
        if (attached_.size() == 1) {
            const int midX = r.x() + (right - r.x()) / 2;
            const int midY = r.y() + (bottom - r.y()) / 2;
            painter.drawRect(midX - SquareSize / 2, r.y(), SquareSize, SquareSize);
            painter.drawRect(midX - SquareSize / 2, bottom - SquareSize, SquareSize, SquareSize);
            painter.drawRect(r.x(), midY - SquareSize / 2, SquareSize, SquareSize);
            painter.drawRect(right - SquareSize, midY - SquareSize / 2, SquareSize, SquareSize);
        }
    }
}
