// TPMultiImage: painting in its modes (icons and metafiles, tiled,
// stretched, at its size, scaled by the zoom and scrolled), the scroll bars,
// panning, the component's rubber band, the clipboard keys and the
// transition that shows a loaded picture.
#include "TMultiP.h"

#include "Annotation.h"
#include "DisplayGeometry.h"
#include "TransitionSurface.h"
#include "WaitCursor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace imaging {
namespace {

using namespace display;

// Shrinks a picture of single bits so that black (or white) survives
// wherever any pixel a target pixel covers has it.
QImage shrinkKeeping(const QImage &mono, QSize target, bool keepBlack)
{
    const QImage grey = mono.convertToFormat(QImage::Format_Grayscale8);
    QImage shrunk(target, QImage::Format_Grayscale8);
    const int width = grey.width(), height = grey.height();
    for (int y = 0; y < target.height(); ++y) {
        const int top = int(qint64(y) * height / target.height());
        const int bottom = std::max(top + 1, int(qint64(y + 1) * height / target.height()));
        uchar *out = shrunk.scanLine(y);
        for (int x = 0; x < target.width(); ++x) {
            const int left = int(qint64(x) * width / target.width());
            const int right = std::max(left + 1, int(qint64(x + 1) * width / target.width()));
            int value = keepBlack ? 255 : 0;
            for (int sy = top; sy < bottom; ++sy) {
                const uchar *row = grey.constScanLine(sy);
                for (int sx = left; sx < right; ++sx)
                    value = keepBlack ? std::min<int>(value, row[sx]) : std::max<int>(value, row[sx]);
            }
            out[x] = uchar(value);
        }
    }
    return shrunk;
}

} // namespace

// ---- display properties ----------------------------------------------------------------

void TPMultiImage::setStretch(bool stretch)
{
    stretch_ = stretch;
    if (stretch)
        stretchRatio_ = false;
    updateScrollBars();
    update();
}

void TPMultiImage::setStretchRatio(bool stretchRatio)
{
    stretchRatio_ = stretchRatio;
    if (stretchRatio)
        stretch_ = false;
    recomputeZoom();
    updateScrollBars();
    update();
}

void TPMultiImage::setCenter(bool center)
{
    center_ = center;
    update();
}

void TPMultiImage::setAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    if (autoSize && !picture_.isEmpty())
        resize(picture_.width(), picture_.height());
}

void TPMultiImage::setScrolling(bool scrolling)
{
    scrolling_ = scrolling;
    updateScrollBars();
    update();
}

void TPMultiImage::setShowScrollbars(bool show)
{
    showScrollbars_ = show;
    updateScrollBars();
    update();
}

void TPMultiImage::setScrollbarWidth(int width)
{
    scrollbarWidth_ = std::max(0, width);
    updateScrollBars();
    update();
}

void TPMultiImage::setTileWindow(bool tile)
{
    tileWindow_ = tile;
    updateScrollBars();
    update();
}

void TPMultiImage::setColor(const QColor &color)
{
    color_ = color;
    update();
}

void TPMultiImage::recomputeZoom()
{
    if (!stretchRatio_)
        return;
    zoom_ = proportionalZoom(size(), picture_.image().size());
    origin_ = {};
}

// ---- scroll bars and panning ------------------------------------------------------------

bool TPMultiImage::barsAllowed() const
{
    return scrolling_ && showScrollbars_ && !stretch_ && !tileWindow_ && !isGraphic();
}

QSize TPMultiImage::viewArea() const
{
    const ScrollLayout bars = scrollLayout(size(), picture_.image().size(), zoom_, origin_, scrollbarWidth_, barsAllowed());
    return viewSize(size(), bars, scrollbarWidth_);
}

void TPMultiImage::updateScrollBars()
{
    origin_ = clampOrigin(origin_, picture_.image().size(), viewArea(), zoom_);
    const ScrollLayout bars = scrollLayout(size(), picture_.image().size(), zoom_, origin_, scrollbarWidth_, barsAllowed());
    const QSignalBlocker blockH(hBar_), blockV(vBar_);
    hBar_->setVisible(bars.visible);
    vBar_->setVisible(bars.visible);
    corner_->setVisible(bars.visible);
    if (!bars.visible)
        return;
    hBar_->setGeometry(bars.horizontalBar);
    vBar_->setGeometry(bars.verticalBar);
    corner_->setGeometry(bars.corner);
    hBar_->setRange(0, bars.horizontalMaximum);
    vBar_->setRange(0, bars.verticalMaximum);
    hBar_->setValue(bars.horizontalPosition);
    vBar_->setValue(bars.verticalPosition);
}

void TPMultiImage::scrollBarMoved()
{
    origin_ = QPointF(originFromBar(hBar_->value(), zoom_), originFromBar(vBar_->value(), zoom_));
    update();
}

void TPMultiImage::setOrigin(QPointF origin)
{
    origin_ = origin;
    updateScrollBars();
    update();
}

bool TPMultiImage::pictureExceedsView() const
{
    const QSize scaled = scaledSize(picture_.image().size(), zoom_);
    return !picture_.isEmpty() && (scaled.width() > width() || scaled.height() > height());
}

void TPMultiImage::resizeEvent(QResizeEvent *)
{
    updateScrollBars();
}

// ---- painting ------------------------------------------------------------------------------

void TPMultiImage::drawPicture(QPainter &painter, const QRectF &target, const QRectF &source) const
{
    const QImage &image = picture_.image();
    const bool shrinking = target.width() < source.width() || target.height() < source.height();
    if (picture_.bitCount() == 1 && BlitMode != sLight && shrinking && !target.toRect().isEmpty()) {
        const QImage part = image.copy(source.toAlignedRect());
        painter.drawImage(target, shrinkKeeping(part, target.toRect().size(), BlitMode == sDark));
        return;
    }
    // colour on colour: each target pixel takes one source pixel
    painter.drawImage(target, image, source);
}

QRect TPMultiImage::renderPicture(QPainter &painter)
{
    const QRect client = rect();
    const QSize pictureSize = picture_.image().size();
    if (isGraphic()) {
        painter.fillRect(client, brushColour_);
        const QRect bounds = graphic_.boundingRect();
        const QRect area = stretch_ ? client
            : center_               ? QRect(centredOffset(client.size(), bounds.size()), bounds.size())
                                    : QRect(QPoint(), bounds.size());
        painter.save();
        painter.translate(area.topLeft());
        if (!bounds.isEmpty())
            painter.scale(double(area.width()) / bounds.width(), double(area.height()) / bounds.height());
        painter.drawPicture(-bounds.topLeft(), graphic_);
        painter.restore();
        return area;
    }
    if (tileWindow_ && !picture_.isEmpty()) {
        for (int y = 0; y < client.height(); y += pictureSize.height())
            for (int x = 0; x < client.width(); x += pictureSize.width())
                painter.drawImage(x, y, picture_.image());
        return client;
    }
    painter.fillRect(client, banner_.kind != TBannerKind::None ? color_ : brushColour_);
    if (picture_.isEmpty()) {
        painter.fillRect(client, color_);
        if (banner_.kind != TBannerKind::None)
            QMetaObject::invokeMethod(this, &TPMultiImage::StopBanner, Qt::QueuedConnection);
        return {};
    }
    if (stretch_) {
        drawPicture(painter, client, QRectF(QPointF(), pictureSize));
        return client;
    }
    if (!stretchRatio_ && !scrolling_) {
        const QRect area(center_ ? centredOffset(client.size(), pictureSize) : QPoint(), pictureSize);
        painter.drawImage(area.topLeft(), picture_.image());
        return area;
    }
    const QSize scaled = scaledSize(pictureSize, zoom_);
    if (scaled.width() > width() || scaled.height() > height()) {
        const QSize view = viewArea();
        const QSize shown(std::min(view.width(), scaled.width()), std::min(view.height(), scaled.height()));
        drawPicture(painter, QRectF(QPointF(), shown), QRectF(origin_, QSizeF(shown) / zoom_));
        return QRect(QPoint(), shown);
    }
    const QRect area(center_ ? centredOffset(client.size(), scaled) : QPoint(), scaled);
    drawPicture(painter, area, QRectF(QPointF(), pictureSize));
    return area;
}

void TPMultiImage::paintText(QPainter &painter)
{
    if (Text.isEmpty())
        return;
    painter.save();
    painter.setFont(font());
    painter.translate(TextLeft, TextTop);
    painter.rotate(-TextRotate);
    const QRect box = painter.fontMetrics().boundingRect(Text).translated(0, painter.fontMetrics().ascent());
    if (!TextTransParent)
        painter.fillRect(box, color_);
    const int baseline = painter.fontMetrics().ascent();
    if (TextShadow) {
        painter.setPen(TextShadowColor);
        painter.drawText(1, baseline + 1, Text);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(0, baseline, Text);
    painter.restore();
}

bool TPMultiImage::annotatedView() const
{
    return annotations_ && !isGraphic() && !picture_.isEmpty() && !tileWindow_ && !stretch_
        && (stretchRatio_ || scrolling_);
}

void TPMultiImage::paintEvent(QPaintEvent *)
{
    QRect area;
    if (annotatedView()) {
        QImage window(size(), QImage::Format_RGB32);
        QPainter buffer(&window);
        area = renderPicture(buffer);
        buffer.end();
        annotations_->draw(window, origin_.toPoint(), zoom_, area.topLeft());
        QPainter painter(this);
        painter.drawImage(0, 0, window);
    } else {
        QPainter painter(this);
        area = renderPicture(painter);
    }
    QPainter painter(this);
    if (!tileWindow_ || isGraphic()) {
        if (OnPaintArea && !area.isEmpty())
            OnPaintArea(this, area.left(), area.top(), area.right() + 1, area.bottom() + 1);
        paintText(painter);
    }
    if (band_) {
        // the band inverts what it crosses
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(Qt::white);
        painter.drawRect(band_->normalized().adjusted(0, 0, -1, -1));
    }
    painter.end();
    if (OnPaint)
        OnPaint(this);
}

// ---- transitions --------------------------------------------------------------------------

void TPMultiImage::takeLoadedPicture(Bitmap &loaded)
{
    zoom_ = 1.0;
    origin_ = {};
    // the transition reveals the new look over the old one: the old one is taken first
    std::unique_ptr<TransitionSurface> surface;
    if (FXMethod != FXNone && isVisible() && !size().isEmpty() && !loaded.isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        surface = std::make_unique<TransitionSurface>(*this);
    }
    setPicture(loaded);
    if (!surface)
        return;
    platform::WaitCursor hourglass;
    QImage frame(size(), QImage::Format_RGB32);
    QPainter painter(&frame);
    renderPicture(painter);
    painter.end();
    PlayTransition(*surface, FXMethod, Bitmap(frame, 32), FXColRowThick, FXDelay);
}

// ---- mouse and keys ------------------------------------------------------------------------

void TPMultiImage::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (isGraphic())
        return;
    if (editAnnotat_ && annotations_) {
        if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
            annotationMouse(event->button() == Qt::LeftButton ? 513 : 516, at);
        return;
    }
    if (AllowRubberBand && event->button() == RubberBandBtn) {
        bandStart_ = at;
        band_ = QRect(at, at);
        update();
        return;
    }
    if (event->button() == Qt::LeftButton && scrolling_ && !stretch_ && pictureExceedsView()) {
        panning_ = true;
        panStart_ = at;
        panOrigin_ = origin_;
        setCursor(GrabHandCursor);
    }
}

void TPMultiImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (isGraphic())
        return;
    if (editAnnotat_ && annotations_) {
        annotationMouse(512, at);
        return;
    }
    if (band_) {
        band_ = QRect(bandStart_, bandCorner(bandStart_, at, size()));
        update();
        return;
    }
    if (panning_)
        setOrigin(panOrigin_ - QPointF(at - panStart_) / zoom_);
}

void TPMultiImage::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (isGraphic())
        return;
    if (editAnnotat_ && annotations_) {
        if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
            annotationMouse(event->button() == Qt::LeftButton ? 514 : 517, at);
        return;
    }
    if (band_ && event->button() == RubberBandBtn) {
        const QPoint corner = bandCorner(bandStart_, at, size());
        band_.reset();
        update();
        if (OnRubberband)
            OnRubberband(this, event->button(), event->modifiers(), bandStart_.x(), bandStart_.y(), corner.x(), corner.y());
        return;
    }
    if (panning_) {
        panning_ = false;
        unsetCursor();
    }
}

void TPMultiImage::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const int key = event->key();
    const bool control = modifiers == Qt::ControlModifier, shift = modifiers == Qt::ShiftModifier;
    if ((control && (key == Qt::Key_C || key == Qt::Key_Insert))) {
        if (!picture_.isEmpty())
            CopyToClipboard();
    } else if ((control && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        PasteFromClipboard();
    } else if ((control && key == Qt::Key_X) || (shift && key == Qt::Key_Delete)) {
        CutToClipboard();
    } else {
        QWidget::keyPressEvent(event);
    }
}

} // namespace imaging
