// TPGImage: owning the image, the change handler and the picture box's layout.
#include "PGImage.h"

#include <Rounding.h>

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

int scaled(int length, long double factor)
{
    return int(platform::roundEven(length * factor));
}

// A scroll bar's range and page for content of Length shown in Visible.
void setScrollRange(QScrollBar &bar, int length, int visible)
{
    bar.setRange(0, std::max(0, length - visible));
    bar.setPageStep(std::max(1, visible));
}

} // namespace

QSize StretchedSize(TStretch Stretch, QSize Image, QSize Available, long double ZoomFactor)
{
    const int w = Image.width(), h = Image.height();
    const int aw = std::max(0, Available.width()), ah = std::max(0, Available.height());
    if (Stretch == sAlways)
        return QSize(aw, ah);
    if (w <= 0 || h <= 0)
        return Image;
    const auto fit = [&] {
        if (int64_t(w) * ah > int64_t(h) * aw)
            return QSize(aw, scaled(h, (long double)aw / w));
        return QSize(scaled(w, (long double)ah / h), ah);
    };
    const int edge = std::max(w, h), side = std::min(aw, ah);
    const auto longerEdge = [&] { return QSize(scaled(w, (long double)side / edge), scaled(h, (long double)side / edge)); };
    switch (Stretch) {
    case sNeverKAR: return Image;
    case sAlways: break;
    case sAlwaysKAR: return fit();
    case sShrink: return QSize(std::min(w, aw), std::min(h, ah));
    case sShrinkKAR: return w > aw || h > ah ? fit() : Image;
    case sEnlarge: return QSize(std::max(w, aw), std::max(h, ah));
    case sEnlargeKAR: return w < aw && h < ah ? fit() : Image;
    case sAlwaysLongerEdgeKAR:
    case sEnlargeShrinkLongerEdgeKAR: return longerEdge();
    case sShrinkLongerEdgeKAR: return edge > side ? longerEdge() : Image;
    case sEnlargeLongerEdgeKAR: return edge < side ? longerEdge() : Image;
    case sZoomKAR: return QSize(scaled(w, ZoomFactor), scaled(h, ZoomFactor));
    }
    return Image;
}

TPGImage::TPGImage(QWidget *Parent) : QAbstractScrollArea(Parent), picBox_(new TPicBox(*this))
{
    ProgressClockBkColor = palette().color(QPalette::Button);
    ProgressClockLineColor = palette().color(QPalette::Dark);
    setFrameStyle(QFrame::Box | QFrame::Plain); // a single line
    setLineWidth(1);
    horizontalScrollBar()->setSingleStep(8);
    verticalScrollBar()->setSingleStep(8);
    arrange();
}

TPGImage::~TPGImage()
{
    stopPaintThread();
}

TPixelGraphic *TPGImage::PixelGraphic()
{
    stopPaintThread();
    return pixelGraphic_.get();
}

void TPGImage::SetPixelGraphic(std::unique_ptr<TPixelGraphic> Image)
{
    stopPaintThread();
    pixelGraphic_ = std::move(Image);
    if (KeepOldPaintPixelGraphic && UseThread)
        displayCopyStale_ = true;
    else
        displayCopy_.reset();
    if (pixelGraphic_)
        attach(*pixelGraphic_);
    pixelGraphicChanged();
}

void TPGImage::attach(TPixelGraphic &Image)
{
    Image.OnChange = [this](TPixelGraphic *) { pixelGraphicChanged(); };
    Image.OnProgressStart = [this](TPixelGraphic *Sender) {
        if (OnPixelGraphicProgressStart)
            OnPixelGraphicProgressStart(Sender);
    };
    Image.OnProgress = [this](TPixelGraphic *Sender, int Current, bool &Abort, int Max) {
        if (OnPixelGraphicProgress)
            OnPixelGraphicProgress(Sender, Current, Abort, Max);
    };
    Image.OnProgressEnd = [this](TPixelGraphic *Sender) {
        if (OnPixelGraphicProgressEnd)
            OnPixelGraphicProgressEnd(Sender);
    };
}

void TPGImage::pixelGraphicChanged()
{
    stopPaintThread();
    const QSize image = pixelGraphic_ ? QSize(pixelGraphic_->Width(), pixelGraphic_->Height()) : QSize(0, 0);
    // The control's size that shows the whole image: the borders, and a
    // scroll bar under a side that exceeds its limit (each bar once).
    QSize content = image + QSize(2 * frameWidth(), 2 * frameWidth());
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool horizontalBar = false, verticalBar = false;
    for (int pass = 0; pass < 2; ++pass) {
        if (!horizontalBar && content.width() > AutoSizeMaxWidth) {
            content.rheight() += bar;
            horizontalBar = true;
        }
        if (!verticalBar && content.height() > AutoSizeMaxHeight) {
            content.rwidth() += bar;
            verticalBar = true;
        }
    }
    content = content.expandedTo(QSize(AutoSizeMinWidth, AutoSizeMinHeight))
                  .boundedTo(QSize(AutoSizeMaxWidth, AutoSizeMaxHeight));
    if (OnNewAutoSize)
        OnNewAutoSize(this, content.width(), content.height());
    displayCopyStale_ = true;
    if (autoSize_ && size() != content)
        resize(content); // a hidden control gets no resize event, so arrange below in every case
    arrange();
    picBox_->update();
    if (OnPixelGraphicChange)
        OnPixelGraphicChange(this);
}

void TPGImage::SetStretch(TStretch Value)
{
    stretch_ = Value;
    arrange();
}

void TPGImage::SetCenter(bool Value)
{
    center_ = Value;
    arrange();
}

void TPGImage::SetZoomFactor(long double Value)
{
    zoomFactor_ = Value;
    arrange();
}

void TPGImage::SetAutoScroll(bool Value)
{
    autoScroll_ = Value;
    const Qt::ScrollBarPolicy policy = Value ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    arrange();
}

void TPGImage::SetAutoSize(bool Value)
{
    autoSize_ = Value;
    if (Value)
        pixelGraphicChanged();
}

void TPGImage::SetDisplaySettings(const TDisplaySettings &Value)
{
    display_ = Value;
    displayCopyStale_ = true;
    picBox_->update();
}

void TPGImage::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    arrange();
}

void TPGImage::scrollContentsBy(int, int)
{
    placeBox();
}

void TPGImage::arrange()
{
    const QSize image = pixelGraphic_ ? QSize(pixelGraphic_->Width(), pixelGraphic_->Height()) : QSize(0, 0);
    // The client area less the borders, less the scroll bars the box needs.
    area_ = contentsRect().size();
    QSize box = StretchedSize(stretch_, image, area_, zoomFactor_);
    if (autoScroll_) {
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        bool horizontalBar = false, verticalBar = false;
        for (int pass = 0; pass < 2; ++pass) {
            if (!horizontalBar && box.width() > area_.width()) {
                area_.rheight() -= bar;
                horizontalBar = true;
            }
            if (!verticalBar && box.height() > area_.height()) {
                area_.rwidth() -= bar;
                verticalBar = true;
            }
        }
        if (horizontalBar || verticalBar)
            box = StretchedSize(stretch_, image, area_, zoomFactor_);
    }
    if (image.width() > 0 && image.height() > 0 && box.width() > 0 && box.height() > 0) {
        const bool sameScale = int64_t(box.width()) * image.height() == int64_t(box.height()) * image.width();
        const long double zoom = sameScale ? (long double)box.width() / image.width() : -1;
        if (zoom != effectiveZoom_) {
            effectiveZoom_ = zoom;
            if (OnZoomFactorChange)
                OnZoomFactorChange(this);
        }
    }
    if (box != boxSize_ && display_.Allow24BitStretch)
        displayCopyStale_ = true; // a stretched copy has the box's size
    boxSize_ = box;
    setScrollRange(*horizontalScrollBar(), box.width(), area_.width());
    setScrollRange(*verticalScrollBar(), box.height(), area_.height());
    // Centred: a larger box is scrolled to its middle; otherwise shown from its corner.
    horizontalScrollBar()->setValue(center_ ? horizontalScrollBar()->maximum() / 2 : 0);
    verticalScrollBar()->setValue(center_ ? verticalScrollBar()->maximum() / 2 : 0);
    placeBox();
}

void TPGImage::placeBox()
{
    const auto offset = [this](int box, int area, const QScrollBar &bar) {
        return box < area ? (center_ ? (area - box) / 2 : 0) : -bar.value();
    };
    const QRect geometry(offset(boxSize_.width(), area_.width(), *horizontalScrollBar()),
                         offset(boxSize_.height(), area_.height(), *verticalScrollBar()), boxSize_.width(),
                         boxSize_.height());
    if (geometry == picBox_->geometry())
        return;
    picBox_->setGeometry(geometry);
    picBox_->update();
}
