#include "PdfPaintDevice.h"

#include "PdfDocument.h"
#include "Rounding.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>

#include <climits>
#include <vector>

namespace platform {

class PdfPaintEngine : public QPaintEngine {
public:
    PdfPaintEngine(PdfDocument &document, int dpi)
        : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths), document_(document),
          toPage_(QTransform::fromScale(72.0 / dpi, 72.0 / dpi))
    {
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState &state) override;
    void drawImage(const QRectF &target, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags) override;
    void drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source) override;
    void drawPath(const QPainterPath &path) override;
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override;

private:
    // The clip of the painter (and one more path, in device pixels, when
    // given) around one drawing: each drawing carries its own, so that
    // nothing of it has to survive from one page to the next.
    class ClipScope {
    public:
        ClipScope(PdfPaintEngine &engine, const QPainterPath *extra = nullptr);
        ~ClipScope();
        ClipScope(const ClipScope &) = delete;
        ClipScope &operator=(const ClipScope &) = delete;

    private:
        PdfDocument &document_;
        bool saved_;
    };

    void setClip(const QPainterPath &path, Qt::ClipOperation operation);
    void draw(const QPainterPath &path, bool fill);
    void stroke(const QPainterPath &path);

    PdfDocument &document_;
    const QTransform toPage_; // device pixels to points
    QTransform transform_;
    QPen pen_;
    QBrush brush_;
    bool antialiased_ = false;
    bool clipEnabled_ = false;
    std::vector<QPainterPath> clips_; // in device pixels; they intersect
};

PdfPaintEngine::ClipScope::ClipScope(PdfPaintEngine &engine, const QPainterPath *extra)
    : document_(engine.document_), saved_(extra || (engine.clipEnabled_ && !engine.clips_.empty()))
{
    if (!saved_)
        return;
    document_.save();
    if (engine.clipEnabled_)
        for (const QPainterPath &clip : engine.clips_)
            document_.clip(clip, engine.toPage_);
    if (extra)
        document_.clip(*extra, engine.toPage_);
}

PdfPaintEngine::ClipScope::~ClipScope()
{
    if (saved_)
        document_.restore();
}

void PdfPaintEngine::updateState(const QPaintEngineState &state)
{
    const DirtyFlags dirty = state.state();
    if (dirty & DirtyTransform)
        transform_ = state.transform();
    if (dirty & DirtyPen)
        pen_ = state.pen();
    if (dirty & DirtyBrush)
        brush_ = state.brush();
    if (dirty & DirtyHints)
        antialiased_ = state.renderHints().testFlag(QPainter::Antialiasing);
    if (dirty & DirtyClipEnabled)
        clipEnabled_ = state.isClipEnabled();
    if (dirty & DirtyClipRegion) {
        QPainterPath path;
        path.addRegion(state.clipRegion());
        setClip(path, state.clipOperation());
    }
    if (dirty & DirtyClipPath)
        setClip(state.clipPath(), state.clipOperation());
}

void PdfPaintEngine::setClip(const QPainterPath &path, Qt::ClipOperation operation)
{
    if (operation != Qt::IntersectClip)
        clips_.clear();
    if (operation != Qt::NoClip)
        clips_.push_back(transform_.map(path));
}

void PdfPaintEngine::drawImage(const QRectF &target, const QImage &image, const QRectF &source, Qt::ImageConversionFlags)
{
    const QRect covered = source.toAlignedRect() & image.rect();
    if (covered.isEmpty() || target.isEmpty())
        return;
    // Only whole pixels can be stored: a source of fractional edges is drawn
    // with the pixels around it, clipped to the target.
    const QImage part = covered == image.rect() ? image : image.copy(covered);
    const QTransform sourceToTarget = QTransform::fromTranslate(-source.x(), -source.y())
        * QTransform::fromScale(target.width() / source.width(), target.height() / source.height())
        * QTransform::fromTranslate(target.x(), target.y());
    const bool fractional = QRectF(covered) != source;
    QPainterPath targetClip;
    if (fractional) {
        targetClip.addRect(target);
        targetClip = transform_.map(targetClip);
    }
    const ClipScope scope(*this, fractional ? &targetClip : nullptr);
    document_.drawImage(part, QTransform::fromTranslate(covered.x(), covered.y()) * sourceToTarget * transform_ * toPage_);
}

void PdfPaintEngine::drawPixmap(const QRectF &target, const QPixmap &pixmap, const QRectF &source)
{
    drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
}

void PdfPaintEngine::drawPath(const QPainterPath &path)
{
    draw(path, true);
}

void PdfPaintEngine::drawPolygon(const QPointF *points, int count, PolygonDrawMode mode)
{
    if (count < 1)
        return;
    QPainterPath path(points[0]);
    for (int i = 1; i < count; ++i)
        path.lineTo(points[i]);
    if (mode != PolylineMode)
        path.closeSubpath();
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    draw(path, mode != PolylineMode);
}

void PdfPaintEngine::draw(const QPainterPath &path, bool fill)
{
    const ClipScope scope(*this);
    // Anything but a solid brush reaches here only as a picture (see the header).
    if (fill && brush_.style() != Qt::NoBrush)
        document_.fillPath(path, transform_ * toPage_, brush_.color());
    if (pen_.style() != Qt::NoPen)
        stroke(path);
}

void PdfPaintEngine::stroke(const QPainterPath &path)
{
    // A pen of width 0 is a cosmetic pen of one device pixel; dash lengths count in pen widths.
    const qreal width = pen_.widthF() > 0 ? pen_.widthF() : 1;
    PdfPen pen;
    pen.colour = pen_.color();
    pen.width = width;
    pen.cap = pen_.capStyle();
    pen.join = pen_.joinStyle();
    for (qreal length : pen_.dashPattern())
        pen.dashes.append(length * width);
    pen.dashOffset = pen_.dashOffset() * width;
    if (!pen_.isCosmetic() && pen_.widthF() > 0) {
        document_.strokePath(path, transform_ * toPage_, pen);
        return;
    }
    // A cosmetic pen is measured on the device whatever the transform: the
    // path goes to device pixels first.  Qt draws its dashes without caps,
    // and, painting without antialiasing, puts a one-pixel line in the
    // pixels right of and below its points.
    if (!pen.dashes.isEmpty())
        pen.cap = Qt::FlatCap;
    const QTransform shift = antialiased_ ? QTransform() : QTransform::fromTranslate(0.5, 0.5);
    document_.strokePath(transform_.map(path), shift * toPage_, pen);
}

PdfPaintDevice::PdfPaintDevice(PdfDocument &document, QSize paper, int dpi, QSizeF page)
    : document_(document), paper_(paper), dpi_(dpi), engine_(std::make_unique<PdfPaintEngine>(document, dpi))
{
    if (paper.isEmpty() || dpi <= 0)
        throw PdfError(QStringLiteral("Format de papier ou résolution d'impression invalide."));
    page_ = page.isEmpty() ? QSizeF(paper) * (72.0 / dpi) : page;
    newPage();
}

PdfPaintDevice::~PdfPaintDevice() = default;

void PdfPaintDevice::newPage()
{
    document_.beginPage(page_);
}

QPaintEngine *PdfPaintDevice::paintEngine() const
{
    return engine_.get();
}

int PdfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return paper_.width();
    case PdmHeight:
        return paper_.height();
    case PdmWidthMM:
        return roundInt(paper_.width() * 25.4L / dpi_);
    case PdmHeightMM:
        return roundInt(paper_.height() * 25.4L / dpi_);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dpi_;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return QPaintDevice::metric(metric);
}

} // namespace platform
