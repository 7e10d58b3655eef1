#include "Raster.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace editor {
namespace {

// Figures are drawn into a mask first: red where the pen covers a pixel,
// blue where the brush does.  The mask is then laid on the picture in one
// pass, so no pixel is painted twice.
constexpr QRgb PenMark = 0xFFFF0000;
constexpr QRgb BrushMark = 0xFF0000FF;

bool thin(const Pen &pen) { return pen.width <= 1; }

// On, off, on, ... lengths in pixels for a thin pen; in pen widths for a wide
// one.  Empty for a solid line.
QList<qreal> dashPattern(PenStyle style, bool thinPen)
{
    switch (style) {
    case PenStyle::Dash: return thinPen ? QList<qreal>{18, 6} : QList<qreal>{4, 2};
    case PenStyle::Dot: return thinPen ? QList<qreal>{3, 3} : QList<qreal>{1, 2};
    case PenStyle::DashDot: return thinPen ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{4, 2, 1, 2};
    case PenStyle::DashDotDot: return thinPen ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{4, 2, 1, 2, 1, 2};
    case PenStyle::Solid:
    case PenStyle::Clear: break;
    }
    return {};
}

// Wide lines have round ends and joins, so that a freehand stroke made of
// many short lines is smooth.
QPen maskPen(const Pen &pen)
{
    QPen mask(QColor::fromRgb(PenMark));
    if (thin(pen)) {
        mask.setWidth(0);
        mask.setCapStyle(Qt::FlatCap);
        mask.setJoinStyle(Qt::MiterJoin);
    } else {
        mask.setWidth(pen.width);
        mask.setCapStyle(Qt::RoundCap);
        mask.setJoinStyle(Qt::RoundJoin);
    }
    const QList<qreal> dashes = dashPattern(pen.style, thin(pen));
    if (!dashes.isEmpty())
        mask.setDashPattern(dashes);
    return mask;
}

// A thin line from `from` (drawn) to `to` (not drawn), whatever its direction,
// so that the lines of a freehand stroke join without gaps or overlaps.
template <typename Plot> void thinLine(QPoint from, QPoint to, const QList<qreal> &dashes, Plot plot)
{
    const int dx = std::abs(to.x() - from.x()), dy = std::abs(to.y() - from.y());
    const int sx = to.x() < from.x() ? -1 : 1, sy = to.y() < from.y() ? -1 : 1;
    const int steps = std::max(dx, dy);
    qsizetype dash = 0;
    int dashLeft = dashes.isEmpty() ? 0 : int(dashes[0]);
    int x = from.x(), y = from.y(), error = dx - dy;
    for (int step = 0; step < steps; ++step) {
        if (dashes.isEmpty() || dash % 2 == 0)
            plot(x, y);
        if (!dashes.isEmpty() && --dashLeft == 0) {
            dash = (dash + 1) % dashes.size();
            dashLeft = int(dashes[dash]);
        }
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += sx;
        }
        if (twice < dx) {
            error += dx;
            y += sy;
        }
    }
}

// A thin rounded rectangle as the toolkit draws it is lopsided at small
// sizes; drawn as four quarters of the corner ellipse (the toolkit's ellipses
// are symmetric) joined by straight sides, it is not.
void thinRoundRect(QPainter &painter, const QRect &rect, QSize corner, bool outline)
{
    const int w = std::min(corner.width(), rect.width()), h = std::min(corner.height(), rect.height());
    const int left = rect.left(), top = rect.top();
    const int right = left + rect.width(), bottom = top + rect.height();
    // each quarter takes the ellipse's middle column and row, from both sides
    const QSize quarter((w + 1) / 2 + 1, (h + 1) / 2 + 1);
    const QPoint corners[] = {{left, top}, {right - w, top}, {left, bottom - h}, {right - w, bottom - h}};
    const QPoint clips[] = {{left, top}, {right + 1 - quarter.width(), top}, {left, bottom + 1 - quarter.height()},
                            {right + 1 - quarter.width(), bottom + 1 - quarter.height()}};
    for (int i = 0; i < 4; ++i) {
        painter.setClipRect(QRect(clips[i], quarter));
        painter.drawEllipse(QRectF(corners[i], QSizeF(w, h)));
    }
    painter.setClipping(false);
    const qreal midX = w / 2.0, midY = h / 2.0;
    if (outline) {
        painter.drawLine(QPointF(left + midX, top), QPointF(right - midX, top));
        painter.drawLine(QPointF(left + midX, bottom), QPointF(right - midX, bottom));
        painter.drawLine(QPointF(left, top + midY), QPointF(left, bottom - midY));
        painter.drawLine(QPointF(right, top + midY), QPointF(right, bottom - midY));
    } else {
        painter.drawRect(QRectF(left + midX, top, rect.width() - w, rect.height()));
        painter.drawRect(QRectF(left, top + midY, rect.width(), rect.height() - h));
    }
}

void drawBox(QPainter &painter, Figure::Kind kind, const QRectF &rect, QSize corner, bool thinPen, bool outline)
{
    switch (kind) {
    case Figure::Kind::Rectangle: painter.drawRect(rect); break;
    case Figure::Kind::Ellipse: painter.drawEllipse(rect); break;
    case Figure::Kind::RoundRect:
        if (thinPen)
            thinRoundRect(painter, rect.toRect(), corner, outline);
        else
            painter.drawRoundedRect(rect, corner.width() / 2.0, corner.height() / 2.0);
        break;
    case Figure::Kind::Line: break;
    }
}

// Marks the figure's pixels within `band` (picture coordinates) on `mask`.
// The painter fills the pixels whose top-left corner lies inside a shape, so
// a thin outline runs through the corners of the box's first and last pixels
// and the brush fills what lies inside it; a wide outline is centred on the
// same pixels.
void drawMask(QImage &mask, const QRect &band, const Figure &figure, const Pen &pen, bool withBrush)
{
    if (figure.kind() == Figure::Kind::Line && thin(pen)) {
        thinLine(figure.from(), figure.to(), dashPattern(pen.style, true), [&](int x, int y) {
            if (band.contains(x, y))
                mask.setPixel(x - band.left(), y - band.top(), PenMark);
        });
        return;
    }
    QPainter painter(&mask);
    painter.translate(-band.left(), -band.top());
    if (figure.kind() == Figure::Kind::Line) {
        painter.setPen(maskPen(pen));
        painter.drawLine(QLineF(figure.from() + QPointF(0.5, 0.5), figure.to() + QPointF(0.5, 0.5)));
        return;
    }
    const QRect box = figure.box();
    const QRectF inner(box.left(), box.top(), box.width() - 1, box.height() - 1);
    if (withBrush) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgb(BrushMark));
        drawBox(painter, figure.kind(), pen.visible() ? inner : QRectF(box), figure.cornerEllipse(), thin(pen), false);
    }
    if (pen.visible()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(maskPen(pen));
        drawBox(painter, figure.kind(), thin(pen) ? inner : inner.translated(0.5, 0.5), figure.cornerEllipse(), thin(pen),
                true);
    }
}

template <PenMode Mode> inline QRgb mix(QRgb pixel, QRgb colour)
{
    if constexpr (Mode == PenMode::Copy)
        return colour;
    else
        return 0xFF000000u | ~(pixel ^ colour);
}

template <PenMode Mode>
void layMask(QImage &target, QPoint origin, const QImage &mask, const QRect &band, const Pen &pen, const Brush &brush)
{
    const QRgb penColour = toQRgb(pen.color), brushColour = toQRgb(brush.color);
    const bool solid = brush.style == BrushStyle::Solid;
    for (int row = 0; row < band.height(); ++row) {
        const int y = band.top() + row;
        const auto *marks = reinterpret_cast<const QRgb *>(mask.constScanLine(row));
        auto *pixels = reinterpret_cast<QRgb *>(target.scanLine(y - origin.y())) + (band.left() - origin.x());
        for (int i = 0; i < band.width(); ++i) {
            const QRgb mark = marks[i];
            if (mark == PenMark)
                pixels[i] = mix<Mode>(pixels[i], penColour);
            else if (mark == BrushMark && (solid || brushCovers(brush.style, band.left() + i, y)))
                pixels[i] = mix<Mode>(pixels[i], brushColour);
        }
    }
}

} // namespace

bool brushCovers(BrushStyle style, int x, int y)
{
    switch (style) {
    case BrushStyle::Solid: return true;
    case BrushStyle::Clear: return false;
    case BrushStyle::Horizontal: return (y & 7) == 0;
    case BrushStyle::Vertical: return (x & 7) == 0;
    case BrushStyle::FDiagonal: return ((x - y) & 7) == 0;
    case BrushStyle::BDiagonal: return ((x + y) & 7) == 0;
    case BrushStyle::Cross: return (x & 7) == 0 || (y & 7) == 0;
    case BrushStyle::DiagCross: return ((x - y) & 7) == 0 || ((x + y) & 7) == 0;
    }
    return false;
}

Figure::Figure(Kind kind, QPoint from, QPoint to, QSize corner)
    : kind_(kind), from_(from), to_(to),
      box_(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
           QSize(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()))),
      corner_(std::abs(corner.width()), std::abs(corner.height()))
{
    if (kind != Kind::Line) {
        // a box is the same figure from whichever corner it was dragged
        from_ = box_.topLeft();
        to_ = box_.topLeft() + QPoint(box_.width(), box_.height());
    }
}

Figure Figure::line(QPoint from, QPoint to) { return Figure(Kind::Line, from, to); }
Figure Figure::rectangle(QPoint corner, QPoint opposite) { return Figure(Kind::Rectangle, corner, opposite); }
Figure Figure::ellipse(QPoint corner, QPoint opposite) { return Figure(Kind::Ellipse, corner, opposite); }
Figure Figure::roundRect(QPoint corner, QPoint opposite, QSize cornerEllipse)
{
    return Figure(Kind::RoundRect, corner, opposite, cornerEllipse);
}

bool Figure::isEmpty() const
{
    return kind_ == Kind::Line ? from_ == to_ : box_.isEmpty();
}

QRect Figure::bounds(int penWidth) const
{
    if (isEmpty())
        return {};
    const int margin = penWidth > 1 ? penWidth / 2 + 1 : 0;
    const QRect area = kind_ == Kind::Line ? QRect(QPoint(std::min(from_.x(), to_.x()), std::min(from_.y(), to_.y())),
                                                   QPoint(std::max(from_.x(), to_.x()), std::max(from_.y(), to_.y())))
                                            : box_;
    return area.adjusted(-margin, -margin, margin, margin);
}

QRegion Figure::footprint(const Pen &pen, const Brush &brush) const
{
    if (!pen.visible() && (kind_ == Kind::Line || !brush.visible()))
        return {};
    const QRect outer = bounds(pen.width);
    if (kind_ != Kind::Rectangle || brush.visible())
        return outer;
    // the outline's width on either side of the box's edge pixels
    const int side = pen.width > 1 ? 2 * (pen.width / 2 + 1) : 1;
    const QRect inner = outer.adjusted(side, side, -side, -side);
    return inner.isEmpty() ? QRegion(outer) : QRegion(outer).subtracted(inner);
}

QRect paintFigure(QImage &target, QPoint origin, const Figure &figure, const Pen &pen, const Brush &brush,
                  const QRect &clip)
{
    const bool withBrush = figure.kind() != Figure::Kind::Line && brush.visible();
    if (figure.isEmpty() || (!pen.visible() && !withBrush))
        return {};
    const QRect area = figure.bounds(pen.width) & clip & QRect(origin, target.size());
    if (area.isEmpty())
        return {};
    // bands of about a million bytes of mask, whatever the figure's size
    const int bandRows = std::clamp((1 << 18) / area.width(), 1, area.height());
    QImage mask(area.width(), bandRows, QImage::Format_RGB32);
    for (int top = area.top(); top <= area.bottom(); top += bandRows) {
        const QRect band(area.left(), top, area.width(), std::min(bandRows, area.bottom() + 1 - top));
        mask.fill(0);
        drawMask(mask, band, figure, pen, withBrush);
        if (pen.mode == PenMode::Copy)
            layMask<PenMode::Copy>(target, origin, mask, band, pen, brush);
        else
            layMask<PenMode::NotXor>(target, origin, mask, band, pen, brush);
    }
    return area;
}

QRect floodFill(QImage &picture, QPoint seed, const Brush &brush, const std::function<void(const QRect &)> &beforeChange)
{
    if (!brush.visible() || !picture.rect().contains(seed))
        return {};
    const int width = picture.width(), height = picture.height();
    const QRgb surface = picture.pixel(seed);
    const QRgb colour = toQRgb(brush.color);
    const bool solid = brush.style == BrushStyle::Solid;
    if (solid && colour == surface)
        return {};
    // A solid brush changes every pixel it paints, so what is painted no
    // longer matches; a hatch leaves some as they were and needs a record.
    std::vector<std::uint64_t> done(solid ? 0 : (std::size_t(width) * height + 63) / 64);
    auto row = [&](int y) { return reinterpret_cast<QRgb *>(picture.scanLine(y)); };
    auto fillable = [&](const QRgb *pixels, int x, int y) {
        if (pixels[x] != surface)
            return false;
        if (solid)
            return true;
        const std::size_t index = std::size_t(y) * width + x;
        return !(done[index >> 6] >> (index & 63) & 1);
    };

    QRect changed;
    std::vector<QPoint> seeds{seed};
    while (!seeds.empty()) {
        const QPoint at = seeds.back();
        seeds.pop_back();
        const int y = at.y();
        QRgb *pixels = row(y);
        if (!fillable(pixels, at.x(), y))
            continue;
        int left = at.x(), right = at.x();
        while (left > 0 && fillable(pixels, left - 1, y))
            --left;
        while (right + 1 < width && fillable(pixels, right + 1, y))
            ++right;
        if (beforeChange)
            beforeChange(QRect(left, y, right - left + 1, 1));
        for (int x = left; x <= right; ++x) {
            if (solid) {
                pixels[x] = colour;
                continue;
            }
            const std::size_t index = std::size_t(y) * width + x;
            done[index >> 6] |= std::uint64_t(1) << (index & 63);
            if (brushCovers(brush.style, x, y))
                pixels[x] = colour;
        }
        changed |= QRect(left, y, right - left + 1, 1);
        for (const int next : {y - 1, y + 1}) {
            if (next < 0 || next >= height)
                continue;
            const QRgb *nextPixels = row(next);
            bool inRun = false;
            for (int x = left; x <= right; ++x) {
                const bool open = fillable(nextPixels, x, next);
                if (open && !inRun)
                    seeds.emplace_back(x, next);
                inRun = open;
            }
        }
    }
    return changed;
}

} // namespace editor
