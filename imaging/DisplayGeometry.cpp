#include "DisplayGeometry.h"

#include "Rounding.h"

#include <algorithm>
#include <cmath>

namespace imaging::display {

using platform::roundEven;

double proportionalZoom(QSize control, QSize picture)
{
    if (picture.isEmpty())
        return 1.0;
    return std::min(double(control.height()) / picture.height(), double(control.width()) / picture.width());
}

QPoint centredOffset(QSize control, QSize picture)
{
    return {(control.width() - picture.width()) / 2, (control.height() - picture.height()) / 2};
}

QSize scaledSize(QSize picture, double zoom)
{
    return {int(roundEven(picture.width() * (long double)zoom)), int(roundEven(picture.height() * (long double)zoom))};
}

ScrollLayout scrollLayout(QSize control, QSize picture, double zoom, QPointF origin, int barWidth, bool allowed)
{
    ScrollLayout bars;
    const long double scaledWidth = picture.width() * (long double)zoom;
    const long double scaledHeight = picture.height() * (long double)zoom;
    if (!allowed || picture.isEmpty() || (scaledWidth <= control.width() && scaledHeight <= control.height()))
        return bars;
    bars.visible = true;
    const int w = control.width(), h = control.height();
    bars.verticalBar = QRect(w - barWidth, 1, barWidth, h - barWidth - 1);
    bars.horizontalBar = QRect(1, h - barWidth, w - barWidth - 1, barWidth);
    bars.corner = QRect(w - barWidth, h - barWidth, barWidth, barWidth);
    bars.horizontalMaximum = std::max<int>(0, int(roundEven(scaledWidth - w + barWidth)));
    bars.verticalMaximum = std::max<int>(0, int(roundEven(scaledHeight - h + barWidth)));
    bars.horizontalPosition = std::min<int>(int(roundEven(origin.x() * (long double)zoom)), bars.horizontalMaximum);
    bars.verticalPosition = std::min<int>(int(roundEven(origin.y() * (long double)zoom)), bars.verticalMaximum);
    return bars;
}

int originFromBar(int position, double zoom)
{
    return int(roundEven(position / (long double)zoom));
}

QSize viewSize(QSize control, const ScrollLayout &bars, int barWidth)
{
    return bars.visible ? QSize(control.width() - barWidth, control.height() - barWidth) : control;
}

QPointF clampOrigin(QPointF origin, QSize picture, QSize view, double zoom)
{
    const double maxX = std::max(0.0, picture.width() - view.width() / zoom);
    const double maxY = std::max(0.0, picture.height() - view.height() / zoom);
    return {std::clamp(origin.x(), 0.0, maxX), std::clamp(origin.y(), 0.0, maxY)};
}

QPoint bandCorner(QPoint start, QPoint mouse, QSize control)
{
    const double dx = mouse.x() - start.x(), dy = mouse.y() - start.y();
    const double diagonal = std::hypot(double(control.width()), double(control.height()));
    if (diagonal == 0)
        return start;
    const double distance = std::hypot(dx, dy);
    const double sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    return {start.x() + int(roundEven(sx * control.width() * distance / diagonal)),
            start.y() + int(roundEven(sy * control.height() * distance / diagonal))};
}

} // namespace imaging::display
