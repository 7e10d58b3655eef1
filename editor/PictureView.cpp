#include "PictureView.h"

#include "Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace editor {

PictureView::PictureView(Canvas &canvas, QWidget *parent) : QWidget(parent), canvas_(canvas)
{
    setObjectName(QStringLiteral("Image"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    fitPicture();
}

void PictureView::fitPicture()
{
    setFixedSize(canvas_.picture().size());
    update();
}

void PictureView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QImage &picture = canvas_.picture();
    for (const QRect &area : event->region()) {
        const QRect shown = area & picture.rect();
        if (shown.isEmpty())
            continue;
        if (!canvas_.hasOutlines()) {
            painter.drawImage(shown.topLeft(), picture, shown);
            continue;
        }
        QImage piece = picture.copy(shown);
        canvas_.paintOutlines(piece, shown.topLeft());
        painter.drawImage(shown.topLeft(), piece);
    }
}

void PictureView::mousePressEvent(QMouseEvent *event)
{
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    // A press with no other button held starts afresh, also when the release
    // of the last one went to a dialog the press opened.
    if (held_ != Qt::NoButton && event->buttons() != button)
        return;
    held_ = button;
    const QPoint at = event->position().toPoint();
    emit mouseDown(button, event->modifiers(), at.x(), at.y());
}

void PictureView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    emit mouseMove(event->modifiers(), at.x(), at.y());
}

void PictureView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != held_)
        return;
    held_ = Qt::NoButton;
    const QPoint at = event->position().toPoint();
    emit mouseUp(event->button(), event->modifiers(), at.x(), at.y());
}

} // namespace editor
