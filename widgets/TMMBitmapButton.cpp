#include "TMMBitmapButton.h"

#include "TMMImageList.h"

#include <QKeyEvent>
#include <QMouseEvent>

TMMBitmapButton::TMMBitmapButton(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

void TMMBitmapButton::setImages(const TMMImageList *images)
{
    images_ = images;
    refresh();
}

void TMMBitmapButton::setImageIndex(int index)
{
    index_ = index;
    refresh();
}

void TMMBitmapButton::refresh()
{
    if (!images_)
        return;
    const QPixmap picture = images_->image(index_);
    setIcon(QIcon(picture));
    setIconSize(picture.size());
}

void TMMBitmapButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit mouseDown();
    QPushButton::mousePressEvent(event);
}

void TMMBitmapButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit mouseUp();
    QPushButton::mouseReleaseEvent(event);
}

void TMMBitmapButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
