#pragma once
// The arithmetic of TPMultiImage's display, apart from its widgets:
// proportional zoom, centring, scroll bars, panning and the rubber band.
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace imaging::display {

// The largest factor by which the picture fits the control: min(height
// ratio, width ratio).  1 for an empty picture.
double proportionalZoom(QSize control, QSize picture);

// Where a picture smaller than the control starts when centred:
// (control - picture) div 2.
QPoint centredOffset(QSize control, QSize picture);

// The picture scaled by the zoom.
QSize scaledSize(QSize picture, double zoom);

struct ScrollLayout {
    bool visible = false;
    int horizontalMaximum = 0;
    int verticalMaximum = 0;
    int horizontalPosition = 0;
    int verticalPosition = 0;
    QRect horizontalBar;
    QRect verticalBar;
    QRect corner;
};

// The bars for a picture at a zoom and view origin (picture pixels), when
// bars are allowed: shown when the scaled picture exceeds the control
// either way; each maximum is round(scaled - control + bar width), at least 0.
ScrollLayout scrollLayout(QSize control, QSize picture, double zoom, QPointF origin, int barWidth, bool allowed);

// The view origin (picture pixels) a bar position stands for: round(position / zoom).
int originFromBar(int position, double zoom);

// The area of the control the picture is seen through: less the bars when shown.
QSize viewSize(QSize control, const ScrollLayout &bars, int barWidth);

// The origin kept within the picture: from 0 to what still fills the view.
QPointF clampOrigin(QPointF origin, QSize picture, QSize view, double zoom);

// The far corner of a band started at `start` with the mouse at `mouse`:
// on the control's diagonal direction (toward the mouse's side) at the
// mouse's distance, so that the band keeps the control's proportions.
QPoint bandCorner(QPoint start, QPoint mouse, QSize control);

} // namespace imaging::display
