#include "TransitionSurface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

namespace imaging {

TransitionSurface::TransitionSurface(QWidget &target) : target_(&target)
{
    if (!target.size().isEmpty()) {
        image_ = target.grab().toImage().scaled(target.size()).convertToFormat(QImage::Format_RGB32);
        image_.setDevicePixelRatio(1);
        // the library writes through this pointer: the picture must be ours alone
        surface_.bits = image_.bits();
        surface_.width = image_.width();
        surface_.height = image_.height();
        surface_.stride = std::int32_t(image_.bytesPerLine());
    }
    surface_.flush = &TransitionSurface::flush;
    surface_.user = this;
    target.installEventFilter(this);
}

TransitionSurface::~TransitionSurface()
{
    if (target_) {
        target_->removeEventFilter(this);
        target_->update();
    }
}

bool TransitionSurface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != target_ || event->type() != QEvent::Paint)
        return QObject::eventFilter(watched, event);
    const QRect area = static_cast<QPaintEvent *>(event)->rect();
    QPainter painter(target_);
    painter.drawImage(area, image_, area);
    return true;
}

void TransitionSurface::flush(void *user, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    auto *self = static_cast<TransitionSurface *>(user);
    const QRect drawn(QPoint(left, top), QPoint(right - 1, bottom - 1));
    if (self->target_)
        self->target_->repaint(drawn);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    emit self->flushed(drawn);
}

} // namespace imaging
