#include "Canvas.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>

namespace editor {

Canvas::Canvas()
{
    resetAttributes();
}

void Canvas::setPicture(const QImage &picture)
{
    picture_ = picture.convertToFormat(QImage::Format_RGB32);
    outlines_.clear();
    resetAttributes();
    notify(picture_.rect());
}

void Canvas::resample(QSize size)
{
    outlines_.clear();
    picture_ = picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    notify(picture_.rect());
}

void Canvas::restore(const QImage &earlier)
{
    if (earlier.size() != picture_.size())
        return;
    picture_ = earlier.convertToFormat(QImage::Format_RGB32);
    notify(picture_.rect());
}

void Canvas::resetAttributes()
{
    pen = Pen();
    brush = Brush();
    font = defaultFont();
    penPos_ = QPoint();
}

QFont Canvas::defaultFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    return font;
}

void Canvas::lineTo(QPoint point)
{
    notify(paintFigure(picture_, {}, Figure::line(penPos_, point), pen, brush, picture_.rect()));
    penPos_ = point;
}

void Canvas::draw(const Figure &figure)
{
    notify(paintFigure(picture_, {}, figure, pen, brush, picture_.rect()));
}

TRGB Canvas::pixel(QPoint point) const
{
    return picture_.valid(point) ? fromQRgb(picture_.pixel(point)) : White;
}

void Canvas::setPixel(QPoint point, TRGB color)
{
    if (!picture_.valid(point))
        return;
    picture_.setPixel(point, toQRgb(color));
    notify(QRect(point, QSize(1, 1)));
}

void Canvas::floodFill(QPoint seed)
{
    notify(editor::floodFill(picture_, seed, brush));
}

void Canvas::textOut(QPoint topLeft, const QString &text)
{
    if (text.isEmpty() || picture_.isNull())
        return;
    QPainter painter(&picture_);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect cell(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height()));
    if (brush.style == BrushStyle::Solid)
        painter.fillRect(cell, QColor::fromRgb(toQRgb(brush.color)));
    const QPoint baseline = topLeft + QPoint(0, metrics.ascent());
    painter.setPen(QColor::fromRgb(toQRgb(pen.color)));
    painter.drawText(baseline, text);
    // glyphs may reach beyond their advance (italics, overhangs)
    notify(cell | metrics.boundingRect(text).translated(baseline).adjusted(-1, -1, 1, 1));
}

void Canvas::toggleOutline(const Figure &figure)
{
    if (figure.isEmpty())
        return;
    Outline outline{figure, pen, brush};
    outline.pen.mode = PenMode::NotXor;
    const auto shown = std::find(outlines_.begin(), outlines_.end(), outline);
    if (shown != outlines_.end())
        outlines_.erase(shown);
    else
        outlines_.push_back(outline);
    notify(figure.footprint(outline.pen, brush));
}

void Canvas::keepOutlines()
{
    // what is on the screen does not change: no repaint
    for (const Outline &outline : outlines_)
        paintFigure(picture_, {}, outline.figure, outline.pen, outline.brush, picture_.rect());
    outlines_.clear();
}

void Canvas::dropOutlines()
{
    QRegion shown;
    for (const Outline &outline : outlines_)
        shown += outline.figure.footprint(outline.pen, outline.brush);
    outlines_.clear();
    notify(shown);
}

void Canvas::paintOutlines(QImage &piece, QPoint origin) const
{
    for (const Outline &outline : outlines_)
        paintFigure(piece, origin, outline.figure, outline.pen, outline.brush, QRect(origin, piece.size()));
}

void Canvas::notify(const QRegion &region) const
{
    if (changed && !region.isEmpty())
        changed(region);
}

} // namespace editor
