#include "TPicture.h"

#include <QMouseEvent>
#include <QPainter>

TPicture::TPicture(const QString &name, QWidget *parent, bool stretch) : QWidget(parent), stretch_(stretch)
{
    setObjectName(name);
}

void TPicture::setPicture(const QImage &picture)
{
    picture_ = picture;
    ++generation_;
    update();
}

void TPicture::paintEvent(QPaintEvent *)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    if (stretch_) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_);
    } else {
        painter.drawImage(0, 0, picture_);
    }
}

void TPicture::mousePressEvent(QMouseEvent *event)
{
    pressed_ = event->button() == Qt::LeftButton;
}

void TPicture::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}
