#pragma once
// How far a page is turned on the glass, from its text lines, the edges of
// its pictures and the paper's edge against the glass: the angle (in
// degrees, clockwise as seen on screen, within ±15) at which the page's
// horizontal edges, projected along parallel lines, line up best.  The
// search goes from a coarse sweep on a reduced page to finer steps on finer
// copies, ending in a parabola through the best three angles.  A page with
// nothing on it measures 0.
#include <QImage>

namespace cleanup {

double measureSkew(const QImage &page);

} // namespace cleanup
