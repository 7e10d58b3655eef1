#include "ShapeImage.h"

#include "Rounding.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace imaging {
namespace {

// The largest square of `area`, centred in it.
QRect centredSquare(const QRect &area)
{
    const int side = std::min(area.width(), area.height());
    return QRect(area.left() + (area.width() - side) / 2, area.top() + (area.height() - side) / 2, side, side);
}

// `points` corners around the centre of `area`, corner k at (360 / points * k - angle)
// degrees, alternately at the full radius and at (100 - inner) percent of it.
QPolygon starPoints(const QRect &area, int points, int angle, int inner)
{
    const long double radius = std::min(area.width(), area.height()) / 2.0L;
    const long double cx = area.left() + area.width() / 2.0L, cy = area.top() + area.height() / 2.0L;
    QPolygon polygon;
    for (int k = 0; k < points; ++k) {
        const long double degrees = 360.0L / points * k - angle;
        const long double r = k % 2 == 0 ? radius : radius * (100 - inner) / 100;
        const long double radians = degrees * std::numbers::pi_v<long double> / 180;
        polygon << QPoint(platform::roundInt(cx + std::cos(radians) * r), platform::roundInt(cy + std::sin(radians) * r));
    }
    return polygon;
}

} // namespace

void ShapeImage::setShape(TMyShapeType shape)
{
    shape_ = shape;
    redraw();
}

void ShapeImage::setEdgeSize(int edgeSize)
{
    edgeSize_ = edgeSize;
    redraw();
}

void ShapeImage::setVectorP(int percent)
{
    vectorP_ = percent;
    redraw();
}

void ShapeImage::setVectors(int vectors)
{
    vectors_ = vectors;
    redraw();
}

void ShapeImage::setAngle(int degrees)
{
    angle_ = degrees;
    redraw();
}

void ShapeImage::setSize(QSize size)
{
    size_ = size.expandedTo(QSize(1, 1));
    redraw();
}

void ShapeImage::redraw()
{
    picture_ = QImage(size_, QImage::Format_RGB32);
    picture_.fill(Qt::black);
    const QRect area = QRect(QPoint(0, 0), size_).adjusted(edgeSize_, edgeSize_, -edgeSize_, -edgeSize_);
    if (shape_ == shNone || area.width() <= 0 || area.height() <= 0)
        return;
    QPainter painter(&picture_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QRectF box(area);
    const QRectF square(centredSquare(area));
    const qreal corner = std::min(area.width(), area.height()) / 8.0; // corner ellipses a quarter of the smaller side
    const QPointF top((box.left() + box.right() + 1) / 2, box.top()), bottom(top.x(), box.bottom() + 1);
    const QPointF left(box.left(), (box.top() + box.bottom() + 1) / 2), right(box.right() + 1, left.y());
    switch (shape_) {
    case shNone: break;
    case shRectangle: painter.drawRect(box); break;
    case shSquare: painter.drawRect(square); break;
    case shRoundRect: painter.drawRoundedRect(box, corner, corner); break;
    case shRoundSquare: painter.drawRoundedRect(square, corner, corner); break;
    case shEllipse: painter.drawEllipse(box); break;
    case shCircle: painter.drawEllipse(square); break;
    case shTriangleLeft:
        painter.drawPolygon(QPolygonF({left, QPointF(box.right() + 1, box.top()), QPointF(box.right() + 1, box.bottom() + 1)}));
        break;
    case shTriangleRight:
        painter.drawPolygon(QPolygonF({right, QPointF(box.left(), box.top()), QPointF(box.left(), box.bottom() + 1)}));
        break;
    case shTriangleUp:
        painter.drawPolygon(QPolygonF({top, QPointF(box.left(), box.bottom() + 1), QPointF(box.right() + 1, box.bottom() + 1)}));
        break;
    case shTriangleDown:
        painter.drawPolygon(QPolygonF({bottom, QPointF(box.left(), box.top()), QPointF(box.right() + 1, box.top())}));
        break;
    case shDiamond: painter.drawPolygon(QPolygonF({top, right, bottom, left})); break;
    case shStar:
    case shPolyGon:
        if (vectors_ > 0)
            painter.drawPolygon(starPoints(area, vectors_, angle_, vectorP_));
        break;
    }
}

} // namespace imaging
