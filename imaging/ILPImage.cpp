#include "ILPImage.h"

#include "ILDibCls.h"

#include <QMouseEvent>
#include <QPainter>

namespace imaging {

QImage ImageOfDib(HGLOBAL dib)
{
    if (!dib || isEmptyDib(dib))
        return {};
    GlobalLockGuard lock(dib);
    DibView view;
    if (dib_view_open(&view, lock.data(), GlobalSize(dib)) != DIB_OK || view.compression == BI_RLE8 || view.compression == BI_RLE4)
        return {};
    return DibViewToBitmap(view).image();
}

TILPImage::TILPImage(QWidget *parent) : QWidget(parent)
{
    resize(20, 20);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TILPImage::setDib(HGLOBAL dib)
{
    dib_ = dib;
    picture_ = ImageOfDib(dib);
    update();
}

void TILPImage::showPicture(const QImage &picture)
{
    picture_ = picture;
    update();
}

void TILPImage::coloursChanged()
{
    // a palette edit changes only the table: the pixels' indexes stay
    const QImage fresh = ImageOfDib(dib_);
    if (picture_.format() == QImage::Format_Indexed8 && fresh.format() == QImage::Format_Indexed8)
        picture_.setColorTable(fresh.colorTable());
    else
        picture_ = fresh;
    update();
}

void TILPImage::setStretch(bool stretch)
{
    stretch_ = stretch;
    update();
}

void TILPImage::setOverlay(HGLOBAL overlay)
{
    overlay_ = ImageOfDib(overlay);
    update();
}

void TILPImage::setOverlayRect(const QRect &rectangle)
{
    overlayRect_ = rectangle;
    if (overlayShown_)
        update();
}

void TILPImage::setOverlayShown(bool shown)
{
    overlayShown_ = shown;
    update();
}

void TILPImage::setProgress(int percent)
{
    if (percent == progress_)
        return;
    progress_ = percent;
    update();
}

void TILPImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!picture_.isNull()) {
        // colour on colour: every drawn pixel one of the picture's, quick to paint
        if (stretch_)
            painter.drawImage(rect(), picture_);
        else
            painter.drawImage(QPoint(0, 0), picture_);
    }
    if (OnPaint)
        OnPaint(painter);
    if (overlayShown_ && !overlay_.isNull() && overlayRect_.isValid())
        painter.drawImage(overlayRect_, overlay_);
    if (progress_ >= 0) {
        const QRect track(4, height() - 14, width() - 8, 10);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRect(track.adjusted(0, 0, -1, -1));
        painter.fillRect(QRect(track.left() + 1, track.top() + 1, (track.width() - 2) * std::min(progress_, 100) / 100,
                               track.height() - 2),
                         palette().color(QPalette::Highlight));
    }
}

void TILPImage::mousePressEvent(QMouseEvent *event)
{
    if (OnMouseDown)
        OnMouseDown(event->button(), event->position().toPoint());
}

void TILPImage::mouseMoveEvent(QMouseEvent *event)
{
    if (OnMouseMove)
        OnMouseMove(event->buttons(), event->position().toPoint());
}

void TILPImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (OnMouseUp)
        OnMouseUp(event->button(), event->position().toPoint());
}

} // namespace imaging
