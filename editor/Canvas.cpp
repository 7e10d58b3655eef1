#include "Canvas.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace editor {

Canvas::Canvas()
{
    resetAttributes();
}

void Canvas::setPicture(const QImage &picture)
{
    if (snapshot_.taken && snapshot_.whole.isNull()) {
        putTilesBack();
        snapshot_.whole = std::move(picture_);
        snapshot_.tiles.clear();
    }
    picture_ = picture.convertToFormat(QImage::Format_RGB32);
    outlines_.clear();
    resetAttributes();
    notify(picture_.rect());
}

void Canvas::resample(QSize size)
{
    outlines_.clear();
    dropSnapshot();
    picture_ = picture_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    notify(picture_.rect());
}

void Canvas::takeSnapshot()
{
    snapshot_ = Snapshot();
    snapshot_.taken = true;
    snapshot_.columns = (picture_.width() + Tile - 1) / Tile;
    snapshot_.tiles.resize(std::size_t(snapshot_.columns) * ((picture_.height() + Tile - 1) / Tile));
}

void Canvas::dropSnapshot()
{
    snapshot_ = Snapshot();
}

void Canvas::restoreSnapshot()
{
    if (!snapshot_.taken)
        return;
    if (!snapshot_.whole.isNull()) {
        picture_ = snapshot_.whole;
        outlines_.clear();
        takeSnapshot();
        notify(picture_.rect());
        return;
    }
    notify(putTilesBack());
    takeSnapshot();
}

void Canvas::keepForUndo(const QRect &area)
{
    if (!snapshot_.taken || !snapshot_.whole.isNull())
        return;
    const QRect inside = area & picture_.rect();
    if (inside.isEmpty())
        return;
    for (int row = inside.top() / Tile; row <= inside.bottom() / Tile; ++row)
        for (int column = inside.left() / Tile; column <= inside.right() / Tile; ++column) {
            QImage &tile = snapshot_.tiles[std::size_t(row) * snapshot_.columns + column];
            if (tile.isNull())
                tile = picture_.copy(column * Tile, row * Tile, Tile, Tile);
        }
}

QRegion Canvas::putTilesBack()
{
    QRegion changed;
    for (std::size_t i = 0; i < snapshot_.tiles.size(); ++i) {
        const QImage &tile = snapshot_.tiles[i];
        if (tile.isNull())
            continue;
        const QPoint corner(int(i % snapshot_.columns) * Tile, int(i / snapshot_.columns) * Tile);
        const QRect area = QRect(corner, tile.size()) & picture_.rect();
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(picture_.scanLine(area.top() + y) + area.left() * 4, tile.constScanLine(y),
                        std::size_t(area.width()) * 4);
        changed += area;
    }
    return changed;
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
    draw(Figure::line(penPos_, point));
    penPos_ = point;
}

void Canvas::draw(const Figure &figure)
{
    keepForUndo(figure.bounds(pen.width));
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
    keepForUndo(QRect(point, QSize(1, 1)));
    picture_.setPixel(point, toQRgb(color));
    notify(QRect(point, QSize(1, 1)));
}

void Canvas::floodFill(QPoint seed)
{
    notify(editor::floodFill(picture_, seed, brush, [this](const QRect &span) { keepForUndo(span); }));
}

void Canvas::textOut(QPoint topLeft, const QString &text)
{
    if (text.isEmpty() || picture_.isNull())
        return;
    const QFontMetrics metrics(font, &picture_);
    const QRect cell(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height()));
    const QPoint baseline = topLeft + QPoint(0, metrics.ascent());
    // glyphs may reach beyond their advance (italics, overhangs)
    const QRect touched = cell | metrics.boundingRect(text).translated(baseline).adjusted(-1, -1, 1, 1);
    keepForUndo(touched);
    QPainter painter(&picture_);
    painter.setFont(font);
    if (brush.style == BrushStyle::Solid)
        painter.fillRect(cell, QColor::fromRgb(toQRgb(brush.color)));
    painter.setPen(QColor::fromRgb(toQRgb(pen.color)));
    painter.drawText(baseline, text);
    painter.end();
    notify(touched);
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
    for (const Outline &outline : outlines_) {
        keepForUndo(outline.figure.bounds(outline.pen.width));
        paintFigure(picture_, {}, outline.figure, outline.pen, outline.brush, picture_.rect());
    }
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
